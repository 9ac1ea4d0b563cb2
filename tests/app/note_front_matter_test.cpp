// The front matter: read back with libyaml, every value is the note's own text.

#include "app/note_front_matter.h"

#include <gtest/gtest.h>
#include <yaml.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillmere::note_front_matter {
namespace {

using namespace std::chrono;

// The YAML between the "---" lines, read strictly: a mapping of scalars and sequences of scalars,
// or nullopt when libyaml refuses it.
struct Parsed {
    std::map<std::string, std::string> scalars;
    std::map<std::string, std::vector<std::string>> lists;
};
std::optional<Parsed> parse(const std::string& block) {
    if (!block.starts_with("---\n") || !block.ends_with("\n---\n")) return std::nullopt;
    const std::string yaml = block.substr(4, block.size() - 8);
    yaml_parser_t parser;
    yaml_parser_initialize(&parser);
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(yaml.data()),
                                 yaml.size());
    Parsed parsed;
    std::optional<std::string> key;
    std::vector<std::string>* list = nullptr;
    bool ok = true;
    for (bool done = false; !done && ok;) {
        yaml_event_t event;
        if (!yaml_parser_parse(&parser, &event)) {
            ok = false;
            break;
        }
        if (event.type == YAML_SCALAR_EVENT) {
            const std::string value(reinterpret_cast<const char*>(event.data.scalar.value),
                                    event.data.scalar.length);
            if (list != nullptr) {
                list->push_back(value);
            } else if (!key) {
                key = value;
            } else {
                parsed.scalars[*key] = value;
                key.reset();
            }
        } else if (event.type == YAML_SEQUENCE_START_EVENT && key) {
            list = &parsed.lists[*key];
        } else if (event.type == YAML_SEQUENCE_END_EVENT) {
            list = nullptr;
            key.reset();
        } else if (event.type == YAML_STREAM_END_EVENT) {
            done = true;
        }
        yaml_event_delete(&event);
    }
    yaml_parser_delete(&parser);
    if (!ok) return std::nullopt;
    return parsed;
}

TEST(NoteFrontMatter, ReadsBackAsTheNotesText) {
    struct Row {
        const char* name;
        std::string text;
        std::string readBack;
    };
    const std::vector<Row> rows = {
        {"plain", "Pancakes", "Pancakes"},
        {"yaml_syntax", "key: [a, b] # not a comment & *alias",
         "key: [a, b] # not a comment & *alias"},
        {"quotes_and_backslashes", "say \"hi\" \\ there", "say \"hi\" \\ there"},
        {"line_breaks_and_tabs", "a\nb\tc\rd", "a\nb\tc\rd"},
        {"controls_and_byte_order_mark", "\x01\x7F\xC2\x85\xEF\xBB\xBF",
         "\x01\x7F\xC2\x85\xEF\xBB\xBF"},
        {"line_separators", "\xE2\x80\xA8\xE2\x80\xA9", "\xE2\x80\xA8\xE2\x80\xA9"},
        {"emoji", "\xF0\x9F\xA5\x9E", "\xF0\x9F\xA5\x9E"},
        {"invalid_utf8",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"empty", "", ""},
    };
    for (const Row& row : rows) {
        FrontMatter fields;
        fields.title = row.text;
        fields.account = "On My Mac";
        fields.tags = {row.text, "x"};
        std::optional<Parsed> parsed = parse(written(fields));
        EXPECT_TRUE(parsed) << row.name << "\n" << written(fields);
        if (!parsed) continue;
        EXPECT_EQ(parsed->scalars["title"], row.readBack) << row.name;
        EXPECT_EQ(parsed->lists["tags"], (std::vector<std::string>{row.readBack, "x"})) << row.name;
    }
}

TEST(NoteFrontMatter, WritesEachFieldOnlyWhenItHasOne) {
    FrontMatter full;
    full.title = "T";
    full.created = sys_days(2025y / July / 30) + 7h + 47min + 31s + 250ms;
    full.modified = full.created;
    full.folder = "Folder2/Subfolder";
    full.account = "On My Mac";
    full.locked = true;
    std::optional<Parsed> parsed = parse(written(full));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->scalars["folder"], "Folder2/Subfolder");
    EXPECT_EQ(parsed->scalars["account"], "On My Mac");
    EXPECT_EQ(parsed->scalars["locked"], "true");
    EXPECT_EQ(parsed->scalars["created"], isoDate(*full.created, localOffset(*full.created)));
    EXPECT_TRUE(parsed->scalars.contains("modified"));

    FrontMatter titleOnly;
    titleOnly.title = "T";
    std::optional<Parsed> bare = parse(written(titleOnly));
    ASSERT_TRUE(bare);
    for (const char* key : {"created", "modified", "folder", "account", "locked"}) {
        EXPECT_FALSE(bare->scalars.contains(key)) << key;
    }
    EXPECT_TRUE(bare->lists.contains("tags"));
}

TEST(NoteFrontMatter, DatesAreIsoWithTheirOffset) {
    struct Row {
        const char* name;
        Date date;
        seconds offset;
        const char* text;
    };
    const Date summer = sys_days(2025y / July / 30) + 5h + 47min + 31s + 999ms;
    const std::vector<Row> rows = {
        {"east_of_utc", summer, 2h, "2025-07-30T07:47:31+02:00"},
        {"utc", summer, 0s, "2025-07-30T05:47:31+00:00"},
        {"west_across_midnight", summer, -(5h + 30min + 47min), "2025-07-29T23:30:31-06:17"},
        {"before_1970", sys_days(1969y / December / 31) + 23h, 0s, "1969-12-31T23:00:00+00:00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isoDate(row.date, row.offset), row.text) << row.name;
    }
}

}  // namespace
}  // namespace quillmere::note_front_matter
