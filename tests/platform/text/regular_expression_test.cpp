#include "platform/text/regular_expression.h"

#include <gtest/gtest.h>

#include <thread>

namespace quillmere {
namespace {

constexpr auto kI = RegularExpression::kCaseInsensitive;
constexpr auto kM = RegularExpression::kAnchorsMatchLines;

TEST(RegularExpression, FindsTheLeftmostMatchInsideTheRange) {
    const struct {
        const char* name;
        Text pattern;
        std::uint32_t options;
        Text text;
        Range within;
        Range expected;
    } cases[] = {
        {"plain", u"b+", 0, u"abbbc", {0, 5}, {1, 3}},
        {"case_sensitive_by_default", u"<DIV>", 0, u"<div>", {0, 5}, kNotFoundRange},
        {"case_insensitive", u"<DIV>", kI, u"<div>", {0, 5}, {0, 5}},
        {"caret_only_at_start", u"^b", 0, u"a\nb", {0, 3}, kNotFoundRange},
        {"caret_at_lines", u"^b", kM, u"a\nb", {0, 3}, {2, 1}},
        {"range_excludes_before", u"a", 0, u"aba", {1, 2}, {2, 1}},
        {"range_excludes_after", u"c", 0, u"abc", {0, 2}, kNotFoundRange},
        {"range_anchors_at_its_bounds", u"^b", 0, u"abc", {1, 2}, {1, 1}},
        {"range_clamped_to_text", u"c", 0, u"abc", {1, 100}, {2, 1}},
        {"range_beyond_text", u"c", 0, u"abc", {7, 2}, kNotFoundRange},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RegularExpression(c.pattern, c.options).rangeOfFirstMatch(c.text, c.within),
                  c.expected);
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
        std::uint32_t options;
        Text text;
        Text replacementTemplate;
        Text expected;
        std::uint64_t count;
    } cases[] = {
        {"delete_trailing_dots", u"[\\.]+$", 0, u"name...", u"", u"name", 1},
        {"nothing_to_replace", u"z", 0, u"abc", u"-", u"abc", 0},
        {"every_match", u"o", 0, u"foo boo", u"0", u"f00 b00", 4},
        {"capture_groups", u"(\\w+)@(\\w+)", 0, u"me@home", u"$2 of $1", u"home of me", 1},
        {"per_line", u"^<div>", kI | kM, u"<DIV>a\n<div>b", u"<p>", u"<p>a\n<p>b", 2},
        {"matches_found_before_replacing", u"ab", 0, u"aabb", u"a", u"aab", 1},
        {"keeps_lone_surrogate", u"x", 0, Text(u"x") + char16_t(0xD800), u"y",
         Text(u"y") + char16_t(0xD800), 1},
        {"missing_group_changes_nothing", u"a", 0, u"abc", u"$3", u"abc", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text text = c.text;
        EXPECT_EQ(
            RegularExpression(c.pattern, c.options).replaceMatches(text, c.replacementTemplate),
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
