#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "string_utils/path_utilities.h"

namespace quillmere::PathUtilities {
namespace {

struct UniqueNameCase {
    const char* name;
    Text preferred;
    std::optional<Text> current;
    std::vector<Text> taken;
    Text expected;
};

void expectCases(const std::vector<UniqueNameCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text::toUtf8(filenameForPrefererredName(c.preferred, c.current, c.taken)),
                  text::toUtf8(c.expected));
    }
}

const Text kCafeComposed = u"Caf\u00E9";
const Text kCafeDecomposed = u"Cafe\u0301";

TEST(FilenameForPreferredName, ChoosesTheFirstFreeName) {
    expectCases({
        {"free", u"Notes.txt", std::nullopt, {}, u"Notes.txt"},
        {"taken_in_other_case", u"Notes.txt", std::nullopt, {u"notes.txt"}, u"Notes - 2.txt"},
        {"second_number_taken",
         u"Notes.txt",
         std::nullopt,
         {u"notes.txt", u"NOTES - 2.TXT"},
         u"Notes - 3.txt"},
        {"no_extension", u"Report", std::nullopt, {u"report", u"report - 2"}, u"Report - 3"},
        {"last_dot_starts_extension", u"a.b.c", std::nullopt, {u"a.b.c"}, u"a.b - 2.c"},
        {"gap_is_reused",
         u"Notes.txt",
         std::nullopt,
         {u"Notes.txt", u"Notes - 3.txt"},
         u"Notes - 2.txt"},
        {"numbers_never_pile_up",
         u"Notes - 2.txt",
         std::nullopt,
         {u"Notes - 2.txt"},
         u"Notes - 2 - 2.txt"},
        {"duplicates_in_taken",
         u"x",
         std::nullopt,
         {u"x", u"X", u"x", u"x - 2", u"X - 2"},
         u"x - 3"},
        {"counter_goes_past_nine",
         u"n",
         std::nullopt,
         {u"n", u"n - 2", u"n - 3", u"n - 4", u"n - 5", u"n - 6", u"n - 7", u"n - 8", u"n - 9",
          u"n - 10"},
         u"n - 11"},
    });
}

TEST(FilenameForPreferredName, KeepsOrLendsTheCurrentName) {
    expectCases({
        {"takes_current_extension_and_equals_current",
         u"Report",
         u"Report.md",
         {u"report.md"},
         u"Report.md"},
        {"replaces_extension_by_current", u"Plan.txt", u"old.md", {}, u"Plan.md"},
        {"current_extension_keeps_its_case", u"plan.txt", u"Old.MD", {}, u"plan.MD"},
        {"current_without_extension_changes_nothing", u"Plan.txt", u"old", {}, u"Plan.txt"},
        {"numbered_candidate_equals_current", u"Doc", u"doc - 2", {u"doc", u"doc - 2"}, u"Doc - 2"},
        {"current_name_in_other_composition",
         kCafeComposed,
         kCafeDecomposed,
         {kCafeDecomposed},
         kCafeDecomposed},
        {"taken_current_counts_as_free", u"a.txt", u"A.TXT", {u"a.txt", u"A.txt"}, u"a.TXT"},
    });
}

TEST(FilenameForPreferredName, ComparesRegardlessOfCompositionAndAnswersNfd) {
    expectCases({
        {"composed_preferred_decomposed_taken",
         kCafeComposed,
         std::nullopt,
         {kCafeDecomposed},
         kCafeDecomposed + u" - 2"},
        {"decomposed_preferred_composed_taken",
         kCafeDecomposed + u".txt",
         std::nullopt,
         {u"CAF\u00C9.TXT"},
         kCafeDecomposed + u" - 2.txt"},
        {"free_name_comes_back_in_nfd", kCafeComposed, std::nullopt, {}, kCafeDecomposed},
        {"full_lower_case_mapping", u"\u0130", std::nullopt, {u"i\u0307"}, u"I\u0307 - 2"},
        {"hangul_syllable_decomposes", u"\uD55C", std::nullopt, {}, u"\u1112\u1161\u11AB"},
    });
}

TEST(FilenameForPreferredName, LeftOpenCases) {
    expectCases({
        {"hidden_file_has_no_extension", u".profile", std::nullopt, {u".profile"}, u".profile - 2"},
        {"hidden_file_with_extension",
         u".notes.txt",
         std::nullopt,
         {u".notes.txt"},
         u".notes - 2.txt"},
        {"trailing_dot_is_an_empty_extension", u"file.", std::nullopt, {u"file."}, u"file. - 2"},
        {"dot_in_a_directory_is_no_extension",
         u"dir.d/file",
         std::nullopt,
         {u"dir.d/file"},
         u"dir.d/file - 2"},
        {"empty_preferred_takes_current_extension", u"", u"x.md", {}, u".md"},
        {"empty_preferred_taken", u"", std::nullopt, {u""}, u" - 2"},
    });
}

}  // namespace
}  // namespace quillmere::PathUtilities
