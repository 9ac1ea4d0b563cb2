#include <gtest/gtest.h>

#include "platform/text/text.h"
#include "string_utils/creation_convenience.h"
#include "string_utils/path_utilities.h"

namespace quillmere {
namespace {

Text repeated(TextView part, std::size_t times) {
    Text result;
    for (std::size_t i = 0; i < times; ++i) {
        result += part;
    }
    return result;
}

// An expected value without surrogates also shows that no cut left half a pair behind; lone
// surrogates of the input may remain (they are written as U+FFFD when a name reaches the disk).
TEST(StringByReplacingUnallowedFilenameCharacters, RewritesStepByStep) {
    const Text x99(99, u'x'), lead(1, char16_t(0xD83D)), trail(1, char16_t(0xDE00));
    const struct {
        const char* name;
        Text input;
        Text expected;
    } cases[] = {
        {"last_hyphen_in_replaced_span", u"Shopping list: milk/eggs?", u"Shopping list- milk-eggs"},
        {"only_remaining_character_kept", u"??", u"-"},
        {"users_hyphen_inside_span", u"a?-?", u"a"},
        {"users_hyphen_after_span", u"a:b -", u"a-b -"},
        {"users_hyphen_just_after_span", u"a?-", u"a--"},
        {"nothing_replaced_keeps_hyphen", u"Pros - Cons -", u"Pros - Cons -"},
        {"only_dots", u"...", u"_"},
        {"leading_dot", u".hidden", u"_hidden"},
        {"leading_dot_after_spaces", u" .hidden", u"_hidden"},
        {"only_first_leading_dot", u"..x", u"_.x"},
        {"trailing_dots", u"name...", u"name"},
        {"tabs_and_line_feeds", u"\tTab\tand\nline\n", u"Tab and line"},
        {"doubled_spaces", u"Hello   world  ", u"Hello world"},
        {"carriage_return_kept", u"a\rb", u"a\rb"},
        {"emoji_becomes_space", u"Smile 😀", u"Smile"},
        {"collapse_moves_hyphen_out_of_span", u"a  b?", u"a b-"},
        {"emoji_moves_hyphen_out_of_span", u"x😀y?", u"x y-"},
        {"fallback_cut", Text(150, u'x'), Text(100, u'x')},
        {"cut_after_word", repeated(u"aaaa ", 24), repeated(u"aaaa ", 18) + u"aaaa"},
        {"enclosing_range_beyond_bound", Text(95, u'x') + u" abc def", Text(95, u'x')},
        {"empty", u"", u""},
        {"only_spaces", u"   ", u""},
        {"only_emoji", u"😀😀", u""},
        {"every_unallowed_character", u"a\\/:?*<>\"|b", u"a---------b"},
        {"dot_revealed_by_later_steps_kept_at_start", u"😀.note", u".note"},
        {"dot_revealed_by_later_steps_kept_at_end", u"note.😀", u"note."},
        {"only_one_trailing_whitespace_deleted", u"a\r😀", u"a\r"},
        {"no_break_spaces_not_collapsed", u"a\u00A0\u00A0b", u"a\u00A0\u00A0b"},
        {"u_ffff_becomes_space", u"a\uFFFFb", u"a b"},
        {"one_hundred_kept", Text(100, u'x'), Text(100, u'x')},
        {"one_hundred_one_cut", Text(101, u'x'), Text(100, u'x')},
        {"replaced_character_at_cut_dropped", x99 + u"?more", x99},
        {"words_without_spaces_cut_to_limit", repeated(u"日本語", 50), repeated(u"日本語", 33)},
        {"lone_lead_surrogate_kept", u"a" + lead + u"b", u"a" + lead + u"b"},
        {"reversed_pair_kept", trail + lead, trail + lead},
        {"pair_across_the_cut_left_out", x99 + repeated(u"😀", 10), x99},
        {"pair_across_fallback_cut_after_word", u"y" + repeated(u"😀", 60), u"y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PathUtilities::stringByReplacingUnallowedFilenameCharacters(c.input), c.expected);
    }
}

using CreationConvenience::stringByTruncatingToFullWordsInRange;

// Cuts after words whose enclosing range ends by 99 are also exercised through the sanitizing
// table; these rows cover what that table cannot reach: other ranges and the fallback cut.
TEST(StringByTruncatingToFullWords, CutsAfterTheLastWordEndingByNinetyNine) {
    const Text x93(93, u'x'), x98(98, u'x'), x99(99, u'x');
    const Text lead(1, char16_t(0xD83D));
    const struct {
        const char* name;
        Text input;
        Range range;
        Text expected;
    } cases[] = {
        {"short_text_only_trimmed", u"  a b  ", {0, 100}, u"a b"},
        {"location_ignored", u"  a b  ", {42, 100}, u"a b"},
        {"exactly_the_length_kept", Text(100, u'x'), {0, 100}, Text(100, u'x')},
        {"length_plus_one_falls_back", Text(101, u'x'), {0, 100}, Text(100, u'x')},
        {"enclosing_range_ending_at_99_counts", x93 + u" abcd efgh", {0, 100}, x93 + u" abcd"},
        {"no_words_falls_back", Text(120, u'-'), {0, 100}, Text(100, u'-')},
        // The bound stays at 99 whatever the range, so a cut after a word may exceed a short range.
        {"bound_does_not_follow_the_range", u"aaaa bbbb cccc", {0, 6}, u"aaaa bbbb cccc"},
        {"fallback_cut_trimmed", x98 + u"\n\n" + u"yyyyy", {0, 100}, x98},
        {"fallback_cut_keeps_pair_whole", x99 + u"😀x", {0, 100}, x99},
        {"fallback_cut_after_pair_kept", x98 + u"😀x", {0, 100}, x98 + u"😀"},
        {"lone_lead_surrogate_at_cut_kept", x99 + lead + u"xx", {0, 100}, x99 + lead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stringByTruncatingToFullWordsInRange(c.input, c.range), c.expected);
    }
}

}  // namespace
}  // namespace quillmere
