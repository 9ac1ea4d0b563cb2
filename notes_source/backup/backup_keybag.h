#pragma once
// The keybag of an iPhone or iPad backup (Manifest.plist's BackupKeyBag): a run of records, each
// a 4-byte tag, a 4-byte big-endian length and that many bytes. The header (VERS, TYPE, UUID,
// HMCK, WRAP, SALT, ITER, and with newer devices DPWT, DPIC, DPSL) comes first; every further
// UUID opens one class key (CLAS, WRAP, KTYP, WPKY).
//
//   auto parsed = parseBackupKeybag(manifest.keybag);
//   if (!parsed.keybag) { report(*parsed.error); }
//
// The round counts are the key's cost to whoever opens the backup: they are checked against caps
// here, so a hostile count is refused before a single round runs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::backup {

// Real backups use about 10,000,000 rounds of PBKDF2-HMAC-SHA256 and 10,000 of HMAC-SHA1; the
// caps leave room for a few years' growth and still cost only seconds.
inline constexpr std::uint32_t kMaxSha256Rounds = 50'000'000;
inline constexpr std::uint32_t kMaxSha1Rounds = 10'000'000;
// A keybag holds about a dozen class keys in a few kilobytes.
inline constexpr std::size_t kMaxKeybagBytes = 64 * 1024;

struct KeybagClassKey {
    std::uint32_t protectionClass = 0;
    std::uint32_t wrap = 0;  // 2: wrapped under the password's key
    std::string wrappedKey;  // WPKY, an AES key wrap of a 32-byte key (40 bytes)
};

struct BackupKeybag {
    std::string salt;                       // SALT, for the HMAC-SHA1 step
    std::uint32_t sha1Rounds = 0;           // ITER
    std::optional<std::string> sha256Salt;  // DPSL; none: the HMAC-SHA1 step alone
    std::uint32_t sha256Rounds = 0;         // DPIC
    std::vector<KeybagClassKey> classKeys;  // in the order of the keybag
};

struct KeybagParse {
    std::optional<BackupKeybag> keybag;
    std::optional<std::string> error;  // a few words: "a record runs past the end"
};

// Reads the keybag in `bytes`. Refuses one over kMaxKeybagBytes, a record that runs past the end,
// a number record that is not 4 bytes, a missing SALT or ITER, DPSL without DPIC, a round count of
// 0 or over its cap, and a keybag without a class key.
KeybagParse parseBackupKeybag(std::string_view bytes);

}  // namespace quillmere::backup
