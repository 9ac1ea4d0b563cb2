// Runs the link detector over the URL cases of other detectors' public conformance files
// (linkify-it, twitter-text, cmark-gfm), read from the shared folder at run time, and keeps
// their agreement with ours from falling. Their rules differ from ours in places; the cases
// where we differ on purpose are listed below with the reason.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/link_detector.h"
#include "platform/top_level_domains.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

struct FixtureCase {
    std::string source;  // file name
    std::string input;
    std::vector<std::string> expected;  // all links, or only the first one with firstOnly
    bool firstOnly = false;
};

// ---- Deliberate differences ----
const std::set<std::string>& deliberateDifferences() {
    static const std::set<std::string> inputs = {
        // A double quote ends a link: in a note's HTML it closes an attribute value.
        "http://foo.com/blah_blah_\"doublequoted\"",
        // A bare IPv4 address is more often a version number ("1.2.3.4") than a host.
        "4.4.4.4",
        "192.168.1.1/abc",
        // A protocol-relative "//host" is a path in a note, not an address.
        "My ssl //example.com site",
        "//localhost",
        "//test.123",
        // "scheme://" is a link for any well-formed scheme, misspelt or not.
        "hppt://example.com",
        // A link does not start inside a word: "_" and "@" before a name join it to the word.
        "test.example@http://vk.com",
        // A path runs on through letters of any script until white space or punctuation that
        // ends East Asian sentences; "'s" after a path stays in it, as "I'm" does.
        "これは日本語です。example.com/path/index.html中国語example.com/path한국",
        "twitter.comこれは日本語です。example.com中国語t.co/abcde한국twitter.com "
        "example2.comテストtwitter."
        "com/abcde",
        "http://twitter.com/これは日本語です。example.com中国語http://t.co/"
        "abcde한국twitter.comテストexample2."
        "comテストhttp://twitter.com/abcde",
        "twitter.jp日本語it.so中国語foo.jp it.so foo.jp",
        "example.comてすとですtwitter.みんなです",
        "test http://example.comだよね.comtest/hogehoge",
        "I really like http://t.co/pbY2NfTZ's website",
        // In HTML a "<" before a letter opens a tag (a note writes a literal one as "&lt;").
        "<http://domain.com>",
        "<http://domain.com>.",
        "<http://domain.com/foo>",
        "<http://domain.com/foo>.",
        "<domain.com>",
        "<domain.com>.",
        "<domain.com/foo>",
        "<user@domain.com>",
        "<user@domain.com>.",
        "<mailto:user@domain.com>",
        // A trailing "'" is punctuation, a trailing "-" is not.
        "http://foo.com/blah_blah_'singlequoted'",
        "Check this site out http://t.co/FNkPfmii- it's great",
        // A bare name is made of letters and digits; symbols count only after a scheme.
        "➡.ws/䨹",
        // A name whose domain is also a file extension needs a path: "it.so" may be a library.
        "http://twitter.com\nhttp://example.com\nhttp://example.com/path\nexample.com/"
        "path\nit.so\nit."
        "so/abcde",
        // A host after an explicit scheme needs no known top-level domain and may hold "_"
        // (intranet names, "localhost"); twitter-text demands one, and its own URL length.
        "text http://no-tld",
        "text http://tld-too-short.x",
        "text http://domain.com-that-you-should-have-put-a-space-after",
        "Hello http://xn--はじめよう.com/index.html",
        "text http://domain-dash_2314352345_dfasd.foo-cow_4352.com",
        "test http://twitter_underscore.com",
        "I really like http://t.co/abcdefghijklmnopqrstuvwxyz012345678901234",
        // "www." is sign enough of a web address, whatever the last label.
        "foo.baz foo.co.jp www.xxxxxxx.baz www.foo.co.uk wwwww.xxxxxxx foo.comm foo.somecom "
        "foo.govedu foo.jp",
        // "#", "@" and "$" mark hashtags, mentions and cashtags in tweets, not in notes.
        "#test.com @test.com #http://test.com @http://test.com #t.co/abcde @t.co/abcde",
        "$http://twitter.com $twitter.com $http://t.co/abcde $t.co/abcde $t.co $TVI.CA $RBS.CA",
        // An e-mail domain ends in a label of two letters or more.
        "a.b-c_d@a.b\n\na.b-c_d@a.b.\n\na.b-c_d@a.b-\n\na.b-c_d@a.b_",
        // A double quote inside an address ends it.
        "test.\"foo\".bar@gmail.co.uk!",
        // twitter-text finds no e-mail addresses; we do.
        "Email me at name.al-lastname@foo.com or name.al+lastname@foo.com",
        "john.doe.gov@mail.com",
        "john.doe.jp@mail.com",
    };
    return inputs;
}

// In tlds.yml ("twitter.<tld>" without its scheme) we differ on domains that have left the
// root zone since the file was written (absent from the installed list: "an", "tp", brand
// domains) and on the domains that are as often file extensions ("twitter.py" is a script).
bool isDeliberateDomainDifference(const std::string& name) {
    static const std::set<std::string> fileExtensions = {"ac", "ai", "am", "app", "cc", "in", "md",
                                                         "mk", "ml", "mm", "mov", "pl", "pm", "ps",
                                                         "py", "rs", "sh", "so",  "tf", "zip"};
    const std::string label = name.substr(name.rfind('.') + 1);
    return fileExtensions.contains(label) ||
           !systemTopLevelDomains().contains(text::fromUtf8(label));
}

// The number of cases that agreed when the list above was last reviewed; agreement must not
// fall below it.
constexpr std::size_t kAgreeingCases = 1668;

// ---- Reading the files ----

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::vector<std::string> lines(const std::string& contents) {
    std::vector<std::string> result;
    std::istringstream in(contents);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        result.push_back(line);
    }
    return result;
}

// A linkify-it line without its " % comment".
std::string withoutComment(const std::string& line) {
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '%' && (line[i - 1] == ' ' || line[i - 1] == '\t')) {
            std::size_t end = i - 1;
            while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t')) {
                --end;
            }
            return line.substr(0, end);
        }
    }
    return line;
}

// links.txt: blank-line separated blocks of an input and, optionally, its first link.
std::vector<FixtureCase> linkifyLinks(const fs::path& file) {
    std::vector<FixtureCase> cases;
    std::vector<std::string> block;
    auto flush = [&] {
        if (!block.empty()) {
            cases.push_back(
                {"linkify-it/links.txt", block[0], {block.size() > 1 ? block[1] : block[0]}, true});
        }
        block.clear();
    };
    for (const std::string& raw : lines(readWhole(file))) {
        if (raw.starts_with("%")) {
            continue;
        }
        const std::string line = withoutComment(raw);
        if (line.empty()) {
            flush();
        } else {
            block.push_back(line);
        }
    }
    flush();
    return cases;
}

// not_links.txt: one input a line, none holding a link.
std::vector<FixtureCase> linkifyNotLinks(const fs::path& file) {
    std::vector<FixtureCase> cases;
    for (const std::string& raw : lines(readWhole(file))) {
        const std::string line = withoutComment(raw);
        if (!raw.starts_with("%") && !line.empty()) {
            cases.push_back({"linkify-it/not_links.txt", line, {}, false});
        }
    }
    return cases;
}

// A YAML double-quoted scalar starting at `from` (at the opening quote); advances `from`.
std::string quotedScalar(const std::string& line, std::size_t& from) {
    std::string value;
    std::size_t i = from + 1;
    for (; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char escaped = line[++i];
            value += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
        } else {
            value += line[i];
        }
    }
    from = i + 1;
    return value;
}

// extract.yml, section "urls": every case's text and all its expected links.
std::vector<FixtureCase> twitterUrls(const fs::path& file) {
    std::vector<FixtureCase> cases;
    bool inSection = false;
    for (const std::string& line : lines(readWhole(file))) {
        if (line.starts_with("  ") && !line.starts_with("   ") && line.ends_with(":")) {
            inSection = line == "  urls:";
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (const std::size_t text = line.find("text: \""); text != std::string::npos) {
            std::size_t from = text + 6;
            cases.push_back({"twitter-text/extract.yml", quotedScalar(line, from), {}, false});
        } else if (const std::size_t list = line.find("expected: ["); list != std::string::npos) {
            for (std::size_t from = line.find('"', list); from != std::string::npos;
                 from = line.find('"', from)) {
                cases.back().expected.push_back(quotedScalar(line, from));
            }
        }
    }
    return cases;
}

// tlds.yml: "https://twitter.<tld>" for every top-level domain twitter-text knows; here
// written without the scheme, so that our own list of domains decides.
std::vector<FixtureCase> twitterTopLevelDomains(const fs::path& file) {
    std::vector<FixtureCase> cases;
    const std::string prefix = "    text: https://";
    for (const std::string& line : lines(readWhole(file))) {
        if (line.starts_with(prefix)) {
            const std::string name = line.substr(prefix.size());
            cases.push_back({"twitter-text/tlds.yml", name, {name}, false});
        }
    }
    return cases;
}

std::string unescapeHtml(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities) {
        for (std::size_t at = s.find(entity); at != std::string::npos;
             at = s.find(entity, at + 1)) {
            s.replace(at, std::string(entity).size(), character);
        }
    }
    return s;
}

// The GFM autolink examples: markdown input, then the HTML whose anchors are its links.
std::vector<FixtureCase> cmarkAutolinks(const fs::path& file) {
    std::vector<FixtureCase> cases;
    enum { kOutside, kInput, kOutput } state = kOutside;
    for (const std::string& line : lines(readWhole(file))) {
        if (line.starts_with("````````````````")) {
            state = line.find("example") != std::string::npos ? kInput : kOutside;
            if (state == kInput) {
                cases.push_back({"cmark-gfm/spec_autolinks_extension_section.txt", "", {}, false});
            }
        } else if (state == kInput && line == ".") {
            state = kOutput;
        } else if (state == kInput) {
            cases.back().input += (cases.back().input.empty() ? "" : "\n") + line;
        } else if (state == kOutput) {
            for (std::size_t open = line.find("<a href="); open != std::string::npos;
                 open = line.find("<a href=", open + 1)) {
                const std::size_t textStart = line.find('>', open) + 1;
                const std::size_t textEnd = line.find("</a>", textStart);
                cases.back().expected.push_back(
                    unescapeHtml(line.substr(textStart, textEnd - textStart)));
            }
        }
    }
    return cases;
}

std::vector<std::string> detectedLinks(const LinkDetector& detector, const std::string& input) {
    const Text text = text::fromUtf8(input);
    std::vector<std::string> found;
    for (Range r : detector.matchesInString(text)) {
        found.push_back(text::toUtf8(TextView(text).substr(r.location, r.length)));
    }
    return found;
}

bool agrees(const FixtureCase& c, const std::vector<std::string>& found) {
    if (c.firstOnly) {
        return !found.empty() && found.front() == c.expected.front();
    }
    return found == c.expected;
}

std::string joined(const std::vector<std::string>& links) {
    std::string result = "[";
    for (const std::string& link : links) {
        result += (result.size() > 1 ? ", " : "") + link;
    }
    return result + "]";
}

TEST(LinkFixtures, AgreesWithOtherDetectorsWhereOurRulesMeetTheirs) {
    const fs::path folder = fs::path(QUILLMERE_SHARED_DIR) / "link-fixtures";
    if (!fs::is_directory(folder)) {
        GTEST_SKIP() << "link fixtures not found at " << folder.string()
                     << "; they live beside the project, in ../shared/link-fixtures";
    }
    if (systemTopLevelDomains().empty()) {
        GTEST_SKIP() << "no public suffix list at " << kPublicSuffixListPath
                     << ": bare host names cannot be judged";
    }
    std::vector<FixtureCase> cases;
    for (auto&& more :
         {linkifyLinks(folder / "linkify-it/links.txt"),
          linkifyNotLinks(folder / "linkify-it/not_links.txt"),
          twitterUrls(folder / "twitter-text/extract.yml"),
          twitterTopLevelDomains(folder / "twitter-text/tlds.yml"),
          cmarkAutolinks(folder / "cmark-gfm/spec_autolinks_extension_section.txt")}) {
        cases.insert(cases.end(), more.begin(), more.end());
    }
    ASSERT_GT(cases.size(), 1500u) << "the fixture files could not be read";

    // Every listed difference names a case of the files, so that the list stays honest.
    std::set<std::string> unused = deliberateDifferences();
    for (const FixtureCase& c : cases) {
        unused.erase(c.input);
    }
    EXPECT_TRUE(unused.empty()) << "listed but not in the fixtures: " << *unused.begin();

    const LinkDetector detector;
    std::map<std::string, std::pair<std::size_t, std::size_t>> perSource;  // agreeing, all
    std::size_t agreeing = 0;
    for (const FixtureCase& c : cases) {
        const std::vector<std::string> found = detectedLinks(detector, c.input);
        const bool same = agrees(c, found);
        auto& [sourceAgreeing, sourceAll] = perSource[c.source];
        ++sourceAll;
        if (same) {
            ++agreeing;
            ++sourceAgreeing;
        } else if (!deliberateDifferences().contains(c.input) &&
                   !(c.source == "twitter-text/tlds.yml" &&
                     isDeliberateDomainDifference(c.input))) {
            ADD_FAILURE() << c.source << ": " << c.input << "\n  expected " << joined(c.expected)
                          << (c.firstOnly ? " (first)" : "") << "\n  found    " << joined(found);
        }
    }
    for (const auto& [source, counts] : perSource) {
        std::cout << "[ fixtures ] " << source << ": " << counts.first << " of " << counts.second
                  << " agree\n";
    }
    std::cout << "[ fixtures ] in all " << agreeing << " of " << cases.size() << " agree\n";
    EXPECT_GE(agreeing, kAgreeingCases);
}

}  // namespace
}  // namespace quillmere
