// The built command hands the export folder to Quillmere through freedesktop desktop entries:
// the first of the four identifiers whose entry launches wins. Each test entry runs a script
// that records the identifier and the folder it was given.

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "tests/cli/import_fixture.h"

namespace quillmere::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kIdentifiers = {
    "com.quillmereapp.mac", "com.vellumry.quillmere-tessary", "com.vellumry.quillmere3",
    "com.vellumry.quillmere3.demo"};

class HandOver : public ImportCommandTest {
protected:
    HandOver() {
        writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
          "notes": [{"name": "N", "body": "<div>x</div>"}]}]}])"));
        // $1: the identifier; then the files it was asked to open.
        writeRecorder("out=\"" + records().string() +
                      "/$1\"; shift\n"
                      "printf '%s\\n' \"$@\" > \"$out.partial\" && mv \"$out.partial\" \"$out\"\n");
    }

    fs::path records() const { return root() / "records"; }
    fs::path recorder() const { return root() / "record.sh"; }
    void writeRecorder(const std::string& script) {
        fs::create_directories(records());
        writeFile(recorder(), "#!/bin/sh\n" + script);
        ::chmod(recorder().c_str(), 0700);
    }
    // An entry that runs the recorder, or (broken) a program that does not exist.
    void installEntry(const std::string& identifier, bool broken = false) {
        std::string program = broken ? (root() / "no-such-program").string() : recorder().string();
        writeFile(dataHome() / "applications" / (identifier + ".desktop"),
                  "[Desktop Entry]\nType=Application\nName=Quillmere\nExec=" + program + " " +
                      identifier + " %F\n");
    }

    // What has been recorded, waiting up to a generous limit for `expected` to appear (the
    // program starts after the command has ended).
    std::vector<std::string> recorded(const std::optional<std::string>& expected) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (expected && !fs::exists(records() / *expected) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(records())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(HandOver, TheFirstIdentifierWithAnEntryThatLaunchesWins) {
    struct Row {
        const char* name;
        std::vector<std::string> installed;  // "!" before a broken one
        std::vector<std::string> extra;
        std::optional<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"all_four", kIdentifiers, {}, kIdentifiers[0]},
        {"second_and_third", {kIdentifiers[1], kIdentifiers[2]}, {}, kIdentifiers[1]},
        {"only_the_third", {kIdentifiers[2]}, {}, kIdentifiers[2]},
        {"only_the_demo", {kIdentifiers[3]}, {}, kIdentifiers[3]},
        {"broken_first_passed_over", {"!" + kIdentifiers[0], kIdentifiers[1]}, {}, kIdentifiers[1]},
        // No file manager on a bus and no display either: the run still succeeds quietly.
        {"none", {}, {}, std::nullopt},
        {"no_open", kIdentifiers, {"--no-open"}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(dataHome() / "applications");
        fs::remove_all(records());
        fs::create_directories(records());
        for (const auto& identifier : row.installed) {
            bool broken = identifier.starts_with("!");
            installEntry(broken ? identifier.substr(1) : identifier, broken);
        }
        std::vector<std::string> arguments = {"--library", libraryFile().string()};
        arguments.insert(arguments.end(), row.extra.begin(), row.extra.end());

        auto result = run(arguments);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_TRUE(fs::is_directory(result.lastOutLine()));
        if (!row.expected) {
            EXPECT_TRUE(recorded(std::nullopt).empty());
            continue;
        }
        EXPECT_EQ(recorded(row.expected), std::vector<std::string>{*row.expected});
        // The program was given the export folder, and only that.
        EXPECT_EQ(readFile(records() / *row.expected), result.lastOutLine() + "\n");
    }
}

TEST_F(HandOver, TheLaunchedProgramDoesNotHoldTheCommandsOutput) {
    // A program that outlives the command and writes to its output: the command's output must
    // end with the command, and hold nothing of the program's.
    const std::string pid = (records() / "pid").string();
    writeRecorder("echo launched; echo launched >&2\necho $$ > \"" + pid + ".partial\"\nmv \"" +
                  pid + ".partial\" \"" + pid + "\"\nexec sleep 60\n");
    installEntry(kIdentifiers[0]);
    auto result = run({"--library", libraryFile().string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, result.lastOutLine() + "\n");
    EXPECT_EQ(result.err, "");

    ASSERT_EQ(recorded("pid"), std::vector<std::string>{"pid"});
    pid_t program = std::stoi(readFile(pid));
    EXPECT_EQ(::kill(program, 0), 0);  // still running although the command's output has ended
    ::kill(program, SIGTERM);
}

}  // namespace
}  // namespace quillmere::test
