#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/text/text.h"
#include "string_utils/home_abbreviation.h"
#include "string_utils/path_utilities.h"
#include "tests/support/private_environment.h"

namespace quillmere::PathUtilities {
namespace {

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
        {"climbs_after_return", u"a/../..", none},
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
        {"relative_base", u"a/b/c", u"a", u"b/c"},
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
