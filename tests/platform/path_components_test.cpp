#include "platform/path_components.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere::path {
namespace {

std::string show(const std::vector<Text>& components) {
    std::string shown = "[";
    for (const Text& component : components) {
        shown += "\"" + text::toUtf8(component) + "\" ";
    }
    return shown + "]";
}

struct SplitCase {
    const char* name;
    Text path;
    std::vector<Text> components;
};

TEST(PathComponents, SplitsAtSeparators) {
    const SplitCase cases[] = {
        {"empty", u"", {}},
        {"relative", u"tmp/scratch", {u"tmp", u"scratch"}},
        {"absolute", u"/tmp/scratch", {u"/", u"tmp", u"scratch"}},
        {"repeated_separator", u"a//b", {u"a", u"b"}},
        {"root", u"/", {u"/"}},
        {"repeated_root", u"//", {u"/", u"/"}},
        {"trailing_separator", u"a/b/", {u"a", u"b", u"/"}},
        {"absolute_trailing", u"/a/", {u"/", u"a", u"/"}},
        {"no_separator", u"name", {u"name"}},
        {"dots_are_names", u"./../...", {u".", u"..", u"..."}},
        {"non_ascii", u"Caf\u00E9/\U0001F600", {u"Caf\u00E9", u"\U0001F600"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(pathComponents(c.path)), show(c.components));
    }
}

struct JoinCase {
    const char* name;
    std::vector<Text> components;
    Text plain;
    Text path;
};

TEST(PathComponents, JoinsPlainlyAndAsAPath) {
    const JoinCase cases[] = {
        {"none", {}, u"", u""},
        {"one", {u"a"}, u"a", u"a"},
        {"relative", {u"a", u"b"}, u"a/b", u"a/b"},
        {"root_only", {u"/"}, u"/", u"/"},
        {"absolute", {u"/", u"tmp", u"x"}, u"//tmp/x", u"/tmp/x"},
        {"trailing_separator", {u"a", u"/"}, u"a//", u"a/"},
        {"absolute_trailing", {u"/", u"a", u"/"}, u"//a//", u"/a/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text::toUtf8(componentsJoinedBySlash(c.components)), text::toUtf8(c.plain));
        EXPECT_EQ(text::toUtf8(pathWithComponents(c.components)), text::toUtf8(c.path));
    }
}

TEST(PathComponents, PathJoinUndoesTheSplit) {
    for (const Text path : {u"a", u"a/b", u"/", u"/a/b", u"a/b/", u"/a/"}) {
        SCOPED_TRACE(text::toUtf8(path));
        EXPECT_EQ(pathWithComponents(pathComponents(path)), path);
    }
}

}  // namespace
}  // namespace quillmere::path
