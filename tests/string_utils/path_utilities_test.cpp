// The path utilities: file names made from any text, unique file names, virtual paths and the
// home directory abbreviated.

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/text/text.h"
#include "string_utils/creation_convenience.h"
#include "string_utils/home_abbreviation.h"
#include "string_utils/path_utilities.h"
#include "tests/support/private_environment.h"

namespace quillmere::PathUtilities {
namespace {

Text repeated(TextView part, std::size_t times) {
    Text result;
    for (std::size_t i = 0; i < times; ++i) {
        result += part;
    }
    return result;
}

// An expected value without surrogates also shows that no cut left half a pair behind; lone
// surrogates of the input may remain (they are written as U+FFFD when a name reaches the disk).
TEST(StringByReplacingUnallowedFilenameCharacters, RewritesStepByStep) {
    const Text x99(99, u'x'), lead(1, char16_t(0xD83D)), trail(1, char16_t(0xDE00));
    const struct {
        const char* name;
        Text input;
        Text expected;
    } cases[] = {
        {"last_hyphen_in_replaced_span", u"Shopping list: milk/eggs?", u"Shopping list- milk-eggs"},
        {"only_remaining_character_kept", u"??", u"-"},
        {"users_hyphen_inside_span", u"a?-?", u"a"},
        {"users_hyphen_just_after_span", u"a?-", u"a--"},
        {"nothing_replaced_keeps_hyphen", u"Pros - Cons -", u"Pros - Cons -"},
        {"only_dots", u"...", u"_"},
        {"leading_dot_after_spaces", u" .hidden", u"_hidden"},
        {"only_first_leading_dot", u"..x", u"_.x"},
        {"tabs_line_feeds_and_doubled_spaces", u"\tTab\t\t and\nline\n", u"Tab and line"},
        {"collapse_moves_hyphen_out_of_span", u"a  b?", u"a b-"},
        {"cut_after_word", repeated(u"aaaa ", 24), repeated(u"aaaa ", 18) + u"aaaa"},
        {"enclosing_range_beyond_bound", Text(95, u'x') + u" abc def", Text(95, u'x')},
        {"only_spaces", u"   ", u""},
        {"every_unallowed_character", u"a\\/:?*<>\"|b", u"a---------b"},
        {"dot_revealed_by_later_steps_kept_at_start", u"😀.note", u".note"},
        {"dot_revealed_by_later_steps_kept_at_end", u"note.😀", u"note."},
        {"only_one_trailing_whitespace_deleted", u"a\r😀", u"a\r"},
        {"no_break_spaces_not_collapsed", u"a\u00A0\u00A0b", u"a\u00A0\u00A0b"},
        {"u_ffff_becomes_space", u"a\uFFFFb", u"a b"},
        {"replaced_character_at_cut_dropped", x99 + u"?more", x99},
        {"words_without_spaces_cut_to_limit", repeated(u"日本語", 50), repeated(u"日本語", 33)},
        {"lone_lead_surrogate_kept", u"a" + lead + u"b", u"a" + lead + u"b"},
        {"reversed_pair_kept", trail + lead, trail + lead},
        {"pair_across_the_cut_left_out", x99 + repeated(u"😀", 10), x99},
        {"pair_across_fallback_cut_after_word", u"y" + repeated(u"😀", 60), u"y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stringByReplacingUnallowedFilenameCharacters(c.input), c.expected);
    }
}

using CreationConvenience::stringByTruncatingToFullWordsInRange;

// Cuts after words whose enclosing range ends by 99 are also exercised through the sanitizing
// table; these rows cover what that table cannot reach: other ranges and the fallback cut.
TEST(StringByTruncatingToFullWords, CutsAfterTheLastWordEndingByNinetyNine) {
    const Text x93(93, u'x'), x98(98, u'x'), x99(99, u'x');
    const Text lead(1, char16_t(0xD83D));
    const struct {
        const char* name;
        Text input;
        Range range;
        Text expected;
    } cases[] = {
        {"short_text_only_trimmed_location_ignored", u"  a b  ", {42, 100}, u"a b"},
        {"enclosing_range_ending_at_99_counts", x93 + u" abcd efgh", {0, 100}, x93 + u" abcd"},
        {"no_words_falls_back", Text(120, u'-'), {0, 100}, Text(100, u'-')},
        // The bound stays at 99 whatever the range, so a cut after a word may exceed a short range.
        {"bound_does_not_follow_the_range", u"aaaa bbbb cccc", {0, 6}, u"aaaa bbbb cccc"},
        {"fallback_cut_trimmed", x98 + u"\n\n" + u"yyyyy", {0, 100}, x98},
        {"fallback_cut_keeps_pair_whole", x99 + u"😀x", {0, 100}, x99},
        {"fallback_cut_after_pair_kept", x98 + u"😀x", {0, 100}, x98 + u"😀"},
        {"lone_lead_surrogate_at_cut_kept", x99 + lead + u"xx", {0, 100}, x99 + lead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(stringByTruncatingToFullWordsInRange(c.input, c.range), c.expected);
    }
}

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
        {"current_extension_equals_current", u"Report", u"Report.md", {u"report.md"}, u"Report.md"},
        {"current_extension_replaces", u"Plan.txt", u"old.md", {}, u"Plan.md"},
        {"numbered_equals_current", u"Doc", u"doc - 2", {u"doc", u"doc - 2"}, u"Doc - 2"},
        {"last_dot_starts_extension", u"a.b.c", none, {u"a.b.c"}, u"a.b - 2.c"},
        {"no_extension", u"Report", none, {u"report", u"report - 2"}, u"Report - 3"},
        {"composition_ignored_answer_nfd", cafe, none, {cafeNfd}, cafeNfd + u" - 2"},
        {"numbers_never_pile_up", u"N - 2.txt", none, {u"N - 2.txt"}, u"N - 2 - 2.txt"},
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

std::string show(const std::optional<Text>& value) {
    return value ? "\"" + text::toUtf8(*value) + "\"" : "none";
}

const std::optional<Text> none;

TEST(StringByStandardizingVirtualPath, ResolvesDotsAsText) {
    const struct {
        const char* name;
        Text path;
        std::optional<Text> expected;
    } cases[] = {
        {"dot_dot_removes_previous", u"a/b/../c", u"a/c"},
        {"dots_are_skipped", u"./a/./b", u"a/b"},
        {"three_dots_is_a_name", u"a/.../b", u"a/.../b"},
        {"back_to_start", u"a/..", u""},
        {"empty", u"", u""},
        {"climbs_above_start", u"..", none},
        // A root stays a root and a trailing separator goes, rather than doubling separators.
        {"absolute_path", u"/a/b", u"/a/b"},
        {"back_to_root", u"/a/..", u"/"},
        {"climbs_above_root", u"/..", none},
        {"trailing_separator", u"a/b/", u"a/b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(stringByStandardizingVirtualPath(c.path)), show(c.expected));
    }
}

TEST(PathRelativeToBasePath, AnswersTheRemainderBeyondSharedComponents) {
    const struct {
        const char* name;
        Text path;
        Text base;
        std::optional<Text> expected;
    } cases[] = {
        {"absolute_base", u"/home/u1/docs/x.txt", u"/home/u1", u"docs/x.txt"},
        {"itself", u"a/b", u"a/b", u""},
        {"fewer_components", u"a", u"a/b", none},
        {"nothing_shared", u"x/y", u"a", none},
        {"base_shared_in_part", u"/a/b/c", u"/a/x", u"b/c"},
        {"empty_base", u"a/b", u"", none},
        {"case_matters", u"A/b", u"a", none},
        {"trailing_separator_kept", u"a/b/", u"a", u"b/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(pathRelativeToBasePath(c.path, c.base)), show(c.expected));
    }
}

TEST(StringByAbbreviatingDirectoryInPath, ReplacesAPlainPrefix) {
    const Text home = u"/home/u1";
    const struct {
        const char* name;
        Text home;
        Text path;
        Text expected;
    } cases[] = {
        {"inside_home", home, u"/home/u1/docs/x.txt", u"~/docs/x.txt"},
        {"home_itself", home, u"/home/u1", u"~"},
        {"plain_prefix_not_component", home, u"/home/u10/x", u"~0/x"},
        {"elsewhere", home, u"/tmp/x", u"/tmp/x"},
        {"empty", home, u"", u""},
        {"empty_home_matches_nothing", u"", u"/home/u1", u"/home/u1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text::toUtf8(stringByAbbreviatingDirectoryInPath(c.path, c.home)),
                  text::toUtf8(c.expected));
    }
}

TEST(StringByAbbreviatingUserDirectoryInPath, UsesThePasswordDatabaseNotHome) {
    test::PrivateEnvironment environment;  // points HOME somewhere else
    const struct passwd* entry = ::getpwuid(::getuid());
    const std::string home = entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
    if (home.empty() || home == "/") {
        GTEST_SKIP() << "this user has no usable home directory in the password database";
    }
    const Text homeText = text::fromUtf8(home);
    EXPECT_EQ(stringByAbbreviatingUserDirectoryInPath(homeText + u"/docs/x.txt"), u"~/docs/x.txt");
    const Text elsewhere = text::fromUtf8(environment.home().string()) + u"/x";
    EXPECT_EQ(stringByAbbreviatingUserDirectoryInPath(elsewhere), elsewhere);
}

}  // namespace
}  // namespace quillmere::PathUtilities
