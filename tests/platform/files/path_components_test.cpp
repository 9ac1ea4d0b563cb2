#include "platform/files/path_components.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/files/file_url.h"

namespace quillmere::path {
namespace {

// Plain paths are split again by the joins below.
TEST(PathComponents, SplitsAtSeparators) {
    const struct {
        const char* name;
        Text path;
        std::vector<Text> components;
    } cases[] = {
        {"empty", u"", {}},
        {"repeated_separator", u"a//b", {u"a", u"b"}},
        {"repeated_root", u"//", {u"/", u"/"}},
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

TEST(FileURL, AppendsComponentsAndExtensionsWithoutChangingTheOriginal) {
    EXPECT_EQ(FileURL::fileURLWithPath("/", true).URLByAppendingPathComponent(u"tmp").path(),
              "/tmp");
    const FileURL folder = FileURL::fileURLWithPath("/tmp/x//", true);  // trailing "/" dropped
    const FileURL note = folder.URLByAppendingPathComponent(u"000_Caf\u00E9");
    EXPECT_EQ(note.path(), "/tmp/x/000_Caf\xC3\xA9");
    EXPECT_TRUE(folder.isDirectory());
    EXPECT_FALSE(note.isDirectory());
    EXPECT_EQ(note.URLByAppendingPathExtension(u"html").path(), "/tmp/x/000_Caf\xC3\xA9.html");
    EXPECT_EQ(note.URLByAppendingPathExtension(u""), note);
    EXPECT_TRUE(note.asDirectory(true).isDirectory());
    EXPECT_EQ(folder.path(), "/tmp/x");
    // A lone surrogate is written as U+FFFD.
    EXPECT_EQ(folder.URLByAppendingPathComponent(Text(u"a") + char16_t(0xD800)).path(),
              "/tmp/x/a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quillmere::path
