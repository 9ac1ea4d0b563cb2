// The built command on Apple's Notes databases, each from a read-only copy of its folder: the
// tree it writes, and nothing written beside the database.

#include <set>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures";

TEST_F(ImportCommandTest, ImportsEachNotesDatabaseFromAReadOnlyFolder) {
    if (!fs::exists(kFixtures / "SOURCES.txt")) {
        GTEST_SKIP() << "The Notes database fixtures are not there: " << kFixtures.string();
    }
    struct Row {
        const char* name;
        const char* database;
        bool chooseFolder;  // --library names the folder, not the file
        std::set<std::string> files;
    };
    const std::vector<Row> rows = {
        {"macOS12",
         "NoteStore-macOS-12-Monterey.sqlite",
         false,
         {"Folder/000_This note is in a folder.html",
          "Folder2/Subfolder/000_This note is in a subfolder.html",
          "Folder2/Subfolder/Subsubfolder/000_This note is deeply buried.html",
          "Notes/000_This note has special formatting.html",
          "Notes/001_This note is password protected.html", "Notes/002_This is a note.html",
          "Recently Deleted/000_This note is deleted.html"}},
        {"macOS15",
         "macOS-15-container/NoteStore.sqlite",
         true,
         {"Folder/000_This note is in Folder.html",
          "Folder2/Subfolder/000_This note is in a subfolder.html",
          "Folder2/Subfolder/Subsubfolder/000_This note is deeply buried.html",
          "Notes/000_This note is password protected.html",
          "Notes/001_This note has an attachment.html",
          "Notes/002_This note has special formatting.html", "Notes/003_This note has tags.html",
          "Notes/004_This is a note.html", "Recently Deleted/000_This is a deleted note.html"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path folder = root() / row.name / "group.com.apple.notes";
        fs::create_directories(folder);
        fs::copy_file(kFixtures / row.database, folder / "NoteStore.sqlite");
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const auto before = entryNames(folder);
        const auto bytes = readFile(folder / "NoteStore.sqlite");

        const fs::path chosen = row.chooseFolder ? folder : folder / "NoteStore.sqlite";
        auto result = run({"--library", chosen.string(), "--no-open"});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        const fs::path exported = result.lastOutLine();
        std::set<std::string> files;
        for (const auto& [path, content] : tree(exported)) {
            if (!fs::is_directory(exported / path)) files.insert(path);
        }
        EXPECT_EQ(files, row.files);
        EXPECT_EQ(entryNames(folder), before);
        EXPECT_EQ(readFile(folder / "NoteStore.sqlite"), bytes);
        fs::permissions(folder, fs::perms::owner_all);
    }
}

}  // namespace
}  // namespace quillmere::test
