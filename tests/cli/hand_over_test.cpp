// The built command hands the export folder to Quillmere through freedesktop desktop entries:
// the first identifier whose entry launches wins (the order of the four is the run's, tested
// with the app). Each test entry runs a script that records its identifier and its arguments.

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const std::string kFirst = "com.quillmereapp.mac", kSecond = "com.vellumry.quillmere-tessary";

class HandOver : public ImportCommandTest {
protected:
    HandOver() {
        writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
          "notes": [{"name": "N", "body": "<div>x</div>"}]}]}])"));
        // $1: the identifier; then the files it was asked to open.
        writeRecorder("out=\"" + records().string() +
                      "/$1\"; shift\nprintf '%s\\n' \"$@\" > \"$out.partial\" && "
                      "mv \"$out.partial\" \"$out\"\n");
    }

    fs::path records() const { return root() / "records"; }
    void writeRecorder(const std::string& script) {
        fs::create_directories(records());
        writeFile(root() / "record.sh", "#!/bin/sh\n" + script);
        ::chmod((root() / "record.sh").c_str(), 0700);
    }
    // An entry that runs the recorder, or (broken) a program that does not exist.
    void installEntry(const std::string& identifier, bool broken = false) {
        writeFile(env.home() / ".local/share/applications" / (identifier + ".desktop"),
                  "[Desktop Entry]\nType=Application\nName=Quillmere\nExec=" +
                      (root() / (broken ? "no-such-program" : "record.sh")).string() + " " +
                      identifier + " %F\n");
    }
    // The records once `expected` is among them (the program starts after the command ended).
    std::vector<fs::path> recorded(const std::optional<std::string>& expected) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (expected && !fs::exists(records() / *expected) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {fs::directory_iterator(records()), fs::directory_iterator()};
    }
};

TEST_F(HandOver, TheFirstEntryThatLaunchesGetsTheExportFolder) {
    const struct {
        const char* name;
        std::vector<std::string> installed;  // "!" before a broken one
        std::vector<std::string> extra;
        std::optional<std::string> expected;
    } rows[] = {
        {"first_of_two", {kFirst, kSecond}, {}, kFirst},
        {"broken_first_passed_over", {"!" + kFirst, kSecond}, {}, kSecond},
        // No file manager on a bus and no display either: the run still succeeds quietly.
        {"none", {}, {}, std::nullopt},
        {"no_open", {kFirst}, {"--no-open"}, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(env.home() / ".local/share/applications");
        fs::remove_all(records());
        fs::create_directories(records());
        for (const auto& identifier : row.installed) {
            installEntry(identifier.substr(identifier.starts_with("!")), identifier[0] == '!');
        }
        std::vector<std::string> arguments = {"--library", libraryFile().string()};
        arguments.insert(arguments.end(), row.extra.begin(), row.extra.end());

        const auto result = run(arguments);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_TRUE(fs::is_directory(result.lastOutLine()));
        if (!row.expected) {
            EXPECT_TRUE(recorded(std::nullopt).empty());
            continue;
        }
        EXPECT_EQ(recorded(row.expected), std::vector<fs::path>{records() / *row.expected});
        // The program was given the export folder, and only that.
        EXPECT_EQ(readFile(records() / *row.expected), result.lastOutLine() + "\n");
    }
}

TEST_F(HandOver, TheLaunchedProgramDoesNotHoldTheCommandsOutput) {
    // A program that outlives the command and writes to its output: nothing of it may land in
    // the command's output.
    const std::string pid = (records() / "pid").string();
    writeRecorder("echo launched; echo launched >&2\necho $$ > \"" + pid + ".partial\"\nmv \"" +
                  pid + ".partial\" \"" + pid + "\"\nexec sleep 60\n");
    installEntry(kFirst);
    const auto result = run({"--library", libraryFile().string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    ASSERT_EQ(recorded("pid"), std::vector<fs::path>{pid});
    const pid_t program = std::stoi(readFile(pid));
    EXPECT_EQ(::kill(program, 0), 0);  // still running although the command has ended
    ::kill(program, SIGTERM);
    EXPECT_EQ(readFile(root() / "stdout"), result.lastOutLine() + "\n");
    EXPECT_EQ(readFile(root() / "stderr"), "");
}

}  // namespace
}  // namespace quillmere::test
