#include "platform/files/file_io.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

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
