#include "platform/files/signal_removed_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

// While registered, the folder and its named files go at a signal; unregistered, nothing does.
TEST(SignalRemovedFolder, RemovesTheRegisteredFoldersWithTheirFilesOnly) {
    test::PrivateEnvironment env;
    struct Row {
        const char* name;
        bool registered;
        bool removed;
    };
    const Row rows[] = {{"registered", true, true}, {"unregistered", false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path folder = env.root() / row.name;
        fs::create_directories(folder);
        test::writeFile(folder / "db", "x");
        test::writeFile(folder / "db-wal", "x");
        {
            SignalRemovedFolder guard(folder.string(), {"db", "db-wal", "db-shm"});
            EXPECT_TRUE(guard.registered());
            if (row.registered) removeTemporaryFoldersForSignal();
        }
        removeTemporaryFoldersForSignal();
        EXPECT_EQ(fs::exists(folder), !row.removed);
    }
}

}  // namespace
}  // namespace quillmere
