// The heading rule: the first paragraph of a note's text becomes a level-1 heading.

#include "app/app_delegate.h"
#include "app/note_text.h"

namespace quillmere {

void AppDelegate::convertFirstParagraphToHeadingInString(Text& text) const {
    note_text::convertFirstParagraphToHeading(text);
}

const RegularExpression& AppDelegate::simpleXMLContentExpression() {
    static const RegularExpression expression(u"(<.+>)|(&.+;)", 0);
    return expression;
}

}  // namespace quillmere
