// The built command end to end on libraries that import: the tree it writes, every file's bytes
// and modification time, its log lines, its output, the settings it reads, the hand-over of the
// folder, and Apple's Notes databases read from a read-only folder. Then the runs an alert ends
// (exit status 1), usage errors (exit status 2), hostile inputs, --help and --version.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/import_command.h"
#include "tests/support/fixtures.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

// Runs the built command as a child process in a private environment (its own TMPDIR, HOME and
// XDG directories, no desktop to talk to), with standard error a file or a pseudo-terminal.
class ImportCommandTest : public ::testing::Test {
protected:
    ImportCommandTest() {
        fs::create_directories(root() / "no-data-dirs");
        fs::create_directories(root() / "runtime");
        ::chmod((root() / "runtime").c_str(), 0700);
    }

    ProgramResult run(const std::vector<std::string>& arguments, bool terminal = false) const {
        std::vector<std::string> argv = {QUILLMERE_IMPORT_COMMAND};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> environment = {
            "PATH=/usr/bin:/bin", "LANG=C.UTF-8",
            "XDG_DATA_DIRS=" + (root() / "no-data-dirs").string(),
            "XDG_RUNTIME_DIR=" + (root() / "runtime").string()};
        for (const char* name : {"TMPDIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                 "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
            if (const char* value = ::getenv(name))
                environment.push_back(name + ("=" + std::string(value)));
        }
        return runProgram(argv, root(), &environment, terminal);
    }
    // Runs the command with --no-open and `extra` on a library of `accountsJson`.
    ProgramResult runOnLibrary(const std::string& accountsJson,
                               const std::vector<std::string>& extra = {}) const {
        writeFile(libraryFile(), library(accountsJson));
        std::vector<std::string> arguments = {"--library", libraryFile().string(), "--no-open"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return run(arguments);
    }

    fs::path libraryFile() const { return env.root() / "library.json"; }
    fs::path settingsFile() const {
        return env.home() / ".config" / "quillmere-notes-importer" / "settings.json";
    }
    fs::path root() const { return env.root(); }

    PrivateEnvironment env;
};

// The messages of log lines ("<date> <time> quillmere-notes-import[<pid>] <message>"); any
// other line as "?? " and the line.
std::vector<std::string> logMessages(const std::vector<std::string>& lines) {
    static const std::regex logLine(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} quillmere-notes-import\[\d+\] (.*)$)");
    std::vector<std::string> messages;
    for (const auto& line : lines) {
        std::smatch match;
        messages.push_back(std::regex_match(line, match, logLine) ? match[1].str() : "?? " + line);
    }
    return messages;
}

// The summary line of a run that wrote one note and nothing else.
std::string summaryOfOneNote(const ProgramResult& result) {
    return "Import finished: 1 note written, 0 skipped (empty), 0 locked, 0 not readable, 0 not "
           "written; 0 attachments copied, 0 missing. Folder: " +
           result.lastOutLine() + "\n";
}

sys_time<nanoseconds> modificationTime(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return sys_time<nanoseconds>(seconds(status.st_mtim.tv_sec) +
                                 nanoseconds(status.st_mtim.tv_nsec));
}

TEST_F(ImportCommandTest, ImportsALibraryAndPrintsOnlyTheExportFolder) {
    // The options win over what was chosen in the window, and are not written.
    const std::string settings =
        R"({"notesLibraryPath": "/gone.json", "useFirstParagraphAsHeading": false})";
    writeFile(settingsFile(), settings);
    const auto result = runOnLibrary(R"([{"id": "acc", "name": "iCloud", "folders": [
  {"id": "f-recipes", "name": "Recipes", "notes": [
    {"name": "Pancakes",
     "body": "<div>Flour, milk, eggs</div>\n<div>Fry &amp serve, see https://example.com/pancakes</div>\n",
     "creationDate": "2024-03-01T08:15:00Z", "modificationDate": "2024-03-02T19:40:12.250+01:00"},
    {"name": "Shopping", "body": "Eggs\nMilk", "modificationDate": "2023-12-31T23:59:59.999999Z"},
    {"name": "", "body": ""},
    {"name": "Photo", "body": "<div>Look</div>\n<div>\ufffc</div>\n",
     "attachments": [{"name": "cake.jpg"}], "modificationDate": "2020-02-29T00:00:00Z"},
    {"name": "", "body": "Just words", "modificationDate": "2019-05-05T05:05:05.5Z"},
    {"name": "Secret", "body": "", "locked": true}],
   "folders": [{"id": "f-desserts", "name": "Desserts", "notes": [
     {"name": "Tiramisu", "body": "<div>Mascarpone</div>", "modificationDate": "2022-06-01T12:00:00Z"}]}]},
  {"id": "f-empty", "name": "Empty"},
  {"id": "f-noname", "name": "", "notes": [{"name": "Lost", "body": "x"}]}]}])",
                                     {"--heading"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const fs::path folder = result.lastOutLine();
    EXPECT_EQ(result.out, folder.string() + "\n");
    EXPECT_EQ(folder.filename(), "Imported from Notes");
    EXPECT_TRUE(folder.string().starts_with(env.tmp().string() + "/")) << folder;
    EXPECT_EQ(entryNames(settingsFile().parent_path()), std::set<std::string>{"settings.json"});
    EXPECT_EQ(readFile(settingsFile()), settings);

    EXPECT_EQ(tree(folder),
              (std::map<std::string, std::string>{
                  {"Empty", "<dir>"},
                  {"Recipes", "<dir>"},
                  {"Recipes/000_Pancakes.html",
                   "<h1>Flour, milk, eggs</h1>\n<p>Fry &amp; serve, see <a "
                   "href=\"https://example.com/pancakes\">https://example.com/pancakes</a></p>\n"},
                  {"Recipes/001_Shopping.html", "<h1>Shopping</h1>\nEggs\nMilk"},
                  {"Recipes/003_Photo.html", "<h1>Look</h1>\n<p><img src=\"cake.jpg\"></p>\n"},
                  {"Recipes/004_.plain-text", "Just words"},
                  // A locked note reads as an empty body: its title alone is written.
                  {"Recipes/005_Secret.html", "<h1>Secret</h1>\n"},
                  {"Recipes/Desserts", "<dir>"},
                  {"Recipes/Desserts/000_Tiramisu.html", "<h1>Mascarpone</h1>"},
              }));
    const std::map<std::string, sys_time<nanoseconds>> modified = {
        {"Recipes/000_Pancakes.html", sys_days(2024y / 3 / 2) + 18h + 40min + 12s + 250ms},
        {"Recipes/001_Shopping.html", sys_days(2023y / 12 / 31) + 23h + 59min + 59s + 999999us},
        {"Recipes/004_.plain-text", sys_days(2019y / 5 / 5) + 5h + 5min + 5s + 500ms},
    };
    for (const auto& [file, time] : modified) {
        EXPECT_EQ(modificationTime(folder / file), time) << file;
    }
    // Log lines in the order of the walk, then the summary; nothing else on standard error.
    const std::vector<std::string> shown = {
        "Note: (untitled note 002 in \u201CRecipes\u201D) is empty or password protected!",
        "Empty container name provided for parent ID acc",
        "?? Import finished: 5 notes written, 1 skipped (empty), 1 locked (0 opened), 0 not "
        "readable, 0 not written; 0 attachments copied, 0 missing. Folder: " +
            folder.string()};
    EXPECT_EQ(logMessages(result.errLines()), shown);

    // The routine line reaches the terminal only on request.
    const auto verbose = runOnLibrary(R"([{"id": "acc", "folders": [
  {"id": "f-recipes", "name": "Recipes", "folders": [{"id": "f-desserts", "name": "Desserts"}]}]}])",
                                      {"--verbose"});
    EXPECT_EQ(verbose.exitStatus, 0);
    EXPECT_EQ(logMessages(verbose.errLines()).at(0), "Mismatching parent ID: f-recipes vs. acc");
}

// --format markdown: the same tree and names with the extension "md", the same dates, and each
// file its front matter, a blank line and the body.
TEST_F(ImportCommandTest, WritesMarkdownFilesWithFrontMatter) {
    const auto result = runOnLibrary(R"([{"id": "acc", "name": "iCloud", "folders": [
  {"id": "f-recipes", "name": "Recipes", "notes": [
    {"name": "Pancakes", "body": "<div>Flour, <b>milk</b> #breakfast</div>\n<div><tt>x*2</tt></div>\n",
     "modificationDate": "2024-03-02T19:40:12Z"},
    {"name": "Shopping", "body": "Eggs"},
    {"name": "Secret", "body": "", "locked": true}],
   "folders": [{"id": "f-desserts", "name": "Desserts", "notes": [
     {"name": "Photo", "body": "<div>\ufffc</div>", "attachments": [{"name": "a b.jpg"}]}]}]}]}])",
                                     {"--heading", "--format", "markdown"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const fs::path folder = result.lastOutLine();
    std::map<std::string, std::string> bodies;
    for (const auto& [path, content] : tree(folder)) {
        const std::size_t end = content.find("\n---\n\n");
        bodies[path] = content == "<dir>"         ? content
                       : end == std::string::npos ? "no front matter: " + content
                                                  : content.substr(end + 6);
    }
    EXPECT_EQ(bodies, (std::map<std::string, std::string>{
                          {"Recipes", "<dir>"},
                          {"Recipes/000_Pancakes.md", "# Flour, **milk** #breakfast\n\n`x*2`\n"},
                          {"Recipes/001_Shopping.md", "# Shopping\n\nEggs\n"},
                          {"Recipes/002_Secret.md", "# Secret\n"},
                          {"Recipes/Desserts", "<dir>"},
                          {"Recipes/Desserts/000_Photo.md", "# ![a b.jpg](a%20b.jpg)\n"},
                      }));
    const std::string pancakes = readFile(folder / "Recipes/000_Pancakes.md");
    EXPECT_TRUE(pancakes.starts_with("---\ntitle: \"Pancakes\"\nmodified: 2024-03-0")) << pancakes;
    EXPECT_NE(pancakes.find("\nfolder: \"Recipes\"\naccount: \"iCloud\"\ntags: [\"breakfast\"]\n"),
              std::string::npos)
        << pancakes;
    EXPECT_NE(
        readFile(folder / "Recipes/Desserts/000_Photo.md").find("folder: \"Recipes/Desserts\""),
        std::string::npos);
    EXPECT_NE(readFile(folder / "Recipes/002_Secret.md").find("\nlocked: true\n"),
              std::string::npos);
    EXPECT_EQ(modificationTime(folder / "Recipes/000_Pancakes.md"),
              sys_days(2024y / 3 / 2) + 19h + 40min + 12s);
}

TEST_F(ImportCommandTest, ProgressBarOnlyOnATerminalAndNotWhenQuiet) {
    writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
      "notes": [{"name": "One", "body": "<div>1</div>"}, {"name": "", "body": ""},
                {"name": "Three", "body": "<div>3</div>"}]}]}])"));
    std::vector<std::string> arguments = {"--library", libraryFile().string(), "--no-open"};
    const std::string logged =
        "Note: (untitled note 001 in \u201CF\u201D) is empty or password protected!";

    const auto terminal = run(arguments, true);
    EXPECT_EQ(terminal.exitStatus, 0) << terminal.err;
    EXPECT_NE(terminal.err.find("] 3/3  "), std::string::npos) << terminal.err;
    // The log line is written whole, above the bar.
    EXPECT_NE(terminal.err.find("\r\x1b[K"), std::string::npos);
    EXPECT_NE(terminal.err.find("] " + logged + "\r\n"), std::string::npos);

    const auto piped = run(arguments);
    arguments.push_back("--quiet");
    const auto quiet = run(arguments, true);
    for (const auto* plain : {&piped, &quiet}) {
        EXPECT_EQ(plain->exitStatus, 0);
        const auto messages = logMessages(plain->errLines());
        ASSERT_EQ(messages.size(), 2u) << plain->err;
        EXPECT_EQ(messages[0], logged);
        EXPECT_TRUE(messages[1].starts_with("?? Import finished: 2 notes written, 1 skipped"));
    }
}

// Through freedesktop desktop entries: the first identifier whose entry launches wins (the order
// of the four is the run's, tested with the app). Each test entry runs a script that records its
// identifier and its arguments.
TEST_F(ImportCommandTest, HandsTheExportFolderToTheFirstEntryThatLaunches) {
    writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
      "notes": [{"name": "N", "body": "<div>x</div>"}]}]}])"));
    // $1: the identifier; then the files it was asked to open. It writes to its output too,
    // which must not land in the command's.
    const fs::path records = root() / "records", recorder = root() / "record.sh";
    writeFile(recorder, "#!/bin/sh\necho launched; echo launched >&2\nout=\"" + records.string() +
                            "/$1\"; shift\nprintf '%s\\n' \"$@\" > \"$out.partial\" && "
                            "mv \"$out.partial\" \"$out\"\n");
    ::chmod(recorder.c_str(), 0700);
    const std::string second = "com.vellumry.quillmere-tessary";
    for (const auto& [identifier, program] :
         {std::pair<std::string, fs::path>{"com.quillmereapp.mac", root() / "no-such-program"},
          {second, recorder},
          {"com.vellumry.quillmere3", recorder}}) {
        writeFile(env.home() / ".local/share/applications" / (identifier + ".desktop"),
                  "[Desktop Entry]\nType=Application\nName=Quillmere\nExec=" + program.string() +
                      " " + identifier + " %F\n");
    }

    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "open" : "--no-open");
        fs::create_directories(records);
        std::vector<std::string> arguments = {"--library", libraryFile().string()};
        if (!open) arguments.push_back("--no-open");
        const auto result = run(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        if (result.exitStatus != 0) continue;
        EXPECT_EQ(result.err, summaryOfOneNote(result));
        if (!open) {
            EXPECT_TRUE(entryNames(records).empty());
            continue;
        }
        // The broken first entry is passed over; the program starts after the command ended.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!fs::exists(records / second) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(entryNames(records), std::set<std::string>{second});
        // The program was given the export folder, and only that.
        EXPECT_EQ(readFile(records / second), result.lastOutLine() + "\n");
        EXPECT_EQ(readFile(root() / "stdout"), result.lastOutLine() + "\n");
        EXPECT_EQ(readFile(root() / "stderr"), summaryOfOneNote(result));
    }

    // No entry, no file manager on a bus and no display either: the run still succeeds quietly.
    fs::remove_all(env.home() / ".local/share/applications");
    const auto result = run({"--library", libraryFile().string()});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, summaryOfOneNote(result));
}

const fs::path kFixtures = fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures";

// Apple's Notes database of a group container chosen by its folder, read-only: the tree it
// writes, and nothing written beside the database. How each macOS version's database reads is
// the database's own test.
TEST_F(ImportCommandTest, ImportsANotesDatabaseFromAReadOnlyFolder) {
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kFixtures / "SOURCES.txt"),
                              "the Notes database fixtures at " << kFixtures.string());
    const fs::path folder = root() / "group.com.apple.notes";
    fs::create_directories(folder);
    fs::copy_file(kFixtures / "macOS-15-container/NoteStore.sqlite", folder / "NoteStore.sqlite");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = entryNames(folder);
    const auto bytes = readFile(folder / "NoteStore.sqlite");

    auto result = run({"--library", folder.string(), "--no-open"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const fs::path exported = result.lastOutLine();
    std::set<std::string> files;
    for (const auto& [path, content] : tree(exported)) {
        if (!fs::is_directory(exported / path)) files.insert(path);
    }
    EXPECT_EQ(files, (std::set<std::string>{
                         "Folder/000_This note is in Folder.html",
                         "Folder2/Subfolder/000_This note is in a subfolder.html",
                         "Folder2/Subfolder/Subsubfolder/000_This note is deeply buried.html",
                         "Notes/000_This note is password protected.html",
                         "Notes/001_This note has an attachment.html",
                         "Notes/002_This note has special formatting.html",
                         "Notes/003_This note has tags.html", "Notes/004_This is a note.html",
                         "Recently Deleted/000_This is a deleted note.html"}));
    EXPECT_EQ(entryNames(folder), before);
    EXPECT_EQ(readFile(folder / "NoteStore.sqlite"), bytes);

    // "Recently Deleted" is the user's to leave out.
    result = run({"--library", folder.string(), "--no-open", "--skip-deleted"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(entryNames(result.lastOutLine()),
              (std::set<std::string>{"Folder", "Folder2", "Notes"}));
}

// A hostile note (141 bytes of gzip that would render to a gigabyte of HTML) and a note whose
// folder is gone: the first is one line and counts as not readable, the second is exported in
// "Unfiled notes", and every other note is written.
TEST_F(ImportCommandTest, ANotesDatabaseWithAHostileAndAnUnfiledNoteLosesNothingSilently) {
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kFixtures / "SOURCES.txt"),
                              "the Notes database fixtures at " << kFixtures.string());
    const fs::path database = root() / "NoteStore.sqlite";
    fs::copy_file(kFixtures / "macOS-15-container/NoteStore.sqlite", database);
    fs::permissions(database, fs::perms::owner_write, fs::perm_options::add);
    // A link of 50,000 characters over 2,500 paragraphs.
    const std::string hostile =
        "1F8B0800000000000203EDC1B10D44500000D0E237A2545A40A2F07B23D84244720521A1308158C6563A1B28"
        "E4A6B8E6F2DECBDE33E4CF19B2A3D85255555555F5D7CB7B0FC95134D71E3EEB3A2F758CFDD68EF3D057DD34"
        "C616000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "000000000080BFF2056D93EDD902D70000";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    const std::string sql = "PRAGMA journal_mode=DELETE; UPDATE ZICNOTEDATA SET ZDATA = X'" +
                            hostile +
                            "' WHERE ZNOTE = 11; UPDATE ZICCLOUDSYNCINGOBJECT SET ZFOLDER = 999 "
                            "WHERE Z_PK = 26;";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    auto result = run({"--library", database.string(), "--no-open"});
    EXPECT_EQ(result.exitStatus, kExitNotesLost) << result.err;
    EXPECT_NE(result.err.find("\"This note has special formatting\" (x-coredata://"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("cannot be read: the note is over its budget"), std::string::npos)
        << result.err;
    const fs::path exported = result.lastOutLine();
    std::set<std::string> files;
    for (const auto& [path, content] : tree(exported)) {
        if (!fs::is_directory(exported / path)) files.insert(path);
    }
    EXPECT_EQ(files, (std::set<std::string>{
                         "Unfiled notes/000_This note is in Folder.html",
                         "Folder2/Subfolder/000_This note is in a subfolder.html",
                         "Folder2/Subfolder/Subsubfolder/000_This note is deeply buried.html",
                         "Notes/000_This note is password protected.html",
                         "Notes/001_This note has an attachment.html",
                         "Notes/003_This note has tags.html", "Notes/004_This is a note.html",
                         "Recently Deleted/000_This is a deleted note.html"}));
}

// The locked note of a database opens with a password from the file; without the right one its
// file holds its title alone and a log line says why. The run succeeds either way, and the
// password (here also the note's hint) shows in no output, no file and no setting.
TEST_F(ImportCommandTest, LockedNotesOpenWithAPasswordFileThatNothingRepeats) {
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kFixtures / "SOURCES.txt"),
                              "the Notes database fixtures at " << kFixtures.string());
    const fs::path database = root() / "NoteStore.sqlite";
    fs::copy_file(kFixtures / "macOS-15-container/NoteStore.sqlite", database);
    const struct {
        const char* name;
        std::optional<std::string> passwordFile;
        bool opened;
        std::string logEnd;
    } rows[] = {
        {"none_given", std::nullopt, false, "): locked; no password given"},
        {"wrong_ones", "tbul\nTBULL\n", false, "): the passwords given do not open it"},
        {"right_one_second", "wrong\r\ntbull\n", true, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> arguments = {"--library", database.string(), "--no-open"};
        if (row.passwordFile) {
            writeFile(root() / "passwords.txt", *row.passwordFile);
            arguments.insert(arguments.end(),
                             {"--password-file", (root() / "passwords.txt").string()});
        }
        const auto result = run(arguments);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        const fs::path exported = result.lastOutLine();
        const std::string note =
            readFile(exported / "Notes/000_This note is password protected.html");
        EXPECT_EQ(note.find("This is a secret!") != std::string::npos, row.opened) << note;
        std::vector<std::string> lockedLines;
        for (const auto& message : logMessages(result.errLines())) {
            if (message.starts_with("Note \"This note is password protected\" (")) {
                lockedLines.push_back(message);
            }
        }
        if (row.opened) {
            EXPECT_TRUE(lockedLines.empty());
        } else {
            ASSERT_EQ(lockedLines.size(), 1u);
            EXPECT_TRUE(lockedLines[0].ends_with(row.logEnd)) << lockedLines[0];
        }
        EXPECT_EQ(result.out.find("tbull"), std::string::npos);
        EXPECT_EQ(result.err.find("tbull"), std::string::npos) << result.err;
        for (const fs::path& written : {exported, env.home()}) {
            for (const auto& [path, content] : tree(written)) {
                EXPECT_EQ(content.find("tbull"), std::string::npos) << path;
            }
        }
    }
}

// Everything below `root` with its content and its modification time, to show that nothing there
// changed.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries = tree(root);
    for (auto& [path, content] : entries) {
        content += "@" + std::to_string(modificationTime(root / path).time_since_epoch().count());
    }
    return entries;
}

// The real container's note refers to a byte-identical copy of its PDF beside it, and the
// container is only read; for one run without copying, the note keeps its reference by name.
TEST_F(ImportCommandTest, CopiesAttachmentsBesideTheirNotesUnlessToldNot) {
    const fs::path fixture = kFixtures / "macOS-15-container";
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(fixture / "NoteStore.sqlite"),
                              "the Notes container at " << fixture.string());
    const fs::path container = root() / "group.com.apple.notes";
    fs::copy(fixture, container, fs::copy_options::recursive);
    const auto before = snapshot(container);
    const std::string pdf = readFile(container /
                                     "Accounts/LocalAccount/Media/8D7EFE9A-D285-4899-8A2F-"
                                     "2AD8F007F819/1_0EBCC207-6001-406B-AC27-841CF2BB81FE/"
                                     "bitcoin.pdf");

    auto result = run({"--library", container.string(), "--no-open"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    fs::path notes = fs::path(result.lastOutLine()) / "Notes";
    EXPECT_NE(readFile(notes / "001_This note has an attachment.html")
                  .find("<a href=\"Attachments/bitcoin.pdf\">bitcoin.pdf</a>"),
              std::string::npos);
    EXPECT_TRUE(readFile(notes / "Attachments/bitcoin.pdf") == pdf);
    EXPECT_NE(result.err.find("1 attachment copied, 0 missing"), std::string::npos) << result.err;
    EXPECT_EQ(snapshot(container), before);

    result = run({"--library", container.string(), "--no-open", "--no-attachments"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    notes = fs::path(result.lastOutLine()) / "Notes";
    EXPECT_NE(
        readFile(notes / "001_This note has an attachment.html").find("<img src=\"bitcoin.pdf\">"),
        std::string::npos);
    EXPECT_FALSE(fs::exists(notes / "Attachments"));
    EXPECT_EQ(snapshot(container), before);
}

TEST_F(ImportCommandTest, NotesNotFoundOrNotAccessibleEndTheRunWithOne) {
    // What was looked for and why it could not be read, then what to choose instead.
    const std::string choose =
        " Choose the \u201Cgroup.com.apple.notes\u201D folder copied from a Mac, the "
        "\u201CNoteStore.sqlite\u201D in it, or a Notes library file.\n";
    const std::string notFound = "Could not find your notes\n";
    const std::string noAccess = "Could not access Notes\n";
    const std::string noneChosen = "No Notes library chosen." + choose;
    const std::string noFile = ": cannot be read (No such file or directory)." + choose;
    const std::string noDatabase =
        ": a folder with neither NoteStore.sqlite nor an iPhone or iPad backup in it." + choose;
    const std::string gone = (root() / "gone.json").string(), dir = root().string();
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::optional<std::string> stored;  // the library chosen in the window
        std::string err;                    // the alert
    } rows[] = {
        {"no_library_chosen", {}, {}, notFound + noneChosen},
        {"library_file_missing", {"--library", gone}, {}, notFound + gone + noFile},
        {"stored_library_empty", {}, "", notFound + noneChosen},
        {"a_folder_without_a_database", {"--library", dir}, {}, noAccess + dir + noDatabase},
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
    // A settings file that cannot be read is one line more, and the run goes on to its end; the
    // hostile input itself is the settings store's to test.
    fs::create_directories(settingsFile().parent_path());
    ASSERT_EQ(::mkfifo(settingsFile().c_str(), 0600), 0);
    const auto result = run({});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, settingsFile().string() +
                              ": cannot read the settings: not a regular file\n" + notFound +
                              noneChosen);
}

// --output: every run makes a new export folder there and touches nothing already there; a
// folder that cannot take one is refused, with its reason, before anything is read.
TEST_F(ImportCommandTest, OutputFolderTakesANewExportEachRunAndRefusesWithItsReason) {
    writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
      "notes": [{"name": "N", "body": "<div>x</div>"}]}]}])"));
    const fs::path out = root() / "out";
    writeFile(out / "Imported from Notes 2/mine.txt", "the user's own");
    std::vector<std::string> exports;
    for (int run = 0; run < 2; ++run) {
        const auto result =
            this->run({"--library", libraryFile().string(), "--no-open", "--output", out.string()});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, summaryOfOneNote(result));
        exports.push_back(result.lastOutLine());
    }
    EXPECT_EQ(exports, (std::vector<std::string>{(out / "Imported from Notes").string(),
                                                 (out / "Imported from Notes 3").string()}));
    EXPECT_EQ(tree(out), (std::map<std::string, std::string>{
                             {"Imported from Notes", "<dir>"},
                             {"Imported from Notes/F", "<dir>"},
                             {"Imported from Notes/F/000_N.html", "<h1>x</h1>"},
                             {"Imported from Notes 2", "<dir>"},
                             {"Imported from Notes 2/mine.txt", "the user's own"},
                             {"Imported from Notes 3", "<dir>"},
                             {"Imported from Notes 3/F", "<dir>"},
                             {"Imported from Notes 3/F/000_N.html", "<h1>x</h1>"},
                         }));

    const fs::path missing = root() / "missing", file = out / "Imported from Notes 2/mine.txt";
    for (const auto& [place, reason] :
         {std::pair{missing, "The folder \u201C" + missing.string() + "\u201D does not exist."},
          std::pair{file, "\u201C" + file.string() + "\u201D is not a folder."}}) {
        const auto refused =
            run({"--library", libraryFile().string(), "--no-open", "--output", place.string()});
        EXPECT_EQ(refused.exitStatus, 1);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "The notes cannot be saved there\n" + reason + "\n");
    }
    EXPECT_FALSE(fs::exists(missing));
}

// Notes written onto a disk that fills up: the ones that do not fit are named, and the run
// ends with its summary and status 3.
TEST_F(ImportCommandTest, AFullDiskEndsWithTheSummaryAndStatusThree) {
    const fs::path small = root() / "small";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "No small file system can be mounted here: " << std::strerror(errno);
    }
    std::string notes;
    const std::string body(6000, 'x');
    for (int i = 0; i < 30; ++i) {
        notes += std::string(i ? "," : "") + R"({"name": "N", "body": ")" + body + "\"}";
    }
    const auto result = runOnLibrary(
        R"([{"id": "a", "folders": [{"id": "f", "name": "F", "notes": [)" + notes + "]}]}]",
        {"--output", small.string()});
    const auto lines = result.errLines();
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_EQ(result.exitStatus, 3) << result.err;
    ASSERT_FALSE(lines.empty());
    static const std::regex summary(
        R"(^Import finished: (\d+) notes written, 0 skipped \(empty\), 0 locked, 0 not readable, (\d+) not written; 0 attachments copied, 0 missing\. Folder: .*/small/Imported from Notes$)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines.back(), match, summary)) << lines.back();
    const int written = std::stoi(match[1]), lost = std::stoi(match[2]);
    EXPECT_EQ(written + lost, 30);
    EXPECT_GT(lost, 0);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("could not be written") != std::string::npos;
                            }),
              lost);
}

// Ctrl+C stops the run after the note it is on: what was written stays, the summary says the
// run was cancelled and how far it got, and the command ends by the signal.
TEST_F(ImportCommandTest, CtrlCStopsAfterTheCurrentNoteWithTheSummary) {
    constexpr int kNotes = 60000;
    std::string notes;
    for (int i = 0; i < kNotes; ++i) {
        notes += std::string(i ? "," : "") + R"({"name": "N", "body": "<div>x</div>"})";
    }
    writeFile(libraryFile(),
              library(R"([{"id": "a", "folders": [{"id": "f", "name": "F", "notes": [)" + notes +
                      "]}]}]"));
    const fs::path out = root() / "out", notesDir = out / "Imported from Notes/F";
    fs::create_directories(out);
    const std::string command = QUILLMERE_IMPORT_COMMAND;
    const std::vector<std::string> argv = {command,     "--library", libraryFile().string(),
                                           "--no-open", "--output",  out.string()};
    std::vector<char*> pointers;
    for (const auto& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (root() / "stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (root() / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = -1;
    ASSERT_EQ(::posix_spawn(&child, command.c_str(), &actions, nullptr, pointers.data(), environ),
              0);
    posix_spawn_file_actions_destroy(&actions);
    const auto deadline = steady_clock::now() + seconds(60);
    int status = 0;
    bool ended = false;
    while (entryNames(notesDir).size() < 10 && steady_clock::now() < deadline &&
           !(ended = ::waitpid(child, &status, WNOHANG) == child)) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    if (!ended) {
        ::kill(child, SIGINT);
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << readFile(root() / "stderr");
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_EQ(readFile(root() / "stdout"), "");
    const std::string err = readFile(root() / "stderr");
    static const std::regex summary(
        R"(^Import cancelled after (\d+) of 60000 notes: (\d+) notes written, .* Folder: .*/out/Imported from Notes\n$)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(err, match, summary)) << err;
    const auto written = static_cast<std::size_t>(std::stoul(match[2]));
    EXPECT_EQ(match[1], match[2]);
    EXPECT_LT(written, static_cast<std::size_t>(kNotes));
    EXPECT_EQ(entryNames(notesDir).size(), written);
}

TEST_F(ImportCommandTest, UsageErrorsHelpAndVersionStartNoRun) {
    const auto usage = run({"--library"});
    EXPECT_EQ(usage.exitStatus, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.errLines(),
              (std::vector<std::string>{"quillmere-notes-import: --library needs a path",
                                        "usage: quillmere-notes-import [--library PATH] "
                                        "[--output DIR] [--format html|markdown] "
                                        "[--heading | --no-heading] "
                                        "[--attachments | --no-attachments] [--skip-deleted] "
                                        "[--no-open] [--quiet] [--verbose] "
                                        "[--password-file FILE] [--backup-password-file FILE] "
                                        "[--ask-password]"}));

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

}  // namespace
}  // namespace quillmere::test
