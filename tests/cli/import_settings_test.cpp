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
    struct Row {
        const char* name;
        std::optional<std::string> settings;
        std::vector<std::string> options;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"registered_default_is_on", std::nullopt, {}, heading},
        {"stored_off", R"({"useFirstParagraphAsHeading": false})", {}, paragraph},
        {"stored_on", R"({"useFirstParagraphAsHeading": true})", {}, heading},
        {"heading_over_stored_off",
         R"({"useFirstParagraphAsHeading": false})",
         {"--heading"},
         heading},
        {"no_heading_over_stored_on",
         R"({"useFirstParagraphAsHeading": true})",
         {"--no-heading"},
         paragraph},
        {"no_heading_over_registered", std::nullopt, {"--no-heading"}, paragraph},
        {"heading_twice", std::nullopt, {"--heading", "--heading"}, heading},
        {"unreadable_settings_fall_back", "{not json", {}, heading},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(settingsFile());
        if (row.settings) writeFile(settingsFile(), *row.settings);

        auto result = runOnLibrary(library(kTwoParagraphs), row.options);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        fs::path folder = result.lastOutLine();
        EXPECT_EQ(readFile(folder / "F" / "000_N.html"), row.expected);

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

TEST_F(ImportCommandTest, UnreadableSettingsAreReportedInOneLine) {
    writeFile(settingsFile(), "{not json");
    auto result = runOnLibrary(library(kTwoParagraphs));
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    auto lines = result.errLines();
    ASSERT_EQ(lines.size(), 1u) << result.err;
    EXPECT_NE(lines[0].find(settingsFile().string()), std::string::npos) << lines[0];
}

TEST_F(ImportCommandTest, TheLibraryChosenInTheWindowIsUsedWithoutLibraryOption) {
    writeFile(libraryFile(), library(kTwoParagraphs));
    const std::string stored = R"({"notesLibraryPath": ")" + libraryFile().string() + "\"}";
    writeFile(settingsFile(), stored);

    auto result = run({"--no-open"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(fs::exists(fs::path(result.lastOutLine()) / "F" / "000_N.html"));
    EXPECT_EQ(readFile(settingsFile()), stored);
}

TEST_F(ImportCommandTest, TheLibraryOptionWinsOverTheChosenLibrary) {
    writeFile(settingsFile(),
              R"({"notesLibraryPath": ")" + (root() / "gone.json").string() + "\"}");
    auto result = runOnLibrary(library(kTwoParagraphs));
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
}

TEST_F(ImportCommandTest, AnEmptyChosenLibraryMeansNoneIsChosen) {
    writeFile(settingsFile(), R"({"notesLibraryPath": ""})");
    auto result = run({"--no-open"});
    EXPECT_EQ(result.exitStatus, 1);
    auto lines = result.errLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Could not find Notes.app");
}

}  // namespace
}  // namespace quillmere::test
