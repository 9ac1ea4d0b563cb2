#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/text/text.h"
#include "string_utils/path_utilities.h"

namespace quillmere::PathUtilities {
namespace {

TEST(FilenameForPreferredName, ChoosesTheFirstFreeNameRegardlessOfCaseAndComposition) {
    const std::optional<Text> none;
    const Text cafe = u"Caf\u00E9", cafeNfd = u"Cafe\u0301";
    const struct {
        const char* name;
        Text preferred;
        std::optional<Text> current;
        std::vector<Text> taken;
        Text expected;
    } cases[] = {
        {"taken_in_other_case", u"Notes.txt", none, {u"notes.txt"}, u"Notes - 2.txt"},
        {"second_taken", u"Notes.txt", none, {u"notes.txt", u"NOTES - 2.TXT"}, u"Notes - 3.txt"},
        {"free", u"Notes.txt", none, {}, u"Notes.txt"},
        {"current_extension_equals_current", u"Report", u"Report.md", {u"report.md"}, u"Report.md"},
        {"current_extension_replaces", u"Plan.txt", u"old.md", {}, u"Plan.md"},
        {"numbered_equals_current", u"Doc", u"doc - 2", {u"doc", u"doc - 2"}, u"Doc - 2"},
        {"last_dot_starts_extension", u"a.b.c", none, {u"a.b.c"}, u"a.b - 2.c"},
        {"no_extension", u"Report", none, {u"report", u"report - 2"}, u"Report - 3"},
        {"composition_ignored_answer_nfd", cafe, none, {cafeNfd}, cafeNfd + u" - 2"},
        {"gap_is_reused", u"Notes.txt", none, {u"Notes.txt", u"Notes - 3.txt"}, u"Notes - 2.txt"},
        {"numbers_never_pile_up", u"N - 2.txt", none, {u"N - 2.txt"}, u"N - 2 - 2.txt"},
        {"counter_goes_past_nine",
         u"n",
         none,
         {u"n", u"n - 2", u"n - 3", u"n - 4", u"n - 5", u"n - 6", u"n - 7", u"n - 8", u"n - 9",
          u"n - 10"},
         u"n - 11"},
        {"current_extension_keeps_its_case", u"plan.txt", u"Old.MD", {}, u"plan.MD"},
        {"current_without_extension_changes_nothing", u"Plan.txt", u"old", {}, u"Plan.txt"},
        {"current_name_in_other_composition", cafe, cafeNfd, {cafeNfd}, cafeNfd},
        {"free_name_comes_back_in_nfd", cafe, none, {}, cafeNfd},
        {"full_lower_case_mapping", u"\u0130", none, {u"i\u0307"}, u"I\u0307 - 2"},
        // Choices where the rules leave the extension open.
        {"hidden_file_has_no_extension", u".profile", none, {u".profile"}, u".profile - 2"},
        {"trailing_dot_is_empty_extension", u"file.", none, {u"file."}, u"file. - 2"},
        {"dot_in_directory_is_no_extension", u"dir.d/f", none, {u"dir.d/f"}, u"dir.d/f - 2"},
        {"empty_preferred_takes_current_extension", u"", u"x.md", {}, u".md"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text::toUtf8(filenameForPrefererredName(c.preferred, c.current, c.taken)),
                  text::toUtf8(c.expected));
    }
}

// Counting resumes where the last clash of a name stopped, yet always answers the first free
// counter, also after a name is given back.
TEST(TakenFilenames, AnswersTheFirstFreeCounterAsTheSetChanges) {
    TakenFilenames taken;
    taken.insert(u"Notes.txt");
    taken.insert(u"notes - 3.TXT");
    EXPECT_TRUE(taken.contains(u"NOTES.txt"));
    EXPECT_EQ(taken.firstFreeCounter(u"Notes.txt"), 2u);
    taken.insert(u"Notes - 2.txt");
    EXPECT_EQ(taken.firstFreeCounter(u"Notes.txt"), 4u);
    taken.insert(u"Notes - 4.txt");
    taken.insert(u"Notes - 4.txt");
    taken.erase(u"notes - 4.txt");
    EXPECT_EQ(taken.firstFreeCounter(u"Notes.txt"), 5u);
    taken.erase(u"Notes - 2.txt");
    EXPECT_FALSE(taken.contains(u"Notes - 2.txt"));
    EXPECT_EQ(taken.firstFreeCounter(u"Notes.txt"), 2u);
}

}  // namespace
}  // namespace quillmere::PathUtilities
