#include "platform/files/temporary_directory.h"

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

const std::string kPerUser = "quillmere-" + std::to_string(::geteuid());

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// A directory like a shared /tmp (by default: everyone may write, the sticky bit protects).
fs::path makeDirectory(const fs::path& path, mode_t mode = 01777) {
    fs::create_directories(path);
    ::chmod(path.c_str(), mode);
    return path;
}

TEST(PrivateTemporaryDirectory, UsesAClosedTmpdirOfTheUserAsItIs) {
    test::PrivateEnvironment env;  // its TMPDIR is the user's own and has mode 0700
    env.set("TMPDIR", env.tmp().string() + "//");
    EXPECT_EQ(privateTemporaryDirectoryPath(), env.tmp().string());
    Error error;
    EXPECT_EQ(preparePrivateTemporaryDirectory(&error), env.tmp().string())
        << error.recoverySuggestion;
    EXPECT_FALSE(fs::exists(env.tmp() / kPerUser));
}

TEST(PrivateTemporaryDirectory, ChoosesWhereThePerUserDirectoryGoes) {
    test::PrivateEnvironment env;
    const fs::path shared = makeDirectory(env.root() / "shared");
    const fs::path groupReadable = makeDirectory(env.root() / "group-readable", 0750);
    const fs::path noSticky = makeDirectory(env.root() / "no-sticky", 0777);
    test::writeFile(env.root() / "a-file", "x");
    fs::create_directory_symlink(env.tmp(), env.root() / "link-to-closed");
    const std::string inSystemTmp = "/tmp/" + kPerUser;
    const struct {
        const char* name;
        std::optional<std::string> tmpdir;
        std::string expected;
    } cases[] = {
        {"world_writable_sticky", shared.string(), (shared / kPerUser).string()},
        {"open_to_group", groupReadable.string(), (groupReadable / kPerUser).string()},
        {"symbolic_link_is_not_used_itself", (env.root() / "link-to-closed").string(),
         (env.root() / "link-to-closed" / kPerUser).string()},
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
    const fs::path shared = makeDirectory(env.root() / "shared");
    env.set("TMPDIR", shared.string());
    const mode_t previousMask = ::umask(0);  // even a permissive mask leaves it closed
    Error error;
    const std::optional<std::string> first = preparePrivateTemporaryDirectory(&error);
    const std::optional<std::string> second = preparePrivateTemporaryDirectory(&error);
    ::umask(previousMask);
    ASSERT_TRUE(first) << error.recoverySuggestion;
    EXPECT_EQ(*first, (shared / kPerUser).string());
    EXPECT_EQ(second, first) << "an existing, sound directory is reused";
    EXPECT_EQ(modeOf(*first), 0700u);
}

// On a shared directory another user may have planted any of these in the importer's place.
TEST(PrivateTemporaryDirectory, RefusesAPerUserDirectoryThatIsNotSafe) {
    const struct {
        std::string planted;
        const char* fault;  // part of the recovery suggestion
    } cases[] = {
        {"symbolic_link", "symbolic link"},
        {"0755", "0755"},
        {"0770", "0770"},
        {"file", "not a folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.planted);
        test::PrivateEnvironment env;
        env.set("TMPDIR", makeDirectory(env.root() / "shared").string());
        const fs::path perUser = env.root() / "shared" / kPerUser;
        const fs::path elsewhere = makeDirectory(env.root() / "elsewhere", 0700);
        if (c.planted == "symbolic_link") {
            fs::create_directory_symlink(elsewhere, perUser);
        } else if (c.planted == "file") {
            test::writeFile(perUser, "x");
        } else {
            makeDirectory(perUser, std::stoi(c.planted, nullptr, 8));
        }
        Error error;
        EXPECT_FALSE(preparePrivateTemporaryDirectory(&error));
        EXPECT_EQ(error.description, "The temporary folder \u201C" + perUser.string() +
                                         "\u201D cannot be used safely.");
        EXPECT_NE(error.recoverySuggestion.find(c.fault), std::string::npos)
            << error.recoverySuggestion;
        EXPECT_FALSE(verifyPrivateDirectory(perUser.string(), nullptr));
        EXPECT_TRUE(fs::is_empty(elsewhere)) << "nothing is written where a planted link points";
    }
}

TEST(PrivateTemporaryDirectory, RefusesADirectoryOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a directory to another user";
    test::PrivateEnvironment env;
    const fs::path foreign = makeDirectory(env.root() / "foreign", 0700);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    env.set("TMPDIR", foreign.string());
    EXPECT_EQ(privateTemporaryDirectoryPath(), "/tmp/" + kPerUser) << "not used as it is";

    const fs::path perUser = makeDirectory(env.root() / "shared", 01777) / kPerUser;
    env.set("TMPDIR", perUser.parent_path().string());
    makeDirectory(perUser, 0700);
    ASSERT_EQ(::chown(perUser.c_str(), 65534, 65534), 0);
    Error error;
    EXPECT_FALSE(preparePrivateTemporaryDirectory(&error));
    EXPECT_NE(error.recoverySuggestion.find("another user"), std::string::npos)
        << error.recoverySuggestion;
}

TEST(PrivateTemporaryDirectory, ReportsAMissingDirectory) {
    test::PrivateEnvironment env;
    Error error;
    EXPECT_FALSE(verifyPrivateDirectory((env.root() / "missing").string(), &error));
    EXPECT_NE(error.description.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace quillmere
