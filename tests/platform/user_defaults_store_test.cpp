#include "platform/user_defaults_store.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>
#include <vector>

#include "rapidjson/document.h"
#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
constexpr const char* kHeading = "useFirstParagraphAsHeading";

rapidjson::Document parsedFile(const fs::path& path) {
    rapidjson::Document document;
    std::string text = test::readFile(path);
    document.Parse(text.c_str());
    return document;
}

TEST(UserDefaultsStoreFile, FollowsTheBaseDirectoryRules) {
    struct Row {
        const char* name;
        std::optional<std::string> configHome;
        std::optional<std::string> home;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"config_home", "/c/conf", "/h", "/c/conf/quillmere-notes-importer/settings.json"},
        {"home_when_unset", std::nullopt, "/h",
         "/h/.config/quillmere-notes-importer/settings.json"},
        {"home_when_empty", "", "/h", "/h/.config/quillmere-notes-importer/settings.json"},
        {"relative_is_ignored", "conf", "/h", "/h/.config/quillmere-notes-importer/settings.json"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        env.set("XDG_CONFIG_HOME", row.configHome);
        env.set("HOME", row.home);
        EXPECT_EQ(UserDefaultsStore::defaultFile(), fs::path(row.expected));
    }
}

TEST(UserDefaultsStoreDomains, ArgumentOverStoredOverRegistered) {
    struct Row {
        const char* name;
        std::optional<std::string> fileContent;
        std::optional<bool> registered;
        std::optional<bool> argument;
        bool expected;
    };
    const std::vector<Row> rows = {
        {"nothing_anywhere", std::nullopt, std::nullopt, std::nullopt, false},
        {"registered_only", std::nullopt, true, std::nullopt, true},
        {"stored_false_wins_over_registered", R"({"useFirstParagraphAsHeading": false})", true,
         std::nullopt, false},
        {"argument_wins_over_stored", R"({"useFirstParagraphAsHeading": false})", true, true, true},
        {"argument_false_wins_over_registered", std::nullopt, true, false, false},
        {"stored_number_zero", R"({"useFirstParagraphAsHeading": 0})", true, std::nullopt, false},
        {"stored_number_one", R"({"useFirstParagraphAsHeading": 1})", false, std::nullopt, true},
        {"stored_text_no", R"({"useFirstParagraphAsHeading": "NO"})", true, std::nullopt, false},
        {"stored_text_yes", R"({"useFirstParagraphAsHeading": "Yes"})", false, std::nullopt, true},
        {"stored_other_text_counts_as_unset", R"({"useFirstParagraphAsHeading": "maybe"})", true,
         std::nullopt, true},
        {"stored_array_counts_as_unset", R"({"useFirstParagraphAsHeading": [false]})", true,
         std::nullopt, true},
        {"invalid_file_counts_as_empty", R"({"useFirstParagraphAsHeading": fal)", true,
         std::nullopt, true},
        {"not_an_object", "[]", true, std::nullopt, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        fs::path file = env.root() / "settings.json";
        if (row.fileContent) test::writeFile(file, *row.fileContent);
        UserDefaultsStore defaults(file);
        if (row.registered) defaults.registerBool(kHeading, *row.registered);
        if (row.argument) defaults.setArgumentBool(kHeading, *row.argument);
        EXPECT_EQ(defaults.boolForKey(kHeading), row.expected);
    }
}

TEST(UserDefaultsStoreDomains, StringsFollowTheSameOrder) {
    test::PrivateEnvironment env;
    fs::path file = env.root() / "settings.json";
    test::writeFile(file, R"({"notesLibraryPath": "/home/ann/Notes – 2024.json", "flag": true})");
    UserDefaultsStore defaults(file);
    EXPECT_EQ(defaults.stringForKey(UserDefaultsStore::kNotesLibraryPathKey),
              "/home/ann/Notes – 2024.json");
    EXPECT_EQ(defaults.stringForKey("flag"), std::nullopt);  // not text
    EXPECT_EQ(defaults.stringForKey("absent"), std::nullopt);
    defaults.setArgumentString(UserDefaultsStore::kNotesLibraryPathKey, "/other.json");
    EXPECT_EQ(defaults.stringForKey(UserDefaultsStore::kNotesLibraryPathKey), "/other.json");
}

TEST(UserDefaultsStoreWrite, NothingIsWrittenUntilAValueIsSet) {
    test::PrivateEnvironment env;
    fs::path file = env.root() / "config" / "quillmere-notes-importer" / "settings.json";
    {
        UserDefaultsStore defaults(file);
        defaults.registerBool(kHeading, true);
        defaults.setArgumentBool(kHeading, false);
        defaults.setArgumentString(UserDefaultsStore::kNotesLibraryPathKey, "/x.json");
        EXPECT_FALSE(defaults.boolForKey(kHeading));
        EXPECT_EQ(defaults.lastError(), std::nullopt);
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(file.parent_path()));
}

TEST(UserDefaultsStoreWrite, SetWritesReadableJsonAndKeepsOtherMembers) {
    test::PrivateEnvironment env;
    fs::path file = env.root() / "config" / "settings.json";
    test::writeFile(file,
                    R"({"windowFrame": {"x": 1, "y": 2}, "useFirstParagraphAsHeading": true})");
    UserDefaultsStore defaults(file);
    defaults.setArgumentBool(kHeading, true);  // never written, whatever is set later
    defaults.setBool(kHeading, false);
    defaults.setString(UserDefaultsStore::kNotesLibraryPathKey, "/home/ann/Notes \"x\".json");
    EXPECT_EQ(defaults.lastError(), std::nullopt);

    auto document = parsedFile(file);
    ASSERT_TRUE(document.IsObject());
    EXPECT_FALSE(document[kHeading].GetBool());
    EXPECT_STREQ(document["notesLibraryPath"].GetString(), "/home/ann/Notes \"x\".json");
    EXPECT_EQ(document["windowFrame"]["y"].GetInt(), 2);
    // Human-readable: one member a line.
    EXPECT_NE(test::readFile(file).find("\n  \"notesLibraryPath\": "), std::string::npos);
    // No temporary file is left beside it.
    std::vector<fs::path> entries(fs::directory_iterator(file.parent_path()), {});
    EXPECT_EQ(entries, std::vector<fs::path>{file});

    UserDefaultsStore reread(file);
    EXPECT_FALSE(reread.boolForKey(kHeading));
    EXPECT_EQ(reread.stringForKey(UserDefaultsStore::kNotesLibraryPathKey),
              "/home/ann/Notes \"x\".json");
}

TEST(UserDefaultsStoreWrite, KeepsWhatAnotherProgramStoredMeanwhile) {
    test::PrivateEnvironment env;
    fs::path file = env.root() / "settings.json";
    UserDefaultsStore window(file);
    UserDefaultsStore command(file);
    window.setString(UserDefaultsStore::kNotesLibraryPathKey, "/chosen.json");
    command.setBool(kHeading, false);
    auto document = parsedFile(file);
    EXPECT_STREQ(document["notesLibraryPath"].GetString(), "/chosen.json");
    EXPECT_FALSE(document[kHeading].GetBool());
}

TEST(UserDefaultsStoreWrite, AnInvalidFileIsReportedAndKeptAside) {
    test::PrivateEnvironment env;
    fs::path file = env.root() / "settings.json";
    test::writeFile(file, "{ \"notesLibraryPath\": ");
    UserDefaultsStore defaults(file);
    ASSERT_TRUE(defaults.lastError().has_value());
    EXPECT_NE(defaults.lastError()->find(file.string()), std::string::npos);
    EXPECT_EQ(defaults.lastError()->find('\n'), std::string::npos);

    defaults.setBool(kHeading, false);
    EXPECT_EQ(defaults.lastError(), std::nullopt);
    EXPECT_EQ(test::readFile(file.string() + ".invalid"), "{ \"notesLibraryPath\": ");
    EXPECT_FALSE(parsedFile(file)[kHeading].GetBool());
}

TEST(UserDefaultsStoreWrite, AFileThatCannotBeReadIsNeverReplaced) {
    test::PrivateEnvironment env;
    fs::path file = env.root() / "settings.json";
    fs::create_directories(file / "inside");  // a folder where the file should be
    UserDefaultsStore defaults(file);
    ASSERT_TRUE(defaults.lastError().has_value());
    defaults.setBool(kHeading, false);
    ASSERT_TRUE(defaults.lastError().has_value());
    EXPECT_NE(defaults.lastError()->find(file.string()), std::string::npos);
    EXPECT_TRUE(fs::exists(file / "inside"));
}

TEST(UserDefaultsStoreWrite, AFolderThatCannotBeMadeIsReported) {
    test::PrivateEnvironment env;
    test::writeFile(env.root() / "blocker", "a file, not a folder");
    UserDefaultsStore defaults(env.root() / "blocker" / "settings.json");
    defaults.setBool(kHeading, false);
    ASSERT_TRUE(defaults.lastError().has_value());
    // The value still holds for this process.
    EXPECT_FALSE(defaults.boolForKey(kHeading));
}

TEST(UserDefaultsStoreThreads, ReadsAndWritesFromSeveralThreads) {
    test::PrivateEnvironment env;
    fs::path file = env.root() / "settings.json";
    UserDefaultsStore defaults(file);
    defaults.registerBool(kHeading, true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 10; ++i) {
                defaults.setString("key" + std::to_string(t), std::to_string(i));
                EXPECT_TRUE(defaults.boolForKey(kHeading));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    auto document = parsedFile(file);
    for (int t = 0; t < 4; ++t) {
        EXPECT_STREQ(document[("key" + std::to_string(t)).c_str()].GetString(), "9");
    }
}

}  // namespace
}  // namespace quillmere
