// The built command hands the export folder to Quillmere through freedesktop desktop entries:
// the first identifier whose entry launches wins (the order of the four is the run's, tested
// with the app). Each test entry runs a script that records its identifier and its arguments.

#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

TEST_F(ImportCommandTest, HandsTheExportFolderToTheFirstEntryThatLaunches) {
    writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
      "notes": [{"name": "N", "body": "<div>x</div>"}]}]}])"));
    // $1: the identifier; then the files it was asked to open. It writes to its output too,
    // which must not land in the command's.
    const fs::path records = root() / "records", recorder = root() / "record.sh";
    writeFile(recorder, "#!/bin/sh\necho launched; echo launched >&2\nout=\"" + records.string() +
                            "/$1\"; shift\nprintf '%s\\n' \"$@\" > \"$out.partial\" && "
                            "mv \"$out.partial\" \"$out\"\n");
    ::chmod(recorder.c_str(), 0700);
    const std::string second = "com.vellumry.quillmere-tessary";
    for (const auto& [identifier, program] :
         {std::pair<std::string, fs::path>{"com.quillmereapp.mac", root() / "no-such-program"},
          {second, recorder},
          {"com.vellumry.quillmere3", recorder}}) {
        writeFile(env.home() / ".local/share/applications" / (identifier + ".desktop"),
                  "[Desktop Entry]\nType=Application\nName=Quillmere\nExec=" + program.string() +
                      " " + identifier + " %F\n");
    }

    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "open" : "--no-open");
        fs::create_directories(records);
        std::vector<std::string> arguments = {"--library", libraryFile().string()};
        if (!open) arguments.push_back("--no-open");
        const auto result = run(arguments);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        if (!open) {
            EXPECT_TRUE(entryNames(records).empty());
            continue;
        }
        // The broken first entry is passed over; the program starts after the command ended.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!fs::exists(records / second) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(entryNames(records), std::set<std::string>{second});
        // The program was given the export folder, and only that.
        EXPECT_EQ(readFile(records / second), result.lastOutLine() + "\n");
        EXPECT_EQ(readFile(root() / "stdout"), result.lastOutLine() + "\n");
        EXPECT_EQ(readFile(root() / "stderr"), "");
    }

    // No entry, no file manager on a bus and no display either: the run still succeeds quietly.
    fs::remove_all(env.home() / ".local/share/applications");
    const auto result = run({"--library", libraryFile().string()});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace quillmere::test
