#include "string_utils/html_convenience.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/text/regular_expression.h"

namespace quillmere {
namespace {

using HTMLConvenience::containsHTML;

// Beyond what the comparison with the expression below reaches: other characters, long runs.
TEST(ContainsHTML, AnswersForTagsAndEntities) {
    const struct {
        const char* name;
        Text text;
        bool expected;
    } cases[] = {
        {"lone_surrogate_inside", Text(u"&") + char16_t(0xDC00) + u";", true},
        // Runs built to make a backtracking engine slow.
        {"long_opener_run", Text(100000, u'<'), false},
        {"long_ampersand_run", Text(100000, u'&'), false},
        {"long_opener_run_closed", Text(100000, u'<') + u">", true},
        {"long_ampersand_run_closed", Text(100000, u'&') + u";", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(containsHTML(c.text), c.expected);
    }
}

TEST(ContainsHTML, AgreesWithTheMarkupExpression) {
    const RegularExpression markup(u"(<[^>]+>)|(&[^;]+;)", 0);
    const Text alphabet = u"<>&;a\n";
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(0, 9);
    for (int trial = 0; trial < 20000; ++trial) {
        Text text;
        for (std::size_t n = length(random); n > 0; --n) {
            text.push_back(alphabet[pick(random)]);
        }
        const bool expected =
            markup.rangeOfFirstMatch(text, Range{0, text.size()}) != kNotFoundRange;
        ASSERT_EQ(containsHTML(text), expected) << text::toUtf8(text);
    }
}

}  // namespace
}  // namespace quillmere
