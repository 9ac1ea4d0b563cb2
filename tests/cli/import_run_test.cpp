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

sys_time<nanoseconds> modificationTime(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return sys_time<nanoseconds>(seconds(status.st_mtim.tv_sec) +
                                 nanoseconds(status.st_mtim.tv_nsec));
}

// Checks what every successful run prints, and answers the export folder.
fs::path expectCompleted(const ProgramResult& result, const fs::path& tmp) {
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    // Standard output holds the folder's absolute path and nothing else.
    fs::path folder = result.lastOutLine();
    EXPECT_EQ(result.out, folder.string() + "\n");
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

    const std::map<std::string, sys_time<nanoseconds>> modified = {
        {"Recipes/000_Pancakes.html", sys_days(2024y / 3 / 2) + 18h + 40min + 12s + 250ms},
        {"Recipes/001_Shopping.html", sys_days(2023y / 12 / 31) + 23h + 59min + 59s + 999999us},
        {"Recipes/003_Photo.html", sys_days(2020y / 2 / 29)},
        {"Recipes/004_.plain-text", sys_days(2019y / 5 / 5) + 5h + 5min + 5s + 500ms},
        {"Recipes/Desserts/000_Tiramisu.html", sys_days(2022y / 6 / 1) + 12h},
    };
    for (const auto& [file, time] : modified) {
        SCOPED_TRACE(file);
        EXPECT_EQ(modificationTime(folder / file), time);
    }

    // Log lines in the order of the walk; nothing else on standard error.
    EXPECT_EQ(logMessages(result.errLines()), (std::vector<std::string>{
                                                  "Note:  is empty or password protected!",
                                                  "Mismatching parent ID: f-recipes vs. acc",
                                                  "Empty container name provided for parent ID acc",
                                              }));
}

TEST_F(ImportCommandTest, EveryRunMakesANewFolderEvenWithoutNotes) {
    auto first = expectCompleted(runOnLibrary(library(kOneAccount)), tmp());
    // Several accounts, each a directory of its own, and no note at all.
    auto result = runOnLibrary(library(R"([{"id": "a", "name": "Work", "folders": [
      {"id": "w", "name": "Notes"}]}, {"id": "b", "name": "Archive"}])"));
    auto second = expectCompleted(result, tmp());
    EXPECT_EQ(result.err, "");
    EXPECT_NE(first, second);
    EXPECT_TRUE(fs::exists(first / "Recipes" / "000_Pancakes.html"));
    EXPECT_EQ(treeBelow(second), (std::map<std::string, std::string>{
                                     {"Archive/", ""}, {"Work/", ""}, {"Work/Notes/", ""}}));
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
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(folder.parent_path()), {}),
              std::vector<fs::path>{folder});

    std::multiset<std::string> contents;
    for (const auto& [path, bytes] : treeBelow(folder)) {
        SCOPED_TRACE(path);
        for (const auto& component : fs::path(path)) {
            EXPECT_LE(component.string().size(), 255u);
            EXPECT_NE(component, "..");
        }
        if (!path.ends_with("/")) contents.insert(bytes);
    }
    // Two account directories, each one path component.
    std::vector<fs::path> accounts(fs::directory_iterator(folder), {});
    EXPECT_EQ(accounts.size(), 2u);
    for (const auto& account : accounts) EXPECT_TRUE(fs::is_directory(account)) << account;
    // Every note kept, none replaced by another.
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
    const std::string logged = "Note:  is empty or password protected!";

    auto terminal = run(arguments, ErrorOutput::terminal);
    expectCompleted(terminal, tmp());
    EXPECT_NE(terminal.err.find("] 3/3  "), std::string::npos) << terminal.err;
    EXPECT_NE(terminal.err.find(" notes/s"), std::string::npos);
    // The log line is written whole, above the bar.
    EXPECT_NE(terminal.err.find("\x1b[K"), std::string::npos);
    EXPECT_NE(terminal.err.find("] " + logged + "\r\n"), std::string::npos);

    auto piped = run(arguments);
    arguments.push_back("--quiet");
    auto quiet = run(arguments, ErrorOutput::terminal);
    for (const auto* plain : {&piped, &quiet}) {
        EXPECT_EQ(plain->exitStatus, 0);
        EXPECT_EQ(plain->err.find("notes/s"), std::string::npos);
        EXPECT_EQ(plain->err.find('\x1b'), std::string::npos);
        EXPECT_NE(plain->err.find(logged), std::string::npos);
    }
}

}  // namespace
}  // namespace quillmere::test
