#include "platform/files/path_components.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillmere::path {
namespace {

TEST(PathComponents, SplitsAtSeparators) {
    const struct {
        const char* name;
        Text path;
        std::vector<Text> components;
    } cases[] = {
        {"empty", u"", {}},
        {"relative", u"tmp/scratch", {u"tmp", u"scratch"}},
        {"absolute", u"/tmp/scratch", {u"/", u"tmp", u"scratch"}},
        {"repeated_separator", u"a//b", {u"a", u"b"}},
        {"root", u"/", {u"/"}},
        {"repeated_root", u"//", {u"/", u"/"}},
        {"trailing_separator", u"a/b/", {u"a", u"b", u"/"}},
        {"no_separator", u"name", {u"name"}},
        {"dots_are_names", u"./../...", {u".", u"..", u"..."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pathComponents(c.path), c.components);
    }
}

TEST(PathComponents, JoinsPlainlyAndAsAPath) {
    const struct {
        const char* name;
        std::vector<Text> components;
        Text plain;
        Text path;
    } cases[] = {
        {"none", {}, u"", u""},
        {"relative", {u"a", u"b"}, u"a/b", u"a/b"},
        {"root_only", {u"/"}, u"/", u"/"},
        {"absolute", {u"/", u"tmp", u"x"}, u"//tmp/x", u"/tmp/x"},
        {"trailing_separator", {u"a", u"/"}, u"a//", u"a/"},
        {"absolute_trailing", {u"/", u"a", u"/"}, u"//a//", u"/a/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(componentsJoinedBySlash(c.components), c.plain);
        EXPECT_EQ(pathWithComponents(c.components), c.path);
        if (!c.components.empty()) {
            EXPECT_EQ(pathComponents(c.path), c.components) << "the path join undoes the split";
        }
    }
}

}  // namespace
}  // namespace quillmere::path
