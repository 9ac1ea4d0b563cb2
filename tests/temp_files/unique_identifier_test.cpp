#include "temp_files/unique_identifier.h"

#include <gtest/gtest.h>

#include <set>

namespace quillmere::UniqueIdentifier {
namespace {

TEST(NewUniqueIdentifier, IsAVersionFourUuidInLowercaseHexWithoutHyphens) {
    for (int i = 0; i < 200; ++i) {
        const Text identifier = newUniqueIdentifier();
        SCOPED_TRACE(text::toUtf8(identifier));
        ASSERT_EQ(identifier.size(), 32u);
        for (char16_t unit : identifier) {
            EXPECT_TRUE((unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'f'));
        }
        EXPECT_EQ(identifier[12], u'4') << "version digit (byte 6, high half)";
        EXPECT_TRUE(identifier[16] == u'8' || identifier[16] == u'9' || identifier[16] == u'a' ||
                    identifier[16] == u'b')
            << "variant bits (byte 8, high half)";
    }
}

TEST(NewUniqueIdentifier, NeverRepeats) {
    std::set<Text> seen;
    for (int i = 0; i < 10000; ++i) {
        EXPECT_TRUE(seen.insert(newUniqueIdentifier()).second);
    }
}

TEST(NewUniqueIdentifier, UsesEveryHexDigitSomewhere) {
    // A fault such as only ever writing the low half of each byte would miss digits.
    std::set<char16_t> digits;
    for (int i = 0; i < 100; ++i) {
        for (char16_t unit : newUniqueIdentifier()) {
            digits.insert(unit);
        }
    }
    EXPECT_EQ(digits.size(), 16u);
}

}  // namespace
}  // namespace quillmere::UniqueIdentifier
