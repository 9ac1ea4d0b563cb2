// Runs the link detector over the URL cases of other detectors' public conformance files
// (linkify-it, twitter-text, cmark-gfm), read at run time from the shared folder beside the
// project, and keeps their agreement with ours from falling. Their rules differ from ours in
// places; the cases where we differ on purpose are listed below with the reason.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/links/link_scanner.h"
#include "platform/links/top_level_domains.h"
#include "tests/support/fixtures.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

// The beginnings of the inputs where we differ on purpose, by reason.
const std::vector<std::string> kDeliberate = {
    // A double quote ends a link: in a note's HTML it closes an attribute value.
    "http://foo.com/blah_blah_\"", "test.\"foo\".bar@",
    // A bare IPv4 address is more often a version number ("1.2.3.4") than a host.
    "4.4.4.4", "192.168.1.1/abc",
    // A protocol-relative "//host" is a path in a note, not an address.
    "My ssl //example.com", "//localhost", "//test.123",
    // A link does not start inside a word: "_" and "@" before a name join it to the word.
    "test.example@http://",
    // A path runs on through letters of any script until white space or punctuation that ends
    // East Asian sentences; "'s" after a path stays in it, as "I'm" does.
    "これは日本語です。", "twitter.comこれは", "http://twitter.com/これは", "twitter.jp日本語",
    "example.comてすと", "test http://example.comだよね", "I really like http://t.co/pbY2NfTZ's",
    // In HTML a "<" before a letter opens a tag (a note writes a literal one as "&lt;").
    "<http://domain.com", "<domain.com", "<user@domain.com", "<mailto:",
    // A trailing "'" is punctuation, a trailing "-" is not.
    "http://foo.com/blah_blah_'", "Check this site out http://t.co/FNkPfmii-",
    // A bare name is made of letters and digits; symbols count only after a scheme.
    "➡.ws/",
    // A name whose domain is also a file extension needs a path: "it.so" may be a library.
    "http://twitter.com\nhttp://example.com\nhttp://example.com/path\n",
    // A host after a scheme needs no known top-level domain and may hold "_" (intranet names,
    // "localhost"); twitter-text demands one, and its own URL length.
    "text http://no-tld", "text http://tld-too-short.x", "text http://domain.com-that",
    "Hello http://xn--", "text http://domain-dash_", "test http://twitter_underscore.com",
    "I really like http://t.co/abcdefghijklmnopqrstuvwxyz012345678901234",
    // "www." is sign enough of a web address, whatever the last label.
    "foo.baz foo.co.jp www.",
    // "#", "@" and "$" mark hashtags, mentions and cashtags in tweets, not in notes.
    "#test.com @test.com", "$http://twitter.com $",
    // An e-mail domain ends in a label of two letters or more.
    "a.b-c_d@a.b\n",
    // twitter-text finds no e-mail addresses; we do.
    "Email me at name.al-lastname@", "john.doe.gov@", "john.doe.jp@"};

// tlds.yml ("twitter.<tld>", here without its scheme so that our list of domains decides): we
// differ on domains that have left the root zone since the file was written (absent from the
// installed list) and on those that are as often file extensions ("twitter.py" is a script).
bool isDeliberateDomainDifference(const std::string& name) {
    const std::string label = name.substr(name.rfind('.') + 1);
    return std::string(" ac ai am app cc in md mk ml mm mov pl pm ps py rs sh so tf zip ")
                   .find(" " + label + " ") != npos ||
           !systemTopLevelDomains().contains(text::fromUtf8(label));
}

// The number of cases that agreed when the list above was last reviewed.
constexpr std::size_t kAgreeingCases = 1669;

struct FixtureCase {
    std::string source;
    std::string input;
    std::vector<std::string> expected;  // all links, or with firstOnly only the first one
    bool firstOnly = false;
};

std::vector<std::string> linesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// linkify-it: "%" starts a comment. links.txt holds blank-line separated blocks of an input and,
// optionally, its first link; not_links.txt one input a line.
void addLinkify(const fs::path& folder, std::vector<FixtureCase>& cases) {
    const auto content = [](std::string line) {
        if (const auto at = line.find(" %"); at != npos)
            line.erase(line.find_last_not_of(' ', at) + 1);
        return line;
    };
    std::vector<std::string> block, lines = linesOf(folder / "links.txt");
    lines.push_back("");  // ends the last block
    for (const std::string& raw : lines) {
        if (raw.starts_with('%')) continue;
        if (std::string line = content(raw); !line.empty()) {
            block.push_back(line);
        } else if (!block.empty()) {
            cases.push_back({"linkify-it/links.txt", block[0], {block[block.size() > 1]}, true});
            block.clear();
        }
    }
    for (const std::string& raw : linesOf(folder / "not_links.txt")) {
        if (std::string line = content(raw); !raw.starts_with('%') && !line.empty()) {
            cases.push_back({"linkify-it/not_links.txt", line, {}});
        }
    }
}

// A YAML double-quoted scalar whose opening quote is at `from`; moves `from` past it.
std::string quoted(const std::string& line, std::size_t& from) {
    std::string value;
    for (++from; from < line.size() && line[from] != '"'; ++from) {
        if (line[from] == '\\' && from + 1 < line.size()) {
            const char escaped = line[++from];
            value += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
        } else {
            value += line[from];
        }
    }
    ++from;
    return value;
}

// twitter-text: extract.yml's section "urls" (every link of each text), and tlds.yml's
// "https://twitter.<tld>" written without the scheme.
void addTwitter(const fs::path& folder, std::vector<FixtureCase>& cases) {
    bool inUrls = false;
    for (const std::string& line : linesOf(folder / "extract.yml")) {
        if (line.starts_with("  ") && !line.starts_with("   ") && line.ends_with(':')) {
            inUrls = line == "  urls:";
        } else if (std::size_t at = line.find("text: \""); inUrls && at != npos) {
            at += 6;
            cases.push_back({"twitter-text/extract.yml", quoted(line, at), {}});
        } else if (inUrls && line.find("expected: [") != npos) {
            for (std::size_t from = line.find('"'); from != npos; from = line.find('"', from)) {
                cases.back().expected.push_back(quoted(line, from));
            }
        }
    }
    const std::string prefix = "    text: https://";
    for (const std::string& line : linesOf(folder / "tlds.yml")) {
        if (line.starts_with(prefix)) {
            const std::string name = line.substr(prefix.size());
            cases.push_back({"twitter-text/tlds.yml", name, {name}});
        }
    }
}

// cmark-gfm's autolink examples: markdown input, ".", then HTML whose anchors are its links.
void addCmark(const fs::path& file, std::vector<FixtureCase>& cases) {
    enum { kOutside, kInput, kOutput } state = kOutside;
    for (const std::string& line : linesOf(file)) {
        if (line.starts_with("````````````````")) {
            state = line.find("example") != npos ? kInput : kOutside;
            if (state == kInput) cases.push_back({"cmark-gfm/autolinks", "", {}});
        } else if (state == kInput && line == ".") {
            state = kOutput;
        } else if (state == kInput) {
            cases.back().input += (cases.back().input.empty() ? "" : "\n") + line;
        } else if (state == kOutput) {
            for (auto open = line.find("<a href="); open != npos;
                 open = line.find("<a href=", open + 1)) {
                const std::size_t start = line.find('>', open) + 1;
                std::string link = line.substr(start, line.find("</a>", start) - start);
                for (const auto& [entity, character] :
                     {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
                    for (auto at = link.find(entity); at != npos; at = link.find(entity, at + 1)) {
                        link.replace(at, std::string(entity).size(), character);
                    }
                }
                cases.back().expected.push_back(link);
            }
        }
    }
}

TEST(LinkFixtures, AgreesWithOtherDetectorsWhereOurRulesMeetTheirs) {
    const fs::path folder = fs::path(QUILLMERE_SHARED_DIR) / "link-fixtures";
    QUILLMERE_REQUIRE_FIXTURE(
        fs::is_directory(folder),
        "link fixtures at " << folder.string() << " (the shared folder beside the project)");
    QUILLMERE_REQUIRE_FIXTURE(!systemTopLevelDomains().empty(),
                              "a public suffix list at " << kPublicSuffixListPath
                                                         << ": bare host names cannot be judged");
    std::vector<FixtureCase> cases;
    addLinkify(folder / "linkify-it", cases);
    addTwitter(folder / "twitter-text", cases);
    addCmark(folder / "cmark-gfm/spec_autolinks_extension_section.txt", cases);
    ASSERT_GT(cases.size(), 1500u) << "the fixture files could not be read";

    for (const std::string& key : kDeliberate) {  // the list stays honest
        EXPECT_TRUE(
            std::ranges::any_of(cases, [&](const auto& c) { return c.input.starts_with(key); }))
            << "listed but in no fixture: " << key;
    }

    const LinkScanner detector;
    std::size_t agreeing = 0;
    for (const FixtureCase& c : cases) {
        const Text text = text::fromUtf8(c.input);
        std::vector<std::string> found;
        for (Range r : detector.matchesInString(text)) {
            found.push_back(text::toUtf8(TextView(text).substr(r.location, r.length)));
        }
        const bool same =
            c.firstOnly ? !found.empty() && found[0] == c.expected[0] : found == c.expected;
        agreeing += same;
        if (!same &&
            !std::ranges::any_of(kDeliberate,
                                 [&](const auto& key) { return c.input.starts_with(key); }) &&
            !(c.source.ends_with("tlds.yml") && isDeliberateDomainDifference(c.input))) {
            ADD_FAILURE() << c.source << ": " << c.input << "\n  expected "
                          << testing::PrintToString(c.expected) << (c.firstOnly ? " (first)" : "")
                          << "\n  found    " << testing::PrintToString(found);
        }
    }
    EXPECT_GE(agreeing, kAgreeingCases) << "of " << cases.size();
}

}  // namespace
}  // namespace quillmere
