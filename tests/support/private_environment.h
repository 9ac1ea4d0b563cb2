#pragma once
// Gives a test its own temporary directory and points TMPDIR, HOME, XDG_CONFIG_HOME and
// XDG_DATA_HOME into it, so that no test writes into the source tree, the current directory or
// the user's own settings. The directory and the previous environment are restored on
// destruction.
//
//   TEST(Thing, WritesFiles) {
//       test::PrivateEnvironment env;
//       auto file = env.root() / "out.txt";
//   }

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace quillmere::test {

class PrivateEnvironment {
public:
    PrivateEnvironment();
    ~PrivateEnvironment();
    PrivateEnvironment(const PrivateEnvironment&) = delete;
    PrivateEnvironment& operator=(const PrivateEnvironment&) = delete;

    // The private directory; TMPDIR is root()/tmp, HOME root()/home, XDG_CONFIG_HOME
    // root()/home/.config and XDG_DATA_HOME root()/home/.local/share.
    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path tmp() const { return root_ / "tmp"; }
    std::filesystem::path home() const { return root_ / "home"; }

    // Sets (or, with nullopt, unsets) a variable until destruction.
    void set(const std::string& name, const std::optional<std::string>& value);

private:
    std::filesystem::path root_;
    std::map<std::string, std::optional<std::string>> saved_;
};

// The whole content of a file as bytes.
std::string readFile(const std::filesystem::path& path);
// Writes bytes to a file, creating its parent directories.
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Whether `check` holds for a user without root's privileges: run here, or, as root, in a child
// process that has become the user nobody (so the test runs in CI, which is root, too).
bool holdsWithoutPrivileges(const std::function<bool()>& check);

}  // namespace quillmere::test
