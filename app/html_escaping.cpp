#include "app/html_escaping.h"

namespace quillmere::html_escaping {

namespace {

Text escaped(TextView text, bool inAttribute) {
    Text result;
    result.reserve(text.size());
    for (const char16_t unit : text) {
        switch (unit) {
            case u'&':
                result += u"&amp;";
                break;
            case u'<':
                result += u"&lt;";
                break;
            case u'>':
                result += u"&gt;";
                break;
            case u'"':
                result += inAttribute ? TextView(u"&quot;") : TextView(u"\"");
                break;
            default:
                result += unit;
        }
    }
    return result;
}

}  // namespace

Text escapedText(TextView text) { return escaped(text, false); }

Text escapedAttribute(TextView text) { return escaped(text, true); }

}  // namespace quillmere::html_escaping
