#include "tests/cli/import_fixture.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <regex>

namespace quillmere::test {

namespace fs = std::filesystem;

ImportCommandTest::ImportCommandTest() {
    fs::create_directories(env_.root() / "no-data-dirs");
    fs::create_directories(env_.root() / "runtime");
    ::chmod((env_.root() / "runtime").c_str(), 0700);
}

fs::path ImportCommandTest::settingsFile() const {
    return env_.home() / ".config" / "quillmere-notes-importer" / "settings.json";
}

std::map<std::string, std::string> ImportCommandTest::childEnvironment() const {
    std::map<std::string, std::string> environment;
    for (const char* name : {"TMPDIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "PATH",
                             "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = ::getenv(name)) environment[name] = value;
    }
    if (!environment.contains("PATH")) environment["PATH"] = "/usr/bin:/bin";
    // Only the test's own desktop entries, and no desktop to talk to.
    environment["XDG_DATA_DIRS"] = (env_.root() / "no-data-dirs").string();
    environment["XDG_RUNTIME_DIR"] = (env_.root() / "runtime").string();
    environment["LANG"] = "C.UTF-8";
    for (const auto& [name, value] : childOverrides) {
        if (value) {
            environment[name] = *value;
        } else {
            environment.erase(name);
        }
    }
    return environment;
}

ProgramResult ImportCommandTest::run(const std::vector<std::string>& arguments,
                                     ErrorOutput errorOutput) const {
    std::vector<std::string> argv = {QUILLMERE_IMPORT_COMMAND};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProgram(argv, childEnvironment(), errorOutput);
}

ProgramResult ImportCommandTest::runOnLibrary(const std::string& json,
                                              const std::vector<std::string>& extra) const {
    writeFile(libraryFile(), json);
    std::vector<std::string> arguments = {"--library", libraryFile().string(), "--no-open"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return run(arguments);
}

std::map<std::string, std::string> treeBelow(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string relative = entry.path().lexically_relative(root).generic_string();
        if (entry.is_directory()) {
            tree[relative + "/"] = "";
        } else {
            tree[relative] = readFile(entry.path());
        }
    }
    return tree;
}

std::vector<std::string> logMessages(const std::vector<std::string>& lines) {
    static const std::regex logLine(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} quillmere-notes-import\[\d+\] (.*)$)");
    std::vector<std::string> messages;
    for (const auto& line : lines) {
        std::smatch match;
        messages.push_back(std::regex_match(line, match, logLine) ? match[1].str() : "?? " + line);
    }
    return messages;
}

std::string library(const std::string& accountsJson) {
    return R"({"format": "notes-library", "version": 1, "accounts": )" + accountsJson + "}";
}

}  // namespace quillmere::test
