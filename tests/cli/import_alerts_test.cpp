// The built command when an alert ends the run (exit status 1) and on usage errors (exit
// status 2): what it prints, and what it leaves on disk.

#include <sys/stat.h>
#include <unistd.h>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

// The unique temporary directories the runs made in the application's container.
std::vector<fs::path> runDirectories(const fs::path& tmp) {
    fs::path container = tmp / "com.quillmereapp.NotesImporter";
    if (!fs::exists(container)) return {};
    return {fs::directory_iterator(container), fs::directory_iterator()};
}

TEST_F(ImportCommandTest, NotesNotFoundOrNotAccessibleEndTheRunWithOne) {
    const std::string notFound = "Could not find Notes.app\nCould not find Notes application.\n";
    const std::string noAccess =
        "Could not access Notes\nThe importer could not access any of your notes. Please open "
        "System Settings, go to \u201cPrivacy & Security\u201d \u203a \u201cAutomation\u201d "
        "\u203a \u201cQuillmere Notes Importer\u201d and make sure Notes is enabled.\n";
    const std::string noneChosen = "No Notes library chosen.\n";
    const std::string noFile = ": cannot be read (No such file or directory)\n";
    const std::string lib = libraryFile().string(), missing = (root() / "missing.json").string(),
                      gone = (root() / "gone.json").string(), dir = root().string();
    const std::string notJson = lib + ": line 1, column 11: not valid JSON: invalid value\n";
    const std::string isDirectory = ": cannot be read (Is a directory)\n";
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::optional<std::string> stored;   // the library chosen in the window
        std::optional<std::string> content;  // of the library file
        std::string err;                     // what is wrong with the library, then the alert
    };
    const std::vector<Row> rows = {
        {"no_library_chosen", {}, {}, {}, noneChosen + notFound},
        {"library_file_missing", {"--library", missing}, {}, {}, missing + noFile + notFound},
        {"stored_library_missing", {}, gone, {}, gone + noFile + notFound},
        {"stored_library_empty", {}, "", {}, noneChosen + notFound},
        {"not_json", {"--library", lib}, {}, "{\"format\":", notJson + noAccess},
        {"a_folder_not_a_file", {"--library", dir}, {}, {}, dir + isDirectory + noAccess},
        {"no_accounts", {"--library", lib}, {}, library("[]"), noAccess},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(tmp() / "com.quillmereapp.NotesImporter");
        fs::remove(settingsFile());
        if (row.stored)
            writeFile(settingsFile(), R"({"notesLibraryPath": ")" + *row.stored + "\"}");
        if (row.content) writeFile(libraryFile(), *row.content);
        auto result = run(row.arguments);
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, row.err);
        // The run's unique temporary directory was made first and stays, empty.
        auto made = runDirectories(tmp());
        ASSERT_EQ(made.size(), 1u);
        EXPECT_TRUE(fs::is_empty(made.front()));
    }
}

TEST_F(ImportCommandTest, NoSafeTemporaryDirectoryEndsTheRunWithOne) {
    // A TMPDIR open to others, in which someone planted a link where the importer's own
    // directory belongs.
    fs::path shared = root() / "shared";
    fs::path elsewhere = root() / "elsewhere";
    fs::create_directories(shared);
    fs::create_directories(elsewhere);
    ::chmod(shared.c_str(), 0755);
    fs::create_directory_symlink(elsewhere, shared / ("quillmere-" + std::to_string(::getuid())));
    childOverrides["TMPDIR"] = shared.string();

    auto result = runOnLibrary(library(R"([{"id": "a"}])"));
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "");
    auto lines = result.errLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find((shared / "quillmere-").string()), std::string::npos)
        << result.err;
    for (const auto& line : lines) EXPECT_EQ(line.find("Could not"), std::string::npos) << line;
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(ImportCommandTest, UsageErrorsExitWithTwoAndTheUsage) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"unknown_option", {"--bogus"}, "unknown option --bogus"},
        {"short_unknown_option", {"-x"}, "unknown option -x"},
        {"positional_argument", {"notes.json"}, "unexpected argument notes.json"},
        {"library_without_path", {"--library"}, "--library needs a path"},
        {"library_with_empty_path", {"--library="}, "--library needs a path"},
        {"library_twice", {"--library", "a", "--library=b"}, "--library is given more than once"},
        {"both_headings",
         {"--heading", "--no-heading"},
         "--heading and --no-heading exclude each other"},
        {"option_after_help", {"--help", "--bogus"}, "unknown option --bogus"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto result = run(row.arguments);
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.errLines(),
                  (std::vector<std::string>{"quillmere-notes-import: " + row.message,
                                            "usage: quillmere-notes-import [--library PATH] "
                                            "[--heading | --no-heading] [--no-open] [--quiet]"}));
    }
    EXPECT_TRUE(runDirectories(tmp()).empty());  // no run was started
}

TEST_F(ImportCommandTest, HelpAndVersionGoToStandardOutput) {
    auto help = run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(help.out.starts_with("usage: quillmere-notes-import [--library PATH]"));
    for (const char* option : {"--heading", "--no-heading", "--no-open", "--quiet", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    auto version = run({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_TRUE(version.out.starts_with("quillmere-notes-import ")) << version.out;
    EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1);
    EXPECT_TRUE(runDirectories(tmp()).empty());
}

}  // namespace
}  // namespace quillmere::test
