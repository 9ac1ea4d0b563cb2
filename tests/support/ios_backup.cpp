#include "tests/support/ios_backup.h"

#include <gtest/gtest.h>

#include "tests/support/private_environment.h"

namespace quillmere::test {

namespace fs = std::filesystem;

fs::path iosBackupContainer() {
    return fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures" / "macOS-15-container";
}

bool iosBackupContainerPresent() { return fs::exists(iosBackupContainer() / "NoteStore.sqlite"); }

fs::path makeIosBackup(const fs::path& out, const std::vector<std::string>& options,
                       bool withContainer) {
    fs::create_directories(out.parent_path());
    std::vector<std::string> argv = {
        "/usr/bin/env", "python3",
        std::string(QUILLMERE_SOURCE_DIR) + "/tests/support/make_ios_backup.py", "--out",
        out.string()};
    if (withContainer) argv.insert(argv.end(), {"--container", iosBackupContainer().string()});
    argv.insert(argv.end(), options.begin(), options.end());
    const fs::path logs = out.parent_path() / (out.filename().string() + ".maker");
    fs::create_directories(logs);
    const ProgramResult made = runProgram(argv, logs);
    EXPECT_EQ(made.exitStatus, 0) << made.err;
    return out;
}

}  // namespace quillmere::test
