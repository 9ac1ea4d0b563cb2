#include "platform/links/link_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/links/top_level_domains.h"

namespace quillmere {
namespace {

// A small, fixed list in the public suffix list's own format, so that the rules are tested
// independently of the list installed on the machine.
std::shared_ptr<const TopLevelDomains> testDomains() {
    static const auto domains =
        std::make_shared<const TopLevelDomains>(TopLevelDomains::fromPublicSuffixList(
            "// ===BEGIN ICANN DOMAINS===\n"
            "com\norg\nnet\nde\njp\nio\nit\nco.uk\nmd\npy\nrs\napp\nzip\nрф\nみんな\n"
            "// ===END ICANN DOMAINS===\n"
            "// ===BEGIN PRIVATE DOMAINS===\nexample.local\n// ===END PRIVATE DOMAINS===\n"));
    return domains;
}

// The rules that other detectors share are checked against their conformance files in
// link_fixtures_test.cpp; the rows here are the rules where a note differs from their inputs
// (markup, entities, code units) or where the fixtures differ from us on purpose.
struct Case {
    const char* name;
    const char* input;  // UTF-8
    std::vector<std::string> links;
};

void expectLinks(const std::vector<Case>& cases,
                 const LinkDetector& detector = LinkScanner(testDomains())) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Text text = text::fromUtf8(c.input);
        std::vector<std::string> found;
        for (Range r : detector.matchesInString(text)) {
            found.push_back(text::toUtf8(TextView(text).substr(r.location, r.length)));
        }
        EXPECT_EQ(found, c.links) << c.input;
    }
}

TEST(LinkDetector, AddressesWithAScheme) {
    expectLinks({
        {"safe_schemes_any_case",
         "see http://example.com HTTP://X.ORG ftp://host/x",
         {"http://example.com", "HTTP://X.ORG", "ftp://host/x"}},
        // A scheme that may run code or open local files: no link, and no part of it either.
        {"unsafe_schemes",
         "JAVASCRIPT://x.io/%0aalert(6) vbscript://example.com/a data://example.com/a "
         "file://example.com/etc x-man+1.2://example.com",
         {}},
        {"scheme_after_digits", "1.https://example.com", {"https://example.com"}},
        {"ip_hosts",
         "http://192.168.1.1/abc http://[2001:db8::1]:8080/x",
         {"http://192.168.1.1/abc", "http://[2001:db8::1]:8080/x"}},
        {"idn_host", "http://bücher.de/ü", {"http://bücher.de/ü"}},
        {"mailto", "mailto:a@b.org?subject=Hi.", {"mailto:a@b.org?subject=Hi"}},
        {"space_after_scheme", "http:// example.com/path", {"example.com/path"}},
        {"broken", "http:// http://.a.com http://-a.com http://a-.com mailto:bar note:apple", {}},
        {"bad_ip_or_port",
         "http://1.2.3 http://1.2.3.400 http://example.com:65536/ http://[::1",
         {}},
    });
}

TEST(LinkDetector, BareNamesNeedARealTopLevelDomainAndAreNoFileNames) {
    expectLinks({
        {"www_any_domain",
         "www.apple.com/mac www.example.foo",
         {"www.apple.com/mac", "www.example.foo"}},
        {"extension_domain_with_path_or_port",
         "docs.rs/serde my.app:8080 Apple.Com/mac",
         {"docs.rs/serde", "my.app:8080", "Apple.Com/mac"}},
        {"file_names", "readme.md setup.py main.rs Notes.app photo.jpg v1.2.3 1.2.3.4", {}},
        {"joined_to_a_word",
         "src/main.rs lib/apple.com _example.com a_b.com @a.com #b.com $c.com",
         {}},
        {"missing_space_after_full_stop", "We met in Paris.It rained.Com", {}},
    });
}

TEST(LinkDetector, NeedsTheListOnlyForBareNames) {
    expectLinks({{"without_list",
                  "apple.com www.apple.com https://apple.com me@apple.com",
                  {"www.apple.com", "https://apple.com", "me@apple.com"}}},
                LinkScanner(std::make_shared<const TopLevelDomains>()));
}

TEST(LinkDetector, EmailAddresses) {
    expectLinks({
        {"addresses",
         "to a.b+tag@bbc.co.uk 192.168.1.1@gmail.com me@x.pizza почта@пример.рф",
         {"a.b+tag@bbc.co.uk", "192.168.1.1@gmail.com", "me@x.pizza", "почта@пример.рф"}},
        {"after_entity", "&nbsp;me@example.org", {"me@example.org"}},
        {"double_dot", "a..b@example.com", {"b@example.com"}},
        {"not_addresses", "foo@bar a@1.2.3.4 name.@example.com a@@b.com @@ a@b.c", {}},
    });
}

// A link never runs into white space of any kind, a control character or markup characters.
TEST(LinkDetector, WhereALinkEnds) {
    for (const char* end : {" ", "\n", "\u00A0", "\u3000", "\u2028", "\x01", "\u200B", "<", ">",
                            "\"", "`", "\uFFFC", "\u3002"}) {
        const std::string input = std::string("https://x.org/a") + end + "z";
        expectLinks({{input.c_str(), input.c_str(), {"https://x.org/a"}}});
    }
    expectLinks({
        {"zero_width_joiner_stays",
         "https://x.org/പോലൊരാള്‍.html",
         {"https://x.org/പോലൊരാള്‍.html"}},
        {"trailing_marks", "https://x.org/a,:;!?*'~ b", {"https://x.org/a"}},
        {"closing_quotes",
         "“https://x.org/a” «https://y.org/b»",
         {"https://x.org/a", "https://y.org/b"}},
        // Brackets otherwise are the fixtures' to check.
        {"mixed_brackets", "[example.com/foo.jpg)]", {"example.com/foo.jpg"}},
        {"trailing_slash_or_dash_stays",
         "https://x.org/a/. https://x.org/a-",
         {"https://x.org/a/", "https://x.org/a-"}},
    });
}

TEST(LinkDetector, EndsBeforeAnEntityButKeepsEscapedAmpersandsInAQuery) {
    expectLinks({
        {"nbsp_after_url", "https://x.org&nbsp;next", {"https://x.org"}},
        {"numeric_entity",
         "https://x.org/a&#160;b https://y.org/a&#xA0;",
         {"https://x.org/a", "https://y.org/a"}},
        {"escaped_ampersand", "https://x.org/?a=1&amp;b=2", {"https://x.org/?a=1&amp;b=2"}},
        {"numeric_ampersands",
         "https://x.org/?a=1&#38;b=2&#x26;c=3&#38;",
         {"https://x.org/?a=1&#38;b=2&#x26;c=3"}},
        {"escaped_ampersand_at_end", "https://x.org/?a=1&amp;", {"https://x.org/?a=1"}},
        {"entity_before", "&nbsp;apple.com&nbsp;https://x.org", {"apple.com", "https://x.org"}},
        {"quote_entity_around", "&quot;https://x.org/a&quot;", {"https://x.org/a"}},
    });
}

// Wrapping a link inside a tag or an existing anchor would nest anchors and corrupt the HTML.
TEST(LinkDetector, NeverLooksInsideTagsOrAnchors) {
    expectLinks({
        {"anchor_content", "<a href=\"https://x.org\">https://x.org</a> and y.org", {"y.org"}},
        {"upper_case_anchor", "<A HREF='x.org'>x.org</A> y.org", {"y.org"}},
        {"anchor_with_markup_inside", "<a href=\"x.org\"><b>x.org</b> x.org</a>", {}},
        {"unquoted_attribute", "<img src=https://x.org/p.png> z.org", {"z.org"}},
        {"gt_in_quoted_attribute", "<img alt=\"a > b.org\" src=\"c.org\">d.org", {"d.org"}},
        {"apostrophe_in_tag", "<p class=it's>apple.com</p>", {"apple.com"}},
        {"abbr_is_not_an_anchor", "<abbr>x.org</abbr>", {"x.org"}},
        {"anchor_without_end_tag", "<a href=\"x.org\">x.org<p>y.org", {}},
        {"comment", "<!-- x.org --> y.org", {"y.org"}},
        {"unclosed_tag", "y.org <img src=\"x.org", {"y.org"}},
        {"less_than_in_text", "1 < 2 apple.com", {"apple.com"}},
        {"link_up_to_tag", "<div>https://x.org/a<br></div>", {"https://x.org/a"}},
        {"end_tag_reopens", "<a>x.org</a><a>y.org</a>z.org", {"z.org"}},
    });
}

TEST(LinkDetector, CountsUtf16CodeUnits) {
    const LinkScanner detector(testDomains());
    const struct {
        const char* name;
        Text input;
        std::vector<Range> ranges;
    } cases[] = {
        {"emoji_before", u"🥞 apple.com", {{3, 9}}},
        {"emoji_in_path", u"https://x.org/😀 a", {{0, 16}}},
        {"cjk_around", u"日本語。example.com/path。", {{4, 16}}},
        {"lone_surrogate_ends", Text(u"https://x.org/a") + char16_t(0xD800) + u"b", {{0, 15}}},
        {"lone_trail_before", Text(1, char16_t(0xDC00)) + u"apple.com", {{1, 9}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(detector.matchesInString(c.input), c.ranges);
    }
}

}  // namespace
}  // namespace quillmere
