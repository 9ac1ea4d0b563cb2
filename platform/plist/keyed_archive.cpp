#include "platform/plist/keyed_archive.h"

namespace quillmere::plist {

std::optional<KeyedArchive> KeyedArchive::parse(std::string bytes) {
    auto list = BinaryPropertyList::parse(std::move(bytes));
    if (!list) return std::nullopt;
    const Value root = list->root();
    if (root["$objects"].kind() != Kind::array || root["$top"].kind() != Kind::dictionary) {
        return std::nullopt;
    }
    return KeyedArchive(std::move(*list));
}

Value KeyedArchive::resolve(const Value& value) const {
    const auto uid = value.uid();
    if (!uid) return value;
    const Value object = list_.root()["$objects"].element(static_cast<std::size_t>(*uid));
    if (object.kind() == Kind::string && object.string() == "$null") return {};
    return object;
}

std::optional<std::string_view> KeyedArchive::data(const Value& value) const {
    if (auto bytes = value.data()) return bytes;
    return member(value, "NS.data").data();
}

std::optional<std::string> KeyedArchive::string(const Value& value) const {
    if (auto text = value.string()) return text;
    return member(value, "NS.string").string();
}

}  // namespace quillmere::plist
