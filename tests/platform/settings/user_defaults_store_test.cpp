#include "platform/settings/user_defaults_store.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <optional>
#include <thread>
#include <vector>

#include "rapidjson/document.h"
#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
constexpr const char* kFlag = "showHiddenFiles";
constexpr const char* kText = "lastFolder";

rapidjson::Document parsedFile(const fs::path& path) {
    rapidjson::Document document;
    document.Parse(test::readFile(path).c_str());
    return document;
}

TEST(UserDefaultsStore, FileFollowsTheBaseDirectoryRules) {
    const std::string inHome = "/h/.config/some-program/settings.json";
    const struct {
        const char* name;
        std::optional<std::string> configHome;
        std::string expected;
    } rows[] = {
        {"config_home", "/c/conf", "/c/conf/some-program/settings.json"},
        {"empty", "", inHome},
        {"relative_is_ignored", "conf", inHome},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        env.set("XDG_CONFIG_HOME", row.configHome);
        env.set("HOME", "/h");
        EXPECT_EQ(UserDefaultsStore::defaultFile("some-program"), fs::path(row.expected));
    }
}

// The front ends show the registered value, a stored one winning over it, and a stored string
// or an option winning over what is stored.
TEST(UserDefaultsStore, ArgumentOverStoredOverRegistered) {
    const struct {
        const char* name;
        const char* stored;  // the member's JSON value, or null for no file
        std::optional<bool> registered;
        std::optional<bool> argument;
        bool expected;
    } rows[] = {
        {"nothing_anywhere", nullptr, std::nullopt, std::nullopt, false},
        {"argument_wins_over_stored", "false", true, true, true},
        {"stored_number_zero", "0", true, std::nullopt, false},
        {"stored_number_one", "1", false, std::nullopt, true},
        {"stored_text_no", "\"NO\"", true, std::nullopt, false},
        {"stored_text_yes", "\"Yes\"", false, std::nullopt, true},
        {"stored_other_text_is_unset", "\"maybe\"", true, std::nullopt, true},
        {"stored_array_is_unset", "[false]", true, std::nullopt, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        const fs::path file = env.root() / "settings.json";
        if (row.stored)
            test::writeFile(file, std::string("{\"") + kFlag + "\": " + row.stored + "}");
        UserDefaultsStore defaults(file);
        if (row.registered) defaults.registerBool(kFlag, *row.registered);
        if (row.argument) defaults.setArgumentBool(kFlag, *row.argument);
        EXPECT_EQ(defaults.boolForKey(kFlag), row.expected);
    }
}

TEST(UserDefaultsStore, AStringIsOnlyReadFromText) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "settings.json";
    test::writeFile(file, R"({"lastFolder": true})");
    EXPECT_EQ(UserDefaultsStore(file).stringForKey(kText), std::nullopt);
}

// The command shows that options and registered values are not written over a file.
TEST(UserDefaultsStore, NothingIsMadeUntilAValueIsSet) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "config" / "settings.json";
    UserDefaultsStore(file).registerBool(kFlag, true);
    EXPECT_FALSE(fs::exists(file.parent_path()));
}

TEST(UserDefaultsStore, SetWritesReadableJsonAndKeepsOtherMembersAndOtherWriters) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "config" / "settings.json";
    test::writeFile(file, R"({"windowFrame": {"x": 1, "y": 2}, "showHiddenFiles": true})");
    UserDefaultsStore defaults(file);
    UserDefaultsStore otherProgram(file);
    defaults.setArgumentBool(kFlag, true);  // never written, whatever is set later
    defaults.setBool(kFlag, false);
    otherProgram.setString(kText, "/home/ann/Notes \"x\".json");
    EXPECT_EQ(defaults.lastError(), std::nullopt);
    EXPECT_EQ(otherProgram.lastError(), std::nullopt);

    const auto document = parsedFile(file);
    EXPECT_FALSE(document[kFlag].GetBool());
    EXPECT_STREQ(document[kText].GetString(), "/home/ann/Notes \"x\".json");
    EXPECT_EQ(document["windowFrame"]["y"].GetInt(), 2);
    EXPECT_NE(test::readFile(file).find("\n  \"lastFolder\": "), std::string::npos)
        << "one member a line";
    EXPECT_EQ(test::entryNames(file.parent_path()), std::set<std::string>{"settings.json"})
        << "no temporary file is left beside it";
    EXPECT_FALSE(UserDefaultsStore(file).boolForKey(kFlag));
}

TEST(UserDefaultsStore, AnInvalidFileIsReportedAndKeptAside) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "settings.json";
    test::writeFile(file, "{ \"lastFolder\": ");
    UserDefaultsStore defaults(file);
    ASSERT_TRUE(defaults.lastError().has_value());
    EXPECT_NE(defaults.lastError()->find(file.string()), std::string::npos);
    EXPECT_EQ(defaults.lastError()->find('\n'), std::string::npos);

    defaults.setBool(kFlag, false);
    EXPECT_EQ(defaults.lastError(), std::nullopt);
    EXPECT_EQ(test::readFile(file.string() + ".invalid"), "{ \"lastFolder\": ");
    EXPECT_FALSE(parsedFile(file)[kFlag].GetBool());
}

TEST(UserDefaultsStore, WhatCannotBeReadOrMadeIsReportedAndNeverReplaced) {
    test::PrivateEnvironment env;
    const fs::path folderInTheWay = env.root() / "settings.json";
    fs::create_directories(folderInTheWay / "inside");
    UserDefaultsStore unreadable(folderInTheWay);
    ASSERT_TRUE(unreadable.lastError().has_value());
    unreadable.setBool(kFlag, false);
    ASSERT_TRUE(unreadable.lastError().has_value());
    EXPECT_NE(unreadable.lastError()->find(folderInTheWay.string()), std::string::npos);
    EXPECT_TRUE(fs::exists(folderInTheWay / "inside"));

    test::writeFile(env.root() / "blocker", "a file, not a folder");
    UserDefaultsStore unwritable(env.root() / "blocker" / "settings.json");
    unwritable.setBool(kFlag, false);
    ASSERT_TRUE(unwritable.lastError().has_value());
    EXPECT_FALSE(unwritable.boolForKey(kFlag)) << "the value still holds for this process";
}

// A hostile file is refused in one line without hanging on it or exhausting the stack; the
// command shows a fifo's line.
TEST(UserDefaultsStore, HostileFilesAreRefusedInOneLine) {
    test::PrivateEnvironment env;
    const fs::path device = env.root() / "device.json", nested = env.root() / "nested.json",
                   tab = env.root() / "tab.json";
    fs::create_symlink("/dev/zero", device);
    test::writeFile(nested, std::string(160000, '[') + std::string(160000, ']'));
    test::writeFile(tab, "{\"a\": \"x\ty\"}");
    const struct {
        fs::path file;
        std::string error;
    } rows[] = {
        {device, "cannot read the settings: not a regular file"},
        {nested, "not a settings file: nested more than 512 levels deep"},
        {tab, "not a settings file: A control character in a string. (at byte 8)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        UserDefaultsStore defaults(row.file);
        EXPECT_EQ(defaults.lastError(), row.file.string() + ": " + row.error);
    }
}

// The nesting cap at its edge: the writer that keeps unknown members recurses into them.
TEST(UserDefaultsStore, NestingIsReadUpToTheCapAndRefusedBeyondIt) {
    const struct {
        const char* name;
        int levels;
        bool refused;
    } rows[] = {
        {"at_the_cap", 512, false},
        {"one_beyond_the_cap", 513, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        const fs::path file = env.root() / "settings.json";
        std::string nested;
        for (int level = 1; level < row.levels; ++level) nested += "{\"a\": ";
        test::writeFile(file, nested + "{}" + std::string(row.levels - 1, '}'));
        UserDefaultsStore defaults(file);
        const auto refusal =
            file.string() + ": not a settings file: nested more than 512 levels deep";
        EXPECT_EQ(defaults.lastError(), row.refused ? std::optional(refusal) : std::nullopt);
        defaults.setBool(kFlag, true);
        EXPECT_EQ(parsedFile(file).HasMember("a"), !row.refused) << "what was read is kept";
    }
}

TEST(UserDefaultsStore, ReadsAndWritesFromSeveralThreads) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "settings.json";
    UserDefaultsStore defaults(file);
    defaults.registerBool(kFlag, true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 10; ++i) {
                defaults.setString("key" + std::to_string(t), std::to_string(i));
                EXPECT_TRUE(defaults.boolForKey(kFlag));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    const auto document = parsedFile(file);
    for (int t = 0; t < 4; ++t) {
        EXPECT_STREQ(document[("key" + std::to_string(t)).c_str()].GetString(), "9");
    }
}

}  // namespace
}  // namespace quillmere
