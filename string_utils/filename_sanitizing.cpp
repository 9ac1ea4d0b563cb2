// Turning any line of text, such as a note's numbered title, into the base name of one file.

#include <unicode/utf16.h>

#include "platform/text/character_set.h"
#include "platform/text/regular_expression.h"
#include "string_utils/creation_convenience.h"
#include "string_utils/path_utilities.h"

namespace quillmere::PathUtilities {

namespace {

// The limit covers the whole base name; the extension comes on top of it.
constexpr std::uint64_t kMaximumLength = 100;

// Tab, line feed, and U+FFFF with every supplementary character. A supplementary character
// could not be shown in every file name, so it becomes a space; lone surrogates are no members.
const CharacterSet& spaceReplacementCharacterSet() {
    static const CharacterSet set = CharacterSet::withCharactersInString(u"\t\n").unionWith(
        CharacterSet::withRange(Range{0, 65535}).inverted());
    return set;
}

const RegularExpression& trailingDotsExpression() {
    static const RegularExpression expression(u"[\\.]+$", 0);
    return expression;
}

bool liesInside(std::uint64_t position, Range range) {
    return position >= range.location && position < range.end();
}

// Each unallowed character becomes "-"; answers the span from the first to the last one.
Range replaceUnallowedCharacters(Text& w) {
    const CharacterSet unallowed = CharacterSet::withCharactersInString(u"\\/:?*<>\"|");
    Range replaced{0, 0};
    std::uint64_t scan = 0;
    while (scan < w.size()) {
        const Range found = rangeOfCharacterFromSet(w, unallowed, Range{scan, w.size() - scan});
        if (found == kNotFoundRange) {
            break;
        }
        const std::uint64_t p = found.location;
        w[p] = u'-';
        if (replaced.length == 0) {
            replaced = Range{p, 1};
        } else {
            replaced.length = p + 1 - replaced.location;
        }
        scan = p + 1;
    }
    return replaced;
}

void replaceWithSpaces(Text& w) {
    std::uint64_t scan = 0;
    while (scan < w.size()) {
        const Range found = rangeOfCharacterFromSet(w, spaceReplacementCharacterSet(),
                                                    Range{scan, w.size() - scan});
        if (found == kNotFoundRange) {
            break;
        }
        w.replace(found.location, found.length, 1, u' ');
        scan = found.location + 1;
    }
}

void collapseDoubledSpaces(Text& w) {
    std::uint64_t search = 0;
    for (;;) {
        const Range found = text::rangeOfString(w, u"  ", Range{search, w.size() - search});
        if (found == kNotFoundRange) {
            break;
        }
        w.replace(found.location, found.length, 1, u' ');
        search = found.location;
    }
}

}  // namespace

Text stringByReplacingUnallowedFilenameCharacters(const Text& string) {
    // Only this cut sees the whole input; every later step works on at most 100 code units.
    Text w =
        CreationConvenience::stringByTruncatingToFullWordsInRange(string, Range{0, kMaximumLength});

    // A leading dot would hide the file; trailing dots are dropped by some file systems.
    if (text::hasPrefix(w, u".")) {
        w[0] = u'_';
    }
    if (text::hasSuffix(w, u".")) {
        trailingDotsExpression().replaceMatches(w, u"");
    }

    // The replaced span is not shifted by the edits that follow; the trailing-hyphen rule below
    // reads it as it was recorded.
    const Range replaced = replaceUnallowedCharacters(w);
    replaceWithSpaces(w);
    collapseDoubledSpaces(w);

    const Range lastWhitespace = rangeOfLastCharacterFromSet(w, whitespaceAndNewlineCharacterSet());
    if (lastWhitespace != kNotFoundRange) {
        w.erase(lastWhitespace.location, lastWhitespace.length);
    }

    if (w.size() > kMaximumLength) {
        std::uint64_t cut = kMaximumLength;
        if (U16_IS_TRAIL(w[cut]) && U16_IS_LEAD(w[cut - 1])) {
            --cut;
        }
        w.resize(cut);
    }

    // A "-" that only stands for an unallowed character at the end says nothing; keep at least
    // one code unit so that a name remains.
    while (w.size() >= 2 && liesInside(w.size() - 1, replaced) && w.back() == u'-') {
        w.pop_back();
    }

    return trimming(w, whitespaceCharacterSet());
}

}  // namespace quillmere::PathUtilities
