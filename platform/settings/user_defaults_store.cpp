#include "platform/settings/user_defaults_store.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "rapidjson/document.h"
#include "rapidjson/error/en.h"
#include "rapidjson/prettywriter.h"
#include "rapidjson/stringbuffer.h"

namespace quillmere {

namespace fs = std::filesystem;

struct UserDefaultsStore::Stored {
    rapidjson::Document document;
    Stored() { document.SetObject(); }
};

namespace {

enum class ReadOutcome { missing, parsed, unreadable, invalid };

struct ReadResult {
    ReadOutcome outcome;
    std::string error;  // for unreadable and invalid
};

// Reads and parses `file` into `document` (an empty object unless parsed).
ReadResult readSettings(const fs::path& file, rapidjson::Document& document) {
    document.SetObject();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {ReadOutcome::missing, {}};
        return {ReadOutcome::unreadable,
                file.string() + ": cannot read the settings: " + std::string(::strerror(errno))};
    }
    std::string text;
    char chunk[8192];
    for (;;) {
        ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            std::string reason = ::strerror(errno);
            ::close(fd);
            return {ReadOutcome::unreadable,
                    file.string() + ": cannot read the settings: " + reason};
        }
        if (count == 0) break;
        text.append(chunk, static_cast<std::size_t>(count));
    }
    ::close(fd);
    rapidjson::Document parsed;
    parsed.Parse<rapidjson::kParseValidateEncodingFlag>(text.data(), text.size());
    if (parsed.HasParseError()) {
        return {ReadOutcome::invalid, file.string() + ": not a settings file: " +
                                          rapidjson::GetParseError_En(parsed.GetParseError()) +
                                          " (at byte " + std::to_string(parsed.GetErrorOffset()) +
                                          ")"};
    }
    if (!parsed.IsObject()) {
        return {ReadOutcome::invalid, file.string() + ": not a settings file: not a JSON object"};
    }
    document.Swap(parsed);
    return {ReadOutcome::parsed, {}};
}

// Writes `bytes` to `file` through a temporary file in the same directory, so that a reader
// sees the old or the new settings, never a part.
std::optional<std::string> writeAtomically(const fs::path& file, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) {
        return file.parent_path().string() + ": cannot create the folder: " + error.message();
    }
    std::string temporary = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX"));
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return file.string() + ": cannot write the settings: " + std::string(::strerror(errno));
    }
    std::string_view rest = bytes;
    bool ok = true;
    while (ok && !rest.empty()) {
        ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) rest.remove_prefix(static_cast<std::size_t>(written));
    }
    int savedErrno = errno;
    ok = ok && ::fsync(fd) == 0;
    if (!ok) savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(temporary.c_str(), file.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return file.string() +
               ": cannot write the settings: " + std::string(::strerror(savedErrno));
    }
    return std::nullopt;
}

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<bool> boolFromText(std::string text) {
    text = lowercase(std::move(text));
    if (text == "true" || text == "yes" || text == "1") return true;
    if (text == "false" || text == "no" || text == "0") return false;
    return std::nullopt;
}

std::optional<bool> boolFrom(const rapidjson::Value& value) {
    if (value.IsBool()) return value.GetBool();
    if (value.IsNumber()) return value.GetDouble() != 0.0;
    if (value.IsString())
        return boolFromText(std::string(value.GetString(), value.GetStringLength()));
    return std::nullopt;
}

std::optional<bool> boolFromSetting(const std::variant<bool, std::string>& value) {
    if (const bool* flag = std::get_if<bool>(&value)) return *flag;
    return boolFromText(std::get<std::string>(value));
}

std::optional<std::string> homeDirectory() {
    const char* home = ::getenv("HOME");
    if (home && *home) return std::string(home);
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::string buffer(16384, '\0');
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
        return std::string(found->pw_dir);
    }
    return std::nullopt;
}

}  // namespace

UserDefaultsStore::UserDefaultsStore(fs::path file)
    : file_(std::move(file)), stored_(std::make_unique<Stored>()) {
    ReadResult result = readSettings(file_, stored_->document);
    if (!result.error.empty()) lastError_ = result.error;
}

UserDefaultsStore::~UserDefaultsStore() = default;

fs::path UserDefaultsStore::defaultFile() {
    fs::path configHome;
    const char* xdg = ::getenv("XDG_CONFIG_HOME");
    // A relative value is invalid by the base-directory rules and is ignored.
    if (xdg && *xdg == '/') {
        configHome = xdg;
    } else if (auto home = homeDirectory()) {
        configHome = fs::path(*home) / ".config";
    } else {
        configHome = fs::temp_directory_path();  // no home at all: better than nothing
    }
    return configHome / "quillmere-notes-importer" / "settings.json";
}

void UserDefaultsStore::registerBool(const std::string& key, bool value) {
    std::lock_guard lock(mutex_);
    registered_[key] = value;
}

bool UserDefaultsStore::boolForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    if (auto found = arguments_.find(key); found != arguments_.end()) {
        if (auto flag = boolFromSetting(found->second)) return *flag;
    }
    const auto& document = stored_->document;
    if (auto member = document.FindMember(key.c_str()); member != document.MemberEnd()) {
        if (auto flag = boolFrom(member->value)) return *flag;
    }
    if (auto found = registered_.find(key); found != registered_.end()) {
        if (auto flag = boolFromSetting(found->second)) return *flag;
    }
    return false;
}

void UserDefaultsStore::setBool(const std::string& key, bool value) { store(key, value); }

std::optional<std::string> UserDefaultsStore::stringForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    if (auto found = arguments_.find(key); found != arguments_.end()) {
        if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
    }
    const auto& document = stored_->document;
    if (auto member = document.FindMember(key.c_str());
        member != document.MemberEnd() && member->value.IsString()) {
        return std::string(member->value.GetString(), member->value.GetStringLength());
    }
    if (auto found = registered_.find(key); found != registered_.end()) {
        if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
    }
    return std::nullopt;
}

void UserDefaultsStore::setString(const std::string& key, const std::string& value) {
    store(key, value);
}

void UserDefaultsStore::setArgumentBool(const std::string& key, bool value) {
    std::lock_guard lock(mutex_);
    arguments_[key] = value;
}

void UserDefaultsStore::setArgumentString(const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    arguments_[key] = value;
}

std::optional<std::string> UserDefaultsStore::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

void UserDefaultsStore::store(const std::string& key, const Value& value) {
    std::lock_guard lock(mutex_);
    // Start from the file as it is now, so that what the other front end stored meanwhile stays.
    auto fresh = std::make_unique<Stored>();
    ReadResult read = readSettings(file_, fresh->document);
    if (read.outcome == ReadOutcome::unreadable) {
        lastError_ = read.error;  // replacing a file we cannot even read could lose the user's
        return;                   // settings; leave it alone
    }
    if (read.outcome == ReadOutcome::invalid) {
        // Keep the broken file for the user to look at instead of overwriting it.
        fs::path aside = file_;
        aside += ".invalid";
        std::error_code ignored;
        fs::rename(file_, aside, ignored);
    }

    auto& document = fresh->document;
    auto& allocator = document.GetAllocator();
    rapidjson::Value newValue;
    if (const bool* flag = std::get_if<bool>(&value)) {
        newValue.SetBool(*flag);
    } else {
        const auto& text = std::get<std::string>(value);
        newValue.SetString(text.data(), static_cast<rapidjson::SizeType>(text.size()), allocator);
    }
    if (auto member = document.FindMember(key.c_str()); member != document.MemberEnd()) {
        member->value = newValue;
    } else {
        document.AddMember(
            rapidjson::Value(key.data(), static_cast<rapidjson::SizeType>(key.size()), allocator),
            newValue, allocator);
    }

    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 2);
    document.Accept(writer);
    std::string bytes(buffer.GetString(), buffer.GetSize());
    bytes += '\n';

    lastError_ = writeAtomically(file_, bytes);
    // The new value holds for this process even when it could not be written.
    stored_ = std::move(fresh);
}

}  // namespace quillmere
