// Manifest.db as the backup reader sees it: rows found by domain and path, rows that must not be
// trusted, files that are no manifest, and the file left as it was.

#include "notes_source/backup/manifest_database.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/private_environment.h"

namespace quillmere::backup {
namespace {

namespace fs = std::filesystem;

class ManifestDatabaseTest : public ::testing::Test {
protected:
    fs::path make(const std::vector<std::string>& statements) {
        const fs::path path = env.root() / "Manifest.db";
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        for (const std::string& sql : statements) {
            EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        }
        sqlite3_close(db);
        return path;
    }
    test::PrivateEnvironment env;
};

const std::string kTable =
    "CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags "
    "INTEGER, file BLOB)";
const std::string kId = "4f98687d8ab0d6d1a371110e6b7300f6e465bef2";

TEST_F(ManifestDatabaseTest, FindsRowsAndRefusesThoseThatPointOutside) {
    const fs::path path = make(
        {kTable, "INSERT INTO Files VALUES ('" + kId + "', 'D', 'NoteStore.sqlite', 1, x'0102')",
         "INSERT INTO Files VALUES ('../../../etc/passwd00000000000000000000000', 'D', "
         "'climb', 1, x'')",
         "INSERT INTO Files VALUES ('4F98687D8AB0D6D1A371110E6B7300F6E465BEF2', 'D', "
         "'capitals', 1, x'')",
         "INSERT INTO Files VALUES ('" + kId.substr(1) + "', 'D', 'short', 1, x'')",
         "INSERT INTO Files VALUES ('" + std::string(40, 'a') + "', 'D', 'huge', 1, zeroblob(" +
             std::to_string(kMaxFileRecordBytes + 1) + "))",
         "INSERT INTO Files VALUES ('" + std::string(40, 'b') + "', 'D', 'folder', 2, x'')"});
    const auto before = test::readFile(path);
    auto open = ManifestDatabase::open(path);
    ASSERT_TRUE(open.database) << open.error.value_or("");
    const ManifestDatabase& manifest = *open.database;

    struct Row {
        const char* name;
        std::string domain, relativePath;
        bool found, error;
    };
    const std::vector<Row> rows = {
        {"file", "D", "NoteStore.sqlite", true, false},
        {"folder", "D", "folder", true, false},
        {"other_domain", "E", "NoteStore.sqlite", false, false},
        {"missing", "D", "NoteStore.sqlite-wal", false, false},
        {"climbing_file_id", "D", "climb", false, true},
        {"capital_file_id", "D", "capitals", false, true},
        {"short_file_id", "D", "short", false, true},
        {"oversized_record", "D", "huge", false, true},
    };
    for (const Row& row : rows) {
        const ManifestLookup lookup = manifest.find(row.domain, row.relativePath);
        EXPECT_EQ(lookup.entry.has_value(), row.found) << row.name;
        EXPECT_EQ(lookup.error.has_value(), row.error) << row.name;
    }
    const ManifestLookup file = manifest.find("D", "NoteStore.sqlite");
    ASSERT_TRUE(file.entry);
    EXPECT_EQ(file.entry->fileId, kId);
    EXPECT_EQ(file.entry->flags, 1);
    EXPECT_EQ(file.entry->record, "\x01\x02");
    EXPECT_EQ(manifest.find("D", "folder").entry->flags, 2);
    EXPECT_TRUE(manifest.hasDomain("D"));
    EXPECT_FALSE(manifest.hasDomain("E"));
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(test::entryNames(env.root()).count("Manifest.db-journal"), 0u);
}

TEST_F(ManifestDatabaseTest, RefusesWhatIsNoManifest) {
    struct Row {
        const char* name;
        std::string bytes;  // empty: a database without the Files table
    };
    const std::vector<Row> rows = {
        {"garbage", std::string(4096, 'x')},
        {"no_files_table", ""},
    };
    for (const Row& row : rows) {
        fs::remove(env.root() / "Manifest.db");
        if (row.bytes.empty()) {
            make({"CREATE TABLE Other (a)"});
        } else {
            test::writeFile(env.root() / "Manifest.db", row.bytes);
        }
        auto open = ManifestDatabase::open(env.root() / "Manifest.db");
        EXPECT_FALSE(open.database) << row.name;
        EXPECT_TRUE(open.error) << row.name;
    }
}

}  // namespace
}  // namespace quillmere::backup
