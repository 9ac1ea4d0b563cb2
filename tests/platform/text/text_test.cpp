#include "platform/text/text.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include <unicode/ustring.h>

#include "platform/text/character_set.h"
#include "platform/text/regular_expression.h"
#include "platform/text/word_breaks.h"

namespace quillmere {
namespace {

// ICU converts; what the rows pin is the substitution of U+FFFD for whatever is ill-formed, and
// buffers large enough for characters of every length.
TEST(Text, ConvertsIllFormedSequencesToTheReplacementCharacter) {
    EXPECT_EQ(text::fromUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00E9\u20AC\U0001F600");
    EXPECT_EQ(text::fromUtf8("\xFF|\xC0\xAF|\xED\xA0\x80|\xE2\x82"),
              u"\uFFFD|\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD");
    EXPECT_EQ(text::toUtf8(u"\u20AC\u20AC\U0001F600"), "\xE2\x82\xAC\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(text::toUtf8(Text(u"a") + char16_t(0xDE00) + char16_t(0xD83D)),
              "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(text::fromUtf8(""), u"");
}

Text wholeFromUtf8(const std::string& utf8) {
    Text out(utf8.size(), u'\0');
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    out.resize(static_cast<std::size_t>(written));
    return out;
}

std::string wholeToUtf8(const Text& text) {
    std::string out(3 * text.size(), '\0');
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written, text.data(),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// Texts are converted a piece at a time, and within a piece ASCII a block at a time: wherever a
// piece or a block ends, the result is what one conversion of the whole by ICU gives.
TEST(Text, ConvertsAsICUDoesOnTheWholeText) {
    const std::string tails[] = {
        "\xF0\x9F\x98\x80\x80\x80z",         // a whole character, then stray continuation bytes
        "\xE2\x82\xAC\xE2\x82|",             // a whole and a cut character
        "\x80\x80\x80\x80\x80\x80\xC3\xA9",  // only continuation bytes, then a character
    };
    for (const std::string& tail : tails) {
        for (std::size_t before = 8185; before <= 8193; ++before) {
            SCOPED_TRACE(before);
            const std::string utf8 = std::string(before, 'a') + tail + std::string(9000, 'b');
            EXPECT_EQ(text::fromUtf8(utf8), wholeFromUtf8(utf8));
            const Text pairs = Text(before, u'a') + u"\U0001F600\U0001F600" + Text(9000, u'b');
            EXPECT_EQ(text::toUtf8(pairs), wholeToUtf8(pairs));
        }
    }
    // Stretches of ASCII of every length around a block's, between characters of every length,
    // ill-formed ones and lone surrogates included.
    const std::string fragments8[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80",
                                      "\xE2\x82", "\xED\xA0\x80", "\xC0\xAF",         "\xFF"};
    const char16_t fragments16[] = {0xE9, 0x20AC, 0xD83D, 0xDE00, 0xFFFC, 0x7F, 0x80};
    std::mt19937 random(7);
    for (int trial = 0; trial < 3000; ++trial) {
        std::string utf8;
        Text utf16;
        while (utf8.size() < 120) {
            const std::size_t ascii = random() % 40;
            utf8 += std::string(ascii, 'x');
            utf16 += Text(ascii, u'x');
            utf8 += fragments8[random() % std::size(fragments8)];
            utf16 += fragments16[random() % std::size(fragments16)];
        }
        EXPECT_EQ(text::fromUtf8(utf8), wholeFromUtf8(utf8)) << trial;
        EXPECT_EQ(text::toUtf8(utf16), wholeToUtf8(utf16)) << trial;
    }
}

TEST(Text, SearchesLiterallyInsideTheRangeAndReplacesFromTheStart) {
    EXPECT_EQ(text::rangeOfString(u"abcabc", u"bc"), (Range{1, 2}));
    EXPECT_EQ(text::rangeOfString(u"abcabc", u"bc", Range{2, 4}), (Range{4, 2}));
    EXPECT_EQ(text::rangeOfString(u"abcabc", u"bc", Range{2, 3}), kNotFoundRange);
    EXPECT_EQ(text::rangeOfString(u"abc", u""), kNotFoundRange);
    EXPECT_EQ(text::rangeOfString(u"ABC", u"b"), kNotFoundRange);
    EXPECT_EQ(text::rangeOfString(u"abc", u"c", Range{7, 2}), kNotFoundRange);

    Text t = u"aaa";
    EXPECT_EQ(text::replaceOccurrences(t, u"aa", u"b"), 1u);
    EXPECT_EQ(t, u"ba");
    t = u"<br><br>x<BR>";
    EXPECT_EQ(text::replaceOccurrences(t, u"<br>", u"&nbsp;"), 2u);
    EXPECT_EQ(t, u"&nbsp;&nbsp;x<BR>");
    EXPECT_EQ(text::replaceOccurrences(t, u"", u"y"), 0u);
}

// The search steps over several units at a time; each place in and around a step is found,
// and a unit equal to a wanted one only in its low byte is not.
TEST(Text, FindsTheFirstOfSeveralUnitsFromAPosition) {
    for (std::size_t size = 0; size <= 20; ++size) {
        for (std::size_t at = 0; at <= size; ++at) {
            SCOPED_TRACE(testing::Message() << "size " << size << ", at " << at);
            Text text(size, u'\u013C');  // low byte "<"
            if (at < size) text[at] = at % 3 == 0 ? u'&' : at % 3 == 1 ? u'<' : u'\uFFFC';
            const bool pair = at % 3 != 2;
            EXPECT_EQ(text::findEither(text, 0, u'<', u'&'), pair ? at : size);
            EXPECT_EQ(text::findEither(text, at + 1, u'<', u'&'), size);
            EXPECT_EQ(text::findUnit(text, 0, u'>'), size);
            EXPECT_EQ(text::findAnyOf(text, 0, u">&<\uFFFC"), at);
            EXPECT_EQ(text::findAnyOf(text, at + 1, u">&<\uFFFC"), size);
        }
    }
    EXPECT_EQ(text::findUnit(u"ab", 5, u'a'), 2u);
    EXPECT_EQ(text::findAnyOf(u"ab", 5, u"a"), 2u);
}

// A pair is found wherever it starts, whichever of the two second units follows; a first unit
// without one of them (another follows, or the text ends) is passed over.
TEST(Text, FindsTheFirstPairFromAPosition) {
    for (std::size_t size = 0; size <= 20; ++size) {
        for (std::size_t at = 0; at <= size; ++at) {
            SCOPED_TRACE(testing::Message() << "size " << size << ", at " << at);
            Text text(size, u'<');  // every "<" followed by "<" only
            if (at + 1 < size) text[at + 1] = at % 2 ? u'b' : u'B';
            const std::size_t pair = at + 1 < size ? at : size;
            EXPECT_EQ(text::findPair(text, 0, u'<', u'b', u'B'), pair);
            EXPECT_EQ(text::findPair(text, at + 1, u'<', u'b', u'B'), size);
            EXPECT_EQ(text::findPair(text, 0, u'<', u'\u013C', u'x'), size);  // low byte "<"
        }
    }
    EXPECT_EQ(text::findPair(u"<b", 5, u'<', u'b', u'b'), 2u);
}

TEST(Text, DecomposesAndLowercases) {
    EXPECT_EQ(text::decomposedCanonical(u"\u00E9"), u"e\u0301");
    EXPECT_EQ(text::lowercased(u"ÀB\u0130"), u"àbi\u0307");
    EXPECT_EQ(text::lowercased(u"ΣΑΣ"), u"σας");
}

TEST(CharacterSets, TrimWithThePlatformSets) {
    const struct {
        const char* name;
        Text input;
        Text withWhitespace;
        Text withWhitespaceAndNewlines;
    } cases[] = {
        {"spaces_and_tabs", u" \t a b \t ", u"a b", u"a b"},
        {"newlines_kept_by_whitespace", u"\n a \n", u"\n a \n", u"a"},
        {"no_break_and_ideographic_space", u"\u00A0\u3000a\u2003", u"a", u"a"},
        {"line_and_paragraph_separators", u"\u2028a\u2029", u"\u2028a\u2029", u"a"},
        {"next_line_and_controls", u"\u0085\r\v\fa\u000B", u"\u0085\r\v\fa\u000B", u"a"},
        {"zero_width_space_is_no_member", u"\u200Ba", u"\u200Ba", u"\u200Ba"},
        {"only_members", u" \t ", u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(trimming(c.input, whitespaceCharacterSet()), c.withWhitespace);
        EXPECT_EQ(trimming(c.input, whitespaceAndNewlineCharacterSet()),
                  c.withWhitespaceAndNewlines);
    }
}

TEST(CharacterSets, MatchWholeCodePoints) {
    const CharacterSet above = CharacterSet::withRange(Range{0, 65535}).inverted();
    EXPECT_FALSE(above.contains(0xFFFE));
    EXPECT_TRUE(above.contains(0xFFFF));
    EXPECT_FALSE(above.contains(0xD800));
    EXPECT_EQ(rangeOfCharacterFromSet(u"ab😀c", above, Range{0, 5}), (Range{2, 2}));
    // A lone surrogate is tested as itself and is no member.
    const Text lone = Text(u"a") + char16_t(0xD83D) + u"b";
    EXPECT_EQ(rangeOfCharacterFromSet(lone, above, Range{0, 3}), kNotFoundRange);
    EXPECT_EQ(rangeOfLastCharacterFromSet(u"x😀", above), (Range{1, 2}));
    EXPECT_EQ(rangeOfLastCharacterFromSet(u"😀x", above), kNotFoundRange);
    const CharacterSet unallowed = CharacterSet::withCharactersInString(u"\\/:?*<>\"|");
    EXPECT_EQ(rangeOfCharacterFromSet(u"a/b?c", unallowed, Range{2, 3}), (Range{3, 1}));
    EXPECT_TRUE(unallowed.unionWith(above).contains(U'😀'));
}

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
        {"supplementary_letters", u"𝐀𝐁 c", {{0, 5}, {5, 1}}},
        {"lone_surrogate_between_words", Text(u"ab") + char16_t(0xD800) + u"cd", {{0, 3}, {3, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wordEnclosingRanges(c.text), c.expected);
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

// The scans of the note text are compared with expressions of every option, templates with
// groups and whole ranges; the rows here are what those comparisons do not reach.
TEST(RegularExpression, FindsTheLeftmostMatchInsideTheRange) {
    const struct {
        const char* name;
        Text pattern;
        Text text;
        Range within;
        Range expected;
    } cases[] = {
        {"plain", u"b+", u"abbbc", {0, 5}, {1, 3}},
        {"case_sensitive_by_default", u"<DIV>", u"<div>", {0, 5}, kNotFoundRange},
        {"caret_only_at_start", u"^b", u"a\nb", {0, 3}, kNotFoundRange},
        {"range_excludes_before", u"a", u"aba", {1, 2}, {2, 1}},
        {"range_excludes_after", u"c", u"abc", {0, 2}, kNotFoundRange},
        {"range_anchors_at_its_bounds", u"^b", u"abc", {1, 2}, {1, 1}},
        {"range_clamped_to_text", u"c", u"abc", {1, 100}, {2, 1}},
        {"range_beyond_text", u"c", u"abc", {7, 2}, kNotFoundRange},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RegularExpression(c.pattern, 0).rangeOfFirstMatch(c.text, c.within), c.expected);
    }
}

TEST(RegularExpression, ListsEveryMatchWithItsGroupsAndAdvancesPastEmptyOnes) {
    const auto matches = RegularExpression(u"(a)|(b)", 0).matchesInString(u"xaby", Range{0, 4});
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[0].range, (Range{1, 1}));
    EXPECT_EQ(matches[0].groups, (std::vector<Range>{{1, 1}, kNotFoundRange}));
    EXPECT_EQ(matches[1].groups, (std::vector<Range>{kNotFoundRange, {2, 1}}));

    const auto empty = RegularExpression(u"x*", 0).matchesInString(u"ab", Range{0, 2});
    ASSERT_EQ(empty.size(), 3u);
    EXPECT_EQ(empty[2].range, (Range{2, 0}));
}

TEST(RegularExpression, ReplacesEveryMatchByTheTemplate) {
    const struct {
        const char* name;
        Text pattern;
        Text text;
        Text replacementTemplate;
        Text expected;
        std::uint64_t count;
    } cases[] = {
        {"nothing_to_replace", u"z", u"abc", u"-", u"abc", 0},
        {"every_match", u"o", u"foo boo", u"0", u"f00 b00", 4},
        {"matches_found_before_replacing", u"ab", u"aabb", u"a", u"aab", 1},
        {"missing_group_changes_nothing", u"a", u"abc", u"$3", u"abc", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text text = c.text;
        EXPECT_EQ(RegularExpression(c.pattern, 0).replaceMatches(text, c.replacementTemplate),
                  c.count);
        EXPECT_EQ(text, c.expected);
    }
}

TEST(RegularExpression, OneExpressionServesManyThreads) {
    const RegularExpression expression(u"(\\d+)", 0);
    std::vector<std::uint64_t> counts(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < counts.size(); ++t) {
        threads.emplace_back([&expression, &counts, t] {
            for (int i = 0; i < 200; ++i) {
                Text text = u"a1 b22 c333";
                counts[t] += expression.replaceMatches(text, u"<$1>");
                counts[t] += expression.matchesInString(text, Range{0, text.size()}).size();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto count : counts) EXPECT_EQ(count, 200u * 6u);
}

}  // namespace
}  // namespace quillmere
