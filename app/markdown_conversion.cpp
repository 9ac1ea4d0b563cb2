#include "app/markdown_conversion.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <unordered_set>

namespace quillmere::markdown {

namespace {

// The deepest nesting of lists and quotes that gets its own indentation; deeper ones share it.
constexpr std::size_t kMaxIndentedContainers = 32;
// How far an item's start is searched for its tick: a tick is its first text.
constexpr int kTickSearchNodes = 32;

std::string_view nameOf(const xmlNode* node) {
    return node->name != nullptr ? reinterpret_cast<const char*>(node->name) : "";
}

std::string_view contentOf(const xmlNode* node) {
    return node->content != nullptr ? reinterpret_cast<const char*>(node->content) : "";
}

std::optional<std::string> attribute(const xmlNode* node, const char* name) {
    for (const xmlAttr* attr = node->properties; attr != nullptr; attr = attr->next) {
        if (attr->name != nullptr &&
            std::string_view(reinterpret_cast<const char*>(attr->name)) == name) {
            std::string value;
            for (const xmlNode* child = attr->children; child != nullptr; child = child->next) {
                value += contentOf(child);
            }
            return value;
        }
    }
    return std::nullopt;
}

bool isHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isBlockName(std::string_view name) {
    static const std::unordered_set<std::string_view> kBlocks = {
        "p",      "div",   "body",  "html",  "section",    "article", "header",
        "footer", "main",  "nav",   "aside", "center",     "address", "figure",
        "dl",     "dt",    "dd",    "form",  "fieldset",   "details", "summary",
        "tbody",  "thead", "tfoot", "tr",    "figcaption", "caption", "li"};
    return kBlocks.contains(name);
}

bool isSkipped(std::string_view name) {
    return name == "head" || name == "script" || name == "style" || name == "title" ||
           name == "template" || name == "noscript";
}

int headingLevel(std::string_view name) {
    if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
        return name[1] - '0';
    }
    return 0;
}

// A link target as a Markdown destination: what would end it or split a table cell, spaces,
// controls and a "%" that starts no escape are percent-encoded; an existing escape stays. A
// relative path (no scheme) has its non-ASCII bytes encoded too.
std::string destination(std::string_view url) {
    std::size_t colon = url.find(':');
    bool hasScheme = colon != std::string_view::npos && colon > 0 &&
                     std::isalpha(static_cast<unsigned char>(url[0]));
    for (std::size_t i = 1; hasScheme && i < colon; ++i) {
        const char c = url[i];
        hasScheme = isAsciiAlnum(c) || c == '+' || c == '-' || c == '.';
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (std::size_t i = 0; i < url.size(); ++i) {
        const auto byte = static_cast<unsigned char>(url[i]);
        const bool isEscape = byte == '%' && i + 2 < url.size() &&
                              std::isxdigit(static_cast<unsigned char>(url[i + 1])) &&
                              std::isxdigit(static_cast<unsigned char>(url[i + 2]));
        const bool encode = byte <= 0x20 || byte == 0x7F || (byte >= 0x80 && !hasScheme) ||
                            std::string_view("<>()\\|\"`").find(static_cast<char>(byte)) !=
                                std::string_view::npos ||
                            (byte == '%' && !isEscape);
        if (encode) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Whether `text` at `at` begins something that reads as an entity ("&amp;", "&#38;").
bool startsEntity(std::string_view text, std::size_t at) {
    std::size_t end = at + 1;
    while (end < text.size() && (isAsciiAlnum(text[end]) || text[end] == '#')) ++end;
    return end > at + 1 && end < text.size() && text[end] == ';';
}

class Converter {
public:
    Converter(const Budget& budget, std::size_t inputBytes)
        : budget_(budget), maxOutput_(budget.maxOutputBytes(inputBytes)) {}

    void convertChildren(const xmlNode* parent) { walk(parent, 0); }

    Conversion finish() {
        flushParagraph();
        Conversion result;
        if (fault_) {
            result.fault = fault_;
            return result;
        }
        result.markdown = std::move(out_);
        result.hashtags = std::move(hashtags_);
        return result;
    }

private:
    // An element whose Markdown wraps its content: emphasis, strikethrough, a link.
    struct Frame {
        std::string saved;  // the paragraph's text before the element
        std::string open;
        std::string close;     // for a link, "](destination)"
        std::string fallback;  // the content of an element that has none (a link's own target)
    };
    struct Container {
        std::string prefix;  // of every line after the first
        std::string marker;  // of the first line, while `markerPending`
        bool markerPending = false;
        bool listItem = false;
    };

    // ---- the walk ----

    void walk(const xmlNode* parent, std::size_t depth) {
        for (const xmlNode* node = parent->children; node != nullptr && !fault_;
             node = node->next) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                appendText(node);
            } else if (node->type == XML_ELEMENT_NODE) {
                element(node, depth + 1);
            }
        }
    }

    void element(const xmlNode* node, std::size_t depth) {
        if (depth > budget_.maxDepth) {
            fault_ =
                "its elements are nested more than " + std::to_string(budget_.maxDepth) + " deep";
            return;
        }
        const std::string_view name = nameOf(node);
        if (isSkipped(name)) return;
        if (codeDepth_ > 0 &&
            (name == "a" || name == "img" || name == "b" || name == "strong" || name == "i" ||
             name == "em" || name == "strike" || name == "s" || name == "del" || name == "tt" ||
             name == "code" || name == "kbd" || name == "samp")) {
            if (name != "img") walk(node, depth);  // code shows its text as written
        } else if (name == "br") {
            lineBreak();
        } else if (const int level = headingLevel(name)) {
            heading(node, level, depth);
        } else if (name == "ul" || name == "ol") {
            list(node, name == "ol", depth);
        } else if (name == "blockquote" && !inCell_) {
            flushParagraph();
            pushContainer(Container{"> ", "", false, false});
            walk(node, depth);
            flushParagraph();
            popContainer();
        } else if (name == "table" && !inCell_) {
            table(node, depth);
        } else if (name == "pre") {
            preformatted(node, depth);
        } else if (name == "hr") {
            if (!inCell_) {
                flushParagraph();
                emitBlock({"---"});
            }
        } else if (name == "b" || name == "strong") {
            styled(node, "**", depth);
        } else if (name == "i" || name == "em") {
            styled(node, "*", depth);
        } else if (name == "strike" || name == "s" || name == "del") {
            styled(node, "~~", depth);
        } else if (name == "tt" || name == "code" || name == "kbd" || name == "samp") {
            codeSpan(node, depth);
        } else if (name == "a") {
            link(node, depth);
        } else if (name == "img") {
            image(node);
        } else if (isBlockName(name) || name == "blockquote" || name == "table") {
            blockBoundary();
            walk(node, depth);
            blockBoundary();
        } else {
            walk(node, depth);  // span, font, u, sub, sup, object and the unknown: their text
        }
    }

    // ---- inline text ----

    // The paragraph's last character so far, or 0 at its start.
    char lastChar() const {
        if (!inline_.empty()) return inline_.back();
        for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
            if (!frame->saved.empty()) return frame->saved.back();
        }
        return 0;
    }

    bool atLineStart() const {
        const char last = lastChar();
        return last == 0 || last == '\n';
    }

    void append(std::string_view markdown) {
        inline_ += markdown;
        lastClosed_.end = std::string::npos;
        checkOutputBudget();
    }

    void appendText(const xmlNode* node) {
        std::string_view text = contentOf(node);
        if (node == tickNode_) text.remove_prefix(std::min(tickSkip_, text.size()));
        std::string collapsed;
        collapsed.reserve(text.size());
        for (char c : text) {
            if (isHtmlSpace(c)) {
                const char last = collapsed.empty() ? lastChar() : collapsed.back();
                if (last != 0 && last != ' ' && last != '\n') collapsed += ' ';
            } else {
                collapsed += c;
            }
        }
        if (codeDepth_ > 0) {
            append(collapsed);
            return;
        }
        if (linkDepth_ == 0) collectHashtags(collapsed);
        append(escaped(collapsed, atLineStart()));
    }

    // `text` with everything Markdown would read as syntax escaped; `lineStart` says whether it
    // begins a line, where "#", ">", list markers and underlines would start a block.
    std::string escaped(std::string_view text, bool lineStart) const {
        std::string out;
        out.reserve(text.size() + text.size() / 8);
        if (lineStart) {
            std::size_t digits = 0;
            while (digits < text.size() && digits < 10 && text[digits] >= '0' &&
                   text[digits] <= '9') {
                ++digits;
            }
            if (digits > 0 && digits < text.size() &&
                (text[digits] == '.' || text[digits] == ')')) {
                out.append(text.substr(0, digits));
                out += '\\';
                text.remove_prefix(digits);
            } else if (!text.empty() &&
                       std::string_view("#>-+=").find(text[0]) != std::string_view::npos) {
                out += '\\';
            }
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            const char next = i + 1 < text.size() ? text[i + 1] : 0;
            const bool escape = std::string_view("\\`*_[]~|").find(c) != std::string_view::npos ||
                                (c == '<' && (std::isalpha(static_cast<unsigned char>(next)) ||
                                              next == '/' || next == '!' || next == '?')) ||
                                (c == '&' && startsEntity(text, i));
            if (escape && c != 0) out += '\\';
            out += c;
        }
        return out;
    }

    void collectHashtags(std::string_view text) {
        char before = lastChar();
        for (std::size_t i = 0; i < text.size(); before = text[i], ++i) {
            if (text[i] != '#' || (before != 0 && before != ' ' && before != '\n')) continue;
            std::size_t end = i + 1;
            bool onlyDigits = true;
            while (end < text.size()) {
                std::int32_t at = static_cast<std::int32_t>(end);
                UChar32 c;
                U8_NEXT(text.data(), at, static_cast<std::int32_t>(text.size()), c);
                if (c < 0 || !(u_isalnum(c) || c == '_' || c == '-')) break;
                onlyDigits = onlyDigits && c >= '0' && c <= '9';
                end = static_cast<std::size_t>(at);
            }
            if (end > i + 1 && !onlyDigits) {
                std::string tag(text.substr(i + 1, end - i - 1));
                if (seenTags_.insert(tag).second) hashtags_.push_back(std::move(tag));
            }
        }
    }

    void lineBreak() {
        if (inCell_) {
            cellBreak();
            return;
        }
        if (codeDepth_ > 0) {
            append(" ");
            return;
        }
        if (atLineStart()) return;  // a paragraph neither begins nor ends with a break
        while (!inline_.empty() && inline_.back() == ' ') inline_.pop_back();
        append("\\\n");
    }

    void cellBreak() {
        const char last = lastChar();
        if (last != 0 && !(inline_.size() >= 4 && inline_.ends_with("<br>"))) append("<br>");
    }

    void styled(const xmlNode* node, const char* delimiter, std::size_t depth) {
        const std::string_view mark(delimiter);
        for (const Frame& frame : frames_) {
            if (frame.open == mark) {
                walk(node, depth);  // already in this style: no second pair of delimiters
                return;
            }
        }
        if (lastClosed_.end == inline_.size() && lastClosed_.open == mark &&
            lastClosed_.depth == frames_.size()) {
            // Right after a run of the same style: one run, or the two delimiters would meet
            // and read as another ("*a**b*").
            std::string content =
                inline_.substr(lastClosed_.openAt + mark.size(),
                               lastClosed_.end - lastClosed_.openAt - 2 * mark.size());
            inline_.resize(lastClosed_.openAt);
            openFrame(Frame{"", std::string(mark), std::string(mark), ""});
            inline_ = std::move(content);
        } else {
            openFrame(Frame{"", std::string(mark), std::string(mark), ""});
        }
        walk(node, depth);
        closeFrame();
    }

    void link(const xmlNode* node, std::size_t depth) {
        const std::optional<std::string> href = attribute(node, "href");
        if (linkDepth_ > 0 || !href || href->empty()) {
            walk(node, depth);
            return;
        }
        ++linkDepth_;
        openFrame(
            Frame{"", "[", "](" + destination(*href) + ")", escaped(percentDecoded(*href), false)});
        walk(node, depth);
        closeFrame();
        --linkDepth_;
    }

    void image(const xmlNode* node) {
        const std::optional<std::string> src = attribute(node, "src");
        if (!src || src->empty()) return;
        std::string name = attribute(node, "alt").value_or("");
        if (name.empty()) {
            const std::string path = percentDecoded(*src);
            name = path.substr(path.rfind('/') + 1);
        }
        std::string collapsed;
        for (char c : name) collapsed += isHtmlSpace(c) ? ' ' : c;
        append("![" + escaped(collapsed, false) + "](" + destination(*src) + ")");
    }

    void codeSpan(const xmlNode* node, std::size_t depth) {
        ++codeDepth_;
        openFrame(Frame{"", "`", "`", ""});
        walk(node, depth);
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        std::string code = std::move(inline_);
        inline_ = std::move(frame.saved);
        --codeDepth_;
        append(codeMarkup(std::move(code)));
    }

    // `code` (as written, unescaped) as a code span: a fence longer than any backtick run in it,
    // the spaces at its ends outside.
    std::string codeMarkup(std::string code) const {
        std::string lead, trail;
        splitSpaces(code, lead, trail);
        if (code.empty()) return lead.empty() ? trail : lead;
        if (inCell_) {
            std::string piped;
            for (char c : code) {
                if (c == '|') piped += '\\';
                piped += c;
            }
            code = std::move(piped);
        }
        std::size_t longest = 0, run = 0;
        for (char c : code) {
            run = c == '`' ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        const std::string fence(longest + 1, '`');
        const bool pad = code.front() == '`' || code.back() == '`';
        return lead + fence + (pad ? " " : "") + code + (pad ? " " : "") + fence + trail;
    }

    void openFrame(Frame frame) {
        frame.saved = std::move(inline_);
        inline_.clear();
        frames_.push_back(std::move(frame));
    }

    // Moves the spaces at either end of `content` out into `lead` and `trail`: a delimiter
    // next to a space would not count as one.
    static void splitSpaces(std::string& content, std::string& lead, std::string& trail) {
        std::size_t begin = 0;
        while (begin < content.size() && content[begin] == ' ') ++begin;
        std::size_t end = content.size();
        while (end > begin && content[end - 1] == ' ') --end;
        lead = begin > 0 ? " " : "";
        trail = end < content.size() ? " " : "";
        content = content.substr(begin, end - begin);
    }

    std::string wrapped(const Frame& frame, std::string content) const {
        if (frame.open == "`") return codeMarkup(std::move(content));
        std::string lead, trail;
        splitSpaces(content, lead, trail);
        // Breaks at the end go outside too; every line feed is a break's, after its backslash.
        std::string breaks;
        while (content.ends_with('\n')) {
            content.resize(content.size() - 2);
            breaks += "\\\n";
        }
        if (content.empty()) {
            if (frame.fallback.empty())
                return breaks.empty() ? (lead.empty() ? trail : lead) : breaks;
            content = frame.fallback;
        }
        return lead + frame.open + content + frame.close + (breaks.empty() ? trail : breaks);
    }

    void closeFrame() {
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        std::string content = std::move(inline_);
        inline_ = std::move(frame.saved);
        const std::size_t before = inline_.size();
        const std::string wrap = wrapped(frame, std::move(content));
        append(wrap);
        if (frame.open != "[" && wrap.ends_with(frame.close) &&
            wrap.size() > frame.open.size() + frame.close.size()) {
            lastClosed_ = {frame.open, before + (wrap.starts_with(' ') ? 1 : 0), inline_.size(),
                           frames_.size()};
        }
    }

    // The paragraph so far, with the open elements closed around it (they open again around
    // what follows); empty when it holds nothing but spaces and breaks.
    std::string takeParagraph() {
        std::string text = std::move(inline_);
        inline_.clear();
        lastClosed_.end = std::string::npos;
        for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
            Frame outside = *frame;
            outside.fallback.clear();  // a link split by a block keeps its target with its text
            text = frame->saved + wrapped(outside, std::move(text));
            frame->saved.clear();
        }
        for (;;) {
            const std::size_t size = text.size();
            while (!text.empty() && text.back() == ' ') text.pop_back();
            if (text.ends_with('\n')) text.resize(text.size() - 2);  // a break, after its '\\'

            if (text.ends_with("<br>") && inCell_) text.resize(text.size() - 4);
            if (text.size() == size) break;
        }
        std::size_t begin = 0;
        while (begin < text.size() && text[begin] == ' ') ++begin;
        text.erase(0, begin);
        // A paragraph of no-break spaces only is an empty line in the note.
        std::string_view rest = text;
        while (!rest.empty() &&
               (rest.front() == ' ' || rest.starts_with("\xC2\xA0") || rest.starts_with("\\\n"))) {
            rest.remove_prefix(rest.front() == ' ' ? 1 : 2);
        }
        if (rest.empty()) text.clear();
        return text;
    }

    // ---- blocks ----

    void blockBoundary() {
        if (inCell_) {
            cellBreak();
        } else {
            flushParagraph();
        }
    }

    void flushParagraph() {
        if (inCell_) return;
        const std::string paragraph = takeParagraph();
        if (paragraph.empty()) return;
        std::vector<std::string> lines;
        std::size_t begin = 0;
        for (std::size_t end; (end = paragraph.find('\n', begin)) != std::string::npos;
             begin = end + 1) {
            lines.push_back(paragraph.substr(begin, end - begin));
        }
        lines.push_back(paragraph.substr(begin));
        emitBlock(lines);
    }

    void heading(const xmlNode* node, int level, std::size_t depth) {
        if (inCell_) {
            blockBoundary();
            walk(node, depth);
            blockBoundary();
            return;
        }
        flushParagraph();
        walk(node, depth);
        std::string text = takeParagraph();
        for (std::size_t at; (at = text.find("\\\n")) != std::string::npos;) {
            text.replace(at, 2, " ");
        }
        if (text.empty()) return;
        // A "#" run at the end would be read as the heading's closing sequence.
        if (text.back() == '#') {
            const std::size_t run = text.find_last_not_of('#') + 1;
            if (run == 0 || text[run - 1] == ' ') text.insert(run, "\\");
        }
        emitBlock({std::string(static_cast<std::size_t>(level), '#') + " " + text});
    }

    void preformatted(const xmlNode* node, std::size_t depth) {
        if (inCell_) {
            codeSpan(node, depth);
            return;
        }
        flushParagraph();
        std::string code;
        collectText(node, code, depth);
        if (code.starts_with('\n')) code.erase(0, 1);  // HTML drops a pre's first line feed
        while (code.ends_with('\n')) code.pop_back();
        if (code.empty()) return;
        std::size_t longest = 0, run = 0;
        for (char c : code) {
            run = c == '`' ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        const std::string fence(std::max<std::size_t>(3, longest + 1), '`');
        std::vector<std::string> lines{fence};
        std::size_t begin = 0;
        for (std::size_t end; (end = code.find('\n', begin)) != std::string::npos;
             begin = end + 1) {
            lines.push_back(code.substr(begin, end - begin));
        }
        lines.push_back(code.substr(begin));
        lines.push_back(fence);
        emitBlock(lines);
    }

    void collectText(const xmlNode* parent, std::string& text, std::size_t depth) {
        if (depth > budget_.maxDepth) {
            fault_ =
                "its elements are nested more than " + std::to_string(budget_.maxDepth) + " deep";
            return;
        }
        for (const xmlNode* node = parent->children; node != nullptr && !fault_;
             node = node->next) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                text += contentOf(node);
            } else if (node->type == XML_ELEMENT_NODE) {
                if (nameOf(node) == "br") {
                    text += '\n';
                } else if (!isSkipped(nameOf(node))) {
                    collectText(node, text, depth + 1);
                }
            }
        }
        if (text.size() > maxOutput_) fault_ = "it expands beyond its size limit";
    }

    void list(const xmlNode* node, bool ordered, std::size_t depth) {
        if (inCell_) {
            blockBoundary();
            walk(node, depth);
            blockBoundary();
            return;
        }
        flushParagraph();
        // A list right after another at the same place takes the other marker, or Markdown
        // would read the two as one.
        char mark = ordered ? '.' : '-';
        if (lastList_.outSize == out_.size() && lastList_.depth == containers_.size() &&
            lastList_.mark == mark) {
            mark = ordered ? ')' : '*';
        }
        unsigned long number = 1;
        if (ordered) {
            const std::string start = attribute(node, "start").value_or("1");
            if (!start.empty() && start.size() <= 9 &&
                start.find_first_not_of("0123456789") == std::string::npos) {
                number = std::stoul(start);
            }
        }
        // Only a list inside an item follows the line before it; any other starts a new block.
        if (containers_.empty() || !containers_.back().listItem) lastBlockInList_ = false;
        std::string indent = "  ";
        for (const xmlNode* child = node->children; child != nullptr && !fault_;
             child = child->next) {
            if (child->type == XML_ELEMENT_NODE && nameOf(child) == "li") {
                const std::string marker =
                    ordered ? std::to_string(number++) + mark + " " : std::string(1, mark) + " ";
                indent = std::string(marker.size(), ' ');
                item(child, marker, depth + 1);
            } else if (child->type == XML_ELEMENT_NODE ||
                       !std::all_of(contentOf(child).begin(), contentOf(child).end(),
                                    isHtmlSpace)) {
                // A list or text straight inside the list belongs to the item before it.
                if (child->type == XML_ELEMENT_NODE && depth + 1 > budget_.maxDepth) {
                    element(child, depth + 1);  // reports the depth
                    break;
                }
                pushContainer(Container{indent, "", false, true});
                if (child->type == XML_ELEMENT_NODE) {
                    element(child, depth + 1);
                } else {
                    appendText(child);
                }
                flushParagraph();
                popContainer();
            }
        }
        lastList_ = ListEnd{out_.size(), containers_.size(), mark};
    }

    // The tick an item starts with: a "☐"/"☑"/"☒" at the start of its first text, or a checkbox
    // before any text. Answers "[ ] ", "[x] " or "" and marks the tick's text to be skipped.
    std::string taskMarker(const xmlNode* item) {
        const xmlNode* node = item->children;
        for (int visited = 0; node != nullptr && visited < kTickSearchNodes; ++visited) {
            if (node->type == XML_TEXT_NODE) {
                const std::string_view text = contentOf(node);
                std::size_t at = 0;
                while (at < text.size() && isHtmlSpace(text[at])) ++at;
                if (at < text.size()) {
                    const std::string_view rest = text.substr(at);
                    for (const auto& [tick, done] :
                         {std::pair{"\u2610", false}, {"\u2611", true}, {"\u2612", true}}) {
                        if (rest.starts_with(tick)) {
                            std::size_t skip = at + std::string_view(tick).size();
                            if (text.substr(skip).starts_with(" ")) {
                                skip += 1;
                            } else if (text.substr(skip).starts_with("\xC2\xA0")) {
                                skip += 2;
                            }
                            tickNode_ = node;
                            tickSkip_ = skip;
                            return done ? "[x] " : "[ ] ";
                        }
                    }
                    return "";
                }
            } else if (node->type == XML_ELEMENT_NODE && nameOf(node) == "input") {
                const std::string type = attribute(node, "type").value_or("");
                if (type == "checkbox") return attribute(node, "checked") ? "[x] " : "[ ] ";
            }
            // Depth first: into the children, else on to the next node up the tree.
            if (node->type == XML_ELEMENT_NODE && node->children != nullptr &&
                !isSkipped(nameOf(node))) {
                node = node->children;
                continue;
            }
            while (node != nullptr && node->next == nullptr) {
                node = node->parent;
                if (node == item) return "";
            }
            if (node != nullptr) node = node->next;
        }
        return "";
    }

    void item(const xmlNode* node, const std::string& marker, std::size_t depth) {
        if (depth > budget_.maxDepth) {
            element(node, depth);  // reports the depth
            return;
        }
        const std::string task = taskMarker(node);
        pushContainer(Container{std::string(marker.size(), ' '), marker + task, true, true});
        walk(node, depth);
        flushParagraph();
        if (!containers_.empty() && containers_.back().markerPending) emitBlock({""});
        popContainer();
    }

    void table(const xmlNode* node, std::size_t depth) {
        flushParagraph();
        std::vector<std::vector<std::string>> rows;
        std::size_t columns = 0;
        collectRows(node, rows, depth);
        for (const auto& row : rows) columns = std::max(columns, row.size());
        if (columns == 0 || fault_) return;
        auto line = [&](const std::vector<std::string>& cells) {
            std::string text = "|";
            for (std::size_t column = 0; column < columns; ++column) {
                text += " ";
                if (column < cells.size()) text += cells[column];
                text += " |";
            }
            return text;
        };
        std::vector<std::string> lines{line(rows.front()),
                                       line(std::vector<std::string>(columns, "---"))};
        for (std::size_t row = 1; row < rows.size(); ++row) lines.push_back(line(rows[row]));
        emitBlock(lines);
    }

    void collectRows(const xmlNode* parent, std::vector<std::vector<std::string>>& rows,
                     std::size_t depth) {
        for (const xmlNode* node = parent->children; node != nullptr && !fault_;
             node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            if (depth + 1 > budget_.maxDepth) {
                element(node, depth + 1);  // reports the depth
                return;
            }
            const std::string_view name = nameOf(node);
            if (name == "tr") {
                rows.emplace_back();
                for (const xmlNode* cell = node->children; cell != nullptr && !fault_;
                     cell = cell->next) {
                    if (cell->type == XML_ELEMENT_NODE &&
                        (nameOf(cell) == "td" || nameOf(cell) == "th")) {
                        rows.back().push_back(cellText(cell, depth + 2));
                    }
                }
            } else if (name == "thead" || name == "tbody" || name == "tfoot") {
                collectRows(node, rows, depth + 1);
            }
        }
    }

    std::string cellText(const xmlNode* cell, std::size_t depth) {
        inCell_ = true;
        walk(cell, depth);
        std::string text = takeParagraph();
        inCell_ = false;
        return text;
    }

    // ---- output ----

    void pushContainer(Container container) {
        if (containers_.size() >= kMaxIndentedContainers) {
            container.prefix.clear();
            if (!container.markerPending) {
                ++flattened_;
                return;
            }
        }
        containers_.push_back(std::move(container));
    }

    void popContainer() {
        if (flattened_ > 0 && containers_.size() >= kMaxIndentedContainers) {
            --flattened_;
            return;
        }
        containers_.pop_back();
    }

    // The prefix of the next line: each container's, or its marker on its first line.
    std::string linePrefix() {
        std::string prefix;
        for (Container& container : containers_) {
            if (container.markerPending) {
                prefix += container.marker;
                container.markerPending = false;
            } else {
                prefix += container.prefix;
            }
        }
        return prefix;
    }

    bool pendingMarker() const {
        return std::any_of(containers_.begin(), containers_.end(),
                           [](const Container& c) { return c.markerPending; });
    }

    void emitBlock(const std::vector<std::string>& lines) {
        const bool inList = std::any_of(containers_.begin(), containers_.end(),
                                        [](const Container& c) { return c.listItem; });
        const bool tight = !out_.empty() && lastBlockInList_ && pendingMarker();
        if (!out_.empty() && !tight) {
            std::string blank;
            for (const Container& container : containers_) {
                blank += container.markerPending ? std::string() : container.prefix;
            }
            while (blank.ends_with(' ')) blank.pop_back();
            out_ += blank + "\n";
        }
        for (const std::string& line : lines) {
            std::string prefixed = linePrefix() + line;
            while (line.empty() && prefixed.ends_with(' ')) prefixed.pop_back();
            out_ += prefixed + "\n";
        }
        lastBlockInList_ = inList;
        checkOutputBudget();
    }

    void checkOutputBudget() {
        if (!fault_ && out_.size() + inline_.size() > maxOutput_) {
            fault_ = "it expands beyond its size limit";
        }
    }

    // The style run that ends the paragraph so far, while nothing follows it.
    struct ClosedRun {
        std::string open;
        std::size_t openAt = 0;
        std::size_t end = std::string::npos;
        std::size_t depth = 0;
    };

    struct ListEnd {
        std::size_t outSize = std::string::npos;
        std::size_t depth = 0;
        char mark = 0;
    };

    const Budget& budget_;
    const std::size_t maxOutput_;
    std::string out_;
    std::string inline_;
    std::vector<Frame> frames_;
    std::vector<Container> containers_;
    std::size_t flattened_ = 0;
    bool inCell_ = false;
    bool lastBlockInList_ = false;
    int linkDepth_ = 0;
    int codeDepth_ = 0;
    ListEnd lastList_;
    ClosedRun lastClosed_;
    const xmlNode* tickNode_ = nullptr;
    std::size_t tickSkip_ = 0;
    std::vector<std::string> hashtags_;
    std::unordered_set<std::string> seenTags_;
    std::optional<std::string> fault_;
};

}  // namespace

Conversion fromHtml(std::string_view html, const Budget& budget) {
    Conversion result;
    if (html.size() > budget.maxInputBytes) {
        result.fault = "its text is larger than " + std::to_string(budget.maxInputBytes) + " bytes";
        return result;
    }
    if (html.empty()) return result;
    static std::once_flag initialized;
    std::call_once(initialized, [] { xmlInitParser(); });
    const std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> document(
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                       HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                           HTML_PARSE_NONET | HTML_PARSE_NODEFDTD | HTML_PARSE_COMPACT |
                           HTML_PARSE_IGNORE_ENC),
        xmlFreeDoc);
    if (!document) return result;
    Converter converter(budget, html.size());
    converter.convertChildren(reinterpret_cast<const xmlNode*>(document.get()));
    return converter.finish();
}

}  // namespace quillmere::markdown
