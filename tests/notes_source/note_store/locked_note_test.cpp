#include "notes_source/note_store/locked_note.h"

#include <gtest/gtest.h>

namespace quillmere::note_store {
namespace {

std::string hex(const std::string& digits) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Made with Python's cryptography and plistlib. The plaintext is "plain note data" in each.
// The older scheme: password "café" (NFC), 3 iterations.
StoredLockedNote olderNote() {
    StoredLockedNote note;
    note.salt = hex("000102030405060708090a0b0c0d0e0f");
    note.iterations = 3;
    note.wrappedKey = hex("53117cc0920ac37e53e51416f3ad8fd5cdc546800dcd2f7d");
    note.iv = hex("32333435363738393a3b3c3d3e3f4041");
    note.tag = hex("42dbd40eabcc32ea31b1ffb33c161386");
    note.data = hex("b8055ad606ffc414f8d72ad370c2ff");
    note.hint = "row hint";
    return note;
}

// The newer scheme: a keyed archive, password "tbull", 3 iterations, hint "the hint", metadata
// {cipherVersion: 2, objectIdentifier: "ABCD"}.
const std::string kArchive = hex(
    "62706c6973743030d4010203040506070a582476657273696f6e592461726368697665725424746f7058246f626a"
    "6563747312000186a05f100f4e534b657965644172636869766572d1080954726f6f748001a70b0c1718191a1b55"
    "246e756c6cd50d0e0f10111213141516586d657461646174615f1017756e61757468656e746963617465644d6574"
    "61646174615624636c6173735f101477726170706564456e6372797074696f6e4b65795d656e6372797074656444"
    "617461800380028006800480054f109d62706c6973743030d30102030405065e7061737370687261736548696e74"
    "5f101870617373706872617365497465726174696f6e436f756e745e7061737370687261736553616c7458746865"
    "2068696e7410034f1020000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f080f1e39"
    "48515300000000000001010000000000000007000000000000000000000000000000764f105a62706c6973743030"
    "d2010203045d63697068657256657273696f6e5f10106f626a6563744964656e7469666965721002544142434408"
    "0d1b2e3000000000000001010000000000000005000000000000000000000000000000354f1028a598f18a500724"
    "3fa1f2d264d06c984c8849ba83311a3bd9738b62dc78d288bcab51124fa52b7d524f103f804748f120e151d5d01b"
    "2a170ffc06000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f249b7c9e68cb9b7e12"
    "e4a4f4e775342bd21c1d1e1f5a24636c6173736e616d655824636c61737365735f1018494343727970746f456e63"
    "72797074696f6e4f626a656374a21e20584e534f626a65637400080011001a00240029003200370049004c005100"
    "53005b0061006c0075008f009600ad00bb00bd00bf00c100c300c5016501c201ed022f0234023f02480263026600"
    "0000000000020100000000000000210000000000000000000000000000026f");

// The same, but its metadata names an account key: locked with the device passcode.
const std::string kDeviceArchive = hex(
    "62706c6973743030d4010203040506070a582476657273696f6e592461726368697665725424746f7058246f626a"
    "6563747312000186a05f100f4e534b657965644172636869766572d1080954726f6f748001a70b0c1718191a1b55"
    "246e756c6cd50d0e0f10111213141516586d657461646174615f1017756e61757468656e746963617465644d6574"
    "61646174615624636c6173735f101477726170706564456e6372797074696f6e4b65795d656e6372797074656444"
    "617461800380028006800480054f109d62706c6973743030d30102030405065e7061737370687261736548696e74"
    "5f101870617373706872617365497465726174696f6e436f756e745e7061737370687261736553616c7458746865"
    "2068696e7410034f1020000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f080f1e39"
    "48515300000000000001010000000000000007000000000000000000000000000000764f107762706c6973743030"
    "d30102030405065f10146163636f756e744b65794964656e7469666965725d63697068657256657273696f6e5f10"
    "106f626a6563744964656e746966696572514b10025441424344080f263447494b00000000000001010000000000"
    "000007000000000000000000000000000000504f1028a598f18a5007243fa1f2d264d06c984c8849ba83311a3bd9"
    "738b62dc78d288bcab51124fa52b7d524f103f804748f120e151d5d01b2a170ffc06000102030405060708090a0b"
    "0c0d0e0f101112131415161718191a1b1c1d1e1fc963afb560142071f1781a12d915d248d21c1d1e1f5a24636c61"
    "73736e616d655824636c61737365735f1018494343727970746f456e6372797074696f6e4f626a656374a21e2058"
    "4e534f626a65637400080011001a00240029003200370049004c00510053005b0061006c0075008f009600ad00bb"
    "00bd00bf00c100c300c5016501df020a024c0251025c026502800283000000000000020100000000000000210000"
    "000000000000000000000000028c");

StoredLockedNote archived(std::string archive) {
    StoredLockedNote note = olderNote();  // the row's columns must not decide the scheme
    note.data = std::move(archive);
    return note;
}

StoredLockedNote olderWithIterations(std::int64_t iterations) {
    StoredLockedNote note = olderNote();
    note.iterations = iterations;
    return note;
}

std::string metadataChanged() {
    std::string archive = kArchive;
    archive.replace(archive.find("ABCD"), 4, "ABCE");  // authenticated, not encrypted
    return archive;
}

TEST(LockedNote, OpensBothSchemesWithTheRightPasswordOnly) {
    using S = LockedNote::Scheme;
    struct Row {
        const char* name;
        StoredLockedNote stored;
        std::string password;
        S scheme;
        bool opens;
        std::string hint;
    };
    const Row rows[] = {
        {"older_nfc_password", olderNote(), "caf\xC3\xA9", S::password, true, "row hint"},
        {"older_nfd_password", olderNote(), "cafe\xCC\x81", S::password, true, "row hint"},
        {"older_wrong_password", olderNote(), "cafe", S::password, false, "row hint"},
        {"newer_right_password", archived(kArchive), "tbull", S::password, true, "the hint"},
        {"newer_wrong_password", archived(kArchive), "tbul", S::password, false, "the hint"},
        {"newer_metadata_changed", archived(metadataChanged()), "tbull", S::password, false,
         "the hint"},
        {"device_passcode", archived(kDeviceArchive), "tbull", S::devicePasscode, false, ""},
        {"older_hostile_count", olderWithIterations(4'000'000'000), "caf\xC3\xA9", S::unreadable,
         false, ""},
        {"older_count_at_the_cap", olderWithIterations(kMaxLockedNoteIterations + 1), "caf\xC3\xA9",
         S::unreadable, false, ""},
        {"older_no_count", olderWithIterations(0), "caf\xC3\xA9", S::unreadable, false, ""},
        {"archive_cut_short", archived(kArchive.substr(0, 400)), "tbull", S::unreadable, false, ""},
    };
    for (const Row& row : rows) {
        const LockedNote note = readLockedNote(row.stored);
        EXPECT_EQ(note.scheme, row.scheme) << row.name << ": " << note.fault;
        EXPECT_EQ(note.hint, row.hint) << row.name;
        auto data = openLockedNote(note, secureBytesOf(row.password));
        EXPECT_EQ(data.has_value(), row.opens) << row.name;
        if (data && row.opens) {
            EXPECT_EQ(std::string(data->begin(), data->end()), "plain note data") << row.name;
        }
    }
}

TEST(LockedNote, SaysWhyANoteStaysLocked) {
    struct Row {
        const char* name;
        StoredLockedNote stored;
        std::vector<std::string> passwords;
        bool ring;
        std::string reason;
    };
    const Row rows[] = {
        {"no_passwords", olderNote(), {}, false, "locked; no password given"},
        {"empty_ring", olderNote(), {}, true, "locked; no password given"},
        {"wrong_ones", olderNote(), {"a", "b"}, true, "the passwords given do not open it"},
        {"opened_by_the_second", olderNote(), {"a", "caf\xC3\xA9"}, true, ""},
        {"device_passcode",
         archived(kDeviceArchive),
         {"tbull"},
         true,
         "locked with the device passcode; it can be opened only on the Mac or iPhone"},
        {"hostile_count",
         olderWithIterations(1'000'000'000),
         {"caf\xC3\xA9"},
         true,
         "locked, and it cannot be opened: its key derivation asks for 1000000000 iterations, "
         "more than 1000000"},
    };
    for (const Row& row : rows) {
        std::vector<SecureBytes> given;
        for (const auto& password : row.passwords) given.push_back(secureBytesOf(password));
        PasswordRing ring(std::move(given));
        auto unlocked = unlockNote(row.stored, "Title", row.ring ? &ring : nullptr);
        EXPECT_EQ(unlocked.reason, row.reason) << row.name;
        EXPECT_EQ(unlocked.data.has_value(), row.reason.empty()) << row.name;
    }
}

}  // namespace
}  // namespace quillmere::note_store
