#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/text.h"
#include "string_utils/home_abbreviation.h"
#include "string_utils/path_utilities.h"
#include "tests/support/private_environment.h"

namespace quillmere::PathUtilities {
namespace {

std::string show(const std::optional<Text>& value) {
    return value ? "\"" + text::toUtf8(*value) + "\"" : "none";
}

struct StandardizeCase {
    const char* name;
    Text path;
    std::optional<Text> expected;
};

TEST(StringByStandardizingVirtualPath, ResolvesDotsAsText) {
    const StandardizeCase cases[] = {
        {"dot_dot_removes_previous", u"a/b/../c", u"a/c"},
        {"dots_are_skipped", u"./a/./b", u"a/b"},
        {"repeated_separator", u"a//b", u"a/b"},
        {"two_levels_up", u"a/b/c/../../d", u"a/d"},
        {"three_dots_is_a_name", u"a/.../b", u"a/.../b"},
        {"back_to_start", u"a/..", u""},
        {"single_dot", u".", u""},
        {"empty", u"", u""},
        {"tilde_is_not_expanded", u"~/a/../b", u"~/b"},
        {"climbs_above_start", u"..", std::nullopt},
        {"climbs_first", u"../a", std::nullopt},
        {"climbs_after_return", u"a/../..", std::nullopt},
        {"case_and_unicode_kept", u"Caf\u00E9/./X", u"Caf\u00E9/X"},
        // A root stays a root and a trailing separator goes, rather than doubling separators.
        {"absolute_path", u"/a/b", u"/a/b"},
        {"absolute_with_dot_dot", u"/a/../b", u"/b"},
        {"root", u"/", u"/"},
        {"root_with_dots", u"/./", u"/"},
        {"back_to_root", u"/a/..", u"/"},
        {"climbs_above_root", u"/..", std::nullopt},
        {"trailing_separator", u"a/b/", u"a/b"},
        {"trailing_separator_after_return", u"a/../", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(stringByStandardizingVirtualPath(c.path)), show(c.expected));
    }
}

struct RelativeCase {
    const char* name;
    Text path;
    Text base;
    std::optional<Text> expected;
};

TEST(PathRelativeToBasePath, AnswersTheRemainderBeyondSharedComponents) {
    const RelativeCase cases[] = {
        {"relative_base", u"a/b/c", u"a", u"b/c"},
        {"absolute_base", u"/home/u1/docs/x.txt", u"/home/u1", u"docs/x.txt"},
        {"itself", u"a/b", u"a/b", u""},
        {"absolute_itself", u"/a/b", u"/a/b", u""},
        {"root_itself", u"/", u"/", u""},
        {"fewer_components", u"a", u"a/b", std::nullopt},
        {"nothing_shared", u"x/y", u"a", std::nullopt},
        {"relative_against_absolute", u"a/b", u"/a", std::nullopt},
        {"base_shared_in_part", u"/a/b/c", u"/a/x", u"b/c"},
        {"only_root_shared", u"/x/y", u"/a", u"x/y"},
        {"empty_base", u"a/b", u"", std::nullopt},
        {"empty_base_empty_path", u"", u"", std::nullopt},
        {"case_matters", u"A/b", u"a", std::nullopt},
        {"repeated_separators_ignored", u"a//b///c", u"a/", u"b/c"},
        {"trailing_separator_kept", u"a/b/", u"a", u"b/"},
        {"dot_dot_is_only_a_name", u"a/../b", u"a", u"../b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(pathRelativeToBasePath(c.path, c.base)), show(c.expected));
    }
}

struct AbbreviateCase {
    const char* name;
    Text path;
    Text expected;
};

TEST(StringByAbbreviatingDirectoryInPath, ReplacesAPlainPrefix) {
    const Text home = u"/home/u1";
    const AbbreviateCase cases[] = {
        {"inside_home", u"/home/u1/docs/x.txt", u"~/docs/x.txt"},
        {"home_itself", u"/home/u1", u"~"},
        {"home_with_separator", u"/home/u1/", u"~/"},
        {"plain_prefix_not_component", u"/home/u10/x", u"~0/x"},
        {"elsewhere", u"/tmp/x", u"/tmp/x"},
        {"case_differs", u"/HOME/u1/x", u"/HOME/u1/x"},
        {"relative", u"home/u1/x", u"home/u1/x"},
        {"empty", u"", u""},
        {"shorter_than_home", u"/home", u"/home"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text::toUtf8(stringByAbbreviatingDirectoryInPath(c.path, home)),
                  text::toUtf8(c.expected));
    }
}

TEST(StringByAbbreviatingDirectoryInPath, EmptyHomeMatchesNothing) {
    for (const Text path : {u"", u"/", u"/home/u1", u"x"}) {
        EXPECT_EQ(stringByAbbreviatingDirectoryInPath(path, u""), path);
    }
}

std::optional<std::string> passwordDatabaseHome() {
    struct passwd* entry = ::getpwuid(::getuid());
    if (entry == nullptr || entry->pw_dir == nullptr) {
        return std::nullopt;
    }
    return std::string(entry->pw_dir);
}

TEST(StringByAbbreviatingUserDirectoryInPath, UsesThePasswordDatabaseNotHome) {
    test::PrivateEnvironment environment;  // points HOME somewhere else
    const std::optional<std::string> home = passwordDatabaseHome();
    if (!home || home->empty() || *home == "/") {
        GTEST_SKIP() << "this user has no usable home directory in the password database";
    }
    const Text homeText = text::fromUtf8(*home);
    EXPECT_EQ(stringByAbbreviatingUserDirectoryInPath(homeText + u"/docs/x.txt"), u"~/docs/x.txt");
    EXPECT_EQ(stringByAbbreviatingUserDirectoryInPath(homeText), u"~");
    const Text elsewhere = text::fromUtf8(environment.home().string()) + u"/x";
    EXPECT_EQ(stringByAbbreviatingUserDirectoryInPath(elsewhere), elsewhere);
    EXPECT_EQ(stringByAbbreviatingUserDirectoryInPath(u""), u"");
}

}  // namespace
}  // namespace quillmere::PathUtilities
