#include "platform/files/file_manager.h"

#include <limits.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "platform/files/file_io.h"
#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using std::chrono::microseconds;

FileManager& manager() { return FileManager::defaultManager(); }

FileURL urlOf(const fs::path& path) { return FileURL::fileURLWithPath(path.string(), false); }

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(FileManager, CreatesDirectoriesWithTheModeOfTheMaskAndAcceptsExistingOnes) {
    test::PrivateEnvironment env;
    const mode_t previousMask = ::umask(022);
    const fs::path nested = env.root() / "a" / "b";
    Error error{"untouched", ""};
    EXPECT_TRUE(manager().createDirectoryAtURL(urlOf(nested), true, &error));
    EXPECT_TRUE(manager().createDirectoryAtURL(urlOf(nested), false, &error));
    ::umask(previousMask);
    EXPECT_EQ(error.description, "untouched") << "success leaves the error alone";
    EXPECT_EQ(modeOf(env.root() / "a"), 0755u);
    EXPECT_EQ(modeOf(nested), 0755u);
}

TEST(FileManager, CreateDirectoryReportsWhatIsInTheWay) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "file";
    test::writeFile(file, "x");
    const struct {
        const char* name;
        fs::path target;
        bool intermediates;
        std::string fault;  // part of the recovery suggestion
    } cases[] = {
        {"file_at_target", file, false, file.string() + "\u201D is a file"},
        {"file_above_target", file / "x" / "y", true, file.string() + "\u201D is a file"},
        {"missing_parent_without_intermediates", env.root() / "missing" / "x", false,
         "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        EXPECT_FALSE(manager().createDirectoryAtURL(urlOf(c.target), c.intermediates, &error));
        EXPECT_EQ(error.description, "The folder \u201C" + c.target.filename().string() +
                                         "\u201D could not be created.");
        EXPECT_NE(error.recoverySuggestion.find(c.fault), std::string::npos)
            << error.recoverySuggestion;
    }
    EXPECT_EQ(test::readFile(file), "x");
    EXPECT_FALSE(fs::exists(env.root() / "missing"));

    // A refused permission is named (root is refused nothing, so this runs as another user).
    ::chmod(env.root().c_str(), 0711);
    fs::create_directory(env.root() / "locked");
    ::chmod((env.root() / "locked").c_str(), 0555);
    EXPECT_TRUE(test::holdsWithoutPrivileges([&] {
        Error refused;
        return !manager().createDirectoryAtURL(urlOf(env.root() / "locked" / "x"), true,
                                               &refused) &&
               refused.recoverySuggestion.find("permission") != std::string::npos;
    }));
}

TEST(FileManager, RemovesFilesAndTreesButNotWhatLinksPointTo) {
    test::PrivateEnvironment env;
    test::writeFile(env.root() / "tree" / "a" / "b.txt", "b");
    test::writeFile(env.root() / "kept" / "k.txt", "k");
    fs::create_directory_symlink(env.root() / "kept", env.root() / "link");
    EXPECT_TRUE(manager().removeItemAtURL(urlOf(env.root() / "tree"), nullptr));
    EXPECT_TRUE(manager().removeItemAtURL(urlOf(env.root() / "link"), nullptr));
    EXPECT_FALSE(fs::exists(env.root() / "tree"));
    EXPECT_FALSE(fs::is_symlink(env.root() / "link"));
    EXPECT_EQ(test::readFile(env.root() / "kept" / "k.txt"), "k");

    Error error;
    EXPECT_FALSE(manager().removeItemAtURL(urlOf(env.root() / "tree"), &error));
    EXPECT_EQ(error.description, "The item \u201Ctree\u201D could not be removed.");
}

TEST(FileManager, WritesAtomicallyWithTheModeOfANewFileOrFailsCleanly) {
    test::PrivateEnvironment env;
    const mode_t previousMask = ::umask(027);
    const fs::path file = env.root() / "out" / "note.html";
    fs::create_directory(file.parent_path());
    for (const std::string& bytes :
         {std::string("<p>Caf\xC3\xA9</p>"), std::string("a"), std::string(),
          std::string(1 << 20, 'x'), std::string("a\0b", 3)}) {
        SCOPED_TRACE(bytes.size());
        EXPECT_TRUE(manager().writeAtomically(bytes, urlOf(file), nullptr));
        EXPECT_EQ(test::readFile(file), bytes);
        EXPECT_EQ(test::entryNames(file.parent_path()).size(), 1u) << "no temporary file is left";
    }
    ::umask(previousMask);
    EXPECT_EQ(modeOf(file), 0640u);

    for (const fs::path& target : {env.root() / "missing" / "x.txt", file.parent_path()}) {
        SCOPED_TRACE(target);
        const auto before = test::entryNames(env.root()).size();
        Error error;
        EXPECT_FALSE(manager().writeAtomically("bytes", urlOf(target), &error));
        EXPECT_EQ(error.description,
                  "The file \u201C" + target.filename().string() + "\u201D could not be saved.");
        EXPECT_FALSE(error.recoverySuggestion.empty());
        EXPECT_EQ(test::entryNames(env.root()).size(), before) << "the temporary file is removed";
    }
    EXPECT_EQ(test::entryNames(file.parent_path()).size(), 1u);
}

TEST(FileManager, SetsTheModificationDateToTheMicrosecondAndLeavesTheAccessTime) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "note.txt";
    test::writeFile(file, "x");
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    const struct {
        long long micros;
        time_t seconds;
        long nanoseconds;
    } cases[] = {
        {1'700'000'000'123'456LL, 1'700'000'000, 123'456'000},
        {-1'500'000LL, -2, 500'000'000},  // before 1970
        {-1LL, -1, 999'999'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.micros);
        EXPECT_TRUE(
            manager().setModificationDate(urlOf(file), Date(microseconds(c.micros)), nullptr));
        struct stat after {};
        EXPECT_EQ(::stat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_mtim.tv_sec, c.seconds);
        EXPECT_EQ(after.st_mtim.tv_nsec, c.nanoseconds);
        EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
        EXPECT_EQ(after.st_atim.tv_nsec, before.st_atim.tv_nsec);
    }
    Error error;
    EXPECT_FALSE(manager().setModificationDate(urlOf(env.root() / "missing"), Date(), &error));
    EXPECT_EQ(error.description, "The modification date of \u201Cmissing\u201D could not be set.");
    // Linux offers no way to set a birth time; the answer says so instead of pretending.
    EXPECT_FALSE(manager().setCreationDate(urlOf(file), Date(), &error));
    EXPECT_EQ(error.description, "The creation date of \u201Cnote.txt\u201D could not be set.");
    EXPECT_FALSE(error.recoverySuggestion.empty());
}

TEST(FileManager, ExistsLooksAtTheItemItselfNotWhereALinkPoints) {
    test::PrivateEnvironment env;
    test::writeFile(env.root() / "file", "x");
    fs::create_directory(env.root() / "dir");
    fs::create_directory_symlink(env.root() / "dir", env.root() / "link");
    fs::create_symlink(env.root() / "nowhere", env.root() / "dangling");
    const struct {
        const char* name;
        bool exists;
        bool isDirectory;
    } cases[] = {
        {"file", true, false},     {"dir", true, true},       {"link", true, false},
        {"dangling", true, false}, {"missing", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool isDirectory = false;
        EXPECT_EQ(manager().fileExistsAtURL(urlOf(env.root() / c.name), &isDirectory), c.exists);
        EXPECT_EQ(isDirectory, c.isDirectory);
    }
}

// A manager that keeps directories open answers every call as the path-based one does: the same
// depth at which paths become too long (for a folder, and for a note whose temporary file no
// longer fits), files reached through more directories than it keeps open, missing parents.
TEST(FileManager, KeepingDirectoriesOpenChangesNoAnswer) {
    test::PrivateEnvironment env;
    const fs::path root = env.root() / "run";
    const auto outcomes = [&](FileManager& files) {
        fs::create_directory(root);
        std::vector<std::string> results;
        const auto record = [&](bool done, const Error& error) {
            results.push_back(done ? "ok" : error.description + " " + error.recoverySuggestion);
        };
        // The padding puts the deepest folder that fits 15 bytes short of the limit: a note's
        // name fits there, its temporary file's does not.
        const std::size_t padding = (PATH_MAX - 16 - root.string().size() - 1) % 201;
        fs::path deep = root / std::string(padding == 0 ? 201 : padding, 'p');
        fs::create_directory(deep);
        for (bool made = true; made && deep.string().size() < 2 * PATH_MAX;) {
            deep /= std::string(200, 'd');
            Error error;
            made = files.createDirectoryAtURL(urlOf(deep), false, &error);
            record(made, error);
            record(files.writeAtomically("note", urlOf(deep.parent_path() / "n.html"), &error),
                   error);
        }
        for (int round = 0; round < 2; ++round) {
            for (int folder = 0; folder < 10; ++folder) {
                const fs::path directory = root / std::to_string(folder);
                Error error;
                record(files.createDirectoryAtURL(urlOf(directory), false, &error), error);
                const FileURL file = urlOf(directory / "n.html");
                record(files.writeAtomically(std::to_string(round), file, &error), error);
                record(files.setModificationDate(file, Date(microseconds(folder)), &error), error);
                record(files.fileExistsAtURL(file), error);
            }
        }
        Error error;
        record(files.writeAtomically("x", urlOf(root / "missing" / "n.html"), &error), error);
        record(files.createDirectoryAtURL(urlOf(root / "missing" / "d"), false, &error), error);
        auto written = test::tree(root);
        fs::remove_all(root);
        return std::pair(results, written);
    };
    FileManager keepingDirectoriesOpen{FileManager::KeepingDirectoriesOpen{}};
    const auto expected = outcomes(manager());
    EXPECT_EQ(outcomes(keepingDirectoriesOpen), expected);
    const auto tooLong = std::count_if(expected.first.begin(), expected.first.end(), [](auto& r) {
        return r.find("path is too long") != std::string::npos;
    });
    // The last folder, and the note beside it; each name is short, and the message says so.
    EXPECT_EQ(tooLong, 2);
}

// A new file gets 0666 less the umask, as any program's would: a group that shares files keeps
// its write access, a private umask keeps everyone else out.
TEST(FileIo, ANewFileHasTheModeTheUmaskLeaves) {
    const struct {
        const char* name;
        mode_t umask;
        mode_t mode;
    } rows[] = {
        {"group_writable", 002, 0664},
        {"usual", 022, 0644},
        {"private", 077, 0600},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        const fs::path file = env.root() / "note.html";
        const mode_t previousMask = ::umask(row.umask);
        const int result = writeFileAtomically(file.string(), "<p>x</p>", nullptr);
        ::umask(previousMask);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(modeOf(file), row.mode);
    }
}

TEST(FileIo, ReadsARegularFileUpToTheLimit) {
    test::PrivateEnvironment env;
    const fs::path file = env.root() / "five.txt";
    test::writeFile(file, "12345");
    EXPECT_EQ(readRegularFile(file.string(), 5).bytes, "12345");
    const FileRead over = readRegularFile(file.string(), 4);
    EXPECT_EQ(over.problem, "larger than 4 bytes");
    EXPECT_EQ(over.bytes, "");
    EXPECT_TRUE(readRegularFile((env.root() / "none" / "x").string(), 5).missing());
}

// A signal that stops a write midway finds the temporary file registered, and its handler
// removes it; here the file-size limit raises the signal during the write.
TEST(FileIo, ASignalDuringAnAtomicWriteLeavesNoTemporaryFile) {
    test::PrivateEnvironment env;
    const fs::path folder = env.root() / "out";
    fs::create_directory(folder);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, [](int) {
            removeTemporaryFilesForSignal();
            ::_exit(3);
        });
        const struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        writeFileAtomically((folder / "note.html").string(), std::string(1 << 20, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
    EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace quillmere
