#include "platform/links/link_text_segments.h"

namespace quillmere {

namespace {

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool isTagSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// One past the end of the tag or comment starting with the "<" at `start`, or text.size().
std::uint64_t endOfMarkup(TextView text, std::uint64_t start) {
    if (text.substr(start, 4) == u"<!--") {
        const std::size_t close = text.find(u"-->", start + 4);
        return close == TextView::npos ? text.size() : close + 3;
    }
    // A quote opens an attribute value only right after "=" (and optional spaces), so that a
    // stray apostrophe in a tag does not swallow the rest of the text.
    char16_t quote = 0;
    bool afterEquals = false;
    for (std::uint64_t i = start + 1; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == u'>') {
            return i + 1;
        } else if (afterEquals && (c == u'"' || c == u'\'')) {
            quote = c;
            afterEquals = false;
        } else if (c == u'=') {
            afterEquals = true;
        } else if (!isTagSpace(c)) {
            afterEquals = false;
        }
    }
    return text.size();
}

enum class AnchorTag { kNone, kStart, kEnd };

// Whether the tag at `start` is an anchor's start or end tag ("<a", "<A ", "</a>").
AnchorTag anchorTagAt(TextView text, std::uint64_t start) {
    std::uint64_t i = start + 1;
    const bool end = i < text.size() && text[i] == u'/';
    if (end) {
        ++i;
    }
    if (i >= text.size() || (text[i] != u'a' && text[i] != u'A')) {
        return AnchorTag::kNone;
    }
    ++i;
    if (i < text.size() && !isTagSpace(text[i]) && text[i] != u'>' && text[i] != u'/') {
        return AnchorTag::kNone;  // another tag beginning with "a", such as <abbr>
    }
    return end ? AnchorTag::kEnd : AnchorTag::kStart;
}

bool opensMarkup(TextView text, std::uint64_t i) {
    if (text[i] != u'<' || i + 1 >= text.size()) {
        return false;
    }
    const char16_t next = text[i + 1];
    return isAsciiLetter(next) || next == u'/' || next == u'!' || next == u'?';
}

}  // namespace

std::vector<Range> linkTextSegments(TextView html) {
    std::vector<Range> segments;
    bool insideAnchor = false;
    std::uint64_t segmentStart = 0;
    std::uint64_t i = 0;
    while (i < html.size()) {
        i = text::findUnit(html, i, u'<');
        if (i == html.size()) {
            break;
        }
        if (!opensMarkup(html, i)) {
            ++i;
            continue;
        }
        if (!insideAnchor && i > segmentStart) {
            segments.push_back(Range{segmentStart, i - segmentStart});
        }
        switch (anchorTagAt(html, i)) {
            case AnchorTag::kStart:
                insideAnchor = true;
                break;
            case AnchorTag::kEnd:
                insideAnchor = false;
                break;
            case AnchorTag::kNone:
                break;
        }
        i = endOfMarkup(html, i);
        segmentStart = i;
    }
    if (!insideAnchor && i > segmentStart) {
        segments.push_back(Range{segmentStart, i - segmentStart});
    }
    return segments;
}

}  // namespace quillmere
