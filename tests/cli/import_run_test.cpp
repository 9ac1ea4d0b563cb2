// The built command on Notes libraries that import: the tree it writes, every file's name,
// bytes and modification time, its log lines, its exit status and its standard output.

#include <sys/stat.h>

#include <chrono>
#include <set>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

// Seconds and nanoseconds of a file's modification time.
std::pair<long long, long> modificationTime(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return {status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

std::pair<long long, long> asFileTime(sys_time<nanoseconds> time) {
    auto sinceEpoch = time.time_since_epoch();
    auto wholeSeconds = floor<seconds>(sinceEpoch);
    return {wholeSeconds.count(), static_cast<long>((sinceEpoch - wholeSeconds).count())};
}

// Checks what every successful run prints, and answers the export folder.
fs::path expectCompleted(const ProgramResult& result, const fs::path& tmp) {
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    // Standard output holds the folder's path and nothing else.
    fs::path folder = result.lastOutLine();
    EXPECT_EQ(result.out, folder.string() + "\n");
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_EQ(folder.filename(), "Imported from Notes");
    EXPECT_TRUE(folder.string().starts_with(tmp.string() + "/")) << folder;
    return folder;
}

const char* const kOneAccount = R"([{"id": "acc", "name": "iCloud", "folders": [
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
  {"id": "f-noname", "name": "", "notes": [{"name": "Lost", "body": "x"}]}]}])";

TEST_F(ImportCommandTest, OneAccountWritesItsFoldersStraightIntoTheExportFolder) {
    auto result = runOnLibrary(library(kOneAccount));
    fs::path folder = expectCompleted(result, tmp());

    EXPECT_EQ(treeBelow(folder),
              (std::map<std::string, std::string>{
                  {"Empty/", ""},
                  {"Recipes/", ""},
                  {"Recipes/000_Pancakes.html",
                   "<h1>Flour, milk, eggs</h1>\n<p>Fry &amp; serve, see <a "
                   "href=\"https://example.com/pancakes\">https://example.com/pancakes</a></p>\n"},
                  {"Recipes/001_Shopping.html", "<h1>Shopping</h1>\nEggs\nMilk"},
                  {"Recipes/003_Photo.html", "<h1>Look</h1>\n<p><img src=\"cake.jpg\"></p>\n"},
                  {"Recipes/004_.plain-text", "Just words"},
                  // A locked note reads as an empty body: its title alone is written.
                  {"Recipes/005_Secret.html", "<h1>Secret</h1>\n"},
                  {"Recipes/Desserts/", ""},
                  {"Recipes/Desserts/000_Tiramisu.html", "<h1>Mascarpone</h1>"},
              }));

    struct Dated {
        const char* file;
        sys_time<nanoseconds> modified;
    };
    const std::vector<Dated> dated = {
        {"Recipes/000_Pancakes.html",
         sys_days(year(2024) / 3 / 2) + hours(18) + minutes(40) + seconds(12) + milliseconds(250)},
        {"Recipes/001_Shopping.html", sys_days(year(2023) / 12 / 31) + hours(23) + minutes(59) +
                                          seconds(59) + microseconds(999999)},
        {"Recipes/003_Photo.html", sys_days(year(2020) / 2 / 29)},
        {"Recipes/004_.plain-text",
         sys_days(year(2019) / 5 / 5) + hours(5) + minutes(5) + seconds(5) + milliseconds(500)},
        {"Recipes/Desserts/000_Tiramisu.html", sys_days(year(2022) / 6 / 1) + hours(12)},
    };
    for (const Dated& row : dated) {
        SCOPED_TRACE(row.file);
        EXPECT_EQ(modificationTime(folder / row.file), asFileTime(row.modified));
    }

    // Log lines in the order of the walk; nothing else on standard error.
    EXPECT_EQ(logMessages(result.errLines()), (std::vector<std::string>{
                                                  "Note:  is empty or password protected!",
                                                  "Mismatching parent ID: f-recipes vs. acc",
                                                  "Empty container name provided for parent ID acc",
                                              }));
}

TEST_F(ImportCommandTest, SeveralAccountsEachGetADirectory) {
    auto result = runOnLibrary(library(R"([
      {"id": "a-work", "name": "Work", "folders": [
        {"id": "w1", "name": "Notes", "notes": [{"name": "Plan", "body": "<div>Q3</div>"}]}]},
      {"id": "a-home", "name": "Home", "folders": [
        {"id": "h1", "name": "Notes", "notes": [{"name": "Plan", "body": "<div>Garden</div>"}]}]},
      {"id": "a-none", "name": "Archive"}])"));
    fs::path folder = expectCompleted(result, tmp());
    EXPECT_EQ(treeBelow(folder), (std::map<std::string, std::string>{
                                     {"Archive/", ""},
                                     {"Home/", ""},
                                     {"Home/Notes/", ""},
                                     {"Home/Notes/000_Plan.html", "<h1>Garden</h1>"},
                                     {"Work/", ""},
                                     {"Work/Notes/", ""},
                                     {"Work/Notes/000_Plan.html", "<h1>Q3</h1>"},
                                 }));
    EXPECT_EQ(result.err, "");
}

TEST_F(ImportCommandTest, NoNotesAtAllStillOffersAnEmptyFolder) {
    struct Row {
        const char* name;
        const char* accounts;
    };
    const std::vector<Row> rows = {
        {"account_without_folders", R"([{"id": "a", "name": "iCloud"}])"},
        {"folder_without_notes", R"([{"id": "a", "folders": [{"id": "f", "name": "F"}]}])"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto result = runOnLibrary(library(row.accounts));
        fs::path folder = expectCompleted(result, tmp());
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(result.err, "");
    }
}

// Names from Notes never reach outside the export folder, never make a second path component,
// never exceed the file system's limit, and never replace a file of the same run.
TEST_F(ImportCommandTest, NamesFromNotesStayInsideTheExportFolder) {
    std::string longTitle;
    for (int i = 0; i < 200; ++i) longTitle += "é";  // 400 bytes
    auto result = runOnLibrary(library(R"([
      {"id": "a1", "name": "..", "folders": [
        {"id": "f1", "name": "a/b", "notes": [{"name": "Deep", "body": "<div>x</div>"}]},
        {"id": "f2", "name": "..", "notes": [{"name": "Up", "body": "<div>y</div>"}]}]},
      {"id": "a2", "name": "", "folders": [
        {"id": "f3", "name": "Same", "notes": [{"name": "Dup", "body": "<div>first</div>"}]},
        {"id": "f4", "name": "Same", "notes": [
          {"name": "Dup", "body": "<div>second</div>"},
          {"name": ")" + longTitle + R"(", "body": "<div>long</div>"}]}]}])"));
    fs::path folder = expectCompleted(result, tmp());

    // Nothing beside the export folder in its parent.
    std::vector<fs::path> besides(fs::directory_iterator(folder.parent_path()), {});
    EXPECT_EQ(besides, std::vector<fs::path>{folder});

    auto tree = treeBelow(folder);
    std::size_t files = 0;
    std::multiset<std::string> contents;
    for (const auto& [path, bytes] : tree) {
        SCOPED_TRACE(path);
        for (const auto& component : fs::path(path)) {
            EXPECT_LE(component.string().size(), 255u);
            EXPECT_NE(component, "..");
        }
        if (!path.ends_with("/")) {
            ++files;
            contents.insert(bytes);
        }
    }
    // Two account directories, each one path component.
    std::size_t topLevel = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_TRUE(entry.is_directory()) << entry.path();
        ++topLevel;
    }
    EXPECT_EQ(topLevel, 2u);
    // Every note kept, none replaced by another.
    EXPECT_EQ(files, 5u);
    EXPECT_EQ(contents, (std::multiset<std::string>{"<h1>x</h1>", "<h1>y</h1>", "<h1>first</h1>",
                                                    "<h1>second</h1>", "<h1>long</h1>"}));
}

TEST_F(ImportCommandTest, AnAlertDuringTheWalkSkipsTheFolderAndTheRunGoesOn) {
    // A sub-folder whose directory would have the name of a note file written just before.
    auto result = runOnLibrary(library(R"([{"id": "a", "folders": [{"id": "f", "name": "R",
      "notes": [{"name": "Sub", "body": "<div>x</div>"}],
      "folders": [{"id": "g", "name": "000_Sub.html",
                   "notes": [{"name": "In", "body": "<div>y</div>"}]}]}]}])"));
    fs::path folder = expectCompleted(result, tmp());
    EXPECT_EQ(treeBelow(folder),
              (std::map<std::string, std::string>{{"R/", ""}, {"R/000_Sub.html", "<h1>x</h1>"}}));
    // The alert (message and informative text), then the walk's own log line.
    auto lines = result.errLines();
    ASSERT_EQ(lines.size(), 3u) << result.err;
    EXPECT_NE(lines[0].find("000_Sub.html"), std::string::npos) << lines[0];
    EXPECT_EQ(logMessages({lines[2]}), std::vector<std::string>{"Mismatching parent ID: f vs. a"});
}

TEST_F(ImportCommandTest, ControlCharactersInALogLineCannotForgeAnotherLine) {
    auto result = runOnLibrary(library(R"([{"id": "a\nquillmere-notes-import[1] \u001b[2J",
      "folders": [{"id": "f", "name": ""}]}])"));
    expectCompleted(result, tmp());
    EXPECT_EQ(logMessages(result.errLines()),
              (std::vector<std::string>{"Empty container name provided for parent ID "
                                        "a\\nquillmere-notes-import[1] \\x1b[2J"}));
}

TEST_F(ImportCommandTest, ProgressBarOnlyOnATerminalAndNotWhenQuiet) {
    writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
      "notes": [{"name": "One", "body": "<div>1</div>"}, {"name": "", "body": ""},
                {"name": "Three", "body": "<div>3</div>"}]}]}])"));
    std::vector<std::string> arguments = {"--library", libraryFile().string(), "--no-open"};

    auto piped = run(arguments);
    EXPECT_EQ(piped.exitStatus, 0);
    EXPECT_EQ(piped.err.find("notes/s"), std::string::npos);
    EXPECT_EQ(piped.err.find('\x1b'), std::string::npos);

    auto terminal = run(arguments, ErrorOutput::terminal);
    EXPECT_EQ(terminal.exitStatus, 0);
    EXPECT_NE(terminal.err.find("] 3/3  "), std::string::npos) << terminal.err;
    EXPECT_NE(terminal.err.find(" notes/s"), std::string::npos);
    // The log line is written whole, above the bar.
    EXPECT_NE(terminal.err.find("\x1b[K"), std::string::npos);
    EXPECT_NE(terminal.err.find("] Note:  is empty or password protected!\r\n"), std::string::npos);
    EXPECT_EQ(terminal.lastOutLine(), expectCompleted(terminal, tmp()).string());

    arguments.push_back("--quiet");
    auto quiet = run(arguments, ErrorOutput::terminal);
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.err.find("notes/s"), std::string::npos);
    EXPECT_EQ(quiet.err.find('\x1b'), std::string::npos);
    EXPECT_NE(quiet.err.find("Note:  is empty or password protected!"), std::string::npos);
}

TEST_F(ImportCommandTest, EveryRunMakesANewFolderAndKeepsTheEarlierOne) {
    auto first = expectCompleted(runOnLibrary(library(kOneAccount)), tmp());
    auto second = expectCompleted(runOnLibrary(library(kOneAccount)), tmp());
    EXPECT_NE(first, second);
    EXPECT_TRUE(fs::exists(first / "Recipes" / "000_Pancakes.html"));
    EXPECT_TRUE(fs::exists(second / "Recipes" / "000_Pancakes.html"));
}

}  // namespace
}  // namespace quillmere::test
