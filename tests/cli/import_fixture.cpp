#include "tests/cli/import_fixture.h"

#include <sys/stat.h>

#include <regex>

namespace quillmere::test {

namespace fs = std::filesystem;

ImportCommandTest::ImportCommandTest() {
    fs::create_directories(root() / "no-data-dirs");
    fs::create_directories(root() / "runtime");
    ::chmod((root() / "runtime").c_str(), 0700);
}

ProgramResult ImportCommandTest::run(const std::vector<std::string>& arguments,
                                     bool terminal) const {
    std::vector<std::string> argv = {QUILLMERE_IMPORT_COMMAND};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // Only the test's own desktop entries, and no desktop to talk to.
    std::vector<std::string> environment = {"PATH=/usr/bin:/bin", "LANG=C.UTF-8",
                                            "XDG_DATA_DIRS=" + (root() / "no-data-dirs").string(),
                                            "XDG_RUNTIME_DIR=" + (root() / "runtime").string()};
    for (const char* name : {"TMPDIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "ASAN_OPTIONS",
                             "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = ::getenv(name))
            environment.push_back(name + ("=" + std::string(value)));
    }
    return runProgram(argv, root(), &environment, terminal);
}

ProgramResult ImportCommandTest::runOnLibrary(const std::string& accountsJson,
                                              const std::vector<std::string>& extra) const {
    writeFile(libraryFile(), library(accountsJson));
    std::vector<std::string> arguments = {"--library", libraryFile().string(), "--no-open"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return run(arguments);
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

}  // namespace quillmere::test
