// The password's key and the unwraps against values computed another way (Python's hashlib for
// PBKDF2, the openssl command for the AES key wrap), so that a mistake in the order of the two
// derivation steps, a salt or a byte order cannot be shared by the test and the code.

#include "notes_source/backup/backup_class_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere::backup {
namespace {

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}
std::string range(int from, int to) {
    std::string bytes;
    for (int b = from; b < to; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

// Password "correct horse", DPSL bytes 0..19 with 10 rounds, SALT bytes 100..119 with 10 rounds;
// class 3's key is bytes 200..231, the file's key bytes 32..63.
const std::string kWrappedTwoSteps =
    fromHex("cb37c5fc9455ff067a1fa4f2f3a615819215126e92401c0698ba25e8a3114dfb4e1cc27d6117aa1e");
const std::string kWrappedSha1Only =
    fromHex("15e105293c9f80db037c42af6bcbedd6a4ab9eb178b89151985673d0e9a327c08be29a9c97326d03");
const std::string kStoredFileKey = fromHex(
    "0300000071dc330970debf3fd03c5b44b53dfec11bcf936c8ddd515a7fdda6e6b2262877ebbe3008db10e9d4");

BackupKeybag keybag(bool twoSteps) {
    BackupKeybag bag;
    bag.salt = range(100, 120);
    bag.sha1Rounds = 10;
    if (twoSteps) {
        bag.sha256Salt = range(0, 20);
        bag.sha256Rounds = 10;
    }
    bag.classKeys.push_back({3, 2, twoSteps ? kWrappedTwoSteps : kWrappedSha1Only});
    return bag;
}

TEST(BackupClassKeys, UnlockWithThePasswordAndUnwrapAFileKey) {
    struct Row {
        const char* name;
        bool twoSteps;
        std::string password;
        bool unlocks;
    };
    const std::vector<Row> rows = {
        {"two_steps", true, "correct horse", true},
        {"sha1_step_only", false, "correct horse", true},
        {"wrong_password", true, "correct horsf", false},
        {"empty_password", true, "", false},
    };
    for (const Row& row : rows) {
        const auto keys =
            BackupClassKeys::unlock(keybag(row.twoSteps), secureBytesOf(row.password));
        ASSERT_EQ(keys.has_value(), row.unlocks) << row.name;
        if (!keys) continue;
        const auto fileKey = keys->unwrapFileKey(kStoredFileKey);
        ASSERT_TRUE(fileKey) << row.name;
        EXPECT_EQ(std::string(fileKey->begin(), fileKey->end()), range(32, 64)) << row.name;
    }
}

TEST(BackupClassKeys, RefusesFileKeysItCannotUnwrap) {
    const auto keys = BackupClassKeys::unlock(keybag(true), secureBytesOf("correct horse"));
    ASSERT_TRUE(keys);
    std::string otherClass = kStoredFileKey;
    otherClass[0] = 4;
    std::string bigEndianClass = kStoredFileKey;
    bigEndianClass[0] = 0;
    bigEndianClass[3] = 3;
    std::string damaged = kStoredFileKey;
    damaged[10] ^= 1;
    struct Row {
        const char* name;
        std::string stored;
    };
    const std::vector<Row> rows = {
        {"class_not_in_keybag", otherClass},
        {"class_read_big_endian", bigEndianClass},
        {"damaged_wrap", damaged},
        {"cut_short", kStoredFileKey.substr(0, 30)},
        {"class_only", kStoredFileKey.substr(0, 4)},
        {"empty", ""},
    };
    for (const Row& row : rows) EXPECT_FALSE(keys->unwrapFileKey(row.stored)) << row.name;
}

TEST(BackupClassKeys, AKeybagWithoutPasswordWrappedKeysDoesNotUnlock) {
    BackupKeybag bag = keybag(true);
    bag.classKeys[0].wrap = 1;  // wrapped under the device's key: not ours to open
    EXPECT_FALSE(BackupClassKeys::unlock(bag, secureBytesOf("correct horse")));
}

}  // namespace
}  // namespace quillmere::backup
