#include "notes_source/notes_library_reader.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "notes_source/library_text.h"
#include "notes_source/rfc3339_date.h"

namespace quillmere::notes_library {

namespace {

enum class Kind : std::uint8_t {
    Root,
    Accounts,
    Account,
    Folders,
    Folder,
    Notes,
    Note,
    Attachments,
    Attachment,
    Skip,
};

// The parser's input: text that holds no NUL, read up to the terminator of its string, so that
// no byte needs a bounds test. Unlike the parser's own string stream, it is never copied while
// a value is read, so that its place is right while the handler is called.
class TerminatedStream {
public:
    using Ch = char;
    explicit TerminatedStream(std::string_view text)
        : head_(text.data()), next_(text.data()), end_(text.data() + text.size()) {}
    char Peek() const { return *next_; }
    char Take() { return *next_++; }
    std::size_t Tell() const { return static_cast<std::size_t>(next_ - head_); }
    // What is left to read, without the terminator; and a step over part of it.
    std::string_view rest() const { return std::string_view(next_, end_ - next_); }
    void skip(std::size_t count) { next_ += count; }
    // Only read from.
    char* PutBegin() { return nullptr; }
    void Put(char) {}
    void Flush() {}
    std::size_t PutEnd(char*) { return 0; }

private:
    const char* head_;
    const char* next_;
    const char* end_;
};

}  // namespace
}  // namespace quillmere::notes_library

// The parser copies a string one character at a time and calls this first, so that a stream can
// copy what needs no decoding in one go; it does so only for its own streams. A library is
// mostly such text.
template <>
template <>
inline void
rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, rapidjson::CrtAllocator>::
    ScanCopyUnescapedString(quillmere::notes_library::TerminatedStream& is, StackStream<char>& os) {
    const std::string_view rest = is.rest();
    const std::size_t length = quillmere::library_text::plainStringRun(rest);
    if (length == 0) return;  // the parser's stack may not be allocated yet
    std::memcpy(os.Push(static_cast<rapidjson::SizeType>(length)), rest.data(), length);
    is.skip(length);
}

namespace quillmere::notes_library {

namespace {

enum class ValueType { String, Number, Boolean, Null, Object, Array };

bool isArray(Kind kind) {
    return kind == Kind::Accounts || kind == Kind::Folders || kind == Kind::Notes ||
           kind == Kind::Attachments;
}

bool isContainer(ValueType type) { return type == ValueType::Object || type == ValueType::Array; }

std::string describe(ValueType type) {
    switch (type) {
        case ValueType::String:
            return "a string";
        case ValueType::Number:
            return "a number";
        case ValueType::Boolean:
            return "a boolean";
        case ValueType::Null:
            return "null";
        case ValueType::Object:
            return "an object";
        case ValueType::Array:
            return "an array";
    }
    return "a value";
}

// A value from the file, quoted for a one-line message: control characters escaped, long
// values cut short, always valid UTF-8.
std::string quoted(std::string_view stored) {
    constexpr std::size_t kLongest = 60;
    const Text value = text::fromUtf8(stored);
    Text shown;
    for (std::size_t i = 0; i < value.size() && i < kLongest; ++i) {
        const char16_t unit = value[i];
        if (unit < 0x20 || unit == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            shown += text::fromUtf8(escaped);
        } else {
            if (unit == u'"' || unit == u'\\') shown += u'\\';
            shown += unit;
        }
    }
    if (value.size() > kLongest) shown += u'…';
    return "\"" + text::toUtf8(shown) + "\"";
}

// The names of the members the format defines, by object; a member's bit is its index here.
std::span<const std::string_view> knownMembers(Kind kind) {
    static constexpr std::string_view root[] = {"format", "version", "accounts"};
    static constexpr std::string_view account[] = {"id", "name", "folders"};
    static constexpr std::string_view folder[] = {"id", "name", "container", "notes", "folders"};
    static constexpr std::string_view note[] = {
        "name", "body", "creationDate", "modificationDate", "attachments", "locked"};
    static constexpr std::string_view attachment[] = {"name"};
    switch (kind) {
        case Kind::Root:
            return root;
        case Kind::Account:
            return account;
        case Kind::Folder:
            return folder;
        case Kind::Note:
            return note;
        case Kind::Attachment:
            return attachment;
        default:
            return {};
    }
}

// The bit of a known member of an object, or -1 for a member the format does not define.
int memberBit(Kind kind, std::string_view key) {
    const auto names = knownMembers(kind);
    for (std::size_t bit = 0; bit < names.size(); ++bit) {
        if (names[bit] == key) return static_cast<int>(bit);
    }
    return -1;
}

namespace member {
enum Root { kFormat, kVersion, kAccounts };
enum Account { kAccountId, kAccountName, kAccountFolders };
enum Folder { kFolderId, kFolderName, kContainer, kFolderNotes, kFolderFolders };
enum Note { kNoteName, kBody, kCreationDate, kModificationDate, kAttachments, kLocked };
}  // namespace member

struct Frame {
    Frame(Kind kind, std::uint32_t node = 0, std::uint32_t parentFolder = kNoIndex)
        : kind(kind), node(node), parentFolder(parentFolder) {}

    Kind kind;
    std::uint32_t node = 0;                 // the object's index; for an array, its owner's
    std::uint32_t parentFolder = kNoIndex;  // a folders array: the folder that holds it
    std::uint64_t count = 0;                // an array: elements so far; Skip: nesting depth
    int member = -1;                        // an object: the current member's bit
    std::uint32_t seen = 0;                 // an object: the known members met so far
};

// A folder whose `container` member names its container.
struct NamedContainer {
    std::uint32_t folder;
    std::optional<StoredString> id;  // none: `null`, a container without an id
};

// Builds the model from the parser's events. It never stops the parser: after the first fault
// the rest of the content is skipped, yet `format` and `version` are still read so that a
// file of another kind is reported as such.
class Handler {
public:
    // `stream` is the parser's input, which starts at `streamStart` of the bytes that
    // `hugeNumbers` count in.
    Handler(Library& library, const TerminatedStream& stream, std::size_t streamStart,
            const std::vector<library_text::HugeNumber>& hugeNumbers)
        : library_(library),
          stream_(stream),
          streamStart_(streamStart),
          hugeNumbers_(hugeNumbers) {}

    bool Null() { return value(ValueType::Null); }
    bool Bool(bool flag) { return value(ValueType::Boolean, {}, flag); }
    bool Int(int) { return value(ValueType::Number); }
    bool Uint(unsigned) { return value(ValueType::Number); }
    bool Int64(std::int64_t) { return value(ValueType::Number); }
    bool Uint64(std::uint64_t) { return value(ValueType::Number); }
    bool Double(double) { return value(ValueType::Number); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        return value(ValueType::Number, numberAsWritten(std::string_view(text, length)));
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return value(ValueType::String, std::string_view(text, length));
    }
    bool StartObject() { return value(ValueType::Object); }
    bool StartArray() { return value(ValueType::Array); }
    bool Key(const char* text, rapidjson::SizeType length, bool);
    bool EndObject(rapidjson::SizeType) { return end(); }
    bool EndArray(rapidjson::SizeType) { return end(); }

    // The fault that decides, after a successful parse.
    std::optional<ReadFault> fault() const;
    std::vector<NamedContainer>& namedContainers() { return namedContainers_; }

private:
    bool value(ValueType type, std::string_view text = {}, bool flag = false);
    bool end();
    bool skip(ValueType type);
    bool memberFault(ValueType type, const std::string& what);
    bool wrongType(ValueType type, const std::string& expected) {
        return memberFault(type, "expected " + expected + ", found " + describe(type));
    }
    void push(Kind kind, std::uint32_t node, std::uint32_t parentFolder = kNoIndex) {
        frames_.emplace_back(kind, node, parentFolder);
    }
    std::string path() const;
    // A number as the file has it, also one that was too large for the parser.
    std::string_view numberAsWritten(std::string_view parsed);

    bool rootMember(ValueType type, std::string_view text);
    bool accountMember(const Frame& frame, ValueType type, std::string_view text);
    bool folderMember(const Frame& frame, ValueType type, std::string_view text);
    bool noteMember(const Frame& frame, ValueType type, std::string_view text, bool flag);
    bool element(const Frame& frame, ValueType type);

    Library& library_;
    const TerminatedStream& stream_;
    const std::size_t streamStart_;
    const std::vector<library_text::HugeNumber>& hugeNumbers_;
    std::size_t nextHugeNumber_ = 0;
    std::vector<Frame> frames_;
    std::vector<NamedContainer> namedContainers_;
    bool seenFormat_ = false;
    bool seenVersion_ = false;
    std::optional<ReadFault> topLevelFault_;
    std::optional<ReadFault> formatFault_;
    std::optional<ReadFault> versionFault_;
    std::optional<ReadFault> memberFault_;
};

std::string_view Handler::numberAsWritten(std::string_view parsed) {
    // The parser has just read the number; the stream stands right after it.
    const std::size_t offset = streamStart_ + stream_.Tell() - parsed.size();
    if (nextHugeNumber_ < hugeNumbers_.size() && hugeNumbers_[nextHugeNumber_].offset == offset) {
        return hugeNumbers_[nextHugeNumber_++].text;
    }
    return parsed;
}

bool Handler::Key(const char* text, rapidjson::SizeType length, bool) {
    Frame& top = frames_.back();
    if (top.kind == Kind::Skip) return true;
    top.member = memberBit(top.kind, std::string_view(text, length));
    if (top.member >= 0) {
        const std::uint32_t bit = 1u << top.member;
        if (top.seen & bit) {
            if (!memberFault_) memberFault_ = ReadFault{path(), "the member appears twice"};
            top.member = -1;  // its value is ignored
        }
        top.seen |= bit;
    }
    return true;
}

bool Handler::value(ValueType type, std::string_view text, bool flag) {
    if (frames_.empty()) {
        if (type == ValueType::Object) {
            push(Kind::Root, 0);
            return true;
        }
        topLevelFault_ =
            ReadFault{"top level", "not a Notes library (" + describe(type) + ", not an object)"};
        return skip(type);
    }
    Frame& top = frames_.back();
    if (top.kind == Kind::Skip) {
        if (isContainer(type)) ++top.count;
        return true;
    }
    if (isArray(top.kind)) ++top.count;
    if (top.kind == Kind::Root) return rootMember(type, text);
    if (memberFault_) return skip(type);

    const Frame frame = top;  // `top` does not survive a push
    switch (frame.kind) {
        case Kind::Account:
            return accountMember(frame, type, text);
        case Kind::Folder:
            return folderMember(frame, type, text);
        case Kind::Note:
            return noteMember(frame, type, text, flag);
        case Kind::Attachment:
            if (frame.member != 0) return skip(type);
            if (type != ValueType::String) return wrongType(type, "a string");
            library_.attachmentNodes[frame.node].title = library_.store(text);
            return true;
        default:
            return element(frame, type);
    }
}

bool Handler::rootMember(ValueType type, std::string_view text) {
    const int member = frames_.back().member;
    if (member == member::kFormat) {
        seenFormat_ = true;
        if (type != ValueType::String) {
            formatFault_ = ReadFault{"format", "not a Notes library (" + describe(type) +
                                                   " instead of \"notes-library\")"};
            return skip(type);
        }
        if (text != "notes-library") {
            formatFault_ = ReadFault{"format", "not a Notes library (" + quoted(text) +
                                                   " instead of \"notes-library\")"};
        }
        return true;
    }
    if (member == member::kVersion) {
        seenVersion_ = true;
        if (type != ValueType::Number) {
            versionFault_ = ReadFault{"version", "expected a number, found " + describe(type)};
            return skip(type);
        }
        const std::string number(text);
        if (std::strtod(number.c_str(), nullptr) != 1.0) {
            versionFault_ = ReadFault{"version", "unknown version " + number.substr(0, 40) +
                                                     " (this importer reads version 1)"};
        }
        return true;
    }
    if (member == member::kAccounts && !memberFault_) {
        if (type != ValueType::Array) return wrongType(type, "an array");
        push(Kind::Accounts, 0);
        return true;
    }
    return skip(type);
}

bool Handler::accountMember(const Frame& frame, ValueType type, std::string_view text) {
    AccountNode& account = library_.accountNodes[frame.node];
    switch (frame.member) {
        case member::kAccountId:
        case member::kAccountName:
            if (type != ValueType::String) return wrongType(type, "a string");
            if (frame.member == member::kAccountId) {
                account.identifier = library_.store(text);
            } else {
                account.title = library_.store(text);
            }
            return true;
        case member::kAccountFolders:
            if (type != ValueType::Array) return wrongType(type, "an array");
            push(Kind::Folders, frame.node);
            return true;
        default:
            return skip(type);
    }
}

bool Handler::folderMember(const Frame& frame, ValueType type, std::string_view text) {
    FolderNode& folder = library_.folderNodes[frame.node];
    switch (frame.member) {
        case member::kFolderId:
        case member::kFolderName:
            if (type != ValueType::String) return wrongType(type, "a string");
            if (frame.member == member::kFolderId) {
                folder.identifier = library_.store(text);
            } else {
                folder.title = library_.store(text);
            }
            return true;
        case member::kContainer:
            if (type == ValueType::Null) {
                namedContainers_.push_back(NamedContainer{frame.node, std::nullopt});
            } else if (type == ValueType::String) {
                namedContainers_.push_back(NamedContainer{frame.node, library_.store(text)});
            } else {
                return wrongType(type, "a string or null");
            }
            return true;
        case member::kFolderNotes:
            if (type != ValueType::Array) return wrongType(type, "an array");
            folder.noteBegin = folder.noteEnd =
                static_cast<std::uint32_t>(library_.noteNodes.size());
            push(Kind::Notes, frame.node);
            return true;
        case member::kFolderFolders:
            if (type != ValueType::Array) return wrongType(type, "an array");
            push(Kind::Folders, folder.account, frame.node);
            return true;
        default:
            return skip(type);
    }
}

bool Handler::noteMember(const Frame& frame, ValueType type, std::string_view text, bool flag) {
    NoteNode& note = library_.noteNodes[frame.node];
    switch (frame.member) {
        case member::kNoteName:
        case member::kBody:
            if (type != ValueType::String) return wrongType(type, "a string");
            (frame.member == member::kNoteName ? note.title : note.html) = library_.store(text);
            return true;
        case member::kCreationDate:
        case member::kModificationDate: {
            if (type != ValueType::String) return wrongType(type, "a string");
            const auto date = parseRfc3339(text);
            if (!date) {
                return memberFault(type,
                                   quoted(text) + " is not an RFC 3339 date-time with a time zone");
            }
            (frame.member == member::kCreationDate ? note.created : note.modified) = date;
            return true;
        }
        case member::kAttachments:
            if (type != ValueType::Array) return wrongType(type, "an array");
            note.attachmentBegin = note.attachmentEnd =
                static_cast<std::uint32_t>(library_.attachmentNodes.size());
            push(Kind::Attachments, frame.node);
            return true;
        case member::kLocked:
            if (type != ValueType::Boolean) return wrongType(type, "true or false");
            note.locked = flag;
            return true;
        default:
            return skip(type);
    }
}

bool Handler::element(const Frame& frame, ValueType type) {
    if (type != ValueType::Object) return wrongType(type, "an object");
    switch (frame.kind) {
        case Kind::Accounts: {
            const auto index = static_cast<std::uint32_t>(library_.accountNodes.size());
            AccountNode& account = library_.accountNodes.emplace_back(&library_);
            account.folderBegin = account.folderEnd =
                static_cast<std::uint32_t>(library_.folderNodes.size());
            push(Kind::Account, index);
            return true;
        }
        case Kind::Folders: {
            const auto index = static_cast<std::uint32_t>(library_.folderNodes.size());
            FolderNode& folder = library_.folderNodes.emplace_back(&library_);
            folder.account = frame.node;
            folder.parent = frame.parentFolder;
            folder.containerRef =
                frame.parentFolder == kNoIndex
                    ? ContainerRef{ContainerRef::Kind::Account, frame.node}
                    : ContainerRef{ContainerRef::Kind::Folder, frame.parentFolder};
            push(Kind::Folder, index);
            return true;
        }
        case Kind::Notes: {
            const auto index = static_cast<std::uint32_t>(library_.noteNodes.size());
            library_.noteNodes.emplace_back(&library_);
            push(Kind::Note, index);
            return true;
        }
        case Kind::Attachments: {
            const auto index = static_cast<std::uint32_t>(library_.attachmentNodes.size());
            library_.attachmentNodes.emplace_back(&library_);
            push(Kind::Attachment, index);
            return true;
        }
        default:
            return skip(type);
    }
}

bool Handler::end() {
    Frame& top = frames_.back();
    if (top.kind == Kind::Skip && top.count > 0) {
        --top.count;
        return true;
    }
    const auto size = [](const auto& nodes) { return static_cast<std::uint32_t>(nodes.size()); };
    switch (top.kind) {
        case Kind::Account:
            library_.accountNodes[top.node].folderEnd = size(library_.folderNodes);
            break;
        case Kind::Notes:
            library_.folderNodes[top.node].noteEnd = size(library_.noteNodes);
            break;
        case Kind::Attachments:
            library_.noteNodes[top.node].attachmentEnd = size(library_.attachmentNodes);
            break;
        default:
            break;
    }
    frames_.pop_back();
    return true;
}

bool Handler::skip(ValueType type) {
    if (isContainer(type)) frames_.emplace_back(Kind::Skip);
    return true;
}

bool Handler::memberFault(ValueType type, const std::string& what) {
    if (!memberFault_) memberFault_ = ReadFault{path(), what};
    return skip(type);
}

std::string Handler::path() const {
    std::string path;
    for (const Frame& frame : frames_) {
        if (frame.kind == Kind::Skip) break;
        if (isArray(frame.kind)) {
            path += "[" + std::to_string(frame.count - 1) + "]";
        } else {
            if (frame.member < 0) break;  // faults arise only below known members
            if (!path.empty()) path += '.';
            path += knownMembers(frame.kind)[static_cast<std::size_t>(frame.member)];
        }
    }
    return path;
}

std::optional<ReadFault> Handler::fault() const {
    if (topLevelFault_) return topLevelFault_;
    if (!seenFormat_) return ReadFault{"top level", "not a Notes library (no \"format\" member)"};
    if (formatFault_) return formatFault_;
    if (!seenVersion_) return ReadFault{"top level", "no \"version\" member"};
    if (versionFault_) return versionFault_;
    return memberFault_;
}

// Groups each folder's direct sub-folders, in file order, for FolderNode::folders().
void linkChildren(Library& library) {
    auto& folders = library.folderNodes;
    std::vector<std::uint32_t> counts(folders.size(), 0);
    for (const auto& folder : folders) {
        if (folder.parent != kNoIndex) ++counts[folder.parent];
    }
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        folders[i].childBegin = folders[i].childEnd = next;
        next += counts[i];
    }
    library.childIndices.assign(next, 0);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folders[i].parent != kNoIndex) {
            library.childIndices[folders[folders[i].parent].childEnd++] =
                static_cast<std::uint32_t>(i);
        }
    }
}

// Points each folder that names its container at the object of the account with that id (the
// account itself first, then its folders in order), or at a detached container.
void resolveContainers(Library& library, const std::vector<NamedContainer>& named) {
    std::optional<std::uint32_t> noId;
    std::unordered_map<std::string_view, ContainerRef> byId;
    std::uint32_t mappedAccount = kNoIndex;
    for (const auto& entry : named) {
        FolderNode& folder = library.folderNodes[entry.folder];
        if (!entry.id) {
            if (!noId) {
                noId = static_cast<std::uint32_t>(library.detachedNodes.size());
                library.detachedNodes.emplace_back(&library, std::nullopt);
            }
            folder.containerRef = ContainerRef{ContainerRef::Kind::Detached, *noId};
            continue;
        }
        if (mappedAccount != folder.account) {
            mappedAccount = folder.account;
            byId.clear();
            const AccountNode& account = library.accountNodes[mappedAccount];
            if (account.identifier) {
                byId.emplace(library.bytes(*account.identifier),
                             ContainerRef{ContainerRef::Kind::Account, mappedAccount});
            }
            for (auto i = account.folderBegin; i < account.folderEnd; ++i) {
                if (const auto& id = library.folderNodes[i].identifier) {
                    byId.emplace(library.bytes(*id), ContainerRef{ContainerRef::Kind::Folder, i});
                }
            }
        }
        if (auto found = byId.find(library.bytes(*entry.id)); found != byId.end()) {
            folder.containerRef = found->second;
        } else {
            folder.containerRef =
                ContainerRef{ContainerRef::Kind::Detached,
                             static_cast<std::uint32_t>(library.detachedNodes.size())};
            library.detachedNodes.emplace_back(&library, entry.id);
        }
    }
}

std::string parseErrorText(rapidjson::ParseErrorCode code, std::string_view bytes,
                           std::size_t offset) {
    if (code == rapidjson::kParseErrorStringEscapeInvalid && offset < bytes.size() &&
        static_cast<unsigned char>(bytes[offset]) < 0x20) {
        // The parser names a raw control character an invalid escape.
        char unit[8];
        std::snprintf(unit, sizeof unit, "U+%04X", static_cast<unsigned char>(bytes[offset]));
        return std::string("not valid JSON: control character ") + unit + " in string";
    }
    std::string text = rapidjson::GetParseError_En(code);
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] + 32);
    return "not valid JSON: " + text;
}

std::string placeOf(std::string_view bytes, std::uint64_t offset) {
    const auto place = library_text::lineAndColumn(bytes, offset);
    return "line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
}

}  // namespace

ReadResult readLibrary(std::string bytes) {
    if (bytes.empty()) return ReadResult{nullptr, ReadFault{"", "the file is empty"}};

    // A byte-order mark is tolerated; places are counted after it.
    std::size_t start = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    if (auto bad = library_text::firstInvalidUtf8(std::string_view(bytes).substr(start))) {
        const std::string_view text = std::string_view(bytes).substr(start);
        const bool nul = text[*bad] == '\0';
        return ReadResult{nullptr,
                          ReadFault{placeOf(text, *bad),
                                    nul ? "not valid JSON (a NUL character)" : "not UTF-8 text"}};
    }
    const std::vector<library_text::HugeNumber> hugeNumbers = library_text::prepareForParser(bytes);

    auto library = std::make_shared<Library>();
    // Stored strings never outgrow the file, so the store is never moved while it fills.
    library->strings.reserve(bytes.size() - start);
    TerminatedStream stream(std::string_view(bytes).substr(start));
    Handler handler(*library, stream, start, hugeNumbers);
    rapidjson::Reader reader;
    const auto parsed =
        reader.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag>(
            stream, handler);
    if (parsed.IsError()) {
        const std::string_view text = std::string_view(bytes).substr(start);
        return ReadResult{nullptr, ReadFault{placeOf(text, parsed.Offset()),
                                             parseErrorText(parsed.Code(), text, parsed.Offset())}};
    }
    std::string().swap(bytes);

    if (auto fault = handler.fault()) return ReadResult{nullptr, std::move(fault)};
    linkChildren(*library);
    resolveContainers(*library, handler.namedContainers());
    return ReadResult{std::move(library), std::nullopt};
}

}  // namespace quillmere::notes_library
