#pragma once
// Gives a test its own temporary directory and points TMPDIR and HOME into it (the XDG
// directories follow HOME), so that no test writes into the source tree, the current directory
// or the user's own settings. The directory and the previous environment go on destruction.
// Also reads and writes files and runs programs for the tests.

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillmere::test {

class PrivateEnvironment {
public:
    PrivateEnvironment();
    ~PrivateEnvironment();
    PrivateEnvironment(const PrivateEnvironment&) = delete;
    PrivateEnvironment& operator=(const PrivateEnvironment&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path tmp() const { return root_ / "tmp"; }    // TMPDIR, mode 0700
    std::filesystem::path home() const { return root_ / "home"; }  // HOME

    // Sets (or, with nullopt, unsets) a variable until destruction.
    void set(const std::string& name, const std::optional<std::string>& value);

private:
    std::filesystem::path root_;
    std::map<std::string, std::optional<std::string>> saved_;
};

std::string readFile(const std::filesystem::path& path);
// Everything below `root`: relative path -> file content, or "<dir>" for a directory.
std::map<std::string, std::string> tree(const std::filesystem::path& root);
// Writes bytes to a file, creating its parent directories.
void writeFile(const std::filesystem::path& path, const std::string& bytes);
// A Notes library file with `accountsJson` as its accounts.
std::string library(const std::string& accountsJson);
// The names in a directory; none if it is missing.
std::set<std::string> entryNames(const std::filesystem::path& directory);

struct ProgramResult {
    int exitStatus = -1;  // -1: it did not exit normally, or outlived its limit and was killed
    std::string out;
    std::string err;

    std::vector<std::string> errLines() const;  // without their line ends
    std::string lastOutLine() const;            // the export folder after a run
};

// Runs `argv` with no input, its output in the files `dir`/stdout and `dir`/stderr (rather than
// pipes that a program outliving it could hold), standard error a pseudo-terminal if `terminal`,
// and `environment`, or this process's if null; killed after two minutes.
ProgramResult runProgram(const std::vector<std::string>& argv, const std::filesystem::path& dir,
                         const std::vector<std::string>* environment = nullptr,
                         bool terminal = false);

// Whether `check` holds for a user without root's privileges: run here, or, as root, in a child
// process that has become the user nobody (so the test runs in CI, which is root, too).
bool holdsWithoutPrivileges(const std::function<bool()>& check);

}  // namespace quillmere::test
