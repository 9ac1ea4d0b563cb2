#pragma once
// A program's user defaults, kept per user in a small JSON object that people can read and edit
// ($XDG_CONFIG_HOME/<program>/settings.json):
//
//   { "lastFolder": "/home/ann/Notes", "showHiddenFiles": false }
//
// A value is looked up in three domains, the first that has it wins:
//   1. the argument domain: per-run overrides from the command line, never written;
//   2. the values the user stored (the file);
//   3. the registration domain: defaults the program registers at launch, in memory only.
//
//   UserDefaultsStore defaults(UserDefaultsStore::defaultFile("some-program"));
//   defaults.registerBool("showHiddenFiles", true);
//   defaults.setArgumentBool("showHiddenFiles", false);   // a command-line option
//
// Setting a value rewrites the file atomically (by the policy of platform/files/file_io.h),
// keeping every other member, also those it does not know. Safe to use from any thread.

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

#include "platform/settings/user_defaults.h"

namespace quillmere {

class UserDefaultsStore : public UserDefaults {
public:
    // The defaults stored in `file`, read now if it exists. Nothing is written until a value is
    // set.
    explicit UserDefaultsStore(std::filesystem::path file);
    ~UserDefaultsStore() override;

    // $XDG_CONFIG_HOME/<programFolder>/settings.json; $XDG_CONFIG_HOME defaults to
    // $HOME/.config (and $HOME to the user's home directory in the password database).
    // `programFolder` is one path component, the program's own.
    static std::filesystem::path defaultFile(const std::string& programFolder);

    void registerBool(const std::string& key, bool value) override;
    // A stored number counts as true unless 0; stored text "true"/"yes"/"1" (any case) as true
    // and "false"/"no"/"0" as false. A stored value of another kind counts as not stored.
    bool boolForKey(const std::string& key) const override;
    void setBool(const std::string& key, bool value) override;

    // A stored value that is not text counts as not stored.
    std::optional<std::string> stringForKey(const std::string& key) const override;
    void setString(const std::string& key, const std::string& value) override;

    // Per-run overrides above the stored values; they are never written.
    void setArgumentBool(const std::string& key, bool value);
    void setArgumentString(const std::string& key, const std::string& value);

    const std::filesystem::path& file() const { return file_; }
    // What went wrong when the file was last read or written, in one line naming the file; none
    // when it went well (a missing file is fine).
    std::optional<std::string> lastError() const;

private:
    using Value = std::variant<bool, std::string>;
    struct Stored;  // the parsed file

    void store(const std::string& key, const Value& value);

    const std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::unique_ptr<Stored> stored_;
    std::map<std::string, Value> registered_;
    std::map<std::string, Value> arguments_;
    std::optional<std::string> lastError_;
};

}  // namespace quillmere
