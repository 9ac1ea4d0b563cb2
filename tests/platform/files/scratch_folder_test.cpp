// Scratch folders: private, and gone with their files at the end and on a signal.

#include "platform/files/scratch_folder.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

TEST(ScratchFolder, IsPrivateAndGoesWithItsFilesAtTheEndOrOnASignal) {
    test::PrivateEnvironment env;
    struct Row {
        const char* name;
        bool signal;  // removed by the signal handler's call instead of the destructor
    };
    for (const Row& row : std::vector<Row>{{"destructor", false}, {"signal", true}}) {
        std::string path;
        {
            Error error;
            auto scratch = ScratchFolder::make("backup", {"Manifest.db", "copy"}, &error);
            ASSERT_TRUE(scratch) << row.name << ": " << error.description;
            path = scratch->path();
            EXPECT_EQ(fs::path(path).parent_path(), env.tmp()) << row.name;
            struct stat info {};
            ASSERT_EQ(::stat(path.c_str(), &info), 0) << row.name;
            EXPECT_EQ(info.st_mode & 07777, 0700u) << row.name;
            test::writeFile(path + "/Manifest.db", "secret");
            test::writeFile(path + "/copy", "secret");
            if (row.signal) {
                removeTemporaryFoldersForSignal();
                EXPECT_FALSE(fs::exists(path)) << row.name;
            }
        }
        EXPECT_FALSE(fs::exists(path)) << row.name;
    }
}

}  // namespace
}  // namespace quillmere
