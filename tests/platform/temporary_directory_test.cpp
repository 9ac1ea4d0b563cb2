#include "platform/temporary_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

std::string perUserName() { return "quillmere-" + std::to_string(::geteuid()); }

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// A directory like a shared /tmp: everyone may write, the sticky bit protects entries.
fs::path makeSharedDirectory(const fs::path& path, mode_t mode = 01777) {
    fs::create_directories(path);
    ::chmod(path.c_str(), mode);
    return path;
}

TEST(PrivateTemporaryDirectory, UsesAClosedTmpdirOfTheUserAsItIs) {
    test::PrivateEnvironment env;  // its TMPDIR is the user's own and has mode 0700
    EXPECT_EQ(privateTemporaryDirectoryPath(), env.tmp().string());
    env.set("TMPDIR", env.tmp().string() + "//");
    EXPECT_EQ(privateTemporaryDirectoryPath(), env.tmp().string());

    Error error;
    EXPECT_EQ(preparePrivateTemporaryDirectory(&error), env.tmp().string())
        << error.recoverySuggestion;
    EXPECT_FALSE(fs::exists(env.tmp() / perUserName()));
}

TEST(PrivateTemporaryDirectory, ChoosesWhereThePerUserDirectoryGoes) {
    test::PrivateEnvironment env;
    const fs::path shared = makeSharedDirectory(env.root() / "shared");
    const fs::path groupReadable = makeSharedDirectory(env.root() / "group-readable", 0750);
    const fs::path noSticky = makeSharedDirectory(env.root() / "no-sticky", 0777);
    test::writeFile(env.root() / "a-file", "x");
    fs::create_directory_symlink(env.tmp(), env.root() / "link-to-closed");
    const std::string inShared = (shared / perUserName()).string();
    const std::string inSystemTmp = "/tmp/" + perUserName();

    struct Case {
        const char* name;
        std::optional<std::string> tmpdir;
        std::string expected;
    };
    const Case cases[] = {
        {"world_writable_sticky", shared.string(), inShared},
        {"world_writable_with_trailing_slash", shared.string() + "/", inShared},
        {"open_to_group", groupReadable.string(), (groupReadable / perUserName()).string()},
        {"symbolic_link_is_not_used_itself", (env.root() / "link-to-closed").string(),
         (env.root() / "link-to-closed" / perUserName()).string()},
        {"world_writable_without_sticky_bit", noSticky.string(), inSystemTmp},
        {"unset", std::nullopt, inSystemTmp},
        {"empty", "", inSystemTmp},
        {"relative", "tmp", inSystemTmp},
        {"missing", (env.root() / "missing").string(), inSystemTmp},
        {"a_file", (env.root() / "a-file").string(), inSystemTmp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.set("TMPDIR", c.tmpdir);
        EXPECT_EQ(privateTemporaryDirectoryPath(), c.expected);
    }
}

TEST(PrivateTemporaryDirectory, CreatesThePerUserDirectoryClosedToOthers) {
    test::PrivateEnvironment env;
    const fs::path shared = makeSharedDirectory(env.root() / "shared");
    env.set("TMPDIR", shared.string());
    const mode_t previousMask = ::umask(0);  // even a permissive mask leaves it closed

    Error error;
    const std::optional<std::string> first = preparePrivateTemporaryDirectory(&error);
    const std::optional<std::string> second = preparePrivateTemporaryDirectory(&error);
    ::umask(previousMask);

    ASSERT_TRUE(first) << error.recoverySuggestion;
    EXPECT_EQ(*first, (shared / perUserName()).string());
    EXPECT_EQ(second, first) << "an existing, sound directory is reused";
    EXPECT_EQ(modeOf(*first), 0700u);
}

struct UnsafeCase {
    const char* name;
    void (*plant)(const fs::path& perUser, const fs::path& elsewhere);
    const char* fault;  // part of the recovery suggestion
};

TEST(PrivateTemporaryDirectory, RefusesAPerUserDirectoryThatIsNotSafe) {
    const UnsafeCase cases[] = {
        {"symbolic_link_to_a_directory",
         [](const fs::path& perUser, const fs::path& elsewhere) {
             fs::create_directories(elsewhere);
             ::chmod(elsewhere.c_str(), 0700);
             fs::create_directory_symlink(elsewhere, perUser);
         },
         "symbolic link"},
        {"dangling_symbolic_link",
         [](const fs::path& perUser, const fs::path& elsewhere) {
             fs::create_symlink(elsewhere, perUser);
         },
         "symbolic link"},
        {"open_to_others",
         [](const fs::path& perUser, const fs::path&) {
             fs::create_directory(perUser);
             ::chmod(perUser.c_str(), 0755);
         },
         "0755"},
        {"open_to_group",
         [](const fs::path& perUser, const fs::path&) {
             fs::create_directory(perUser);
             ::chmod(perUser.c_str(), 0770);
         },
         "0770"},
        {"a_file", [](const fs::path& perUser, const fs::path&) { test::writeFile(perUser, "x"); },
         "not a folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::PrivateEnvironment env;
        const fs::path shared = makeSharedDirectory(env.root() / "shared");
        env.set("TMPDIR", shared.string());
        const fs::path perUser = shared / perUserName();
        const fs::path elsewhere = env.root() / "elsewhere";
        c.plant(perUser, elsewhere);

        Error error;
        EXPECT_FALSE(preparePrivateTemporaryDirectory(&error));
        EXPECT_EQ(error.description, "The temporary folder \u201C" + perUser.string() +
                                         "\u201D cannot be used safely.");
        EXPECT_NE(error.recoverySuggestion.find(c.fault), std::string::npos)
            << error.recoverySuggestion;
        EXPECT_FALSE(verifyPrivateDirectory(perUser.string(), nullptr));
        EXPECT_TRUE(!fs::exists(elsewhere) || fs::is_empty(elsewhere))
            << "nothing is written where a planted link points";
    }
}

TEST(PrivateTemporaryDirectory, RefusesADirectoryOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a directory to another user";
    }
    test::PrivateEnvironment env;
    const fs::path shared = makeSharedDirectory(env.root() / "shared");
    env.set("TMPDIR", shared.string());
    const fs::path perUser = shared / perUserName();
    fs::create_directory(perUser);
    ::chmod(perUser.c_str(), 0700);
    ASSERT_EQ(::chown(perUser.c_str(), 65534, 65534), 0);

    Error error;
    EXPECT_FALSE(preparePrivateTemporaryDirectory(&error));
    EXPECT_NE(error.recoverySuggestion.find("another user"), std::string::npos)
        << error.recoverySuggestion;
}

TEST(PrivateTemporaryDirectory, ATmpdirOfAnotherUserIsNotUsedAsItIs) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a directory to another user";
    }
    test::PrivateEnvironment env;
    const fs::path foreign = env.root() / "foreign";
    fs::create_directory(foreign);
    ::chmod(foreign.c_str(), 0700);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    env.set("TMPDIR", foreign.string());
    EXPECT_EQ(privateTemporaryDirectoryPath(), "/tmp/" + perUserName());
}

TEST(PrivateTemporaryDirectory, ReportsAMissingDirectory) {
    test::PrivateEnvironment env;
    Error error;
    EXPECT_FALSE(verifyPrivateDirectory((env.root() / "missing").string(), &error));
    EXPECT_NE(error.description.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace quillmere
