#include "tests/cli/import_fixture.h"

#include <errno.h>
#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <stdexcept>

namespace quillmere::test {

namespace fs = std::filesystem;

std::vector<std::string> ProgramResult::errLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) line.pop_back();  // a terminal's line end
        lines.push_back(line);
    }
    return lines;
}

std::string ProgramResult::lastOutLine() const {
    const std::string text = out.ends_with('\n') ? out.substr(0, out.size() - 1) : out;
    return text.substr(text.rfind('\n') + 1);
}

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
    const auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> result;
        for (auto& string : strings) result.push_back(string.data());
        result.push_back(nullptr);
        return result;
    };
    // Files rather than pipes: a program that outlived the command and held its output would
    // leave its words there.
    const fs::path outFile = root() / "stdout", errFile = root() / "stderr";
    int terminalSide = -1, programSide = -1;
    if (terminal && ::openpty(&terminalSide, &programSide, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (terminal) {
        posix_spawn_file_actions_adddup2(&actions, programSide, 2);
        posix_spawn_file_actions_addclose(&actions, terminalSide);
        posix_spawn_file_actions_addclose(&actions, programSide);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    }
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, argv[0].c_str(), &actions, nullptr,
                                      pointers(argv).data(), pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    ProgramResult result;
    if (terminal) {
        ::close(programSide);
        char buffer[4096];
        // Read until the program's side is closed (EIO) while it runs, so that it never blocks.
        for (ssize_t n; spawned == 0 && ((n = ::read(terminalSide, buffer, sizeof buffer)) > 0 ||
                                         (n < 0 && errno == EINTR));) {
            result.err.append(buffer, n > 0 ? n : 0);
        }
        ::close(terminalSide);
    }
    if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outFile);
    if (!terminal) result.err = readFile(errFile);
    return result;
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

std::string library(const std::string& accountsJson) {
    return R"({"format": "notes-library", "version": 1, "accounts": )" + accountsJson + "}";
}

}  // namespace quillmere::test
