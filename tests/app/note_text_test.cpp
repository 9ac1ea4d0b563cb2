// The scans of the note text against ICU running the expressions they stand for.

#include "app/note_text.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/app_delegate.h"
#include "app/html_escaping.h"
#include "platform/text/regular_expression.h"

namespace quillmere {
namespace {

constexpr std::uint32_t kCaseInsensitive = RegularExpression::kCaseInsensitive;
constexpr std::uint32_t kLines = RegularExpression::kAnchorsMatchLines;

// Random texts of pieces chosen to meet the expressions halfway: their literals in both cases,
// line terminators of every kind, characters that fold specially, surrogates.
class RandomTexts {
public:
    Text next() {
        static const std::vector<Text> kPieces = [] {  // "|" apart, and the lone surrogates
            std::vector<Text> pieces = {Text(1, char16_t(0xD800)), Text(1, char16_t(0xDC00))};
            const TextView all =
                u"<|>|&|;|a|<div>|<DiV>|</div>|</DIV>|<body|<BODY|&amp|&AmP|\n|\r|"
                u"\r\n|\u000B|\u000C|\u0085|\u2028|\u2029|\u0130|\u0131|\u212A|"
                u"\u017F|\U0001F600| |p|<p>|</p>|d|i|v";
            for (std::size_t at = 0; at <= all.size(); at = all.find(u'|', at) + 1) {
                pieces.emplace_back(all.substr(at, all.find(u'|', at) - at));
                if (all.find(u'|', at) == TextView::npos) break;
            }
            return pieces;
        }();
        std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1), count(0, 12);
        Text text;
        for (std::size_t n = count(random_); n > 0; --n) {
            text += kPieces[piece(random_)];
        }
        return text;
    }

private:
    std::mt19937 random_{20261206};
};

constexpr int kTrials = 20000;

// The last tag or entity is compared with the delegate's own expression, which the scan stands
// for.
TEST(NoteTextScans, AgreeWithTheExpressionsTheyStandFor) {
    const RegularExpression bodyStart(u"<body.*?>", kCaseInsensitive);
    const RegularExpression& tagOrEntity = AppDelegate::simpleXMLContentExpression();
    const RegularExpression opening(u"^<div>", kCaseInsensitive | kLines);
    const RegularExpression closing(u"<\\/div>$", kCaseInsensitive | kLines);
    const RegularExpression ampersand(u"(&amp)([^;])", kCaseInsensitive);
    RandomTexts texts;
    for (int trial = 0; trial < kTrials; ++trial) {
        const Text text = texts.next();
        const Range all{0, text.size()};
        ASSERT_EQ(note_text::firstBodyStartTag(text), bodyStart.rangeOfFirstMatch(text, all))
            << text::toUtf8(text);
        const auto matches = tagOrEntity.matchesInString(text, all);
        ASSERT_EQ(note_text::lastTagOrEntity(text),
                  matches.empty() ? kNotFoundRange : matches.back().range)
            << text::toUtf8(text);
        Text paragraphs = text;
        opening.replaceMatches(paragraphs, u"<p>");
        closing.replaceMatches(paragraphs, u"</p>");
        ASSERT_EQ(note_text::paragraphsFromDivLines(text), paragraphs) << text::toUtf8(text);
        Text repaired = text;
        ampersand.replaceMatches(repaired, u"$1;$2");
        ASSERT_EQ(note_text::repairingAmpersands(text), repaired) << text::toUtf8(text);
    }
}

// One pass must give what the separate passes give, tags joined by a removal included.
TEST(NoteTextScans, LiteralStepsInOnePassAgreeWithSeparatePasses) {
    const RegularExpression ampersand(u"(&amp)([^;])", kCaseInsensitive);
    // Removals that join the text around them into another removed tag, then random texts.
    std::vector<Text> samples = {u"<ob<tt>ject>",   u"</t<tt>t>",    u"<<tt>/tt>x",
                                 u"</obj</tt>ect>", u"<t<tt><tt>t>", u"&amp<tt>;<br>"};
    RandomTexts texts;
    for (int trial = 0; trial < kTrials; ++trial) {
        samples.push_back(texts.next());
    }
    for (const Text& text : samples) {
        for (const bool breaks : {false, true}) {
            for (const bool ampersands : {false, true}) {
                Text expected = text;
                if (breaks) {
                    text::replaceOccurrences(expected, u"<br>", u"&nbsp;");
                }
                if (ampersands) {
                    ampersand.replaceMatches(expected, u"$1;$2");
                }
                for (const TextView tag : {u"<tt>", u"</tt>", u"<object>", u"</object>"}) {
                    text::replaceOccurrences(expected, tag, u"");
                }
                ASSERT_EQ(note_text::withLiteralsReplaced(text, breaks, ampersands), expected)
                    << text::toUtf8(text) << " breaks " << breaks << " ampersands " << ampersands;
            }
        }
    }
}

struct LineRow {
    const char* name;
    const char16_t* text;
    const char16_t* expected;  // null: unchanged
};

// Outside table blocks the lines convert as the div expressions say (held against ICU above).
TEST(NoteTextLines, TableBlocksKeepTheirDivTags) {
    const LineRow rows[] = {
        {"block_kept_lines_around_converted",
         u"<div>a</div>\n<div><object><table><tr><td><div>c</div>\n</td></tr></table></object>"
         u"<br></div>\n<div>b</div>",
         u"<p>a</p>\n<div><object><table><tr><td><div>c</div>\n</td></tr></table></object>"
         u"<br></div>\n<p>b</p>"},
        {"any_letter_case", u"<DIV><Object><TABLE>\n<div>c</div>\n</Table></OBJECT></DIV>",
         nullptr},
        {"each_block_ends_at_its_first_end",
         u"<div><object><table></table></object></div>\r\n<div>x</div>\n"
         u"<div><object><table></table></object></div>",
         u"<div><object><table></table></object></div>\r\n<p>x</p>\n"
         u"<div><object><table></table></object></div>"},
        {"table_inside_a_line_takes_the_whole_line",
         u"<div>x</div>\n<li>a <object><table>\n<div>c</div>\n</table></object></li>",
         u"<p>x</p>\n<li>a <object><table>\n<div>c</div>\n</table></object></li>"},
        {"block_that_never_ends_is_converted", u"<div><object><table>\n<div>c</div>",
         u"<p><object><table>\n<p>c</p>"},
    };
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.name);
        Text result = u"<p>T</p>\n";
        note_text::appendParagraphsFromDivLinesOutsideTables(result, row.text);
        EXPECT_EQ(text::toUtf8(result),
                  "<p>T</p>\n" + text::toUtf8(row.expected ? row.expected : row.text));
    }
}

TEST(NoteTextLines, AParagraphOfOneHeadingBecomesThatHeading) {
    const LineRow rows[] = {
        {"heading_paragraph", u"<p><h1>T</h1></p>\n<p>x</p>", u"<h1>T</h1>\n<p>x</p>"},
        {"every_such_line_any_level", u"<p>x</p>\n<p><h2>A</h2></p>\r\n<p><h6><b>B</b></h6></p>",
         u"<p>x</p>\n<h2>A</h2>\r\n<h6><b>B</b></h6>"},
        {"text_beside_the_heading", u"<p><h1>T</h1> more</p>", nullptr},
        {"two_headings", u"<p><h1>A</h1><h1>B</h1></p>", nullptr},
        {"not_at_a_line_start", u" <p><h1>T</h1></p>", nullptr},
        {"levels_differ", u"<p><h1>T</h2></p>", nullptr},
        {"paragraph_ends_on_the_next_line", u"<p><h1>T</h1>\n</p>", nullptr},
    };
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(text::toUtf8(note_text::unwrappingHeadingParagraphs(row.text)),
                  text::toUtf8(row.expected ? row.expected : row.text));
    }
}

// An attachment's name becomes one path component inside the note's folder, percent-encoded.
TEST(HtmlEscaping, ImageSourcesStayOneComponentAndArePercentEncoded) {
    struct Row {
        const char* name;
        Text attachment;
        Text source;
    };
    const std::vector<Row> rows = {
        {"plain", u"bitcoin.pdf", u"bitcoin.pdf"},
        {"absolute", u"/etc/passwd", u"passwd"},
        {"parent", u"../../x", u"x"},
        {"file_url", u"file:///x", u"x"},
        {"backslash", u"..\\..\\win.ini", u"win.ini"},
        {"dot_dot_alone", u"a/..", u"Attachment"},
        {"ends_in_slash", u"dir/", u"Attachment"},
        {"scheme_like", u"javascript:alert(1)", u"javascript%3Aalert%281%29"},
        {"quote_space_and_umlaut", u"\"\u00DC b\".png", u"%22%C3%9C%20b%22.png"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(text::toUtf8(html_escaping::imageSource(row.attachment)),
                  text::toUtf8(row.source));
    }
}

}  // namespace
}  // namespace quillmere
