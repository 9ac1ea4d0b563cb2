#pragma once
// Object graphs written by NSKeyedArchiver: a binary property list whose "$objects" array holds
// every object, whose "$top" dictionary names the roots, and in which objects refer to each other
// by UID. These helpers follow one UID at a time, so a graph with cycles costs nothing extra.
//
//   auto archive = KeyedArchive::parse(std::move(bytes));
//   auto root = archive ? archive->top("root") : plist::Value{};
//   if (archive->className(root) == "ICCryptoEncryptionObject") {
//       auto key = archive->data(archive->member(root, "wrappedEncryptionKey"));
//   }

#include <optional>
#include <string>
#include <string_view>

#include "platform/plist/binary_property_list.h"

namespace quillmere::plist {

class KeyedArchive {
public:
    // The archive in `bytes`, or std::nullopt when they are no binary property list with an
    // "$objects" array and a "$top" dictionary.
    static std::optional<KeyedArchive> parse(std::string bytes);

    // The object that "$top" names under `key`, resolved.
    Value top(std::string_view key) const { return resolve(list_.root()["$top"][key]); }

    // The object a UID refers to; any other value as it is. The archive's "$null" is invalid.
    Value resolve(const Value& value) const;

    // The member `key` of an archived object (a dictionary), resolved.
    Value member(const Value& object, std::string_view key) const { return resolve(object[key]); }

    // The class name of an archived object ("$class" → "$classname").
    std::optional<std::string> className(const Value& object) const {
        return member(member(object, "$class"), "$classname").string();
    }

    // Bytes archived as data, either inline or as an NSData object ("NS.data").
    std::optional<std::string_view> data(const Value& value) const;
    // A string archived inline or as an NSString object ("NS.string").
    std::optional<std::string> string(const Value& value) const;

private:
    explicit KeyedArchive(BinaryPropertyList list) : list_(std::move(list)) {}
    BinaryPropertyList list_;
};

}  // namespace quillmere::plist
