#pragma once
// Opening a note locked with a password in Apple's Notes database. Two schemes exist, told apart
// by what the note data holds, never by the lengths of the columns:
//
// - the note data is a keyed archive of an ICCryptoEncryptionObject (macOS 14, iOS 17 and later):
//   its unauthenticated metadata gives the salt, the iteration count and the hint; PBKDF2-SHA256
//   gives a 32-byte key-encrypting key that unwraps the 40-byte wrapped key; the encrypted data
//   is ciphertext, a 32-byte IV and a 16-byte tag, for AES-GCM with the raw metadata as
//   additional authenticated data. Metadata that names an account key means the note is locked
//   with the device passcode, whose key stays in Apple's keychain;
// - otherwise the note data is the ciphertext itself (macOS 12 and 13, iOS up to 16), and the
//   note's row holds the salt, the iteration count, the wrapped key and the hint, its note data
//   row the IV and the tag; the key-encrypting key has 16 bytes.
//
// Either way the plaintext is the note data an unlocked note stores (gzipped).
//
//   LockedNote note = readLockedNote(stored);
//   if (note.scheme == LockedNote::Scheme::password) {
//       if (auto data = openLockedNote(note, password)) body = readNoteBody(*data, resolve);
//   }

#include <cstdint>
#include <optional>
#include <string>

#include "platform/crypto/password_ring.h"
#include "platform/crypto/secure_bytes.h"

namespace quillmere::note_store {

// A derivation asking for more iterations than this is refused before any work: Notes uses
// 20,000, and a hostile database must not hold the run for hours.
inline constexpr std::uint64_t kMaxLockedNoteIterations = 1'000'000;

// What the database stores of a locked note (UTF-8 text, raw bytes otherwise).
struct StoredLockedNote {
    std::string data;  // ZICNOTEDATA.ZDATA
    std::string iv;    // ZCRYPTOINITIALIZATIONVECTOR (of the note data, else of the note)
    std::string tag;   // ZCRYPTOTAG (likewise)
    std::string salt;  // the note's ZCRYPTOSALT
    std::int64_t iterations = 0;  // the note's ZCRYPTOITERATIONCOUNT
    std::string wrappedKey;       // the note's ZCRYPTOWRAPPEDKEY
    std::string hint;             // the note's ZPASSWORDHINT
};

struct LockedNote {
    enum class Scheme {
        password,        // opens with the user's password
        devicePasscode,  // locked with the device passcode: cannot be opened here
        unreadable,      // damaged or of a kind not known; `fault` says why
    };
    Scheme scheme = Scheme::unreadable;
    std::string fault;
    std::string hint;

    std::string salt;
    std::uint64_t iterations = 0;
    std::size_t kekLength = 0;
    std::string wrappedKey;
    std::string iv, tag, aad, ciphertext;
};

// Reads how `stored` is locked. An iteration count of 0 or over kMaxLockedNoteIterations makes it
// unreadable.
LockedNote readLockedNote(const StoredLockedNote& stored);

// The note data that `password` (UTF-8, normalised to NFC here) opens, or std::nullopt when it
// does not open the note. Only for a note of the password scheme.
std::optional<SecureBytes> openLockedNote(const LockedNote& note, const SecureBytes& password);

struct UnlockedNote {
    std::optional<SecureBytes> data;  // the note data, when a password opened it
    std::string reason;               // otherwise why it stays locked, for its log line
};

// Opens `stored` with the run's passwords (`passwords` may be null: none given), asking with the
// note's title and hint.
UnlockedNote unlockNote(const StoredLockedNote& stored, const std::string& title,
                        PasswordRing* passwords);

}  // namespace quillmere::note_store
