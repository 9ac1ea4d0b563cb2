#include "tests/cli/import_fixture.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <stdexcept>

namespace quillmere::test {

namespace fs = std::filesystem;

namespace {

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": " + ::strerror(errno));
}

ProgramResult runProgram(const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         ErrorOutput errorOutput) {
    int outPipe[2];
    check(::pipe2(outPipe, O_CLOEXEC) == 0, "pipe");
    int err[2];  // read, write
    if (errorOutput == ErrorOutput::terminal) {
        check(::openpty(&err[0], &err[1], nullptr, nullptr, nullptr) == 0, "openpty");
        ::fcntl(err[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(err[1], F_SETFD, FD_CLOEXEC);
    } else {
        check(::pipe2(err, O_CLOEXEC) == 0, "pipe");
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (const auto& [name, value] : environment) variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_t child = -1;
    int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(outPipe[0]);
        ::close(err[0]);
        errno = spawned;
        check(false, "posix_spawn");
    }

    ProgramResult result;
    struct pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    for (int open = 2; open > 0;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            ssize_t count = ::read(fds[i].fd, buffer, sizeof buffer);
            if (count > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            } else if (count == 0 || errno != EINTR) {
                // End of file; a terminal whose other side has closed answers EIO instead.
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

std::vector<std::string> ProgramResult::errLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // a terminal's line end
        lines.push_back(line);
    }
    return lines;
}

std::string ProgramResult::lastOutLine() const {
    std::string text = out;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    auto start = text.rfind('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

ImportCommandTest::ImportCommandTest() {
    fs::create_directories(env_.root() / "no-data-dirs");
    fs::create_directories(env_.root() / "runtime");
    ::chmod((env_.root() / "runtime").c_str(), 0700);
}

ProgramResult ImportCommandTest::run(const std::vector<std::string>& arguments,
                                     ErrorOutput errorOutput) const {
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
    std::vector<std::string> argv = {QUILLMERE_IMPORT_COMMAND};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProgram(argv, environment, errorOutput);
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
        tree[entry.is_directory() ? relative + "/" : relative] =
            entry.is_directory() ? "" : readFile(entry.path());
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
