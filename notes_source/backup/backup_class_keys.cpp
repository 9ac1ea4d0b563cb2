#include "notes_source/backup/backup_class_keys.h"

#include "platform/crypto/crypto.h"

namespace quillmere::backup {

namespace {

constexpr std::uint32_t kWrappedUnderPassword = 2;
constexpr std::size_t kKeyBytes = 32;

}  // namespace

std::optional<BackupClassKeys> BackupClassKeys::unlock(const BackupKeybag& keybag,
                                                       const SecureBytes& password) {
    std::optional<SecureBytes> key;
    if (keybag.sha256Salt) {
        auto first = crypto::pbkdf2(crypto::Digest::sha256, crypto::bytesOf(password),
                                    crypto::bytesOf(*keybag.sha256Salt), keybag.sha256Rounds,
                                    kKeyBytes, kMaxSha256Rounds);
        if (!first) return std::nullopt;
        key = crypto::pbkdf2(crypto::Digest::sha1, crypto::bytesOf(*first),
                             crypto::bytesOf(keybag.salt), keybag.sha1Rounds, kKeyBytes,
                             kMaxSha1Rounds);
    } else {
        key = crypto::pbkdf2(crypto::Digest::sha1, crypto::bytesOf(password),
                             crypto::bytesOf(keybag.salt), keybag.sha1Rounds, kKeyBytes,
                             kMaxSha1Rounds);
    }
    if (!key) return std::nullopt;
    BackupClassKeys unlocked;
    for (const KeybagClassKey& classKey : keybag.classKeys) {
        if (!(classKey.wrap & kWrappedUnderPassword)) continue;
        auto unwrapped =
            crypto::aesKeyUnwrap(crypto::bytesOf(*key), crypto::bytesOf(classKey.wrappedKey));
        if (!unwrapped) return std::nullopt;
        unlocked.keys_[classKey.protectionClass] = std::move(*unwrapped);
    }
    if (unlocked.keys_.empty()) return std::nullopt;
    return unlocked;
}

std::optional<SecureBytes> BackupClassKeys::unwrapFileKey(std::string_view stored) const {
    if (stored.size() < 4) return std::nullopt;
    const std::uint32_t protectionClass =
        static_cast<std::uint8_t>(stored[0]) | static_cast<std::uint8_t>(stored[1]) << 8 |
        static_cast<std::uint8_t>(stored[2]) << 16 |
        static_cast<std::uint32_t>(static_cast<std::uint8_t>(stored[3])) << 24;
    const auto classKey = keys_.find(protectionClass);
    if (classKey == keys_.end()) return std::nullopt;
    auto key =
        crypto::aesKeyUnwrap(crypto::bytesOf(classKey->second), crypto::bytesOf(stored.substr(4)));
    if (!key || key->size() != kKeyBytes) return std::nullopt;
    return key;
}

}  // namespace quillmere::backup
