#pragma once
// Apple's binary property lists ("bplist00"), read in place: an object is decoded only when it is
// asked for, one object at a time, so that no input can make the reader recurse, loop or expand
// (an object may refer to itself or be shared by many without cost). Work per call is bounded by
// the size of the one object asked for.
//
//   auto list = BinaryPropertyList::parse(std::move(bytes));
//   if (!list) return fail("not a binary property list");
//   auto salt = list->root()["passphraseSalt"].data();         // std::nullopt if absent or no data
//   auto count = list->root()["passphraseIterationCount"].integer();
//
// A value of the wrong kind, a missing key or an index out of range gives an invalid value whose
// accessors all answer std::nullopt (or 0 elements), so lookups chain without checks.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere::plist {

enum class Kind {
    invalid,  // missing, out of range or damaged
    null,
    boolean,
    integer,
    real,
    date,
    data,
    string,
    uid,
    array,
    set,
    dictionary,
};

struct ListData;

// One object of a property list. Valid while the list it came from lives (moving the list keeps
// it valid).
class Value {
public:
    Value() = default;

    Kind kind() const { return kind_; }
    explicit operator bool() const { return kind_ != Kind::invalid; }

    std::optional<bool> boolean() const;
    // Integers of 1, 2 and 4 bytes are unsigned, of 8 bytes signed; of 16 bytes the low 8.
    std::optional<std::int64_t> integer() const;
    // Seconds since 2001-01-01 00:00 UTC for a date.
    std::optional<double> real() const;
    std::optional<std::string_view> data() const;  // a view into the list's bytes
    std::optional<std::string> string() const;     // UTF-8 (UTF-16 strings are converted)
    std::optional<std::uint64_t> uid() const;

    // Elements of an array or a set, entries of a dictionary; 0 for anything else.
    std::size_t count() const;
    // The element at `index` of an array or a set.
    Value element(std::size_t index) const;
    // The value for `key` in a dictionary (keys compared as UTF-8).
    Value operator[](std::string_view key) const;

private:
    friend class BinaryPropertyList;
    Value(const ListData* list, std::uint64_t index);

    std::uint64_t reference(std::size_t position) const;  // the n-th object reference

    const ListData* list_ = nullptr;
    Kind kind_ = Kind::invalid;
    std::uint8_t info_ = 0;    // the marker's low nibble
    bool utf16_ = false;       // a string of UTF-16 code units, not of ASCII bytes
    std::size_t payload_ = 0;  // where the contents start
    std::size_t length_ = 0;   // elements, characters or bytes
};

class BinaryPropertyList {
public:
    // The list in `bytes`, or std::nullopt when they are not a binary property list whose
    // trailer, offset table and top object are in range.
    static std::optional<BinaryPropertyList> parse(std::string bytes);

    Value root() const;
    // The object with number `index` (what a keyed archive's UIDs refer to through $objects).
    Value object(std::uint64_t index) const { return Value(data_.get(), index); }

private:
    explicit BinaryPropertyList(std::shared_ptr<const ListData> data) : data_(std::move(data)) {}
    std::shared_ptr<const ListData> data_;
};

}  // namespace quillmere::plist
