#include "string_utils/creation_convenience.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using CreationConvenience::attachmentCharacter;
using CreationConvenience::stringByTruncatingToFullWordsInRange;
using CreationConvenience::stringWithCharacter;

Text repeated(TextView part, std::size_t times) {
    Text result;
    for (std::size_t i = 0; i < times; ++i) {
        result += part;
    }
    return result;
}

struct TruncationCase {
    const char* name;
    Text input;
    Range range;
    Text expected;
};

TEST(StringByTruncatingToFullWords, CutsAfterTheLastWordEndingByNinetyNine) {
    const Text lead(1, char16_t(0xD83D));
    const TruncationCase cases[] = {
        {"short_text_only_trimmed", u"  a b  ", {0, 100}, u"a b"},
        {"exactly_the_length_kept", repeated(u"x", 100), {0, 100}, repeated(u"x", 100)},
        {"location_ignored", u"  a b  ", {42, 100}, u"a b"},
        {"one_long_word_falls_back_to_length", repeated(u"x", 150), {0, 100}, repeated(u"x", 100)},
        {"length_plus_one_falls_back", repeated(u"x", 101), {0, 100}, repeated(u"x", 100)},
        {"cut_after_word_ending_at_95",
         repeated(u"aaaa ", 24),
         {0, 100},
         repeated(u"aaaa ", 18) + u"aaaa"},
        {"enclosing_range_ending_at_100_is_beyond_bound",
         repeated(u"x", 95) + u" abc def",
         {0, 100},
         repeated(u"x", 95)},
        {"enclosing_range_ending_at_99_counts",
         repeated(u"x", 93) + u" abcd efgh",
         {0, 100},
         repeated(u"x", 93) + u" abcd"},
        {"no_words_falls_back", repeated(u"-", 120), {0, 100}, repeated(u"-", 100)},
        // The bound stays at 99 whatever the range, so a cut after a word may exceed a short range.
        {"bound_does_not_follow_the_range", u"aaaa bbbb cccc", {0, 6}, u"aaaa bbbb cccc"},
        {"fallback_cut_trimmed",
         repeated(u"x", 98) + u"\n\n" + repeated(u"y", 5),
         {0, 100},
         repeated(u"x", 98)},
        {"fallback_cut_keeps_pair_whole", repeated(u"x", 99) + u"😀x", {0, 100}, repeated(u"x", 99)},
        {"fallback_cut_after_pair_kept",
         repeated(u"x", 98) + u"😀x",
         {0, 100},
         repeated(u"x", 98) + u"😀"},
        {"lone_lead_surrogate_at_cut_kept",
         repeated(u"x", 99) + lead + u"xx",
         {0, 100},
         repeated(u"x", 99) + lead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stringByTruncatingToFullWordsInRange(c.input, c.range), c.expected);
    }
}

TEST(StringByTruncatingToFullWords, LeavesItsArgumentAlone) {
    const Text input = repeated(u"word ", 40);
    const Text copy = input;
    stringByTruncatingToFullWordsInRange(input, Range{0, 100});
    EXPECT_EQ(input, copy);
}

TEST(StringWithCharacter, HoldsExactlyTheCodeUnit) {
    EXPECT_EQ(stringWithCharacter(0x41), u"A");
    EXPECT_EQ(stringWithCharacter(0xFFFC), attachmentCharacter());
    EXPECT_EQ(stringWithCharacter(0xD800), Text(1, char16_t(0xD800)));
    EXPECT_EQ(stringWithCharacter(0), Text(1, char16_t(0)));
}

TEST(AttachmentCharacter, IsOneSharedObjectReplacementCharacter) {
    EXPECT_EQ(attachmentCharacter(), Text(1, char16_t(0xFFFC)));
    EXPECT_EQ(&attachmentCharacter(), &attachmentCharacter());
}

}  // namespace
}  // namespace quillmere
