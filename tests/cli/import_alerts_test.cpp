// The built command when an alert ends the run (exit status 1), on usage errors (exit status 2),
// on hostile settings and libraries, and for --help and --version: what it prints, and what it
// leaves on disk.

#include <sys/stat.h>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

TEST_F(ImportCommandTest, NotesNotFoundOrNotAccessibleEndTheRunWithOne) {
    const std::string notFound = "Could not find Notes.app\nCould not find Notes application.\n";
    const std::string noAccess =
        "Could not access Notes\nThe importer could not access any of your notes. Please open "
        "System Settings, go to \u201cPrivacy & Security\u201d \u203a \u201cAutomation\u201d "
        "\u203a \u201cQuillmere Notes Importer\u201d and make sure Notes is enabled.\n";
    const std::string noneChosen = "No Notes library chosen.\n";
    const std::string noFile = ": cannot be read (No such file or directory)\n";
    const std::string noDatabase = ": a folder without NoteStore.sqlite in it\n";
    const std::string lib = libraryFile().string(), gone = (root() / "gone.json").string(),
                      dir = root().string();
    writeFile(libraryFile(), library("[]"));
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::optional<std::string> stored;  // the library chosen in the window
        std::string err;                    // what is wrong with the library, then the alert
    } rows[] = {
        {"no_library_chosen", {}, {}, noneChosen + notFound},
        {"library_file_missing", {"--library", gone}, {}, gone + noFile + notFound},
        {"stored_library_missing", {}, gone, gone + noFile + notFound},
        {"stored_library_empty", {}, "", noneChosen + notFound},
        {"a_folder_without_a_database", {"--library", dir}, {}, dir + noDatabase + noAccess},
        {"no_accounts",
         {"--library", lib},
         {},
         lib + ": the library holds no accounts\n" + noAccess},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(settingsFile());
        if (row.stored)
            writeFile(settingsFile(), R"({"notesLibraryPath": ")" + *row.stored + "\"}");
        const auto result = run(row.arguments);
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, row.err);
    }
}

TEST_F(ImportCommandTest, UsageErrorsHelpAndVersionStartNoRun) {
    const auto usage = run({"--library"});
    EXPECT_EQ(usage.exitStatus, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.errLines(),
              (std::vector<std::string>{"quillmere-notes-import: --library needs a path",
                                        "usage: quillmere-notes-import [--library PATH] "
                                        "[--heading | --no-heading] [--no-open] [--quiet]"}));

    const auto help = run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(help.out.starts_with("usage: quillmere-notes-import [--library PATH]"));
    for (const char* option : {"--heading", "--no-heading", "--no-open", "--quiet", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    const auto version = run({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_TRUE(version.out.starts_with("quillmere-notes-import ")) << version.out;
    EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1);
    EXPECT_TRUE(entryNames(env.tmp() / "com.quillmereapp.NotesImporter").empty());
}

// A settings file or library that cannot be read is one line, and the run goes on or ends with
// its alert; each hostile input itself is tested with its reader.
TEST_F(ImportCommandTest, HostileSettingsAndLibrariesGetOneLine) {
    const std::string fifo = (root() / "fifo.json").string();
    fs::create_directories(settingsFile().parent_path());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(settingsFile().c_str(), 0600), 0);
    const std::string settingsLine =
        settingsFile().string() + ": cannot read the settings: not a regular file\n";

    const auto goesOn = runOnLibrary(
        R"([{"id": "a", "folders": [{"name": "F", "notes": [{"name": "n", "body": "b"}]}]}])");
    EXPECT_EQ(goesOn.exitStatus, 0) << goesOn.err;
    EXPECT_EQ(goesOn.err, settingsLine);
    const auto ends = run({"--library", fifo, "--no-open"});
    EXPECT_EQ(ends.exitStatus, 1) << ends.err;
    EXPECT_TRUE(ends.err.starts_with(
        settingsLine + fifo + ": cannot be read (not a regular file)\nCould not access Notes\n"))
        << ends.err;
}

}  // namespace
}  // namespace quillmere::test
