#include "temp_files/unique_identifier.h"

#include <gtest/gtest.h>

#include <set>

namespace quillmere::UniqueIdentifier {
namespace {

TEST(NewUniqueIdentifier, IsANewVersionFourUuidInLowercaseHexWithoutHyphens) {
    std::set<Text> seen;
    std::set<char16_t> digits;  // writing only half of each byte would miss some
    for (int i = 0; i < 5000; ++i) {
        const Text identifier = newUniqueIdentifier();
        SCOPED_TRACE(text::toUtf8(identifier));
        ASSERT_EQ(identifier.size(), 32u);
        EXPECT_EQ(identifier.find_first_not_of(u"0123456789abcdef"), Text::npos);
        EXPECT_EQ(identifier[12], u'4') << "version digit (byte 6, high half)";
        EXPECT_NE(Text(u"89ab").find(identifier[16]), Text::npos) << "variant (byte 8, high half)";
        EXPECT_TRUE(seen.insert(identifier).second) << "repeated";
        digits.insert(identifier.begin(), identifier.end());
    }
    EXPECT_EQ(digits.size(), 16u);
}

}  // namespace
}  // namespace quillmere::UniqueIdentifier
