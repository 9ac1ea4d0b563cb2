#pragma once
// Sets of code points, and the searches and trimming that use them.
//
// Membership is tested on whole code points: a surrogate pair is tested as the one code point it
// encodes and a match on it covers both code units; a lone surrogate is tested as itself.
//
//   Text t = trimming(u"  a b \n", whitespaceAndNewlineCharacterSet());  // u"a b"

#include <unicode/uversion.h>

#include <memory>

#include "platform/text/text.h"

U_NAMESPACE_BEGIN
class UnicodeSet;
U_NAMESPACE_END

namespace quillmere {

// An immutable set of code points. Copies share their contents; safe to read from any thread.
class CharacterSet {
public:
    // The code points of `characters` (surrogate pairs count as one code point).
    static CharacterSet withCharactersInString(TextView characters);
    // The code points from range.location to range.location + range.length - 1.
    static CharacterSet withRange(Range range);

    bool contains(char32_t codePoint) const;
    // Every code point from U+0000 to U+10FFFF that is not a member.
    CharacterSet inverted() const;
    // The members of both sets.
    CharacterSet unionWith(const CharacterSet& other) const;

    explicit CharacterSet(std::shared_ptr<const icu::UnicodeSet> set);

private:
    std::shared_ptr<const icu::UnicodeSet> set_;
};

// General category Zs plus tab.
const CharacterSet& whitespaceCharacterSet();
// General categories Zs, Zl and Zp plus U+0009 to U+000D and U+0085.
const CharacterSet& whitespaceAndNewlineCharacterSet();

// The first member of `set` inside `within`, searching forwards, as the range of its code units;
// kNotFoundRange when there is none.
Range rangeOfCharacterFromSet(TextView text, const CharacterSet& set, Range within);

// The range of the text's last character when it is a member of `set` (a backwards, anchored
// search); kNotFoundRange otherwise, and for the empty text.
Range rangeOfLastCharacterFromSet(TextView text, const CharacterSet& set);

// `text` without the longest run of members of `set` at its start and at its end.
Text trimming(TextView text, const CharacterSet& set);

}  // namespace quillmere
