// The built command when an alert ends the run (exit status 1) and on usage errors (exit
// status 2): what it prints, and what it leaves on disk.

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kNotFound = {"Could not find Notes.app",
                                            "Could not find Notes application."};
const std::vector<std::string> kNoAccess = {
    "Could not access Notes",
    "The importer could not access any of your notes. Please open System Settings, go to "
    "\u201cPrivacy & Security\u201d \u203a \u201cAutomation\u201d \u203a \u201cQuillmere Notes "
    "Importer\u201d and make sure Notes is enabled."};

// The unique temporary directories the runs made in the application's container.
std::vector<fs::path> runDirectories(const fs::path& tmp) {
    fs::path container = tmp / "com.quillmereapp.NotesImporter";
    if (!fs::exists(container)) return {};
    return {fs::directory_iterator(container), fs::directory_iterator()};
}

struct AlertRow {
    const char* name;
    // Prepares the files and answers the arguments.
    std::function<std::vector<std::string>(const fs::path& root, const fs::path& settings)> setUp;
    std::vector<std::string> alert;
    // Whether a line before the alert names what is wrong with the library file.
    bool namesTheFile;
};

class ImportAlerts : public ImportCommandTest {
protected:
    void check(const AlertRow& row) {
        auto arguments = row.setUp(root(), settingsFile());
        auto result = run(arguments);
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_EQ(result.out, "");
        auto lines = result.errLines();
        ASSERT_GE(lines.size(), row.alert.size()) << result.err;
        EXPECT_EQ(std::vector<std::string>(lines.end() - row.alert.size(), lines.end()), row.alert);
        if (row.namesTheFile) {
            ASSERT_EQ(lines.size(), row.alert.size() + 1) << result.err;
            EXPECT_NE(lines.front().find(arguments.at(1)), std::string::npos) << lines.front();
        }
        // The run's unique temporary directory was made first and stays, empty.
        auto made = runDirectories(tmp());
        ASSERT_EQ(made.size(), 1u);
        EXPECT_TRUE(fs::is_empty(made.front()));
    }
};

TEST_F(ImportAlerts, NotesNotFound) {
    const std::vector<AlertRow> rows = {
        {"no_library_chosen", [](auto&, auto&) { return std::vector<std::string>{}; }, kNotFound,
         false},
        {"library_file_missing",
         [](const fs::path& root, auto&) {
             return std::vector<std::string>{"--library", (root / "missing.json").string()};
         },
         kNotFound, true},
        {"stored_library_missing",
         [](const fs::path& root, const fs::path& settings) {
             writeFile(settings,
                       R"({"notesLibraryPath": ")" + (root / "gone.json").string() + "\"}");
             return std::vector<std::string>{"--no-open"};
         },
         kNotFound, false},
    };
    for (const AlertRow& row : rows) {
        SCOPED_TRACE(row.name);
        check(row);
        fs::remove_all(tmp() / "com.quillmereapp.NotesImporter");
        fs::remove(settingsFile());
    }
}

TEST_F(ImportAlerts, NotesNotAccessible) {
    auto withLibrary = [](std::string content) {
        return [content](const fs::path& root, auto&) {
            writeFile(root / "library.json", content);
            return std::vector<std::string>{"--library", (root / "library.json").string(),
                                            "--no-open"};
        };
    };
    const std::vector<AlertRow> rows = {
        {"not_json", withLibrary("{\"format\":"), kNoAccess, true},
        {"unknown_version", withLibrary(R"({"format": "notes-library", "version": 2})"), kNoAccess,
         true},
        {"wrong_member_type",
         withLibrary(library(R"([{"id": "a", "folders": [{"id": "f", "name": 7}]}])")), kNoAccess,
         true},
        {"a_folder_not_a_file",
         [](const fs::path& root, auto&) {
             fs::create_directories(root / "folder.json");
             return std::vector<std::string>{"--library", (root / "folder.json").string()};
         },
         kNoAccess, true},
        {"no_accounts", withLibrary(library("[]")), kNoAccess, false},
    };
    for (const AlertRow& row : rows) {
        SCOPED_TRACE(row.name);
        check(row);
        fs::remove_all(tmp() / "com.quillmereapp.NotesImporter");
    }
}

TEST_F(ImportAlerts, NoSafeTemporaryDirectory) {
    // A TMPDIR open to others, in which someone planted a link where the importer's own
    // directory belongs.
    fs::path shared = root() / "shared";
    fs::path elsewhere = root() / "elsewhere";
    fs::create_directories(shared);
    fs::create_directories(elsewhere);
    ::chmod(shared.c_str(), 0755);
    fs::create_directory_symlink(elsewhere, shared / ("quillmere-" + std::to_string(::getuid())));
    writeFile(libraryFile(), library(R"([{"id": "a"}])"));
    childOverrides["TMPDIR"] = shared.string();

    auto result = run({"--library", libraryFile().string(), "--no-open"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "");
    auto lines = result.errLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find((shared / "quillmere-").string()), std::string::npos)
        << result.err;
    for (const auto& line : lines) {
        EXPECT_EQ(line.find("Could not"), std::string::npos) << line;
    }
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(ImportCommandTest, UsageErrorsExitWithTwoAndTheUsage) {
    const std::string usage =
        "usage: quillmere-notes-import [--library PATH] [--heading | --no-heading] [--no-open] "
        "[--quiet]";
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
                  (std::vector<std::string>{"quillmere-notes-import: " + row.message, usage}));
    }
    // No run was started.
    EXPECT_TRUE(runDirectories(tmp()).empty());
}

TEST_F(ImportCommandTest, HelpAndVersionGoToStandardOutput) {
    auto help = run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(help.out.starts_with("usage: quillmere-notes-import [--library PATH]"));
    for (const char* option :
         {"--library PATH", "--heading", "--no-heading", "--no-open", "--quiet", "--version"}) {
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
