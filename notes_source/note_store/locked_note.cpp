#include "notes_source/note_store/locked_note.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include "platform/crypto/crypto.h"
#include "platform/plist/binary_property_list.h"
#include "platform/plist/keyed_archive.h"

namespace quillmere::note_store {

namespace {

constexpr std::size_t kArchiveIvLength = 32;
constexpr std::size_t kTagLength = 16;

// Overwrites the characters of `text` before it goes away.
void cleanse(icu::UnicodeString& text) {
    const int32_t capacity = text.getCapacity();
    char16_t* buffer = text.getBuffer(capacity);
    if (buffer) {
        cleanseMemory(buffer, static_cast<std::size_t>(capacity) * sizeof(char16_t));
        text.releaseBuffer(0);
    }
}

// The password in Unicode normalisation form C, as UTF-8: what Notes derives the key from, so
// that "é" typed as one character or as "e" and a combining accent opens the same note.
SecureBytes normalisedPassword(const SecureBytes& password) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return password;
    icu::UnicodeString typed = icu::UnicodeString::fromUTF8(icu::StringPiece(
        reinterpret_cast<const char*>(password.data()), static_cast<int32_t>(password.size())));
    icu::UnicodeString normal = nfc->normalize(typed, status);
    SecureBytes out;
    if (U_SUCCESS(status)) {
        std::string utf8;
        normal.toUTF8String(utf8);
        out = secureBytesOf(utf8);
        cleanseString(utf8);
    } else {
        out = password;
    }
    cleanse(typed);
    cleanse(normal);
    return out;
}

LockedNote unreadable(std::string fault) {
    LockedNote note;
    note.fault = std::move(fault);
    return note;
}

// The count as the derivation takes it, or the fault that refuses it.
std::optional<std::string> iterationFault(std::int64_t iterations) {
    if (iterations <= 0) return "its key derivation has no iteration count";
    if (static_cast<std::uint64_t>(iterations) > kMaxLockedNoteIterations) {
        return "its key derivation asks for " + std::to_string(iterations) +
               " iterations, more than " + std::to_string(kMaxLockedNoteIterations);
    }
    return std::nullopt;
}

LockedNote readArchive(const plist::KeyedArchive& archive, const plist::Value& root,
                       const StoredLockedNote& stored) {
    auto metadata = archive.data(archive.member(root, "metadata"));
    auto outside = archive.data(archive.member(root, "unauthenticatedMetadata"));
    auto wrapped = archive.data(archive.member(root, "wrappedEncryptionKey"));
    auto encrypted = archive.data(archive.member(root, "encryptedData"));
    if (!metadata || !outside || !wrapped || !encrypted) {
        return unreadable("its encryption object lacks a part");
    }
    auto meta = plist::BinaryPropertyList::parse(std::string(*metadata));
    if (!meta) return unreadable("its encryption metadata cannot be read");
    LockedNote note;
    if (meta->root()["accountKeyIdentifier"]) {
        note.scheme = LockedNote::Scheme::devicePasscode;
        return note;
    }
    if (auto version = meta->root()["cipherVersion"].integer(); version && *version != 2) {
        return unreadable("it is encrypted with cipher version " + std::to_string(*version) +
                          ", which this importer does not know");
    }
    auto parameters = plist::BinaryPropertyList::parse(std::string(*outside));
    if (!parameters) return unreadable("its encryption parameters cannot be read");
    const plist::Value values = parameters->root();
    auto salt = values["passphraseSalt"].data();
    auto iterations = values["passphraseIterationCount"].integer();
    if (!salt || !iterations) return unreadable("its encryption parameters lack a salt or a count");
    if (auto fault = iterationFault(*iterations)) return unreadable(*fault);
    if (encrypted->size() < kArchiveIvLength + kTagLength) {
        return unreadable("its encrypted data is too short");
    }
    note.scheme = LockedNote::Scheme::password;
    note.hint = values["passphraseHint"].string().value_or(stored.hint);
    note.salt = std::string(*salt);
    note.iterations = static_cast<std::uint64_t>(*iterations);
    note.kekLength = 32;
    note.wrappedKey = std::string(*wrapped);
    note.aad = std::string(*metadata);
    const std::size_t cipherLength = encrypted->size() - kArchiveIvLength - kTagLength;
    note.ciphertext = std::string(encrypted->substr(0, cipherLength));
    note.iv = std::string(encrypted->substr(cipherLength, kArchiveIvLength));
    note.tag = std::string(encrypted->substr(cipherLength + kArchiveIvLength));
    return note;
}

}  // namespace

LockedNote readLockedNote(const StoredLockedNote& stored) {
    if (auto archive = plist::KeyedArchive::parse(stored.data)) {
        const plist::Value root = archive->top("root");
        if (archive->className(root) != "ICCryptoEncryptionObject") {
            return unreadable("its note data is an archive of an unknown kind");
        }
        return readArchive(*archive, root, stored);
    }
    // Ciphertext begins so by chance once in 2^64 notes; this is a damaged archive.
    if (stored.data.starts_with("bplist00")) {
        return unreadable("its note data is a damaged property list");
    }
    if (auto fault = iterationFault(stored.iterations)) return unreadable(*fault);
    if (stored.salt.empty() || stored.wrappedKey.empty() || stored.iv.empty() ||
        stored.tag.empty()) {
        return unreadable("its encryption parameters are missing");
    }
    LockedNote note;
    note.scheme = LockedNote::Scheme::password;
    note.hint = stored.hint;
    note.salt = stored.salt;
    note.iterations = static_cast<std::uint64_t>(stored.iterations);
    note.kekLength = 16;
    note.wrappedKey = stored.wrappedKey;
    note.iv = stored.iv;
    note.tag = stored.tag;
    note.ciphertext = stored.data;
    return note;
}

std::optional<SecureBytes> openLockedNote(const LockedNote& note, const SecureBytes& password) {
    using crypto::bytesOf;
    if (note.scheme != LockedNote::Scheme::password) return std::nullopt;
    const SecureBytes normal = normalisedPassword(password);
    auto kek = crypto::pbkdf2(crypto::Digest::sha256, bytesOf(normal), bytesOf(note.salt),
                              note.iterations, note.kekLength, kMaxLockedNoteIterations);
    if (!kek) return std::nullopt;
    auto key = crypto::aesKeyUnwrap(bytesOf(*kek), bytesOf(note.wrappedKey));
    if (!key) return std::nullopt;
    return crypto::aesGcmDecrypt(bytesOf(*key), bytesOf(note.iv), bytesOf(note.aad),
                                 bytesOf(note.ciphertext), bytesOf(note.tag));
}

UnlockedNote unlockNote(const StoredLockedNote& stored, const std::string& title,
                        PasswordRing* passwords) {
    UnlockedNote result;
    const LockedNote note = readLockedNote(stored);
    switch (note.scheme) {
        case LockedNote::Scheme::devicePasscode:
            result.reason =
                "locked with the device passcode; it can be opened only on the Mac or iPhone";
            return result;
        case LockedNote::Scheme::unreadable:
            result.reason = "locked, and it cannot be opened: " + note.fault;
            return result;
        case LockedNote::Scheme::password:
            break;
    }
    PasswordRing::Outcome outcome = PasswordRing::Outcome::noPassword;
    if (passwords) {
        outcome = passwords->open({title, note.hint}, [&](const SecureBytes& password) {
            result.data = openLockedNote(note, password);
            return result.data.has_value();
        });
    }
    if (outcome == PasswordRing::Outcome::noPassword) {
        result.reason = "locked; no password given";
    } else if (outcome == PasswordRing::Outcome::wrongPasswords) {
        result.reason = "the passwords given do not open it";
    }
    return result;
}

}  // namespace quillmere::note_store
