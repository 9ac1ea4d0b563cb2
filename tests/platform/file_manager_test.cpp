#include "platform/file_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using std::chrono::microseconds;

FileURL urlOf(const fs::path& path, bool isDirectory = false) {
    return FileURL::fileURLWithPath(path.string(), isDirectory);
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets the process's file-creation mask for one test.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }

private:
    mode_t previous_;
};

std::size_t entriesIn(const fs::path& directory) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) {
        ++count;
    }
    return count;
}

TEST(FileManagerCreateDirectory, CreatesMissingDirectoriesAndAcceptsExistingOnes) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    const fs::path nested = env.root() / "a" / "b" / "c";
    Error error{"untouched", ""};

    EXPECT_TRUE(manager.createDirectoryAtURL(urlOf(nested, true), true, &error));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(manager.createDirectoryAtURL(urlOf(nested, true), true, &error))
        << "an existing directory is success";
    EXPECT_TRUE(manager.createDirectoryAtURL(urlOf(nested, true), false, &error));
    EXPECT_TRUE(manager.createDirectoryAtURL(urlOf(env.root() / "a" / "d"), false, &error));
    EXPECT_EQ(error.description, "untouched") << "success leaves the error alone";
}

TEST(FileManagerCreateDirectory, ReportsWhatIsInTheWay) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    test::writeFile(env.root() / "file", "x");

    struct Case {
        const char* name;
        fs::path target;
        bool intermediates;
        std::string culprit;
    };
    const Case cases[] = {
        {"file_at_target", env.root() / "file", true, (env.root() / "file").string()},
        {"file_at_target_alone", env.root() / "file", false, (env.root() / "file").string()},
        {"file_above_target", env.root() / "file" / "x" / "y", true,
         (env.root() / "file").string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        EXPECT_FALSE(manager.createDirectoryAtURL(urlOf(c.target, true), c.intermediates, &error));
        EXPECT_EQ(error.description, "The folder \u201C" + c.target.filename().string() +
                                         "\u201D could not be created.");
        EXPECT_NE(error.recoverySuggestion.find(c.culprit), std::string::npos)
            << error.recoverySuggestion;
        EXPECT_NE(error.recoverySuggestion.find("is a file"), std::string::npos);
    }
    EXPECT_EQ(test::readFile(env.root() / "file"), "x");
}

TEST(FileManagerCreateDirectory, FailsWithoutIntermediatesWhenTheParentIsMissing) {
    test::PrivateEnvironment env;
    Error error;
    EXPECT_FALSE(FileManager::defaultManager().createDirectoryAtURL(
        urlOf(env.root() / "missing" / "x", true), false, &error));
    EXPECT_FALSE(error.description.empty());
    EXPECT_FALSE(fs::exists(env.root() / "missing"));
    // A null error place is allowed.
    EXPECT_FALSE(FileManager::defaultManager().createDirectoryAtURL(
        urlOf(env.root() / "missing" / "x", true), false, nullptr));
}

TEST(FileManagerCreateDirectory, ReportsARefusedPermission) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission denials do not apply to root";
    }
    test::PrivateEnvironment env;
    const fs::path locked = env.root() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    Error error;
    EXPECT_FALSE(FileManager::defaultManager().createDirectoryAtURL(urlOf(locked / "x" / "y", true),
                                                                    true, &error));
    EXPECT_NE(error.recoverySuggestion.find("permission"), std::string::npos)
        << error.recoverySuggestion;
}

TEST(FileManagerCreateDirectory, FollowsTheFileCreationMask) {
    test::PrivateEnvironment env;
    ScopedUmask mask(022);
    ASSERT_TRUE(FileManager::defaultManager().createDirectoryAtURL(
        urlOf(env.root() / "open" / "inner", true), true, nullptr));
    EXPECT_EQ(modeOf(env.root() / "open"), 0755u);
    EXPECT_EQ(modeOf(env.root() / "open" / "inner"), 0755u);
    ::umask(077);
    ASSERT_TRUE(FileManager::defaultManager().createDirectoryAtURL(urlOf(env.root() / "closed"),
                                                                   true, nullptr));
    EXPECT_EQ(modeOf(env.root() / "closed"), 0700u);
}

TEST(FileManagerRemoveItem, RemovesFilesAndTreesButNotWhatLinksPointTo) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    test::writeFile(env.root() / "tree" / "a" / "b.txt", "b");
    test::writeFile(env.root() / "single.txt", "s");
    test::writeFile(env.root() / "kept" / "k.txt", "k");
    fs::create_directory_symlink(env.root() / "kept", env.root() / "link");

    EXPECT_TRUE(manager.removeItemAtURL(urlOf(env.root() / "tree"), nullptr));
    EXPECT_TRUE(manager.removeItemAtURL(urlOf(env.root() / "single.txt"), nullptr));
    EXPECT_TRUE(manager.removeItemAtURL(urlOf(env.root() / "link"), nullptr));
    EXPECT_FALSE(fs::exists(env.root() / "tree"));
    EXPECT_FALSE(fs::exists(env.root() / "single.txt"));
    EXPECT_FALSE(fs::is_symlink(env.root() / "link"));
    EXPECT_EQ(test::readFile(env.root() / "kept" / "k.txt"), "k");
}

TEST(FileManagerRemoveItem, AMissingItemIsAnError) {
    test::PrivateEnvironment env;
    Error error;
    EXPECT_FALSE(
        FileManager::defaultManager().removeItemAtURL(urlOf(env.root() / "nothing"), &error));
    EXPECT_EQ(error.description, "The item \u201Cnothing\u201D could not be removed.");
}

TEST(FileManagerWriteAtomically, WritesAndReplacesWholeContents) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    fs::create_directory(env.root() / "out");
    const fs::path file = env.root() / "out" / "note.html";
    const std::string big(1 << 20, 'x');

    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"new_file", "<p>Caf\xC3\xA9</p>"},
        {"shorter_replacement", "a"},
        {"empty", ""},
        {"large", big},
        {"nul_bytes", std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(manager.writeAtomically(c.bytes, urlOf(file), nullptr));
        EXPECT_EQ(test::readFile(file), c.bytes);
        EXPECT_EQ(entriesIn(env.root() / "out"), 1u) << "no temporary file is left behind";
    }
}

TEST(FileManagerWriteAtomically, GivesTheFileTheModeOfANewFile) {
    test::PrivateEnvironment env;
    ScopedUmask mask(022);
    ASSERT_TRUE(
        FileManager::defaultManager().writeAtomically("x", urlOf(env.root() / "a"), nullptr));
    EXPECT_EQ(modeOf(env.root() / "a"), 0644u);
    ::umask(027);
    ASSERT_TRUE(
        FileManager::defaultManager().writeAtomically("x", urlOf(env.root() / "b"), nullptr));
    EXPECT_EQ(modeOf(env.root() / "b"), 0640u);
}

TEST(FileManagerWriteAtomically, FailsCleanly) {
    test::PrivateEnvironment env;
    FileManager& manager = FileManager::defaultManager();
    fs::create_directory(env.root() / "folder");
    test::writeFile(env.root() / "folder" / "inside.txt", "kept");

    struct Case {
        const char* name;
        fs::path target;
    };
    const Case cases[] = {
        {"missing_directory", env.root() / "missing" / "x.txt"},
        {"target_is_a_directory", env.root() / "folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t before = entriesIn(env.root());
        Error error;
        EXPECT_FALSE(manager.writeAtomically("bytes", urlOf(c.target), &error));
        EXPECT_EQ(error.description,
                  "The file \u201C" + c.target.filename().string() + "\u201D could not be saved.");
        EXPECT_FALSE(error.recoverySuggestion.empty());
        EXPECT_EQ(entriesIn(env.root()), before) << "the temporary file is removed";
    }
    EXPECT_EQ(test::readFile(env.root() / "folder" / "inside.txt"), "kept");
}

struct timespec modificationTimeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mtim;
}

TEST(FileManagerDates, SetsTheModificationDateToTheMicrosecond) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "note.txt";
    test::writeFile(file, "x");
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);

    struct Case {
        const char* name;
        long long micros;
        time_t seconds;
        long nanoseconds;
    };
    const Case cases[] = {
        {"recent", 1'700'000'000'123'456LL, 1'700'000'000, 123'456'000},
        {"epoch", 0, 0, 0},
        {"before_1970", -1'500'000LL, -2, 500'000'000},
        {"just_before_1970", -1LL, -1, 999'999'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(FileManager::defaultManager().setModificationDate(
            urlOf(file), Date(microseconds(c.micros)), nullptr));
        const struct timespec stored = modificationTimeOf(file);
        EXPECT_EQ(stored.tv_sec, c.seconds);
        EXPECT_EQ(stored.tv_nsec, c.nanoseconds);
    }
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec) << "the access time is left alone";
    EXPECT_EQ(after.st_atim.tv_nsec, before.st_atim.tv_nsec);
}

TEST(FileManagerDates, ReportsWhatCannotBeSet) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "note.txt";
    test::writeFile(file, "x");
    Error error;
    EXPECT_FALSE(FileManager::defaultManager().setModificationDate(urlOf(env.root() / "missing"),
                                                                   Date(microseconds(0)), &error));
    EXPECT_EQ(error.description, "The modification date of \u201Cmissing\u201D could not be set.");

    // Linux offers no way to set a birth time; the answer says so instead of pretending.
    Error creation;
    EXPECT_FALSE(FileManager::defaultManager().setCreationDate(urlOf(file), Date(microseconds(0)),
                                                               &creation));
    EXPECT_EQ(creation.description, "The creation date of \u201Cnote.txt\u201D could not be set.");
    EXPECT_FALSE(creation.recoverySuggestion.empty());
}

TEST(FileManagerExists, LooksAtTheItemItselfNotWhereALinkPoints) {
    test::PrivateEnvironment env;
    test::writeFile(env.root() / "file", "x");
    fs::create_directory(env.root() / "dir");
    fs::create_directory_symlink(env.root() / "dir", env.root() / "link");
    fs::create_symlink(env.root() / "nowhere", env.root() / "dangling");

    struct Case {
        const char* name;
        fs::path path;
        bool exists;
        bool isDirectory;
    };
    const Case cases[] = {
        {"file", env.root() / "file", true, false},
        {"directory", env.root() / "dir", true, true},
        {"link_to_directory", env.root() / "link", true, false},
        {"dangling_link", env.root() / "dangling", true, false},
        {"missing", env.root() / "missing", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool isDirectory = false;
        EXPECT_EQ(FileManager::defaultManager().fileExistsAtURL(urlOf(c.path), &isDirectory),
                  c.exists);
        EXPECT_EQ(isDirectory, c.isDirectory);
    }
}

TEST(FileManager, HasOneDefaultInstance) {
    EXPECT_EQ(&FileManager::defaultManager(), &FileManager::defaultManager());
}

}  // namespace
}  // namespace quillmere
