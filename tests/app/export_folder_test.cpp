// The export folder in a folder the user chose: what refuses a folder, the numbered names that
// never reuse an earlier export, and a run that saves there.

#include "app/export_folder.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

TEST(ExportFolder, ARefusedFolderNamesItsReason) {
    PrivateEnvironment env;
    const fs::path dir = env.root() / "chosen";
    fs::create_directories(dir);
    writeFile(env.root() / "a-file", "x");
    const struct {
        const char* name;
        std::string path;
        std::optional<std::string> problem;
    } rows[] = {
        {"usable", dir.string(), std::nullopt},
        {"relative", "chosen", "The folder \u201Cchosen\u201D is not an absolute path."},
        {"missing", (dir / "gone").string(),
         "The folder \u201C" + (dir / "gone").string() + "\u201D does not exist."},
        {"a_file", (env.root() / "a-file").string(),
         "\u201C" + (env.root() / "a-file").string() + "\u201D is not a folder."},
        {"below_a_file", (env.root() / "a-file/x").string(),
         "The folder \u201C" + (env.root() / "a-file/x").string() +
             "\u201D cannot be reached: Not a directory."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(export_folder::problemWithChosenFolder(row.path), row.problem);
    }
    // Root may write anywhere: the check runs as a user without that privilege.
    ::chmod(env.root().c_str(), 0711);
    ::chmod(dir.c_str(), 0555);
    EXPECT_TRUE(holdsWithoutPrivileges([&] {
        return export_folder::problemWithChosenFolder(dir.string()) ==
               "You don\u2019t have permission to write into the folder \u201C" + dir.string() +
                   "\u201D.";
    }));
    ::chmod(dir.c_str(), 0755);
}

TEST(ExportFolder, EveryExportGetsANameOfItsOwnAndNothingThereIsTouched) {
    PrivateEnvironment env;
    const fs::path dir = env.root() / "chosen";
    // An earlier export, and a file and a link that hold the next names.
    writeFile(dir / "Imported from Notes/kept.html", "earlier");
    writeFile(dir / "Imported from Notes 2", "a file");
    fs::create_directory_symlink(env.root(), dir / "Imported from Notes 3");
    const auto before = tree(env.root() / "chosen");

    std::vector<std::string> made;
    for (int run = 0; run < 2; ++run) {
        Error error;
        const auto folder = export_folder::makeExportFolderIn(dir.string(), &error);
        ASSERT_TRUE(folder) << error.description << " " << error.recoverySuggestion;
        EXPECT_TRUE(fs::is_empty(folder->path()));
        made.push_back(fs::path(folder->path()).filename().string());
    }
    EXPECT_EQ(made, (std::vector<std::string>{"Imported from Notes 4", "Imported from Notes 5"}));
    auto after = tree(dir);
    after.erase("Imported from Notes 4");
    after.erase("Imported from Notes 5");
    EXPECT_EQ(after, before);

    Error error;
    EXPECT_FALSE(export_folder::makeExportFolderIn((dir / "gone").string(), &error));
    EXPECT_EQ(error.description, "The export folder could not be made in \u201C" +
                                     (dir / "gone").string() + "\u201D.");
    EXPECT_TRUE(error.recoverySuggestion.ends_with("does not exist.")) << error.recoverySuggestion;
}

TEST_F(AppDelegateTest, AChosenFolderIsCheckedBeforeNotesAndMadeOnlyForARun) {
    const fs::path chosen = env.root() / "chosen";
    fs::create_directories(chosen);
    defaults->setString(export_folder::kExportFolderPathKey, (chosen / "gone").string());
    lookup->application = makeApplication({makeAccount(u"a", u"A", {folder(u"f", u"F")})});
    EXPECT_EQ(delegate->beginImport(), nullptr);
    ASSERT_EQ(alerts->alerts.size(), 1u);
    EXPECT_EQ(alerts->alerts[0].messageText, "The notes cannot be saved there");
    EXPECT_TRUE(lookup->requestedIdentifiers.empty());
    EXPECT_FALSE(fs::exists(temporaryContainer()));

    // Notes that cannot be read leave nothing in the chosen folder either.
    defaults->setString(export_folder::kExportFolderPathKey, chosen.string());
    lookup->application = nullptr;
    EXPECT_EQ(delegate->beginImport(), nullptr);
    EXPECT_TRUE(fs::is_empty(chosen));

    lookup->application = makeApplication({makeAccount(u"a", u"A", {folder(u"f", u"F")})});
    const std::shared_ptr<RunReport> report = delegate->beginImport();
    ASSERT_NE(report, nullptr);
    globalQueue->runAll();
    mainQueue->runAll();
    EXPECT_EQ(report->exportFolder(), (chosen / "Imported from Notes").string());
    EXPECT_TRUE(fs::is_directory(chosen / "Imported from Notes/F"));
    EXPECT_FALSE(fs::exists(temporaryContainer()));
}

}  // namespace
}  // namespace quillmere::test
