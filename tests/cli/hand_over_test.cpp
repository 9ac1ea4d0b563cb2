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
        fs::create_directories(records());
        writeFile(recorder(),
                  "#!/bin/sh\n"
                  "# $1: the identifier; then the files it was asked to open.\n"
                  "out=\"" +
                      records().string() +
                      "/$1\"\n"
                      "shift\n"
                      "printf '%s\\n' \"$@\" > \"$out.partial\" && mv \"$out.partial\" \"$out\"\n");
        ::chmod(recorder().c_str(), 0700);
        writeFile(libraryFile(), library(R"([{"id": "a", "folders": [{"id": "f", "name": "F",
          "notes": [{"name": "N", "body": "<div>x</div>"}]}]}])"));
    }

    fs::path records() const { return root() / "records"; }
    fs::path recorder() const { return root() / "record.sh"; }

    void installEntry(const std::string& identifier) {
        writeFile(dataHome() / "applications" / (identifier + ".desktop"),
                  "[Desktop Entry]\nType=Application\nName=Quillmere\nExec=" + recorder().string() +
                      " " + identifier + " %F\n");
    }

    // The identifiers whose program has recorded a launch, waiting up to a generous limit for
    // `expected` to appear (the program starts after the command has ended).
    std::vector<std::string> launched(const std::optional<std::string>& expected) {
        if (expected) {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!fs::exists(records() / *expected) &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(records())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(HandOver, TheFirstIdentifierWithAnEntryWins) {
    struct Row {
        const char* name;
        std::vector<std::string> installed;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"all_four", kIdentifiers, "com.quillmereapp.mac"},
        {"second_and_third", {kIdentifiers[1], kIdentifiers[2]}, kIdentifiers[1]},
        {"only_the_third", {kIdentifiers[2]}, kIdentifiers[2]},
        {"only_the_demo", {kIdentifiers[3]}, kIdentifiers[3]},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(dataHome() / "applications");
        fs::remove_all(records());
        fs::create_directories(records());
        for (const auto& identifier : row.installed) installEntry(identifier);

        auto result = run({"--library", libraryFile().string()});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(launched(row.expected), std::vector<std::string>{row.expected});
        // The program was given the export folder, and only that.
        EXPECT_EQ(readFile(records() / row.expected), result.lastOutLine() + "\n");
    }
}

TEST_F(HandOver, AnEntryWhoseProgramCannotStartIsPassedOver) {
    writeFile(dataHome() / "applications" / (kIdentifiers[0] + ".desktop"),
              "[Desktop Entry]\nType=Application\nName=Broken\nExec=" +
                  (root() / "no-such-program").string() + " %F\n");
    installEntry(kIdentifiers[1]);
    auto result = run({"--library", libraryFile().string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(launched(kIdentifiers[1]), std::vector<std::string>{kIdentifiers[1]});
}

TEST_F(HandOver, WithoutAnyEntryTheFolderIsShownQuietlyOrNotAtAll) {
    // No entry, no file manager on a bus, no display: the run still succeeds and says nothing.
    auto result = run({"--library", libraryFile().string()});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(fs::is_directory(result.lastOutLine()));
    EXPECT_TRUE(launched(std::nullopt).empty());
}

TEST_F(HandOver, NoOpenLaunchesNothing) {
    for (const auto& identifier : kIdentifiers) installEntry(identifier);
    auto result = run({"--library", libraryFile().string(), "--no-open"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(fs::is_directory(result.lastOutLine()));
    EXPECT_TRUE(launched(std::nullopt).empty());
}

TEST_F(HandOver, TheLaunchedProgramDoesNotHoldTheCommandsOutput) {
    // A program that outlives the command and writes to its output: the command's output must
    // end with the command, and hold nothing of the program's.
    writeFile(recorder(),
              "#!/bin/sh\necho launched; echo launched >&2\n"
              "echo $$ > \"" +
                  records().string() +
                  "/pid.partial\"\n"
                  "mv \"" +
                  records().string() + "/pid.partial\" \"" + records().string() +
                  "/pid\"\n"
                  "exec sleep 60\n");
    ::chmod(recorder().c_str(), 0700);
    installEntry(kIdentifiers[0]);
    auto result = run({"--library", libraryFile().string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, result.lastOutLine() + "\n");
    EXPECT_EQ(result.err, "");

    ASSERT_EQ(launched("pid"), std::vector<std::string>{"pid"});
    pid_t program = std::stoi(readFile(records() / "pid"));
    // Still running although the command's output has ended.
    EXPECT_EQ(::kill(program, 0), 0);
    ::kill(program, SIGTERM);
}

}  // namespace
}  // namespace quillmere::test
