#include "platform/file_url.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(FileURL, DropsTrailingSeparatorsButKeepsTheRoot) {
    EXPECT_EQ(FileURL::fileURLWithPath("/tmp/x//", true).path(), "/tmp/x");
    EXPECT_EQ(FileURL::fileURLWithPath("/", true).path(), "/");
    EXPECT_TRUE(FileURL::fileURLWithPath("/tmp", true).isDirectory());
}

TEST(FileURL, AppendsComponentsAndExtensions) {
    const FileURL root = FileURL::fileURLWithPath("/", true);
    EXPECT_EQ(root.URLByAppendingPathComponent(u"tmp").path(), "/tmp");

    const FileURL folder = FileURL::fileURLWithPath("/tmp/x", true);
    const FileURL note = folder.URLByAppendingPathComponent(u"000_Caf\u00E9");
    EXPECT_EQ(note.path(), "/tmp/x/000_Caf\xC3\xA9");
    EXPECT_FALSE(note.isDirectory());
    EXPECT_EQ(note.URLByAppendingPathExtension(u"html").path(), "/tmp/x/000_Caf\xC3\xA9.html");
    EXPECT_EQ(note.URLByAppendingPathExtension(u""), note);
    EXPECT_TRUE(note.asDirectory(true).isDirectory());
    EXPECT_EQ(folder.path(), "/tmp/x");  // appending never changes the original
}

TEST(FileURL, WritesALoneSurrogateAsReplacementCharacter) {
    const FileURL url = FileURL::fileURLWithPath("/tmp", true)
                            .URLByAppendingPathComponent(Text(u"a") + char16_t(0xD800));
    EXPECT_EQ(url.path(), "/tmp/a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quillmere
