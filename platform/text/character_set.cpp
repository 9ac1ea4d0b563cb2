#include "platform/text/character_set.h"

#include <unicode/uniset.h>

namespace quillmere {

namespace {

std::shared_ptr<const icu::UnicodeSet> frozen(icu::UnicodeSet set) {
    auto shared = std::make_shared<icu::UnicodeSet>(std::move(set));
    shared->freeze();
    return shared;
}

CharacterSet fromPattern(const char16_t* pattern) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeSet set(icu::UnicodeString(pattern), status);
    return CharacterSet(frozen(U_SUCCESS(status) ? std::move(set) : icu::UnicodeSet()));
}

}  // namespace

CharacterSet::CharacterSet(std::shared_ptr<const icu::UnicodeSet> set) : set_(std::move(set)) {}

CharacterSet CharacterSet::withCharactersInString(TextView characters) {
    icu::UnicodeSet set;
    for (std::uint64_t i = 0; i < characters.size();) {
        const text::CodePoint c = text::codePointAt(characters, i);
        set.add(static_cast<UChar32>(c.value));
        i += c.length;
    }
    return CharacterSet(frozen(std::move(set)));
}

CharacterSet CharacterSet::withRange(Range range) {
    icu::UnicodeSet set;
    if (range.length > 0 && range.location <= 0x10FFFF) {
        const std::uint64_t last = std::min<std::uint64_t>(range.end() - 1, 0x10FFFF);
        set.add(static_cast<UChar32>(range.location), static_cast<UChar32>(last));
    }
    return CharacterSet(frozen(std::move(set)));
}

bool CharacterSet::contains(char32_t codePoint) const {
    return set_->contains(static_cast<UChar32>(codePoint));
}

CharacterSet CharacterSet::inverted() const {
    std::unique_ptr<icu::UnicodeSet> set(set_->cloneAsThawed());
    set->complement();
    return CharacterSet(frozen(std::move(*set)));
}

CharacterSet CharacterSet::unionWith(const CharacterSet& other) const {
    std::unique_ptr<icu::UnicodeSet> set(set_->cloneAsThawed());
    set->addAll(*other.set_);
    return CharacterSet(frozen(std::move(*set)));
}

const CharacterSet& whitespaceCharacterSet() {
    static const CharacterSet set = fromPattern(u"[[:Zs:]\\u0009]");
    return set;
}

const CharacterSet& whitespaceAndNewlineCharacterSet() {
    static const CharacterSet set = fromPattern(u"[[:Zs:][:Zl:][:Zp:]\\u0009-\\u000D\\u0085]");
    return set;
}

Range rangeOfCharacterFromSet(TextView text, const CharacterSet& set, Range within) {
    const std::uint64_t end = std::min<std::uint64_t>(within.end(), text.size());
    for (std::uint64_t i = within.location; i < end;) {
        const text::CodePoint c = text::codePointAt(text.substr(0, end), i);
        if (set.contains(c.value)) {
            return Range{i, c.length};
        }
        i += c.length;
    }
    return kNotFoundRange;
}

Range rangeOfLastCharacterFromSet(TextView text, const CharacterSet& set) {
    if (text.empty()) {
        return kNotFoundRange;
    }
    std::uint64_t start = text.size() - 1;
    if (start > 0 && U16_IS_TRAIL(text[start]) && U16_IS_LEAD(text[start - 1])) {
        --start;
    }
    const text::CodePoint c = text::codePointAt(text, start);
    return set.contains(c.value) ? Range{start, c.length} : kNotFoundRange;
}

Text trimming(TextView text, const CharacterSet& set) {
    std::uint64_t begin = 0;
    while (begin < text.size()) {
        const text::CodePoint c = text::codePointAt(text, begin);
        if (!set.contains(c.value)) {
            break;
        }
        begin += c.length;
    }
    std::uint64_t end = text.size();
    while (end > begin) {
        const Range last = rangeOfLastCharacterFromSet(text.substr(begin, end - begin), set);
        if (last == kNotFoundRange) {
            break;
        }
        end = begin + last.location;
    }
    return Text(text.substr(begin, end - begin));
}

}  // namespace quillmere
