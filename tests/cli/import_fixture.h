#pragma once
// What every test of the built command needs: a way to run it as a child process in a private
// environment (its own TMPDIR, HOME, XDG directories, no display and no session bus), with
// standard error a pipe or a pseudo-terminal, and a snapshot of the folder tree it wrote.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/private_environment.h"

namespace quillmere::test {

struct ProgramResult {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;  // the terminal's output when it was one

    // Standard error split into lines, without their line ends.
    std::vector<std::string> errLines() const;
    // The last line of standard output, without its line feed.
    std::string lastOutLine() const;
};

enum class ErrorOutput { pipe, terminal };

class ImportCommandTest : public ::testing::Test {
protected:
    ImportCommandTest();

    // Runs the command with `arguments` in the test's environment, plus `childOverrides`.
    ProgramResult run(const std::vector<std::string>& arguments,
                      ErrorOutput errorOutput = ErrorOutput::pipe) const;
    // Writes `json` as the library file and runs the command on it with --no-open and `extra`.
    ProgramResult runOnLibrary(const std::string& json,
                               const std::vector<std::string>& extra = {}) const;

    std::filesystem::path libraryFile() const { return env_.root() / "library.json"; }
    std::filesystem::path settingsFile() const {
        return env_.home() / ".config" / "quillmere-notes-importer" / "settings.json";
    }
    std::filesystem::path tmp() const { return env_.tmp(); }
    std::filesystem::path root() const { return env_.root(); }
    std::filesystem::path dataHome() const { return env_.home() / ".local" / "share"; }

    // Extra variables for the child, or (nullopt) variables to leave out.
    std::map<std::string, std::optional<std::string>> childOverrides;

private:
    PrivateEnvironment env_;
};

// The files and folders below `root`: relative path -> bytes, with "/" after a folder's name.
std::map<std::string, std::string> treeBelow(const std::filesystem::path& root);

// The messages of the log lines in `lines` ("<date> <time> quillmere-notes-import[<pid>]
// <message>"), in order; any other line as "?? " and the line.
std::vector<std::string> logMessages(const std::vector<std::string>& lines);

// A Notes library file with `accountsJson` as its accounts.
std::string library(const std::string& accountsJson);

}  // namespace quillmere::test
