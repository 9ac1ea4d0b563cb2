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

// A directory like a shared /tmp (by default: everyone may write, the sticky bit protects).
fs::path makeDirectory(const fs::path& path, mode_t mode = 01777) {
    fs::create_directories(path);
    ::chmod(path.c_str(), mode);
    return path;
}

TEST(PrivateTemporaryDirectory, ChoosesWhereThePerUserDirectoryGoes) {
    test::PrivateEnvironment env;  // its TMPDIR is the user's own and has mode 0700
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
        {"own_closed_directory_as_it_is", env.tmp().string() + "//", env.tmp().string()},
        {"world_writable_sticky", shared.string(), (shared / kPerUser).string()},
        {"open_to_group", groupReadable.string(), (groupReadable / kPerUser).string()},
        {"symbolic_link_is_not_used_itself", (env.root() / "link-to-closed").string(),
         (env.root() / "link-to-closed" / kPerUser).string()},
        {"world_writable_without_sticky_bit", noSticky.string(), inSystemTmp},
        {"unset", std::nullopt, inSystemTmp},
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

TEST(PrivateTemporaryDirectory, CreatesThePerUserDirectoryClosedToOthersWhateverTheMask) {
    test::PrivateEnvironment env;
    const fs::path shared = makeDirectory(env.root() / "shared");
    env.set("TMPDIR", shared.string());
    const mode_t previousMask = ::umask(0777);
    Error error;
    const std::optional<std::string> first = preparePrivateTemporaryDirectory(&error);
    const std::optional<std::string> second = preparePrivateTemporaryDirectory(&error);
    ::umask(previousMask);
    ASSERT_TRUE(first) << error.recoverySuggestion;
    EXPECT_EQ(*first, (shared / kPerUser).string());
    EXPECT_EQ(second, first) << "an existing, sound directory is reused";
    struct stat info {};
    ASSERT_EQ(::lstat(first->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

// On a shared directory another user may have planted any of these in the importer's place.
TEST(PrivateTemporaryDirectory, RefusesAPerUserDirectoryThatIsNotSafe) {
    const struct {
        std::string planted;
        const char* fault;  // part of the recovery suggestion
    } cases[] = {
        {"symbolic_link", "symbolic link"}, {"0755", "0755"},        {"0770", "0770"},
        {"file", "not a folder"},           {"missing", "examined"},
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
        } else if (c.planted != "missing") {
            makeDirectory(perUser, std::stoi(c.planted, nullptr, 8));
        }
        Error error;
        if (c.planted != "missing") {
            EXPECT_FALSE(preparePrivateTemporaryDirectory(&error));
            EXPECT_EQ(error.description, "The temporary folder \u201C" + perUser.string() +
                                             "\u201D cannot be used safely.");
        }
        EXPECT_FALSE(verifyPrivateDirectory(perUser.string(), &error));
        EXPECT_NE(error.recoverySuggestion.find(c.fault), std::string::npos)
            << error.recoverySuggestion;
        EXPECT_TRUE(fs::is_empty(elsewhere)) << "nothing is written where a planted link points";
    }
}

TEST(PrivateTemporaryDirectory, RefusesADirectoryOfAnotherUser) {
    test::PrivateEnvironment env;
    // Root gives a directory to nobody; for anyone else the root directory belongs to another.
    fs::path foreign = "/";
    if (::geteuid() == 0) {
        foreign = makeDirectory(env.root() / "foreign", 0700);
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        env.set("TMPDIR", foreign.string());
        EXPECT_EQ(privateTemporaryDirectoryPath(), "/tmp/" + kPerUser) << "not used as it is";
    }
    Error error;
    EXPECT_FALSE(verifyPrivateDirectory(foreign.string(), &error));
    EXPECT_NE(error.recoverySuggestion.find("another user"), std::string::npos)
        << error.recoverySuggestion;
}

}  // namespace
}  // namespace quillmere
