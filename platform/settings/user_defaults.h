#pragma once
// The user's settings: values the user stored, over a registration domain of defaults that is
// kept in memory only. Safe to use from any thread.

#include <optional>
#include <string>

namespace quillmere {

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // Registers a fallback value for `key`; a value the user stored wins. Nothing is written to
    // the user's settings.
    virtual void registerBool(const std::string& key, bool value) = 0;
    // The stored value, else the registered one, else false.
    virtual bool boolForKey(const std::string& key) const = 0;
    virtual void setBool(const std::string& key, bool value) = 0;

    // The stored text, else the registered one, else none. UTF-8.
    virtual std::optional<std::string> stringForKey(const std::string& key) const = 0;
    virtual void setString(const std::string& key, const std::string& value) = 0;
};

}  // namespace quillmere
