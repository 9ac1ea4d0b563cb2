#include "app/note_text.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "app/html_escaping.h"
#include "platform/text/character_set.h"

namespace quillmere::note_text {

namespace {

// The characters that end a line for ICU: "." never matches them, "^" and "$" in multi-line
// mode match next to them.
bool isLineTerminator(char16_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// TextView::find for one code unit, several units at a time.
std::size_t nextUnit(TextView text, char16_t unit, std::size_t from) {
    const std::size_t at = text::findUnit(text, from, unit);
    return at < text.size() ? at : TextView::npos;
}

// The next "<" at or after `from` that the ASCII letter `lowerCase` follows, in either case.
std::size_t nextTagStartingWith(TextView text, char16_t lowerCase, std::size_t from) {
    const auto upperCase = static_cast<char16_t>(lowerCase - u'a' + u'A');
    const std::size_t at = text::findPair(text, from, u'<', lowerCase, upperCase);
    return at < text.size() ? at : TextView::npos;
}

// Whether `text` holds `lowerCaseLiteral` at `at`, ASCII letters in any case. No other
// character folds to an ASCII letter of these literals ("<div>", "</div>", "<body", "&amp").
bool hasLiteralIgnoringCase(TextView text, std::size_t at, TextView lowerCaseLiteral) {
    if (at > text.size() || text.size() - at < lowerCaseLiteral.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerCaseLiteral.size(); ++i) {
        const char16_t expected = lowerCaseLiteral[i];
        char16_t c = text[at + i];
        if (expected >= u'a' && expected <= u'z' && c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (c != expected) {
            return false;
        }
    }
    return true;
}

// The text without white space and line breaks at either end. Every member of the set lies in
// the Basic Multilingual Plane, so a code unit is tested as its own code point.
TextView trimmedView(TextView text) {
    const CharacterSet& set = whitespaceAndNewlineCharacterSet();
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && set.contains(text[start])) {
        ++start;
    }
    while (end > start && set.contains(text[end - 1])) {
        --end;
    }
    return text.substr(start, end - start);
}

// The content of a paragraph that is exactly one heading element, "<hN>…</hN>" with N from 1 to
// 6 and no other heading tag inside.
std::optional<TextView> headingElementContent(TextView paragraph) {
    if (paragraph.size() < 9 || !paragraph.starts_with(u"<h") || paragraph[2] < u'1' ||
        paragraph[2] > u'6' || paragraph[3] != u'>') {
        return std::nullopt;
    }
    const char16_t closing[] = {u'<', u'/', u'h', paragraph[2], u'>'};
    if (!paragraph.ends_with(TextView(closing, 5))) {
        return std::nullopt;
    }
    const TextView content = paragraph.substr(4, paragraph.size() - 9);
    for (std::size_t at = content.find(u"<"); at != TextView::npos;
         at = content.find(u"<", at + 1)) {
        const std::size_t h = at + 1 < content.size() && content[at + 1] == u'/' ? at + 2 : at + 1;
        if (h + 1 < content.size() && content[h] == u'h' && content[h + 1] >= u'1' &&
            content[h + 1] <= u'6') {
            return std::nullopt;
        }
    }
    return content;
}

// Replaces (or, with length 0, inserts at) `closing` and then `opening`, both positions found
// before any change. When the closing tag lies ahead of the opening one, which only a malformed
// text has, the opening position moves with the text the first change added, so that no
// character of the note is overwritten.
void placeHeadingTags(Text& text, Range opening, TextView openingTag, Range closing,
                      TextView closingTag) {
    if (opening.location <= closing.location) {
        const std::size_t from = opening.end();
        if (const std::optional<TextView> content =
                headingElementContent(TextView(text).substr(from, closing.location - from))) {
            Text heading = u"<h1>" + Text(*content) + u"</h1>";
            text.replace(opening.location, closing.end() - opening.location, heading);
            return;
        }
    }
    text.replace(closing.location, closing.length, closingTag);
    if (closing.location < opening.location) {
        opening.location += closingTag.size() - closing.length;
    }
    text.replace(opening.location, opening.length, openingTag);
}

// Wraps each link in an anchor. The ranges are those of the unchanged text; the anchors are
// appended in one pass from the first link to the last.
Text wrappingLinks(const Text& text, const std::vector<Range>& links) {
    std::uint64_t previousEnd = 0;
    for (const Range& link : links) {
        if (link.location > text.size() || link.length > text.size() - link.location ||
            link.location < previousEnd) {
            // Not ascending ranges of this text (a detector that breaks its contract): the
            // ranges are applied from the last to the first, each in place.
            Text result = text;
            for (auto it = links.rbegin(); it != links.rend(); ++it) {
                if (it->location > result.size() || it->length > result.size() - it->location) {
                    continue;
                }
                Text linkText = result.substr(it->location, it->length);
                const Range tail = lastTagOrEntity(linkText);
                if (tail.location != kNotFound && tail.end() == linkText.size()) {
                    linkText.erase(tail.location, tail.length);
                }
                result.replace(it->location, it->length,
                               u"<a href=\"" + linkText + u"\">" + linkText + u"</a>");
            }
            return result;
        }
        previousEnd = link.end();
    }

    Text result;
    result.reserve(text.size() + links.size() * 24);
    std::uint64_t copied = 0;
    for (const Range& link : links) {
        result.append(text, copied, link.location - copied);
        TextView linkText = TextView(text).substr(link.location, link.length);
        // A tag or an entity at the end of a link is not part of it.
        const Range tail = lastTagOrEntity(linkText);
        if (tail.location != kNotFound && tail.end() == linkText.size()) {
            linkText = linkText.substr(0, tail.location);
        }
        result += u"<a href=\"";
        result += linkText;
        result += u"\">";
        result += linkText;
        result += u"</a>";
        copied = link.end();
    }
    result.append(text, copied, Text::npos);
    return result;
}

// The removed tags, each removed in a pass of its own in this order.
constexpr TextView kRemovedTags[] = {u"<tt>", u"</tt>", u"<object>", u"</object>"};

// The removed tag that begins at `at`, or an empty view.
TextView removedTagAt(TextView text, std::size_t at) {
    if (at + 1 >= text.size()) {
        return TextView();
    }
    // The character after "<" tells the tags apart.
    const char16_t second = text[at + 1];
    if (second != u't' && second != u'o' && second != u'/') {
        return TextView();
    }
    for (const TextView tag : kRemovedTags) {
        if (tag[1] == second && text.substr(at, tag.size()) == tag) {
            return tag;
        }
    }
    return TextView();
}

// Whether a removed tag runs across the place where `before` and `after` now meet.
bool joinsIntoRemovedTag(TextView before, TextView after) {
    constexpr std::size_t kLongest = 9;  // "</object>"
    Text seam(before.substr(before.size() - std::min(before.size(), kLongest - 1)));
    const std::size_t cut = seam.size();
    seam += after.substr(0, kLongest - 1);
    for (std::size_t at = seam.find(u'<'); at != Text::npos && at < cut;
         at = seam.find(u'<', at + 1)) {
        const TextView tag = removedTagAt(seam, at);
        if (!tag.empty() && at + tag.size() > cut) {
            return true;
        }
    }
    return false;
}

// The literal steps one after the other, each a pass of its own.
Text withLiteralsReplacedPassByPass(Text text, bool replaceBreaks, bool repairAmpersands) {
    if (replaceBreaks) {
        text::replaceOccurrences(text, u"<br>", u"&nbsp;");
    }
    if (repairAmpersands) {
        text = repairingAmpersands(text);
    }
    for (const TextView tag : kRemovedTags) {
        text::replaceOccurrences(text, tag, u"");
    }
    return text;
}

}  // namespace

Text withLiteralsReplaced(const Text& text, bool replaceBreaks, bool repairAmpersands) {
    Text result;
    result.reserve(text.size() + text.size() / 8);
    std::size_t copied = 0;
    std::size_t ampersandResume = 0;
    const std::size_t size = text.size();
    for (std::size_t i = text::findEither(text, 0, u'<', u'&'); i < size;
         i = text::findEither(text, i + 1, u'<', u'&')) {
        const char16_t c = text[i];
        if (c == u'<') {
            if (replaceBreaks && TextView(text).substr(i, 4) == u"<br>") {
                result.append(text, copied, i - copied);
                result += u"&nbsp;";
                copied = i + 4;
                i += 3;
            } else if (const TextView tag = removedTagAt(text, i); !tag.empty()) {
                result.append(text, copied, i - copied);
                copied = i + tag.size();
                i = copied - 1;
                if (joinsIntoRemovedTag(result, TextView(text).substr(copied))) {
                    return withLiteralsReplacedPassByPass(text, replaceBreaks, repairAmpersands);
                }
            }
        } else if (c == u'&' && repairAmpersands && i >= ampersandResume && i + 4 < size &&
                   hasLiteralIgnoringCase(text, i, u"&amp") && text[i + 4] != u';') {
            result.append(text, copied, i + 4 - copied);
            result += u';';
            copied = i + 4;
            // The character after "&amp" belongs to this match: no "&amp" starts there, but it
            // may still begin a tag.
            ampersandResume = i + 5;
            i += 3;
        }
    }
    result.append(text, copied, Text::npos);
    return result;
}

namespace {

// Each named attachment takes the first attachment character left in the text, which may be
// one that an earlier attachment's name brought in. The text is consumed once from the left:
// what lies before the first character left is final.
Text referenceTo(const AttachmentReference& attachment) {
    if (attachment.copiedPath.empty()) {
        return u"<img src=\"" + html_escaping::imageSource(attachment.name) + u"\">";
    }
    const Text url = relativeURL(attachment.copiedPath);
    if (attachment.isImage) {
        return u"<img src=\"" + url + u"\">";
    }
    const TextView fileName =
        TextView(attachment.copiedPath).substr(attachment.copiedPath.rfind(u'/') + 1);
    return u"<a href=\"" + url + u"\">" + html_escaping::escapedText(fileName) + u"</a>";
}

Text referringToAttachments(Text text, const std::vector<AttachmentReference>& attachments) {
    constexpr char16_t kAttachmentCharacter = u'\uFFFC';
    Text result;
    result.reserve(text.size());
    // What is left to read, innermost first: an image reference in place of a character is read
    // before the rest of the text it stands in.
    std::vector<std::pair<Text, std::size_t>> pending;
    pending.emplace_back(std::move(text), 0);
    for (const AttachmentReference& attachment : attachments) {
        while (!pending.empty()) {
            auto& [part, position] = pending.back();
            const std::size_t found = part.find(kAttachmentCharacter, position);
            if (found == Text::npos) {
                result.append(part, position, Text::npos);
                pending.pop_back();
                continue;
            }
            result.append(part, position, found - position);
            position = found;
            break;
        }
        if (pending.empty()) {
            break;  // no character left: later attachments change nothing
        }
        if (attachment.name.empty() && attachment.copiedPath.empty()) {
            continue;  // the character stays, for the next attachment
        }
        ++pending.back().second;
        pending.emplace_back(referenceTo(attachment), 0);
    }
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
        result.append(it->first, it->second, Text::npos);
    }
    return result;
}

}  // namespace

Range firstBodyStartTag(TextView text) {
    std::size_t from = 0;
    while (true) {
        std::size_t start = nextTagStartingWith(text, u'b', from);
        while (start != TextView::npos && !hasLiteralIgnoringCase(text, start, u"<body")) {
            start = nextTagStartingWith(text, u'b', start + 1);
        }
        if (start == TextView::npos) {
            return kNotFoundRange;
        }
        // As few characters as possible up to a ">", none of them a line terminator. A line
        // terminator ends the hopes of every "<body" before it too.
        std::size_t i = start + 5;
        while (i < text.size() && text[i] != u'>' && !isLineTerminator(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            return kNotFoundRange;
        }
        if (text[i] == u'>') {
            return Range{start, i + 1 - start};
        }
        from = i + 1;
    }
}

Range lastTagOrEntity(TextView text) {
    // At each position, "<" or "&" followed by at least one character and then the last ">"
    // (";") of the same line. The last closer of each line is found once per line.
    Range last = kNotFoundRange;
    std::size_t lineEnd = 0;  // the current line's terminator or the text's end
    std::size_t lastTagCloser = TextView::npos;
    std::size_t lastEntityCloser = TextView::npos;
    bool lineKnown = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!lineKnown || i > lineEnd) {
            lastTagCloser = lastEntityCloser = TextView::npos;
            lineEnd = i;
            while (lineEnd < text.size() && !isLineTerminator(text[lineEnd])) {
                if (text[lineEnd] == u'>') {
                    lastTagCloser = lineEnd;
                } else if (text[lineEnd] == u';') {
                    lastEntityCloser = lineEnd;
                }
                ++lineEnd;
            }
            lineKnown = true;
        }
        const char16_t c = text[i];
        const std::size_t closer =
            c == u'<' ? lastTagCloser : (c == u'&' ? lastEntityCloser : TextView::npos);
        if (closer != TextView::npos && closer >= i + 2) {
            last = Range{i, closer + 1 - i};
            i = closer + 1;
        } else {
            ++i;
        }
    }
    return last;
}

Text paragraphsFromDivLines(TextView text) {
    Text result;
    appendParagraphsFromDivLines(result, text);
    return result;
}

void appendParagraphsFromDivLines(Text& result, TextView text) {
    result.reserve(result.size() + text.size());
    std::size_t copied = 0;
    for (std::size_t i = nextUnit(text, u'<', 0); i != TextView::npos;
         i = nextUnit(text, u'<', i)) {
        const bool atLineStart = i == 0 || isLineTerminator(text[i - 1]);
        if (atLineStart && hasLiteralIgnoringCase(text, i, u"<div>")) {
            result.append(text, copied, i - copied);
            result += u"<p>";
            i += 5;
            copied = i;
        } else if (hasLiteralIgnoringCase(text, i, u"</div>") &&
                   (i + 6 == text.size() || isLineTerminator(text[i + 6]))) {
            result.append(text, copied, i - copied);
            result += u"</p>";
            i += 6;
            copied = i;
        } else {
            ++i;
        }
    }
    result.append(text, copied, TextView::npos);
}

void appendParagraphsFromDivLinesOutsideTables(Text& result, TextView text) {
    std::size_t copied = 0;  // a line start, or the terminator that ends the last block
    std::size_t i = nextTagStartingWith(text, u'o', 0);
    while (i != TextView::npos) {
        if (!hasLiteralIgnoringCase(text, i, u"<object><table")) {
            i = nextTagStartingWith(text, u'o', i + 1);
            continue;
        }
        std::size_t end = nextUnit(text, u'<', i + 1);
        while (end != TextView::npos && !hasLiteralIgnoringCase(text, end, u"</table></object>")) {
            end = nextUnit(text, u'<', end + 1);
        }
        if (end == TextView::npos) {
            break;  // no table block ends, so none begins here or later
        }
        std::size_t start = i;
        while (start > copied && !isLineTerminator(text[start - 1])) {
            --start;
        }
        while (end < text.size() && !isLineTerminator(text[end])) {
            ++end;
        }
        appendParagraphsFromDivLines(result, text.substr(copied, start - copied));
        result.append(text, start, end - start);
        copied = end;
        i = end < text.size() ? nextTagStartingWith(text, u'o', end) : TextView::npos;
    }
    appendParagraphsFromDivLines(result, text.substr(copied));
}

namespace {

// The first "<p><h" at or after `from`, found by its rarer "<h".
std::size_t nextHeadingParagraph(TextView text, std::size_t from) {
    for (std::size_t pair = text::findPair(text, from + 3, u'<', u'h', u'h'); pair < text.size();
         pair = text::findPair(text, pair + 1, u'<', u'h', u'h')) {
        if (text.substr(pair - 3, 3) == u"<p>") return pair - 3;
    }
    return TextView::npos;
}

}  // namespace

Text unwrappingHeadingParagraphs(Text text) {
    const TextView view(text);
    Text result;
    std::size_t copied = 0;
    for (std::size_t at = nextHeadingParagraph(view, 0); at != TextView::npos;
         at = nextHeadingParagraph(view, at)) {
        std::size_t end = at;
        while (end < view.size() && !isLineTerminator(view[end])) {
            ++end;
        }
        const TextView line = view.substr(at, end - at);
        if ((at == 0 || isLineTerminator(view[at - 1])) && line.ends_with(u"</p>") &&
            headingElementContent(line.substr(3, line.size() - 7))) {
            result.append(view, copied, at - copied);
            result.append(line.substr(3, line.size() - 7));
            copied = end;
        }
        at = end;
    }
    if (copied == 0) {
        return text;
    }
    result.append(view, copied, TextView::npos);
    return result;
}

Text repairingAmpersands(TextView text) {
    Text result;
    result.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t i = text.find(u'&'); i != TextView::npos; i = text.find(u'&', i)) {
        if (i + 4 < text.size() && hasLiteralIgnoringCase(text, i, u"&amp") &&
            text[i + 4] != u';') {
            result.append(text, copied, i + 4 - copied);
            result += u';';
            copied = i + 4;
            i += 5;
        } else {
            ++i;
        }
    }
    result.append(text, copied, TextView::npos);
    return result;
}

void convertFirstParagraphToHeading(Text& text) {
    if (text.empty()) {
        return;
    }
    const Range bodyStart = firstBodyStartTag(text);
    // Without a body start tag the end tag changes nothing; most notes have neither.
    const Range bodyEnd =
        bodyStart.location != kNotFound ? text::rangeOfString(text, u"</body>") : kNotFoundRange;
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

LinkedText linkedText(TextView name, TextView body, bool firstParagraphAsHeading,
                      const LinkDetector* links) {
    const TextView trimmedBody = trimmedView(body);
    LinkedText linked;
    linked.isFullDocument = trimmedBody.starts_with(u"<html>") && trimmedBody.ends_with(u"</html>");
    linked.hasMarkup = linked.isFullDocument || trimmedBody.starts_with(u"<div>");

    // The title paragraph holds no div tag and ends a line, so the body's div lines can be
    // converted on their own, straight into the text.
    Text text;
    if (!name.empty() && !linked.hasMarkup) {
        text = u"<p>" + html_escaping::escapedText(name) + u"</p>\n";
    }
    appendParagraphsFromDivLinesOutsideTables(text, body);

    if (firstParagraphAsHeading) {
        convertFirstParagraphToHeading(text);
    }
    text = unwrappingHeadingParagraphs(std::move(text));
    linked.text = links ? wrappingLinks(text, links->matchesInString(text)) : std::move(text);
    return linked;
}

Text finishedText(const LinkedText& linked, const std::vector<AttachmentReference>& attachments) {
    Text text = withLiteralsReplaced(linked.text, !linked.isFullDocument, linked.hasMarkup);
    if (!attachments.empty()) {
        text = referringToAttachments(std::move(text), attachments);
    }
    return text;
}

Text convertibleText(const LinkedText& linked,
                     const std::vector<AttachmentReference>& attachments) {
    return attachments.empty() ? linked.text : referringToAttachments(linked.text, attachments);
}

std::vector<AttachmentReference> referencesByName(const std::vector<Text>& attachmentNames) {
    std::vector<AttachmentReference> attachments;
    attachments.reserve(attachmentNames.size());
    for (const Text& name : attachmentNames) {
        attachments.push_back({name, Text(), false});
    }
    return attachments;
}

Text convertibleText(const LinkedText& linked, const std::vector<Text>& attachmentNames) {
    return convertibleText(linked, referencesByName(attachmentNames));
}

Text finishedText(const LinkedText& linked, const std::vector<Text>& attachmentNames) {
    return finishedText(linked, referencesByName(attachmentNames));
}

Text relativeURL(TextView relativePath) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    Text url;
    for (const char c : text::toUtf8(relativePath)) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
            byte == '~' || byte == '/') {
            url.push_back(static_cast<char16_t>(byte));
        } else {
            url.push_back(u'%');
            url.push_back(kHex[byte >> 4]);
            url.push_back(kHex[byte & 15]);
        }
    }
    return url;
}

Text build(TextView name, TextView body, const std::vector<Text>& attachmentNames,
           bool firstParagraphAsHeading, const LinkDetector* links) {
    return finishedText(linkedText(name, body, firstParagraphAsHeading, links), attachmentNames);
}

}  // namespace quillmere::note_text
