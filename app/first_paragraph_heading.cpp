// The heading rule: the first paragraph of a note's text becomes a level-1 heading.

#include "app/app_delegate.h"

namespace quillmere {

namespace {

const RegularExpression& bodyTagExpression() {
    static const RegularExpression expression(u"<body.*?>", RegularExpression::kCaseInsensitive);
    return expression;
}

// Replaces (or, with length 0, inserts at) `closing` and then `opening`, both positions found
// before any change. When the closing tag lies ahead of the opening one, which only a malformed
// text has, the opening position moves with the text the first change added, so that no
// character of the note is overwritten.
void placeHeadingTags(Text& text, Range opening, TextView openingTag, Range closing,
                      TextView closingTag) {
    text.replace(closing.location, closing.length, closingTag);
    if (closing.location < opening.location) {
        opening.location += closingTag.size() - closing.length;
    }
    text.replace(opening.location, opening.length, openingTag);
}

}  // namespace

void AppDelegate::convertFirstParagraphToHeadingInString(Text& text) const {
    if (text.empty()) {
        return;
    }
    const Range whole{0, text.size()};
    const Range bodyStart = bodyTagExpression().rangeOfFirstMatch(text, whole);
    const Range bodyEnd = text::rangeOfString(text, u"</body>");
    const bool hasBody = bodyStart.location != kNotFound && bodyEnd.location != kNotFound;

    const std::uint64_t searchStart = hasBody ? bodyStart.end() : 0;
    const Range stretch{searchStart, text.size() - searchStart};
    const Range paragraphStart = text::rangeOfString(text, u"<p>", stretch);
    const Range paragraphEnd = text::rangeOfString(text, u"</p>", stretch);

    if (paragraphStart.location != kNotFound && paragraphEnd.location != kNotFound) {
        placeHeadingTags(text, paragraphStart, u"<h1>", paragraphEnd, u"</h1>");
    } else if (hasBody) {
        const Range lineBreak = text::rangeOfString(text, u"<br>", stretch);
        const std::uint64_t closing =
            lineBreak.location != kNotFound ? lineBreak.location : bodyEnd.location;
        placeHeadingTags(text, Range{searchStart, 0}, u"<h1>", Range{closing, 0}, u"</h1>");
    }
}

const RegularExpression& AppDelegate::simpleXMLContentExpression() {
    static const RegularExpression expression(u"(<.+>)|(&.+;)", 0);
    return expression;
}

}  // namespace quillmere
