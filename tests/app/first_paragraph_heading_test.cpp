// The heading rule and the simple XML content expression.

#include <gtest/gtest.h>

#include "app/app_delegate.h"

namespace quillmere::test {
namespace {

struct HeadingRow {
    const char* name;
    Text input;
    Text output;
};

const HeadingRow kHeadingRows[] = {
    {"empty_text", u"", u""},
    {"no_body_first_pair_only", u"<p>a</p><p>b</p>", u"<h1>a</h1><p>b</p>"},
    {"no_body_pair_across_lines", u"x\n<p>a\nb</p>", u"x\n<h1>a\nb</h1>"},
    {"head_paragraph_not_searched",
     u"<html><head><p>x</p></head><body><p>a</p><p>b</p></body></html>",
     u"<html><head><p>x</p></head><body><h1>a</h1><p>b</p></body></html>"},
    {"upper_case_body_start_found", u"<p>h</p><BODY><p>a</p></body>",
     u"<p>h</p><BODY><h1>a</h1></body>"},
    {"upper_case_body_end_not_found", u"<p>h</p><body><p>a</p></BODY>",
     u"<h1>h</h1><body><p>a</p></BODY>"},
    {"body_start_without_end_no_pair", u"<body>text", u"<body>text"},
    {"body_start_without_end_searches_from_start", u"<p>h</p><body>x", u"<h1>h</h1><body>x"},
    {"body_start_split_over_lines_not_found", u"<p>h</p><body\n><p>a</p></body>",
     u"<h1>h</h1><body\n><p>a</p></body>"},
    {"whole_body_becomes_heading", u"<body>all of it</body>", u"<body><h1>all of it</h1></body>"},
    {"body_with_attributes_up_to_break", u"<body class=\"x\">a<br>b</body>",
     u"<body class=\"x\"><h1>a</h1><br>b</body>"},
    {"paragraph_start_without_end", u"<body><p>a<br>b</body>", u"<body><h1><p>a</h1><br>b</body>"},
    {"paragraph_end_without_start", u"<body>a</p>b</body>", u"<body><h1>a</p>b</h1></body>"},
    {"break_after_body_end", u"<body>a</body><br>", u"<body><h1>a</body></h1><br>"},
    {"empty_body", u"<body></body>", u"<body><h1></h1></body>"},
    {"upper_case_paragraph_not_recognised", u"<P>a</P>", u"<P>a</P>"},
    {"paragraph_with_attributes_not_recognised", u"<p class=\"x\">a</p>", u"<p class=\"x\">a</p>"},
    {"no_body_no_pair", u"plain <br> text", u"plain <br> text"},
    // A paragraph that is one heading element becomes one level-1 heading, not a nested one.
    {"heading_paragraph_not_nested", u"<p><h1>T</h1></p><p>b</p>", u"<h1>T</h1><p>b</p>"},
    {"lower_level_heading_paragraph", u"<p><h3>T</h3></p>", u"<h1>T</h1>"},
    {"heading_as_whole_body_start", u"<body><h2>T</h2><br>b</body>",
     u"<body><h1>T</h1><br>b</body>"},
    {"two_headings_are_no_one_element", u"<p><h1>a</h1><h2>b</h2></p>",
     u"<h1><h1>a</h1><h2>b</h2></h1>"},
    {"heading_with_text_after_it", u"<p><h1>a</h1>b</p>", u"<h1><h1>a</h1>b</h1>"},
    {"mismatched_heading_tags", u"<p><h1>a</h2></p>", u"<h1><h1>a</h2></h1>"},
    // Malformed texts where the closing tag comes first: every character of the note stays.
    {"paragraph_end_before_start", u"x</p>y<p>z", u"x</h1>y<h1>z"},
    {"body_end_before_start", u"</body><body>a", u"</h1></body><body><h1>a"},
};

TEST(FirstParagraphHeading, ConvertsTheFirstParagraphInPlace) {
    const AppDelegate delegate;
    for (const HeadingRow& row : kHeadingRows) {
        SCOPED_TRACE(row.name);
        Text text = row.input;
        delegate.convertFirstParagraphToHeadingInString(text);
        EXPECT_EQ(text, row.output);
    }
}

TEST(FirstParagraphHeading, SimpleXMLContentExpressionIsSharedAndFindsTagsAndEntities) {
    const RegularExpression& expression = AppDelegate::simpleXMLContentExpression();
    EXPECT_EQ(&expression, &AppDelegate::simpleXMLContentExpression());

    struct Row {
        const char* name;
        Text text;
        Range lastMatch;
    };
    const Row rows[] = {
        {"entity_at_end", u"http://x.com&nbsp;", {12, 6}},
        {"first_ampersand_to_last_semicolon", u"a&b;c&d;", {1, 7}},
        {"first_angle_to_last_on_the_line", u"x<b>y</b>", {1, 8}},
        {"not_across_lines", u"<a\n>&x;", {4, 3}},
        {"nothing", u"plain", kNotFoundRange},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto matches = expression.matchesInString(row.text, Range{0, row.text.size()});
        EXPECT_EQ(matches.empty() ? kNotFoundRange : matches.back().range, row.lastMatch);
    }
}

}  // namespace
}  // namespace quillmere::test
