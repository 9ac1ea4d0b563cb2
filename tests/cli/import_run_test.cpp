// The built command end to end on libraries that import: the tree it writes, every file's bytes
// and modification time, its log lines, its output, and the settings it reads.

#include <sys/stat.h>

#include <chrono>

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

TEST_F(ImportCommandTest, ImportsALibraryAndPrintsOnlyTheExportFolder) {
    // The library option wins over the one chosen in the window.
    writeFile(settingsFile(), R"({"notesLibraryPath": "/gone.json"})");
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
  {"id": "f-noname", "name": "", "notes": [{"name": "Lost", "body": "x"}]}]}])");
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const fs::path folder = result.lastOutLine();
    EXPECT_EQ(result.out, folder.string() + "\n");
    EXPECT_EQ(folder.filename(), "Imported from Notes");
    EXPECT_TRUE(folder.string().starts_with(env.tmp().string() + "/")) << folder;

    // With no stored preference the first paragraph is a heading.
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
    // Log lines in the order of the walk; nothing else on standard error.
    EXPECT_EQ(logMessages(result.errLines()), (std::vector<std::string>{
                                                  "Note:  is empty or password protected!",
                                                  "Mismatching parent ID: f-recipes vs. acc",
                                                  "Empty container name provided for parent ID acc",
                                              }));
}

// Which value wins is the settings store's; the command passes the option on and writes nothing.
TEST_F(ImportCommandTest, HeadingOptionsOverrideTheSettingsForOneRunOnly) {
    const std::string off = R"({"useFirstParagraphAsHeading": false})";
    const struct {
        std::string option;
        std::optional<std::string> settings;
        std::string expected;
    } rows[] = {
        {"--heading", off, "<h1>First</h1>\n<p>Second</p>\n"},
        {"--no-heading", std::nullopt, "<p>First</p>\n<p>Second</p>\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        fs::remove_all(settingsFile().parent_path());
        if (row.settings) writeFile(settingsFile(), *row.settings);
        const auto result = runOnLibrary(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
          "notes": [{"name": "N", "body": "<div>First</div>\n<div>Second</div>\n"}]}]}])",
                                         {row.option});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(readFile(fs::path(result.lastOutLine()) / "F" / "000_N.html"), row.expected);
        // Nothing is written: the file is as it was, and nothing is made beside it.
        const fs::path folder = settingsFile().parent_path();
        EXPECT_EQ(entryNames(folder).size(), row.settings ? 1u : 0u);
        EXPECT_EQ(row.settings ? readFile(settingsFile()) : "", row.settings.value_or(""));
    }
}

TEST_F(ImportCommandTest, ProgressBarOnlyOnATerminalAndNotWhenQuiet) {
    writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
      "notes": [{"name": "One", "body": "<div>1</div>"}, {"name": "", "body": ""},
                {"name": "Three", "body": "<div>3</div>"}]}]}])"));
    std::vector<std::string> arguments = {"--library", libraryFile().string(), "--no-open"};
    const std::string logged = "Note:  is empty or password protected!";

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
        EXPECT_EQ(logMessages(plain->errLines()), std::vector<std::string>{logged}) << plain->err;
    }
}

}  // namespace
}  // namespace quillmere::test
