#include "platform/files/file_url.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

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
}  // namespace quillmere
