#include "platform/text/word_breaks.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(WordEnclosingRanges, CoverTheTextFromTheFirstWordOn) {
    const struct {
        const char* name;
        Text text;
        std::vector<Range> expected;
    } cases[] = {
        {"empty", u"", {}},
        {"no_words", u"  ?! -- ", {}},
        {"one_word", u"word", {{0, 4}}},
        {"leading_space_joins_first_word", u"  Hi, you!", {{0, 6}, {6, 4}}},
        {"trailing_text_joins_last_word", u"a b.  ", {{0, 2}, {2, 4}}},
        {"digits_are_words", u"1984 42", {{0, 5}, {5, 2}}},
        {"combining_mark_stays_in_word", u"cafe\u0301 ok", {{0, 6}, {6, 2}}},
        {"supplementary_letters", u"𝐀𝐁 c", {{0, 5}, {5, 1}}},
        {"lone_surrogate_between_words", Text(u"ab") + char16_t(0xD800) + u"cd", {{0, 3}, {3, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wordEnclosingRanges(c.text), c.expected);
    }
}

// Whatever the script, the ranges must tile the text from 0 to its end.
TEST(WordEnclosingRanges, TileTheWholeTextInEveryScript) {
    for (const Text text : {u"東京都に住んでいます。", u"ภาษาไทยง่ายนิดเดียว",
                            u"a 👩‍👩‍👧 b 🇩🇪🇫🇷 now"}) {
        SCOPED_TRACE(text::toUtf8(text));
        const auto ranges = wordEnclosingRanges(text);
        ASSERT_GT(ranges.size(), 1u);
        EXPECT_EQ(ranges.front().location, 0u);
        EXPECT_EQ(ranges.back().end(), text.size());
        for (std::size_t i = 1; i < ranges.size(); ++i) {
            EXPECT_EQ(ranges[i].location, ranges[i - 1].end());
            EXPECT_GT(ranges[i].length, 0u);
        }
    }
}

TEST(WordEnclosingRanges, StopsWhenTheVisitorSaysSo) {
    std::vector<Range> seen;
    enumerateWordEnclosingRanges(u"one two three", [&seen](Range range) {
        seen.push_back(range);
        return seen.size() < 2;
    });
    EXPECT_EQ(seen, (std::vector<Range>{{0, 4}, {4, 4}}));
}

}  // namespace
}  // namespace quillmere
