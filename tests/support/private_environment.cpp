#include "tests/support/private_environment.h"

#include <errno.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace quillmere::test {

namespace fs = std::filesystem;

namespace {

fs::path makePrivateRoot() {
    const char* base = ::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmere-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a private test directory under " + pattern);
    }
    return pattern;
}

}  // namespace

PrivateEnvironment::PrivateEnvironment() : root_(makePrivateRoot()) {
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
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
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
