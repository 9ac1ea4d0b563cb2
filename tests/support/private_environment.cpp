#include "tests/support/private_environment.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

extern char** environ;

namespace quillmere::test {

namespace fs = std::filesystem;

PrivateEnvironment::PrivateEnvironment() {
    const char* base = ::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmere-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a private test directory under " + pattern);
    }
    root_ = pattern;
    fs::create_directory(home());
    fs::create_directory(tmp());
    ::chmod(tmp().c_str(), 0700);  // a private TMPDIR must pass the importer's own checks
    set("TMPDIR", tmp().string());
    set("HOME", home().string());
    set("XDG_CONFIG_HOME", std::nullopt);
    set("XDG_DATA_HOME", std::nullopt);
}

PrivateEnvironment::~PrivateEnvironment() {
    for (const auto& [name, value] : saved_) {
        value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    std::error_code ignored;
    // Tests may leave read-only directories behind; open them up before removing.
    for (auto it = fs::recursive_directory_iterator(root_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(root_, ignored);
}

void PrivateEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
    if (const char* old = ::getenv(name.c_str()); !saved_.contains(name)) {
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries[fs::relative(entry.path(), root).string()] =
            entry.is_directory() ? "<dir>" : readFile(entry.path());
    }
    return entries;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string library(const std::string& accountsJson) {
    return R"({"format": "notes-library", "version": 1, "accounts": )" + accountsJson + "}";
}

std::set<std::string> entryNames(const fs::path& directory) {
    std::set<std::string> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(directory, missing)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

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

ProgramResult runProgram(const std::vector<std::string>& argv, const fs::path& dir,
                         const std::vector<std::string>* environment, bool terminal) {
    const auto pointers = [](const std::vector<std::string>& strings) {
        std::vector<char*> result;
        for (const auto& string : strings) result.push_back(const_cast<char*>(string.c_str()));
        result.push_back(nullptr);
        return result;
    };
    const fs::path outFile = dir / "stdout", errFile = dir / "stderr";
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
    const auto start = std::chrono::steady_clock::now();
    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, argv[0].c_str(), &actions, nullptr, pointers(argv).data(),
                      environment ? pointers(*environment).data() : environ);
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
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > std::chrono::minutes(2))
            ::kill(child, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outFile);
    if (!terminal) result.err = readFile(errFile);
    return result;
}

bool holdsWithoutPrivileges(const std::function<bool()>& check) {
    if (::geteuid() != 0) return check();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace quillmere::test
