#include "platform/links/link_scanner.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "platform/links/link_characters.h"
#include "platform/links/link_text_segments.h"

namespace quillmere {

namespace {

using namespace link_characters;

constexpr std::uint64_t kNone = kNotFound;
constexpr std::uint64_t kLongestLabel = 63;
constexpr std::uint64_t kLongestHost = 253;
constexpr std::uint64_t kLongestLocalPart = 64;
constexpr std::uint64_t kLongestIpv6 = 64;

// Top-level domains that are as often file extensions; a bare name ending in one of them is a
// link only when a path or a port makes it one.
constexpr std::array<std::u16string_view, 20> kFileExtensionDomains = {
    u"ac",  u"ai", u"am", u"app", u"cc", u"in", u"md", u"mk", u"ml", u"mm",
    u"mov", u"pl", u"pm", u"ps",  u"py", u"rs", u"sh", u"so", u"tf", u"zip"};

// The schemes of "scheme://" links: those that open a page, a mailbox, a call or a transfer.
// Any other may run code or reach local files (javascript:, vbscript:, data:, file:), so a
// plain-text mention of it never becomes a link.
constexpr std::array<std::u16string_view, 17> kSafeSchemes = {
    u"mailto", u"http", u"https", u"ftp",  u"ftps", u"sftp", u"ssh",    u"git",     u"irc",
    u"ircs",   u"news", u"nntp",  u"rtsp", u"tel",  u"feed", u"webcal", u"facetime"};

bool isAsciiLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }
bool isAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool equalsIgnoringAsciiCase(TextView a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t c = a[i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (c != b[i]) {
            return false;
        }
    }
    return true;
}

// What a host name looks like, as far as the rules need to know.
struct Host {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint32_t labels = 0;
    Range firstLabel{0, 0};
    Range lastLabel{0, 0};
    bool wellFormed = true;   // no label begins or ends with "-" or "_", none is too long
    bool underscore = false;  // some label holds "_"
    bool underscoreInLast = false;
    bool allNumeric = true;  // every label is decimal digits
    bool ipv4 = false;       // four numeric labels, each at most 255

    std::uint64_t length() const { return end - start; }
};

bool isSafeScheme(TextView scheme) {
    return std::any_of(kSafeSchemes.begin(), kSafeSchemes.end(), [&](std::u16string_view safe) {
        return equalsIgnoringAsciiCase(scheme, safe);
    });
}

class SegmentScanner {
public:
    SegmentScanner(TextView text, Range segment, const TopLevelDomains& domains,
                   std::vector<Range>& links)
        : text_(text),
          begin_(segment.location),
          end_(segment.end()),
          domains_(domains),
          links_(links),
          lastEnd_(segment.location) {}

    void run() {
        std::uint64_t localStart = kNone;  // start of the local-part run that ends before i
        std::uint64_t i = begin_;
        while (i < end_) {
            const char16_t unit = text_[i];
            if (unit < 0x80 && !ascii::is(unit, ascii::kAlphanumeric) && unit != u':' &&
                unit != u'@') {
                // Starts nothing: only the local part of an address may run through it.
                if (!ascii::is(unit, ascii::kLocalPart)) {
                    localStart = kNone;
                } else if (localStart == kNone) {
                    localStart = i;
                }
                ++i;
                continue;
            }
            const text::CodePoint c = at(i);
            std::optional<Range> link;
            if (c.value == U':') {
                link = schemeLinkAt(i);
                if (link && !isSafeScheme(text_.substr(link->location, i - link->location))) {
                    // Passed over whole, so that no part of it becomes a link of its own.
                    lastEnd_ = i = link->end();
                    localStart = kNone;
                    continue;
                }
            } else if (c.value == U'@') {
                link = emailAt(i, localStart);
            } else if (isHostStart(i, c.value)) {
                std::uint64_t wordEnd = i;
                while (wordEnd < end_ && text_[wordEnd] < 0x80 &&
                       ascii::is(text_[wordEnd], ascii::kLabel)) {
                    ++wordEnd;
                }
                const char16_t next = unitAt(wordEnd);
                if (wordEnd > i && next < 0x80 && next != u'.' && next != u'@') {
                    // A name of one label, as most words are: no link, all of it may still be
                    // the local part of an address.
                    if (localStart == kNone) {
                        localStart = i;
                    }
                    i = wordEnd;
                    continue;
                }
                const Host host = parseHost(i, false);
                link = bareLinkAt(host);
                if (!link) {
                    // No link starts inside this name: skip it whole (all of it may still be
                    // the local part of an address).
                    if (localStart == kNone) {
                        localStart = i;
                    }
                    i = host.end;
                    continue;
                }
            }
            if (link) {
                links_.push_back(*link);
                lastEnd_ = link->end();
                i = lastEnd_;
                localStart = kNone;
                continue;
            }
            if (isLocalPartCharacter(c.value)) {
                if (localStart == kNone) {
                    localStart = i;
                }
            } else {
                localStart = kNone;
            }
            i += c.length;
        }
    }

private:
    text::CodePoint at(std::uint64_t i) const {
        if (i >= end_) {
            return {U'\0', 1};
        }
        return text::codePointAt(text_, i);
    }

    char32_t unitAt(std::uint64_t i) const { return i < end_ ? text_[i] : U'\0'; }

    // The code point that ends just before `i`, which must be past the segment's start.
    text::CodePoint before(std::uint64_t i) const {
        const char16_t last = text_[i - 1];
        if (U16_IS_TRAIL(last) && i - 1 > begin_ && U16_IS_LEAD(text_[i - 2])) {
            return {static_cast<char32_t>(U16_GET_SUPPLEMENTARY(text_[i - 2], last)), 2};
        }
        return {last, 1};
    }

    TextView slice(Range r) const { return text_.substr(r.location, r.length); }

    // ----- host names -----

    bool isHostStart(std::uint64_t i, char32_t c) const {
        if (!isAlphanumeric(c)) {
            return false;
        }
        if (i == begin_) {
            return true;
        }
        const char32_t previous = before(i).value;
        if (isLabelCharacter(previous)) {
            return false;
        }
        switch (previous) {
            case U'.':
            case U'/':
            case U'\\':
            case U'@':
            case U'#':
            case U'$':
            case U'%':
            case U'&':
            case U'+':
            case U'=':
            case U'~':
                return false;
            default:
                return true;
        }
    }

    Host parseHost(std::uint64_t start, bool symbols) const {
        Host host;
        host.start = start;
        std::uint64_t i = start;
        while (true) {
            const std::uint64_t labelStart = i;
            bool numeric = true;
            bool underscore = false;
            while (i < end_) {
                const char16_t unit = text_[i];
                if (unit < 0x80) {
                    if (!ascii::is(unit, ascii::kLabel)) {
                        break;
                    }
                    numeric = numeric && isAsciiDigit(unit);
                    underscore = underscore || unit == u'_';
                    ++i;
                    continue;
                }
                const text::CodePoint c = at(i);
                if (!isLabelCharacter(c.value, symbols)) {
                    break;
                }
                numeric = numeric && isAsciiDigit(c.value);
                underscore = underscore || c.value == U'_';
                i += c.length;
            }
            if (i == labelStart) {
                break;
            }
            const Range label{labelStart, i - labelStart};
            const char16_t first = text_[labelStart];
            const char16_t last = text_[i - 1];
            if (first == u'-' || first == u'_' || last == u'-' || last == u'_' ||
                label.length > kLongestLabel) {
                host.wellFormed = false;
            }
            if (host.labels == 0) {
                host.firstLabel = label;
            }
            host.lastLabel = label;
            ++host.labels;
            host.allNumeric = host.allNumeric && numeric;
            host.underscore = host.underscore || underscore;
            host.underscoreInLast = underscore;
            if (unitAt(i) == U'.' && i + 1 < end_ && isLabelCharacter(at(i + 1).value, symbols)) {
                ++i;
                continue;
            }
            break;
        }
        host.end = i;
        if (host.labels == 0) {
            host.wellFormed = false;
        }
        host.ipv4 = host.allNumeric && host.labels == 4 && isIpv4(host);
        return host;
    }

    bool isIpv4(const Host& host) const {
        unsigned value = 0;
        unsigned digits = 0;
        for (std::uint64_t i = host.start; i <= host.end; ++i) {
            if (i == host.end || text_[i] == u'.') {
                if (digits == 0 || digits > 3 || value > 255) {
                    return false;
                }
                value = 0;
                digits = 0;
            } else {
                value = value * 10 + (text_[i] - u'0');
                ++digits;
            }
        }
        return true;
    }

    // A last label of letters only (at least two), or an ASCII-encoded one ("xn--…").
    bool isAlphabeticLabel(Range label) const {
        const TextView view = slice(label);
        if (view.size() > 4 && equalsIgnoringAsciiCase(view.substr(0, 4), u"xn--")) {
            return true;
        }
        std::uint64_t letters = 0;
        for (std::uint64_t i = 0; i < view.size();) {
            const text::CodePoint c = text::codePointAt(view, i);
            if (!u_isalpha(static_cast<UChar32>(c.value)) &&
                (U_GET_GC_MASK(static_cast<UChar32>(c.value)) & U_GC_M_MASK) == 0) {
                return false;
            }
            ++letters;
            i += c.length;
        }
        return letters >= 2;
    }

    bool isPlainName(const Host& host) const {
        return host.wellFormed && !host.underscore && host.length() <= kLongestHost &&
               !host.allNumeric;
    }

    bool isWwwName(const Host& host) const {
        return isPlainName(host) && host.labels >= 3 &&
               equalsIgnoringAsciiCase(slice(host.firstLabel), u"www") &&
               isAlphabeticLabel(host.lastLabel);
    }

    bool hasRealTopLevelDomain(const Host& host) const {
        return isPlainName(host) && host.labels >= 2 && domains_.contains(slice(host.lastLabel));
    }

    bool hasFileExtensionDomain(const Host& host) const {
        const TextView last = slice(host.lastLabel);
        for (std::u16string_view extension : kFileExtensionDomains) {
            if (equalsIgnoringAsciiCase(last, extension)) {
                return true;
            }
        }
        return false;
    }

    // "Paris.Then", "done.It": a capitalised word after a full stop without a space, far more
    // often than a host name written so.
    bool hasCapitalisedLastLabel(const Host& host) const {
        const TextView last = slice(host.lastLabel);
        const text::CodePoint first = text::codePointAt(last, 0);
        if (!u_isupper(static_cast<UChar32>(first.value))) {
            return false;
        }
        for (std::uint64_t i = first.length; i < last.size();) {
            const text::CodePoint c = text::codePointAt(last, i);
            if (u_islower(static_cast<UChar32>(c.value))) {
                return true;
            }
            i += c.length;
        }
        return false;
    }

    // ----- port, path and the link's end -----

    // After a host ending at `i`: the end of ":port" when one is there, `i` when none is, and
    // nullopt for a port that cannot be one (too many digits, above 65535).
    std::optional<std::uint64_t> portEnd(std::uint64_t i) const {
        if (unitAt(i) != U':' || !isAsciiDigit(unitAt(i + 1))) {
            return i;
        }
        std::uint64_t j = i + 1;
        std::uint32_t value = 0;
        while (isAsciiDigit(unitAt(j))) {
            if (j - i > 5) {
                return std::nullopt;
            }
            value = value * 10 + (text_[j] - u'0');
            ++j;
        }
        if (value > 65535 || isLabelCharacter(at(j).value)) {
            return std::nullopt;
        }
        return j;
    }

    // The end of the link whose path, query or fragment may begin at `i`, where its host (and
    // port) end; trailing punctuation and unbalanced closing brackets left out.
    std::uint64_t linkEnd(std::uint64_t i) const {
        const char32_t first = unitAt(i);
        if (first != U'/' && first != U'?' && first != U'#') {
            return i;
        }
        const std::uint64_t pathStart = i;
        std::array<std::int64_t, 3> open{};  // ( [ {
        while (i < end_) {
            const text::CodePoint c = at(i);
            if (isTerminator(c.value)) {
                break;
            }
            if (c.value == U'&') {
                const std::uint64_t entity = entityLengthAt(text_.substr(0, end_), i);
                if (entity > 0 && !isAmpersandEntity(text_, i, entity)) {
                    break;  // "&nbsp;", "&gt;"… end the link
                }
                i += entity > 0 ? entity : 1;
                continue;
            }
            countBracket(c.value, open, +1);
            i += c.length;
        }
        return trimmedEnd(pathStart, i, open);
    }

    static void countBracket(char32_t c, std::array<std::int64_t, 3>& open, int sign) {
        switch (c) {
            case U'(':
                open[0] += sign;
                break;
            case U')':
                open[0] -= sign;
                break;
            case U'[':
                open[1] += sign;
                break;
            case U']':
                open[1] -= sign;
                break;
            case U'{':
                open[2] += sign;
                break;
            case U'}':
                open[2] -= sign;
                break;
            default:
                break;
        }
    }

    // The length of an escaped "&" that ends just before `end`, or 0.
    std::uint64_t ampersandEntityBefore(std::uint64_t pathStart, std::uint64_t end) const {
        for (std::uint64_t length : {5, 6}) {
            if (end - pathStart >= length && entityLengthAt(text_, end - length) == length &&
                isAmpersandEntity(text_, end - length, length)) {
                return length;
            }
        }
        return 0;
    }

    // Drops trailing punctuation, a trailing "&amp;" and closing brackets that close nothing
    // opened inside the link. `open` holds openings minus closings of each kind of bracket.
    std::uint64_t trimmedEnd(std::uint64_t pathStart, std::uint64_t end,
                             std::array<std::int64_t, 3> open) const {
        while (end > pathStart) {
            const text::CodePoint c = before(end);
            if (c.value == U';') {
                if (const std::uint64_t entity = ampersandEntityBefore(pathStart, end)) {
                    end -= entity;
                    continue;
                }
            }
            if (isTrailingPunctuation(c.value)) {
                end -= c.length;
                continue;
            }
            const int kind = c.value == U')' ? 0 : c.value == U']' ? 1 : c.value == U'}' ? 2 : -1;
            if (kind >= 0 && open[kind] < 0) {
                ++open[kind];
                end -= 1;
                continue;
            }
            break;
        }
        return end;
    }

    // ----- the three kinds of link -----

    std::optional<Range> bareLinkAt(const Host& host) const {
        if (unitAt(host.end) == U'@') {
            return std::nullopt;  // the local part of an e-mail address
        }
        const bool www = isWwwName(host);
        if (!www && !hasRealTopLevelDomain(host)) {
            return std::nullopt;
        }
        const std::optional<std::uint64_t> afterPort = portEnd(host.end);
        if (!afterPort) {
            return std::nullopt;
        }
        // A doubtful name ("readme.md", "setup.py", "Paris.Then") counts only with a path or a
        // port after it.
        if (!www && (hasFileExtensionDomain(host) || hasCapitalisedLastLabel(host)) &&
            *afterPort == host.end && unitAt(host.end) != U'/') {
            return std::nullopt;
        }
        const std::uint64_t end = linkEnd(*afterPort);
        return Range{host.start, end - host.start};
    }

    std::optional<Range> schemeLinkAt(std::uint64_t colon) const {
        std::uint64_t start = colon;
        while (start > lastEnd_ && isSchemeCharacter(text_[start - 1])) {
            --start;
        }
        while (start < colon && !isAsciiLetter(text_[start])) {
            ++start;
        }
        // A scheme glued to a word ("_http://", "éhttp://") starts no link.
        if (start == colon || (start > begin_ && isLabelCharacter(before(start).value))) {
            return std::nullopt;
        }
        if (unitAt(colon + 1) == U'/' && unitAt(colon + 2) == U'/') {
            return urlAt(start, colon + 3);
        }
        if (equalsIgnoringAsciiCase(text_.substr(start, colon - start), u"mailto")) {
            return mailtoAt(start, colon + 1);
        }
        return std::nullopt;
    }

    std::optional<Range> urlAt(std::uint64_t start, std::uint64_t authority) const {
        std::uint64_t i = authority;
        while (i < end_ && isUserInfoCharacter(at(i).value)) {
            i += at(i).length;
        }
        const std::uint64_t hostStart = unitAt(i) == U'@' && i > authority ? i + 1 : authority;

        std::uint64_t hostEnd = 0;
        if (unitAt(hostStart) == U'[') {
            std::optional<std::uint64_t> close = ipv6End(hostStart);
            if (!close) {
                return std::nullopt;
            }
            hostEnd = *close;
        } else {
            const Host host = parseHost(hostStart, true);
            if (!host.wellFormed || host.underscoreInLast || host.length() > kLongestHost ||
                (host.allNumeric && host.labels > 1 && !host.ipv4)) {
                return std::nullopt;
            }
            hostEnd = host.end;
        }
        const std::optional<std::uint64_t> afterPort = portEnd(hostEnd);
        if (!afterPort) {
            return std::nullopt;
        }
        const std::uint64_t end = linkEnd(*afterPort);
        return Range{start, end - start};
    }

    // One past the "]" of a bracketed IPv6 address at `open`.
    std::optional<std::uint64_t> ipv6End(std::uint64_t open) const {
        std::uint64_t colons = 0;
        for (std::uint64_t i = open + 1; i < end_ && i - open <= kLongestIpv6; ++i) {
            const char16_t c = text_[i];
            if (c == u']') {
                return colons >= 2 ? std::optional<std::uint64_t>(i + 1) : std::nullopt;
            }
            if (c == u':') {
                ++colons;
            } else if (!(isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') ||
                         c == u'.')) {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<Range> mailtoAt(std::uint64_t start, std::uint64_t local) const {
        std::uint64_t i = local;
        while (i < end_ && isLocalPartCharacter(at(i).value)) {
            i += at(i).length;
        }
        if (i == local || unitAt(i) != U'@') {
            return std::nullopt;
        }
        const Host host = parseHost(i + 1, false);
        if (!host.wellFormed || host.underscore) {
            return std::nullopt;
        }
        const std::uint64_t end = unitAt(host.end) == U'?' ? linkEnd(host.end) : host.end;
        return Range{start, end - start};
    }

    std::optional<Range> emailAt(std::uint64_t atSign, std::uint64_t localStart) const {
        if (localStart == kNone || localStart < lastEnd_) {
            return std::nullopt;
        }
        // The local part begins with a letter, digit or "_" and holds no "..".
        std::uint64_t start = localStart;
        for (std::uint64_t i = localStart; i + 1 < atSign; ++i) {
            if (text_[i] == u'.' && text_[i + 1] == u'.') {
                start = i + 2;
            }
        }
        while (start < atSign && !isAlphanumeric(at(start).value) && text_[start] != u'_') {
            start += at(start).length;
        }
        if (start == atSign || text_[atSign - 1] == u'.' || atSign - start > kLongestLocalPart) {
            return std::nullopt;
        }
        const Host host = parseHost(atSign + 1, false);
        if (!isPlainName(host) || host.labels < 2 || !isAlphabeticLabel(host.lastLabel)) {
            return std::nullopt;
        }
        return Range{start, host.end - start};
    }

    TextView text_;
    std::uint64_t begin_;
    std::uint64_t end_;
    const TopLevelDomains& domains_;
    std::vector<Range>& links_;
    std::uint64_t lastEnd_;
};

}  // namespace

void appendLinks(TextView text, Range segment, const TopLevelDomains& topLevelDomains,
                 std::vector<Range>& links) {
    const std::uint64_t end = std::min<std::uint64_t>(segment.end(), text.size());
    if (segment.location >= end) {
        return;
    }
    SegmentScanner(text, Range{segment.location, end - segment.location}, topLevelDomains, links)
        .run();
}

LinkScanner::LinkScanner(std::shared_ptr<const TopLevelDomains> topLevelDomains)
    : topLevelDomains_(std::move(topLevelDomains)) {}

std::vector<Range> LinkScanner::matchesInString(const Text& text) const {
    const TopLevelDomains& domains = topLevelDomains_ ? *topLevelDomains_ : systemTopLevelDomains();
    std::vector<Range> links;
    for (Range segment : linkTextSegments(text)) {
        appendLinks(text, segment, domains, links);
    }
    return links;
}

bool isSafeLinkTarget(TextView target) {
    if (target.empty() || !isAsciiLetter(target[0])) return false;
    std::size_t colon = 1;
    while (colon < target.size() && isSchemeCharacter(target[colon])) ++colon;
    return colon < target.size() && target[colon] == u':' && isSafeScheme(target.substr(0, colon));
}

}  // namespace quillmere
