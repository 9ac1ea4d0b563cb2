// The built command on hostile settings and libraries: one line names the fault, and nothing
// hangs, crashes or reads without end.

#include <sys/stat.h>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

TEST_F(ImportCommandTest, HostileSettingsAndLibrariesGetOneLine) {
    const std::string noAccess = "Could not access Notes\n";
    const std::string settings = settingsFile().string(), fifo = (root() / "fifo.json").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct Row {
        const char* name;
        std::string settings;  // "fifo", or the content of the settings file
        std::vector<std::string> arguments;
        int exitStatus;
        std::string firstLines;  // the start of standard error
    } rows[] = {
        {"settings_fifo",
         "fifo",
         {"--library", libraryFile().string(), "--no-open"},
         0,
         settings + ": cannot read the settings: not a regular file\n"},
        {"settings_nested_160000_deep",
         std::string(160000, '[') + std::string(160000, ']'),
         {"--library", libraryFile().string(), "--no-open"},
         0,
         settings + ": not a settings file: nested more than 512 levels deep\n"},
        {"library_fifo",
         "{}",
         {"--library", fifo, "--no-open"},
         1,
         fifo + ": cannot be read (not a regular file)\n" + noAccess},
        {"library_dev_zero",
         "{}",
         {"--library", "/dev/zero", "--no-open"},
         1,
         "/dev/zero: cannot be read (not a regular file)\n" + noAccess},
    };
    writeFile(libraryFile(),
              library(R"([{"folders": [{"notes": [{"name": "n", "body": "b"}]}]}])"));
    fs::create_directories(settingsFile().parent_path());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(settingsFile());
        if (row.settings == "fifo") {
            ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
        } else {
            writeFile(settingsFile(), row.settings);
        }
        const ProgramResult result = run(row.arguments);
        EXPECT_EQ(result.exitStatus, row.exitStatus) << result.err;
        EXPECT_EQ(result.err.substr(0, row.firstLines.size()), row.firstLines);
    }
}

}  // namespace
}  // namespace quillmere::test
