#include "platform/links/top_level_domains.h"

#include <gtest/gtest.h>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

constexpr const char* kSampleList =
    "// This Source Code Form is subject to the terms of the Mozilla Public License\n"
    "// ===BEGIN ICANN DOMAINS===\n"
    "ac\ncom.ac\n*.ck\n!www.ck\nрф\nCOM\nuk  some trailing words\nco.uk\r\n\n"
    "// ===END ICANN DOMAINS===\n"
    "// ===BEGIN PRIVATE DOMAINS===\n"
    "blogspot.com\n*.local\nonion\n"
    "// ===END PRIVATE DOMAINS===\n";

// The installed list is the link fixtures' to check: they need its common and international
// domains.
TEST(TopLevelDomains, TakesTheLastLabelOfEveryIcannRule) {
    test::PrivateEnvironment environment;
    const auto path = environment.root() / "list.dat";
    test::writeFile(path, kSampleList);
    const std::optional<TopLevelDomains> domains = TopLevelDomains::fromFile(path);
    ASSERT_TRUE(domains.has_value());
    const struct {
        const char* name;
        Text label;
        bool contained;
    } rows[] = {
        {"plain_rule", u"ac", true},
        {"from_two_label_rule", u"uk", true},
        {"wildcard_rule", u"ck", true},
        {"exception_rule", u"www", false},
        {"upper_case_rule", u"com", true},
        {"mixed_case_label", u"Uk", true},
        {"unicode_label_upper_case", u"РФ", true},
        {"ascii_form_of_unicode_label", u"XN--P1AI", true},
        {"private_section_only", u"local", false},
        {"second_level_label", u"co", false},
        {"comment_word", u"Mozilla", false},
        {"trailing_words", u"some", false},
        {"empty", u"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(domains->contains(row.label), row.contained);
    }
    EXPECT_FALSE(TopLevelDomains::fromFile(environment.root() / "missing.dat").has_value());
}

TEST(TopLevelDomains, CountsEveryRuleOfAListWithoutSections) {
    const TopLevelDomains domains = TopLevelDomains::fromPublicSuffixList("com\nonion\n// x\n");
    EXPECT_TRUE(domains.contains(u"onion"));
    EXPECT_EQ(domains.size(), 2u);
    EXPECT_TRUE(TopLevelDomains::fromPublicSuffixList("").empty());
}

}  // namespace
}  // namespace quillmere
