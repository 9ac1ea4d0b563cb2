#include "platform/settings/user_defaults_store.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cctype>

#include "platform/files/file_io.h"
#include "platform/files/home_directory.h"
#include "rapidjson/document.h"
#include "rapidjson/error/en.h"
#include "rapidjson/memorystream.h"
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

// Far above any real settings file; it only keeps a hostile one from filling the memory.
constexpr std::uint64_t kLargestFile = 4ull << 30;
// Deeper nesting is refused: the writer that keeps unknown members recurses into them.
constexpr unsigned kDeepestNesting = 512;

// Builds the document from the parser's events, refusing nesting deeper than kDeepestNesting.
class DepthLimitedHandler
    : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, DepthLimitedHandler> {
public:
    explicit DepthLimitedHandler(rapidjson::Document& document) : document_(document) {}

    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int i) { return document_.Int(i); }
    bool Uint(unsigned u) { return document_.Uint(u); }
    bool Int64(std::int64_t i) { return document_.Int64(i); }
    bool Uint64(std::uint64_t u) { return document_.Uint64(u); }
    bool Double(double d) { return document_.Double(d); }
    bool String(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.String(text, length, copy);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.Key(text, length, copy);
    }
    bool StartObject() { return enter() && document_.StartObject(); }
    bool EndObject(rapidjson::SizeType count) {
        --depth_;
        return document_.EndObject(count);
    }
    bool StartArray() { return enter() && document_.StartArray(); }
    bool EndArray(rapidjson::SizeType count) {
        --depth_;
        return document_.EndArray(count);
    }

    bool tooDeep() const { return depth_ > kDeepestNesting; }

private:
    bool enter() { return ++depth_ <= kDeepestNesting; }

    rapidjson::Document& document_;
    unsigned depth_ = 0;
};

std::string parseFault(const rapidjson::ParseResult& result, bool tooDeep, std::string_view text) {
    if (tooDeep) {
        return "nested more than " + std::to_string(kDeepestNesting) + " levels deep";
    }
    const std::size_t offset = result.Offset();
    std::string what = rapidjson::GetParseError_En(result.Code());
    if (result.Code() == rapidjson::kParseErrorStringEscapeInvalid && offset < text.size() &&
        static_cast<unsigned char>(text[offset]) < 0x20) {
        what = "A control character in a string.";  // the parser calls it an invalid escape
    }
    return what + " (at byte " + std::to_string(offset) + ")";
}

// Reads and parses `file` into `document` (an empty object unless parsed).
ReadResult readSettings(const fs::path& file, rapidjson::Document& document) {
    document.SetObject();
    FileRead read = readRegularFile(file.string(), kLargestFile);
    if (read.missing()) return {ReadOutcome::missing, {}};
    if (read.problem) {
        return {ReadOutcome::unreadable,
                file.string() + ": cannot read the settings: " + *read.problem};
    }
    rapidjson::Document parsed;
    rapidjson::ParseResult result;
    bool tooDeep = false;
    auto generator = [&](rapidjson::Document& target) {
        DepthLimitedHandler handler(target);
        rapidjson::MemoryStream stream(read.bytes.data(), read.bytes.size());
        rapidjson::Reader reader;
        // Iterative, so that no nesting can exhaust the stack before the limit is noticed.
        result =
            reader.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag>(
                stream, handler);
        tooDeep = handler.tooDeep();
        return !result.IsError();
    };
    parsed.Populate(generator);
    if (result.IsError()) {
        return {ReadOutcome::invalid, file.string() + ": not a settings file: " +
                                          parseFault(result, tooDeep, read.bytes)};
    }
    if (!parsed.IsObject()) {
        return {ReadOutcome::invalid, file.string() + ": not a settings file: not a JSON object"};
    }
    document.Swap(parsed);
    return {ReadOutcome::parsed, {}};
}

// Writes the settings by the atomic-write policy, so that a reader sees the old or the new ones.
std::optional<std::string> writeSettings(const fs::path& file, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) {
        return file.parent_path().string() + ": cannot create the folder: " + error.message();
    }
    if (const int result = writeFileAtomically(file.string(), bytes)) {
        return file.string() + ": cannot write the settings: " + std::string(::strerror(result));
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
    return homeDirectoryOfRealUser();
}

}  // namespace

UserDefaultsStore::UserDefaultsStore(fs::path file)
    : file_(std::move(file)), stored_(std::make_unique<Stored>()) {
    ReadResult result = readSettings(file_, stored_->document);
    if (!result.error.empty()) lastError_ = result.error;
}

UserDefaultsStore::~UserDefaultsStore() = default;

fs::path UserDefaultsStore::defaultFile(const std::string& programFolder) {
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
    return configHome / programFolder / "settings.json";
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
    if (document.HasMember(key.c_str())) {
        document[key.c_str()] = newValue;
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

    lastError_ = writeSettings(file_, bytes);
    // The new value holds for this process even when it could not be written.
    stored_ = std::move(fresh);
}

}  // namespace quillmere
