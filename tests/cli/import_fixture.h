#pragma once
// Runs the built command as a child process in a private environment (its own TMPDIR, HOME and
// XDG directories, no desktop to talk to), with standard error a file or a pseudo-terminal.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/private_environment.h"

namespace quillmere::test {

class ImportCommandTest : public ::testing::Test {
protected:
    ImportCommandTest();

    ProgramResult run(const std::vector<std::string>& arguments, bool terminal = false) const;
    // Runs the command with --no-open and `extra` on a library of `accountsJson`.
    ProgramResult runOnLibrary(const std::string& accountsJson,
                               const std::vector<std::string>& extra = {}) const;

    std::filesystem::path libraryFile() const { return env.root() / "library.json"; }
    std::filesystem::path settingsFile() const {
        return env.home() / ".config" / "quillmere-notes-importer" / "settings.json";
    }
    std::filesystem::path root() const { return env.root(); }

    PrivateEnvironment env;
};

// The messages of log lines ("<date> <time> quillmere-notes-import[<pid>] <message>"); any
// other line as "?? " and the line.
std::vector<std::string> logMessages(const std::vector<std::string>& lines);

}  // namespace quillmere::test
