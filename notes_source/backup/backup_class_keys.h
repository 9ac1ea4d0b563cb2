#pragma once
// The class keys of an encrypted backup, unlocked with its password, and the file keys they
// unwrap. The password's key is PBKDF2-HMAC-SHA256 over DPSL and DPIC, then PBKDF2-HMAC-SHA1 over
// SALT and ITER (only the second step when the keybag has no DPSL); each class key is the AES
// key unwrap of its WPKY under it. A wrong password shows as a failed unwrap.
//
//   auto keys = BackupClassKeys::unlock(keybag, password);
//   if (!keys) { report("the backup password is not correct"); }
//   auto fileKey = keys->unwrapFileKey(record.encryptionKey);

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>

#include "notes_source/backup/backup_keybag.h"
#include "platform/crypto/secure_bytes.h"

namespace quillmere::backup {

class BackupClassKeys {
public:
    // The class keys, or std::nullopt when the password does not unwrap them (or the keybag holds
    // none wrapped under a password). The round counts were capped when the keybag was read.
    static std::optional<BackupClassKeys> unlock(const BackupKeybag& keybag,
                                                 const SecureBytes& password);

    // The 32-byte key of a file or of Manifest.db from its stored form: the protection class (4
    // bytes, little-endian) and the wrapped key. std::nullopt for a class the keybag lacks, a
    // wrong size or a failed unwrap (damage).
    std::optional<SecureBytes> unwrapFileKey(std::string_view stored) const;

private:
    std::map<std::uint32_t, SecureBytes> keys_;
};

}  // namespace quillmere::backup
