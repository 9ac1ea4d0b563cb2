// The built command and the user's settings: the heading preference per run, and the library
// chosen in the window.

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const char* const kTwoParagraphs = R"([{"id": "a", "folders": [{"id": "f", "name": "F",
  "notes": [{"name": "N", "body": "<div>First</div>\n<div>Second</div>\n"}]}]}])";

TEST_F(ImportCommandTest, HeadingOptionsOverrideTheStoredValueForOneRunOnly) {
    const std::string heading = "<h1>First</h1>\n<p>Second</p>\n";
    const std::string paragraph = "<p>First</p>\n<p>Second</p>\n";
    const std::string off = R"({"useFirstParagraphAsHeading": false})";
    const std::string on = R"({"useFirstParagraphAsHeading": true})";
    struct Row {
        const char* name;
        std::optional<std::string> settings;
        std::vector<std::string> options;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"registered_default_is_on", std::nullopt, {}, heading},
        {"stored_off", off, {}, paragraph},
        {"heading_over_stored_off", off, {"--heading"}, heading},
        {"no_heading_over_stored_on", on, {"--no-heading"}, paragraph},
        {"no_heading_over_registered", std::nullopt, {"--no-heading"}, paragraph},
        // Reported in one line naming the file; the run goes on with the registered value.
        {"unreadable_settings", "{not json", {}, heading},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(settingsFile());
        if (row.settings) writeFile(settingsFile(), *row.settings);

        auto result = runOnLibrary(library(kTwoParagraphs), row.options);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(readFile(fs::path(result.lastOutLine()) / "F" / "000_N.html"), row.expected);
        bool unreadable = row.settings && row.settings->starts_with("{not");
        ASSERT_EQ(result.errLines().size(), unreadable ? 1u : 0u) << result.err;
        if (unreadable) {
            EXPECT_NE(result.err.find(settingsFile().string()), std::string::npos);
        }

        // The settings are as they were: nothing is written, and no file is made.
        if (row.settings) {
            EXPECT_EQ(readFile(settingsFile()), *row.settings);
        } else {
            EXPECT_FALSE(fs::exists(settingsFile()));
        }
        std::vector<fs::path> beside(
            fs::directory_iterator(settingsFile().parent_path().parent_path()), {});
        EXPECT_LE(beside.size(), 1u);
    }
}

TEST_F(ImportCommandTest, TheLibraryOptionWinsOverTheLibraryChosenInTheWindow) {
    writeFile(settingsFile(),
              R"({"notesLibraryPath": ")" + (root() / "gone.json").string() + "\"}");
    auto result = runOnLibrary(library(kTwoParagraphs));
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");

    const std::string stored = R"({"notesLibraryPath": ")" + libraryFile().string() + "\"}";
    writeFile(settingsFile(), stored);
    result = run({"--no-open"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(fs::exists(fs::path(result.lastOutLine()) / "F" / "000_N.html"));
    EXPECT_EQ(readFile(settingsFile()), stored);
}

}  // namespace
}  // namespace quillmere::test
