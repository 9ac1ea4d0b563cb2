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

Text imageSource(TextView name) {
    const std::size_t slash = name.find_last_of(u"/\\");
    TextView component = slash == TextView::npos ? name : name.substr(slash + 1);
    if (component.empty() || component == u"." || component == u"..") component = u"Attachment";
    static constexpr char kHex[] = "0123456789ABCDEF";
    Text source;
    for (const unsigned char byte : text::toUtf8(component)) {
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~';
        if (unreserved) {
            source += static_cast<char16_t>(byte);
        } else {
            source += u'%';
            source += static_cast<char16_t>(kHex[byte >> 4]);
            source += static_cast<char16_t>(kHex[byte & 15]);
        }
    }
    return source;
}

}  // namespace quillmere::html_escaping
