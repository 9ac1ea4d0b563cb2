#include "string_utils/creation_convenience.h"

#include <unicode/utf16.h>

#include "platform/text/character_set.h"
#include "platform/text/word_breaks.h"

namespace quillmere::CreationConvenience {

namespace {

// A cut after a word keeps at most this many code units, whatever the range.
constexpr std::uint64_t kLastWordEnd = 99;

}  // namespace

Text stringByTruncatingToFullWordsInRange(const Text& string, Range range) {
    if (string.size() <= range.length) {
        return trimming(string, whitespaceAndNewlineCharacterSet());
    }
    std::uint64_t cut = range.length;
    bool cutAfterWord = false;
    // Enclosing ranges end at ever larger positions, so once one ends past the bound no later
    // one can move the cut: stopping there gives the same cut as visiting every word, and keeps
    // a long text from being segmented to its end.
    enumerateWordEnclosingRanges(string, [&cut, &cutAfterWord](Range enclosing) {
        if (enclosing.end() > kLastWordEnd) {
            return false;
        }
        cut = enclosing.end();
        cutAfterWord = true;
        return true;
    });
    if (!cutAfterWord && cut > 0 && cut < string.size() && U16_IS_LEAD(string[cut - 1]) &&
        U16_IS_TRAIL(string[cut])) {
        // Half a character would end up as U+FFFD on disk; leave the whole character out.
        --cut;
    }
    return trimming(TextView(string).substr(0, cut), whitespaceAndNewlineCharacterSet());
}

Text stringWithCharacter(char16_t character) { return Text(1, character); }

const Text& attachmentCharacter() {
    static const Text attachment = stringWithCharacter(0xFFFC);
    return attachment;
}

}  // namespace quillmere::CreationConvenience
