#include "notes_source/library_text.h"

#include <gtest/gtest.h>

namespace quillmere::library_text {
namespace {

TEST(LibraryText, FindsTheFirstByteThatIsNotUtf8) {
    struct Row {
        const char* name;
        std::string bytes;
        std::optional<std::uint64_t> expected;
    };
    const Row rows[] = {
        {"ascii", "{\"a\": 1}", std::nullopt},
        {"every length", "é€😀", std::nullopt},
        {"lone continuation byte", "ab\x80", 2},
        {"truncated sequence at the end", "ab\xE2\x82", 2},
        {"overlong slash", "\xC0\xAF", 0},
        {"encoded surrogate", "x\xED\xA0\x80", 1},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0},
        {"NUL", std::string("a\0b", 3), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(firstInvalidUtf8(row.bytes), row.expected);
    }
}

// The rewrite keeps every length and reads back as the escaped code unit; what it must not
// touch stays byte for byte.
TEST(LibraryText, RewritesOnlyLoneSurrogateEscapesInsideStrings) {
    struct Row {
        const char* name;
        std::string json;
        bool rewritten;
    };
    const Row rows[] = {
        {"lone high", R"(["\ud800"])", true},
        {"lone low", R"(["\udfff"])", true},
        {"pair", R"(["\ud83d\ude00"])", false},
        {"escaped backslash", R"(["\\ud800"])", false},
        {"escaped quote before", R"(["\"\ud800"])", true},
        {"outside a string", R"([\ud800])", false},
        {"after a closed string", R"(["a", \ud800])", false},
        {"short escape at the end", R"(["\ud8)", false},
        {"not hex", R"(["\ud8zz"])", false},
        {"not a surrogate", R"(["\u00e9"])", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string bytes = row.json;
        keepLoneSurrogateEscapes(bytes);
        EXPECT_EQ(bytes.size(), row.json.size());
        EXPECT_EQ(bytes != row.json, row.rewritten);
    }
}

TEST(LibraryText, ReadsStoredStrings) {
    EXPECT_EQ(storedToText("Café 😀"), u"Café 😀");
    EXPECT_EQ(storedToText("a\xED\xA0\x80\xFF\xFF\xFF"
                           "b"),
              Text(u"a") + char16_t(0xD800) + u"b");
    EXPECT_EQ(storedToText("\xED\xBF\xBF"), Text(1, char16_t(0xDFFF)));
    EXPECT_EQ(storedToText("x\xC3"), u"x\uFFFD");
}

TEST(LibraryText, CountsLinesAndCharacters) {
    const std::string bytes = "ab\n\xC3\xA9\xF0\x9F\x98\x80x\n";
    EXPECT_EQ(lineAndColumn(bytes, 0).line, 1u);
    EXPECT_EQ(lineAndColumn(bytes, 2).column, 3u);
    const auto afterEmoji = lineAndColumn(bytes, 9);
    EXPECT_EQ(afterEmoji.line, 2u);
    EXPECT_EQ(afterEmoji.column, 3u);
    EXPECT_EQ(lineAndColumn(bytes, 100).line, 3u);
}

}  // namespace
}  // namespace quillmere::library_text
