#include "notes_source/backup/backup_keybag.h"

namespace quillmere::backup {

namespace {

std::uint32_t bigEndian32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (unsigned char byte : bytes.substr(0, 4)) value = (value << 8) | byte;
    return value;
}

KeybagParse failure(std::string error) {
    KeybagParse parse;
    parse.error = std::move(error);
    return parse;
}

bool isNumberTag(std::string_view tag) {
    return tag == "ITER" || tag == "DPIC" || tag == "CLAS" || tag == "WRAP" || tag == "KTYP" ||
           tag == "VERS" || tag == "TYPE" || tag == "DPWT";
}

std::optional<std::string> roundsProblem(const char* tag, std::uint32_t rounds, std::uint32_t cap) {
    if (rounds == 0) return std::string("the keybag's ") + tag + " round count is 0";
    if (rounds <= cap) return std::nullopt;
    return std::string("the keybag asks for ") + std::to_string(rounds) + " " + tag +
           " key rounds, more than the " + std::to_string(cap) + " a real backup needs";
}

}  // namespace

KeybagParse parseBackupKeybag(std::string_view bytes) {
    if (bytes.size() > kMaxKeybagBytes) return failure("the keybag is too large");
    BackupKeybag keybag;
    bool seenIterations = false, seenSha256Rounds = false, seenUuid = false;
    KeybagClassKey* current = nullptr;
    while (!bytes.empty()) {
        if (bytes.size() < 8) return failure("a record runs past the end");
        const std::string_view tag = bytes.substr(0, 4);
        const std::uint32_t length = bigEndian32(bytes.substr(4, 4));
        bytes.remove_prefix(8);
        if (length > bytes.size()) return failure("a record runs past the end");
        const std::string_view value = bytes.substr(0, length);
        bytes.remove_prefix(length);
        if (isNumberTag(tag) && length != 4) {
            return failure("the " + std::string(tag) + " record is not a 4-byte number");
        }
        if (tag == "UUID") {
            // The first UUID names the keybag; each later one opens a class key.
            if (seenUuid) current = &keybag.classKeys.emplace_back();
            seenUuid = true;
        } else if (current) {
            if (tag == "CLAS") current->protectionClass = bigEndian32(value);
            if (tag == "WRAP") current->wrap = bigEndian32(value);
            if (tag == "WPKY") current->wrappedKey = std::string(value);
        } else if (tag == "SALT") {
            keybag.salt = std::string(value);
        } else if (tag == "ITER") {
            keybag.sha1Rounds = bigEndian32(value);
            seenIterations = true;
        } else if (tag == "DPSL") {
            keybag.sha256Salt = std::string(value);
        } else if (tag == "DPIC") {
            keybag.sha256Rounds = bigEndian32(value);
            seenSha256Rounds = true;
        }
    }
    if (keybag.salt.empty() || !seenIterations) return failure("the keybag has no salt or rounds");
    if (keybag.sha256Salt && !seenSha256Rounds) return failure("the keybag has no DPIC rounds");
    if (auto error = roundsProblem("ITER", keybag.sha1Rounds, kMaxSha1Rounds)) {
        return failure(*error);
    }
    // A DPIC without its salt is checked too: no keybag leaves an uncapped count behind it.
    if (keybag.sha256Salt || seenSha256Rounds) {
        if (auto error = roundsProblem("DPIC", keybag.sha256Rounds, kMaxSha256Rounds)) {
            return failure(*error);
        }
    }
    if (keybag.classKeys.empty()) return failure("the keybag holds no class keys");
    KeybagParse parse;
    parse.keybag = std::move(keybag);
    return parse;
}

}  // namespace quillmere::backup
