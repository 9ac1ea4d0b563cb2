#include "platform/plist/binary_property_list.h"

#include <cstring>

#include "platform/text/text.h"

namespace quillmere::plist {

struct ListData {
    std::string bytes;
    std::uint8_t offsetSize = 0;
    std::uint8_t referenceSize = 0;
    std::uint64_t objectCount = 0;
    std::uint64_t topObject = 0;
    std::uint64_t offsetTable = 0;  // objects lie between the header and here
};

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTrailerSize = 32;

// The big-endian unsigned number of `size` bytes (1 to 8) at `at`.
std::uint64_t bigEndian(const std::string& bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

}  // namespace

std::optional<BinaryPropertyList> BinaryPropertyList::parse(std::string bytes) {
    if (bytes.size() < kHeaderSize + kTrailerSize || bytes.compare(0, 8, "bplist00") != 0) {
        return std::nullopt;
    }
    auto data = std::make_shared<ListData>();
    const std::size_t trailer = bytes.size() - kTrailerSize;
    data->offsetSize = static_cast<std::uint8_t>(bytes[trailer + 6]);
    data->referenceSize = static_cast<std::uint8_t>(bytes[trailer + 7]);
    data->objectCount = bigEndian(bytes, trailer + 8, 8);
    data->topObject = bigEndian(bytes, trailer + 16, 8);
    data->offsetTable = bigEndian(bytes, trailer + 24, 8);
    if (data->offsetSize < 1 || data->offsetSize > 8 || data->referenceSize < 1 ||
        data->referenceSize > 8 || data->objectCount == 0 || data->topObject >= data->objectCount ||
        data->offsetTable < kHeaderSize || data->offsetTable > trailer ||
        data->objectCount > (trailer - data->offsetTable) / data->offsetSize) {
        return std::nullopt;
    }
    data->bytes = std::move(bytes);
    BinaryPropertyList list(std::move(data));
    if (!list.root()) return std::nullopt;
    return list;
}

Value BinaryPropertyList::root() const { return Value(data_.get(), data_->topObject); }

Value::Value(const ListData* list, std::uint64_t index) {
    if (!list || index >= list->objectCount) return;
    const std::string& bytes = list->bytes;
    const std::size_t end = list->offsetTable;
    const std::uint64_t offset =
        bigEndian(bytes, list->offsetTable + index * list->offsetSize, list->offsetSize);
    if (offset < kHeaderSize || offset >= end) return;

    const auto marker = static_cast<std::uint8_t>(bytes[offset]);
    const std::uint8_t type = marker >> 4;
    const std::uint8_t info = marker & 0x0f;
    std::size_t payload = offset + 1;
    std::size_t size = 0;  // bytes of contents after the marker (and the length)
    Kind kind = Kind::invalid;

    auto sized = [&](Kind k, std::size_t bytesNeeded) {
        kind = k;
        size = bytesNeeded;
    };
    // The element or character count: the low nibble, or an integer object after the marker.
    auto count = [&]() -> std::optional<std::size_t> {
        if (info != 0x0f) return info;
        if (payload >= end) return std::nullopt;
        const auto lengthMarker = static_cast<std::uint8_t>(bytes[payload]);
        if (lengthMarker >> 4 != 0x1 || (lengthMarker & 0x0f) > 3) return std::nullopt;
        const std::size_t lengthSize = std::size_t{1} << (lengthMarker & 0x0f);
        if (payload + 1 + lengthSize > end) return std::nullopt;
        const std::uint64_t value = bigEndian(bytes, payload + 1, lengthSize);
        payload += 1 + lengthSize;
        // Every element takes at least a byte; a larger count cannot be in range.
        if (value > end) return std::nullopt;
        return static_cast<std::size_t>(value);
    };

    switch (type) {
        case 0x0:
            if (info == 0x0) sized(Kind::null, 0);
            if (info == 0x8 || info == 0x9) sized(Kind::boolean, 0);
            break;
        case 0x1:
            if (info <= 4) sized(Kind::integer, std::size_t{1} << info);
            break;
        case 0x2:
            if (info == 2 || info == 3) sized(Kind::real, std::size_t{1} << info);
            break;
        case 0x3:
            if (info == 3) sized(Kind::date, 8);
            break;
        case 0x4:
        case 0x5:
        case 0x6:
        case 0xa:
        case 0xc:
        case 0xd:
            if (auto n = count()) {
                length_ = *n;
                switch (type) {
                    case 0x4:
                        sized(Kind::data, *n);
                        break;
                    case 0x5:
                        sized(Kind::string, *n);
                        break;
                    case 0x6:
                        sized(Kind::string, 2 * *n);
                        break;
                    case 0xa:
                        sized(Kind::array, *n * list->referenceSize);
                        break;
                    case 0xc:
                        sized(Kind::set, *n * list->referenceSize);
                        break;
                    default:
                        sized(Kind::dictionary, 2 * *n * list->referenceSize);
                        break;
                }
            }
            break;
        case 0x8:
            if (info <= 7) sized(Kind::uid, info + std::size_t{1});
            break;
        default:
            break;
    }
    if (kind == Kind::invalid || payload > end || size > end - payload) return;
    list_ = list;
    kind_ = kind;
    info_ = info;
    utf16_ = type == 0x6;
    payload_ = payload;
    if (kind != Kind::data && kind != Kind::string && kind != Kind::array && kind != Kind::set &&
        kind != Kind::dictionary) {
        length_ = size;
    }
}

std::optional<bool> Value::boolean() const {
    if (kind_ != Kind::boolean) return std::nullopt;
    return info_ == 0x9;
}

std::optional<std::int64_t> Value::integer() const {
    if (kind_ != Kind::integer) return std::nullopt;
    // A 16-byte integer keeps its low 8 bytes.
    const std::size_t size = length_ > 8 ? 8 : length_;
    const std::uint64_t value = bigEndian(list_->bytes, payload_ + length_ - size, size);
    return static_cast<std::int64_t>(value);
}

std::optional<double> Value::real() const {
    if (kind_ != Kind::real && kind_ != Kind::date) return std::nullopt;
    const std::uint64_t bits = bigEndian(list_->bytes, payload_, length_);
    if (length_ == 4) {
        const auto narrow = static_cast<std::uint32_t>(bits);
        float value;
        std::memcpy(&value, &narrow, sizeof value);
        return value;
    }
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::optional<std::string_view> Value::data() const {
    if (kind_ != Kind::data) return std::nullopt;
    return std::string_view(list_->bytes).substr(payload_, length_);
}

std::optional<std::string> Value::string() const {
    if (kind_ != Kind::string) return std::nullopt;
    const std::string& bytes = list_->bytes;
    Text text;
    text.reserve(length_);
    for (std::size_t i = 0; i < length_; ++i) {
        // Bytes above ASCII are read as Latin-1, so that the result is always UTF-8.
        text.push_back(utf16_
                           ? static_cast<char16_t>(bigEndian(bytes, payload_ + 2 * i, 2))
                           : static_cast<char16_t>(static_cast<std::uint8_t>(bytes[payload_ + i])));
    }
    return text::toUtf8(text);
}

std::optional<std::uint64_t> Value::uid() const {
    if (kind_ != Kind::uid) return std::nullopt;
    return bigEndian(list_->bytes, payload_, length_);
}

std::size_t Value::count() const {
    return kind_ == Kind::array || kind_ == Kind::set || kind_ == Kind::dictionary ? length_ : 0;
}

std::uint64_t Value::reference(std::size_t position) const {
    return bigEndian(list_->bytes, payload_ + position * list_->referenceSize,
                     list_->referenceSize);
}

Value Value::element(std::size_t index) const {
    if ((kind_ != Kind::array && kind_ != Kind::set) || index >= length_) return {};
    return Value(list_, reference(index));
}

Value Value::operator[](std::string_view key) const {
    if (kind_ != Kind::dictionary) return {};
    for (std::size_t i = 0; i < length_; ++i) {
        const Value name(list_, reference(i));
        if (name.kind_ != Kind::string) continue;
        // An ASCII key compares in place; only a UTF-16 one is converted.
        const bool same =
            name.utf16_ ? name.string() == key
                        : std::string_view(list_->bytes).substr(name.payload_, name.length_) == key;
        if (same) return Value(list_, reference(length_ + i));
    }
    return {};
}

}  // namespace quillmere::plist
