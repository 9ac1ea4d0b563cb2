// The keybag's records: what a real backup's keybag yields, and each damage or hostile count
// refused before any key is derived.

#include "notes_source/backup/backup_keybag.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere::backup {
namespace {

std::string record(const std::string& tag, const std::string& value) {
    const auto n = static_cast<std::uint32_t>(value.size());
    return tag + std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + value;
}
std::string number(std::uint32_t n) {
    return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
}
std::string header(std::uint32_t iter = 10, std::uint32_t dpic = 10) {
    return record("VERS", number(3)) + record("TYPE", number(1)) +
           record("UUID", std::string(16, 'u')) + record("HMCK", std::string(40, 'h')) +
           record("WRAP", number(0)) + record("SALT", std::string(20, 's')) +
           record("ITER", number(iter)) + record("DPWT", number(1)) + record("DPIC", number(dpic)) +
           record("DPSL", std::string(20, 'd'));
}
std::string classKey(std::uint32_t protectionClass, char fill) {
    return record("UUID", std::string(16, 'c')) + record("CLAS", number(protectionClass)) +
           record("WRAP", number(2)) + record("KTYP", number(0)) +
           record("WPKY", std::string(40, fill));
}

TEST(BackupKeybag, ReadsTheHeaderAndEachClassKey) {
    const auto parse =
        parseBackupKeybag(header(10'000, 10'000'000) + classKey(1, 'a') + classKey(3, 'b'));
    ASSERT_TRUE(parse.keybag) << parse.error.value_or("");
    const BackupKeybag& keybag = *parse.keybag;
    EXPECT_EQ(keybag.salt, std::string(20, 's'));
    EXPECT_EQ(keybag.sha1Rounds, 10'000u);
    EXPECT_EQ(keybag.sha256Salt, std::string(20, 'd'));
    EXPECT_EQ(keybag.sha256Rounds, 10'000'000u);
    ASSERT_EQ(keybag.classKeys.size(), 2u);
    EXPECT_EQ(keybag.classKeys[0].protectionClass, 1u);
    EXPECT_EQ(keybag.classKeys[0].wrap, 2u);
    EXPECT_EQ(keybag.classKeys[0].wrappedKey, std::string(40, 'a'));
    EXPECT_EQ(keybag.classKeys[1].protectionClass, 3u);
    EXPECT_EQ(keybag.classKeys[1].wrappedKey, std::string(40, 'b'));
}

TEST(BackupKeybag, OlderKeybagsHaveOnlyTheSha1Step) {
    const std::string older = record("VERS", number(2)) + record("UUID", std::string(16, 'u')) +
                              record("SALT", std::string(20, 's')) +
                              record("ITER", number(10'000)) + classKey(3, 'k');
    const auto parse = parseBackupKeybag(older);
    ASSERT_TRUE(parse.keybag) << parse.error.value_or("");
    EXPECT_FALSE(parse.keybag->sha256Salt);
}

TEST(BackupKeybag, RefusesDamageAndHostileRoundCounts) {
    const std::string good = header() + classKey(3, 'k');
    struct Row {
        const char* name;
        std::string bytes;
        bool accepted;
    };
    const std::vector<Row> rows = {
        {"cut_inside_a_record", good.substr(0, good.size() - 44 - 5), false},
        {"length_past_the_end", good + "WPKY" + number(100) + "short", false},
        {"number_not_four_bytes",
         record("UUID", "u") + record("SALT", "s") + record("ITER", std::string(2, '\1')) +
             classKey(3, 'k'),
         false},
        {"no_salt", record("UUID", "u") + record("ITER", number(10)) + classKey(3, 'k'), false},
        {"dpsl_without_dpic",
         record("UUID", "u") + record("SALT", "s") + record("ITER", number(10)) +
             record("DPSL", "d") + classKey(3, 'k'),
         false},
        {"no_class_key", header(), false},
        {"iter_zero", header(0) + classKey(3, 'k'), false},
        {"iter_at_cap", header(kMaxSha1Rounds) + classKey(3, 'k'), true},
        {"iter_over_cap", header(kMaxSha1Rounds + 1) + classKey(3, 'k'), false},
        {"dpic_at_cap", header(10, kMaxSha256Rounds) + classKey(3, 'k'), true},
        {"dpic_four_billion", header(10, 4'000'000'000u) + classKey(3, 'k'), false},
        {"dpic_zero", header(10, 0) + classKey(3, 'k'), false},
        {"oversized", good + record("PAD ", std::string(kMaxKeybagBytes, '\0')), false},
    };
    for (const Row& row : rows) {
        const auto parse = parseBackupKeybag(row.bytes);
        EXPECT_EQ(parse.keybag.has_value(), row.accepted) << row.name;
        EXPECT_EQ(parse.error.has_value(), !row.accepted) << row.name;
    }
}

}  // namespace
}  // namespace quillmere::backup
