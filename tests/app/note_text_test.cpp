// The scans of the note text against ICU running the expressions they stand for.

#include "app/note_text.h"

#include <gtest/gtest.h>

#include <random>

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
        static const Text kPieces[] = {
            u"<",
            u">",
            u"&",
            u";",
            u"a",
            u"<div>",
            u"<DiV>",
            u"</div>",
            u"</DIV>",
            u"<body",
            u"<BODY",
            u"&amp",
            u"&AmP",
            u"\n",
            u"\r",
            u"\r\n",
            u"\u000B",
            u"\u000C",
            u"\u0085",
            u"\u2028",
            u"\u2029",
            u"\u0130",
            u"\u0131",
            u"\u212A",
            u"\u017F",
            u"\U0001F600",
            Text(1, char16_t(0xD800)),
            Text(1, char16_t(0xDC00)),
            u" ",
            u"p",
            u"<p>",
            u"</p>",
            u"d",
            u"i",
            u"v",
        };
        std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1), count(0, 12);
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

TEST(NoteTextScans, BodyStartTagAgreesWithItsExpression) {
    const RegularExpression expression(u"<body.*?>", kCaseInsensitive);
    RandomTexts texts;
    for (int trial = 0; trial < kTrials; ++trial) {
        const Text text = texts.next();
        ASSERT_EQ(note_text::firstBodyStartTag(text),
                  expression.rangeOfFirstMatch(text, Range{0, text.size()}))
            << text::toUtf8(text);
    }
}

TEST(NoteTextScans, LastTagOrEntityAgreesWithItsExpression) {
    const RegularExpression expression(u"(<.+>)|(&.+;)", 0);
    RandomTexts texts;
    for (int trial = 0; trial < kTrials; ++trial) {
        const Text text = texts.next();
        const auto matches = expression.matchesInString(text, Range{0, text.size()});
        ASSERT_EQ(note_text::lastTagOrEntity(text),
                  matches.empty() ? kNotFoundRange : matches.back().range)
            << text::toUtf8(text);
    }
}

TEST(NoteTextScans, DivLinesAndAmpersandsAgreeWithTheirExpressions) {
    const RegularExpression opening(u"^<div>", kCaseInsensitive | kLines);
    const RegularExpression closing(u"<\\/div>$", kCaseInsensitive | kLines);
    const RegularExpression ampersand(u"(&amp)([^;])", kCaseInsensitive);
    RandomTexts texts;
    for (int trial = 0; trial < kTrials; ++trial) {
        const Text text = texts.next();
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

}  // namespace
}  // namespace quillmere
