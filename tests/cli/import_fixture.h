#pragma once
// What every test of the built command needs: a private environment for the child (its own
// TMPDIR, HOME, XDG directories, no display and no session bus), a way to run the command in
// it, and a snapshot of the folder tree it wrote.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/cli/command_runner.h"
#include "tests/support/private_environment.h"

namespace quillmere::test {

class ImportCommandTest : public ::testing::Test {
protected:
    ImportCommandTest();

    // The environment the command runs in: only what the test chose, plus PATH and the
    // sanitizers' options.
    std::map<std::string, std::string> childEnvironment() const;
    // Runs the command with `arguments`.
    ProgramResult run(const std::vector<std::string>& arguments,
                      ErrorOutput errorOutput = ErrorOutput::pipe) const;
    // Writes `json` as the library file and runs the command on it, handing the folder to no
    // application, with `extra` arguments after.
    ProgramResult runOnLibrary(const std::string& json,
                               const std::vector<std::string>& extra = {}) const;

    std::filesystem::path libraryFile() const { return env_.root() / "library.json"; }
    std::filesystem::path settingsFile() const;
    std::filesystem::path tmp() const { return env_.tmp(); }
    std::filesystem::path root() const { return env_.root(); }
    std::filesystem::path dataHome() const { return env_.home() / ".local" / "share"; }
    PrivateEnvironment& env() { return env_; }

    // Extra variables for the child, or (nullopt) variables to leave out.
    std::map<std::string, std::optional<std::string>> childOverrides;

private:
    PrivateEnvironment env_;
};

// The files and folders below `root`: relative path -> bytes, with "/" after a folder's name
// (and no bytes).
std::map<std::string, std::string> treeBelow(const std::filesystem::path& root);

// The messages of the log lines in `lines` ("<date> <time> quillmere-notes-import[<pid>]
// <message>"), in order; any other line as "?? " and the line.
std::vector<std::string> logMessages(const std::vector<std::string>& lines);

// A Notes library file with `accountsJson` as its accounts.
std::string library(const std::string& accountsJson);

}  // namespace quillmere::test
