#include "platform/top_level_domains.h"

#include <gtest/gtest.h>

#include "tests/support/private_environment.h"

namespace quillmere {
namespace {

constexpr const char* kSampleList =
    "// This Source Code Form is subject to the terms of the Mozilla Public License\n"
    "// ===BEGIN ICANN DOMAINS===\n"
    "ac\n"
    "com.ac\n"
    "*.ck\n"
    "!www.ck\n"
    "рф\n"
    "COM\n"
    "uk  some trailing words\n"
    "co.uk\r\n"
    "\n"
    "// ===END ICANN DOMAINS===\n"
    "// ===BEGIN PRIVATE DOMAINS===\n"
    "blogspot.com\n"
    "*.local\n"
    "onion\n"
    "// ===END PRIVATE DOMAINS===\n";

TEST(TopLevelDomains, TakesTheLastLabelOfEveryIcannRule) {
    const TopLevelDomains domains = TopLevelDomains::fromPublicSuffixList(kSampleList);
    struct Row {
        const char* name;
        Text label;
        bool contained;
    };
    const Row rows[] = {
        {"plain_rule", u"ac", true},
        {"from_two_label_rule", u"uk", true},
        {"wildcard_rule", u"ck", true},
        {"exception_rule", u"www", false},
        {"upper_case_rule", u"com", true},
        {"upper_case_label", u"COM", true},
        {"mixed_case_label", u"Uk", true},
        {"unicode_label", u"рф", true},
        {"unicode_label_upper_case", u"РФ", true},
        {"ascii_form_of_unicode_label", u"xn--p1ai", true},
        {"ascii_form_upper_case", u"XN--P1AI", true},
        {"private_section_only", u"local", false},
        {"private_single_label", u"onion", false},
        {"second_level_label", u"co", false},
        {"comment_word", u"Mozilla", false},
        {"trailing_words", u"some", false},
        {"empty", u"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(domains.contains(row.label), row.contained);
    }
}

TEST(TopLevelDomains, CountsEveryRuleOfAListWithoutSections) {
    const TopLevelDomains domains = TopLevelDomains::fromPublicSuffixList("com\nonion\n// x\n");
    EXPECT_TRUE(domains.contains(u"onion"));
    EXPECT_EQ(domains.size(), 2u);
    EXPECT_TRUE(TopLevelDomains().empty());
    EXPECT_TRUE(TopLevelDomains::fromPublicSuffixList("").empty());
}

TEST(TopLevelDomains, ReadsAFileAndReportsAMissingOne) {
    test::PrivateEnvironment environment;
    const auto path = environment.root() / "list.dat";
    test::writeFile(path, kSampleList);
    const std::optional<TopLevelDomains> read = TopLevelDomains::fromFile(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(read->contains(u"ck"));
    EXPECT_FALSE(TopLevelDomains::fromFile(environment.root() / "missing.dat").has_value());
}

TEST(TopLevelDomains, SystemListHoldsTheCommonDomains) {
    const TopLevelDomains& domains = systemTopLevelDomains();
    if (domains.empty()) {
        GTEST_SKIP() << "no public suffix list at " << kPublicSuffixListPath
                     << " (Debian package publicsuffix)";
    }
    EXPECT_EQ(&domains, &systemTopLevelDomains());
    for (const Text& label : {Text(u"com"), Text(u"uk"), Text(u"pizza"), Text(u"рф"),
                              Text(u"xn--p1ai"), Text(u"みんな")}) {
        SCOPED_TRACE(text::toUtf8(label));
        EXPECT_TRUE(domains.contains(label));
    }
    EXPECT_FALSE(domains.contains(u"jpg"));
    EXPECT_FALSE(domains.contains(u"local"));
}

}  // namespace
}  // namespace quillmere
