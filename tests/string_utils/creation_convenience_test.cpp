#include "string_utils/creation_convenience.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

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
