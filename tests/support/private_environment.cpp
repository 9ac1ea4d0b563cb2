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

namespace {

std::filesystem::path makePrivateRoot() {
    const char* base = ::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmere-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a private test directory under " + pattern);
    }
    return std::filesystem::path(pattern);
}

}  // namespace

PrivateEnvironment::PrivateEnvironment() : root_(makePrivateRoot()) {
    std::filesystem::create_directories(tmp());
    std::filesystem::create_directories(home() / ".config");
    std::filesystem::create_directories(home() / ".local" / "share");
    // A private TMPDIR must satisfy the importer's own safety checks.
    ::chmod(tmp().c_str(), 0700);
    set("TMPDIR", tmp().string());
    set("HOME", home().string());
    set("XDG_CONFIG_HOME", (home() / ".config").string());
    set("XDG_DATA_HOME", (home() / ".local" / "share").string());
}

PrivateEnvironment::~PrivateEnvironment() {
    for (const auto& [name, value] : saved_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    std::error_code ignored;
    // Tests may leave read-only directories behind; open them up before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(root_, ignored);
}

void PrivateEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.contains(name)) {
        const char* old = ::getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
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
