#include <gtest/gtest.h>
#include <unicode/utf16.h>

#include <algorithm>

#include "platform/text.h"
#include "string_utils/path_utilities.h"

namespace quillmere {
namespace {

using PathUtilities::stringByReplacingUnallowedFilenameCharacters;

Text repeated(TextView part, std::size_t times) {
    Text result;
    for (std::size_t i = 0; i < times; ++i) {
        result += part;
    }
    return result;
}

struct SanitizingCase {
    const char* name;
    Text input;
    Text expected;
};

void expectSanitized(const SanitizingCase& c) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(stringByReplacingUnallowedFilenameCharacters(c.input), c.expected);
}

TEST(StringByReplacingUnallowedFilenameCharacters, RewritesStepByStep) {
    const SanitizingCase cases[] = {
        {"last_hyphen_in_replaced_span", u"Shopping list: milk/eggs?", u"Shopping list- milk-eggs"},
        {"only_remaining_character_kept", u"??", u"-"},
        {"users_hyphen_inside_span", u"a?-?", u"a"},
        {"users_hyphen_after_span", u"a:b -", u"a-b -"},
        {"nothing_replaced_keeps_hyphen", u"Pros - Cons -", u"Pros - Cons -"},
        {"only_dots", u"...", u"_"},
        {"leading_dot", u".hidden", u"_hidden"},
        {"only_first_leading_dot", u"..x", u"_.x"},
        {"trailing_dots", u"name...", u"name"},
        {"tabs_and_line_feeds", u"\tTab\tand\nline\n", u"Tab and line"},
        {"doubled_spaces", u"Hello   world  ", u"Hello world"},
        {"carriage_return_kept", u"a\rb", u"a\rb"},
        {"emoji_becomes_space", u"Smile 😀", u"Smile"},
        {"collapse_moves_hyphen_out_of_span", u"a  b?", u"a b-"},
        {"emoji_moves_hyphen_out_of_span", u"x😀y?", u"x y-"},
        {"fallback_cut", repeated(u"x", 150), repeated(u"x", 100)},
        {"cut_after_word", repeated(u"aaaa ", 24), repeated(u"aaaa ", 18) + u"aaaa"},
        {"enclosing_range_beyond_bound", repeated(u"x", 95) + u" abc def", repeated(u"x", 95)},
        {"empty", u"", u""},
        {"only_spaces", u"   ", u""},
        {"only_emoji", u"😀😀", u""},
        {"every_unallowed_character", u"a\\/:?*<>\"|b", u"a---------b"},
        {"dot_revealed_by_later_steps_kept_at_start", u"😀.note", u".note"},
        {"dot_revealed_by_later_steps_kept_at_end", u"note.😀", u"note."},
        {"only_one_trailing_whitespace_deleted", u"a\r😀", u"a\r"},
        {"no_break_spaces_not_collapsed", u"a\u00A0\u00A0b", u"a\u00A0\u00A0b"},
        {"u_ffff_becomes_space", u"a\uFFFFb", u"a b"},
        {"numbered_title", u"001_Groceries: week 12", u"001_Groceries- week 12"},
    };
    for (const auto& c : cases) {
        expectSanitized(c);
    }
}

TEST(StringByReplacingUnallowedFilenameCharacters, KeepsWithinOneHundredCodeUnits) {
    const SanitizingCase cases[] = {
        {"ninety_nine", repeated(u"x", 99), repeated(u"x", 99)},
        {"one_hundred", repeated(u"x", 100), repeated(u"x", 100)},
        {"one_hundred_one", repeated(u"x", 101), repeated(u"x", 100)},
        {"replaced_character_at_cut_dropped", repeated(u"x", 99) + u"?more", repeated(u"x", 99)},
    };
    for (const auto& c : cases) {
        expectSanitized(c);
    }
}

// Text from any script must come through without a crash, a split character or an oversize
// name; lone surrogates may remain (they are written as U+FFFD when the name reaches the disk).
TEST(StringByReplacingUnallowedFilenameCharacters, HandlesEveryKindOfCharacter) {
    const Text lead(1, char16_t(0xD83D));
    const Text trail(1, char16_t(0xDE00));
    const SanitizingCase cases[] = {
        {"combining_marks_kept", u"Cafe\u0301 re\u0301sume\u0301",
         u"Cafe\u0301 re\u0301sume\u0301"},
        {"zwj_emoji_becomes_spaces_around_joiner", u"a👩‍👧b", u"a \u200D b"},
        {"flags_become_spaces", u"go 🇩🇪 now", u"go now"},
        {"cjk_kept", u"東京: 会議", u"東京- 会議"},
        {"lone_lead_surrogate_kept", u"a" + lead + u"b", u"a" + lead + u"b"},
        {"lone_trail_surrogate_kept", u"a" + trail, u"a" + trail},
        {"reversed_pair_kept", trail + lead, trail + lead},
        {"long_cjk_cut_to_limit", repeated(u"日本語", 50), repeated(u"日本語", 33)},
        {"long_emoji_run_vanishes", repeated(u"😀", 80), u""},
        {"pair_at_fallback_cut_not_split", repeated(u"x", 99) + u"😀x", repeated(u"x", 99)},
    };
    for (const auto& c : cases) {
        expectSanitized(c);
    }
}

Text joined(TextView word, std::size_t times) {
    Text result = Text(word);
    for (std::size_t i = 1; i < times; ++i) {
        result += u" ";
        result += word;
    }
    return result;
}

// Supplementary characters all become spaces, so from well-formed input no surrogate at all may
// remain: one would be half a pair left by a cut.
TEST(StringByReplacingUnallowedFilenameCharacters, LeavesNoHalfPairFromWellFormedInput) {
    const SanitizingCase cases[] = {
        {"letters_outside_the_bmp", repeated(u"𝐀", 70), u""},
        {"pair_across_the_cut", repeated(u"x", 99) + repeated(u"😀", 10), repeated(u"x", 99)},
        {"alternating", repeated(u"a😀", 60), joined(u"a", 33)},
        {"pair_after_odd_prefix", u"y" + repeated(u"😀", 60), u"y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Text result = stringByReplacingUnallowedFilenameCharacters(c.input);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(std::count_if(result.begin(), result.end(),
                                [](char16_t unit) { return U16_IS_SURROGATE(unit); }),
                  0);
    }
}

}  // namespace
}  // namespace quillmere
