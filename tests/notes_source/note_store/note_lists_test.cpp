#include "notes_source/note_store/note_lists.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillmere::note_store {
namespace {

struct Item {
    ListKind kind;
    std::size_t indent;
    bool done;
    const char16_t* content;
};

// Every open item and list is closed, and each deeper list is inside the item before it.
TEST(ListWriter, NestsDeeperListsInsideTheItemBeforeThem) {
    using enum ListKind;
    struct Row {
        const char* name;
        std::vector<Item> items;
        const char16_t* html;
    };
    const Row rows[] = {
        {"flat_list_one_item_a_line",
         {{bulleted, 0, false, u"a"}, {bulleted, 0, false, u"b"}},
         u"<ul>\n<li>a</li>\n<li>b</li>\n</ul>\n"},
        {"deeper_list_inside_the_item_before_it",
         {{bulleted, 0, false, u"a"}, {bulleted, 1, false, u"b"}, {bulleted, 0, false, u"c"}},
         u"<ul>\n<li>a\n<ul>\n<li>b</li>\n</ul>\n</li>\n<li>c</li>\n</ul>\n"},
        {"two_levels_back_out_at_once",
         {{numbered, 0, false, u"a"},
          {numbered, 1, false, u"b"},
          {numbered, 2, false, u"c"},
          {numbered, 0, false, u"d"}},
         u"<ol>\n<li>a\n<ol>\n<li>b\n<ol>\n<li>c</li>\n</ol>\n</li>\n</ol>\n</li>\n<li>d</li>\n"
         u"</ol>\n"},
        {"deeper_without_an_item_gets_one_without_marker",
         {{dashed, 1, false, u"a"}, {dashed, 0, false, u"b"}},
         u"<ul class=\"Apple-dash-list\">\n<li style=\"list-style-type: none\">\n"
         u"<ul class=\"Apple-dash-list\">\n<li>a</li>\n</ul>\n</li>\n<li>b</li>\n</ul>\n"},
        {"numbered_after_bulleted_is_a_new_list",
         {{bulleted, 0, false, u"a"}, {numbered, 0, false, u"b"}},
         u"<ul>\n<li>a</li>\n</ul>\n<ol>\n<li>b</li>\n</ol>\n"},
        {"dashed_after_bulleted_is_a_new_list",
         {{bulleted, 0, false, u"a"}, {dashed, 0, false, u"b"}},
         u"<ul>\n<li>a</li>\n</ul>\n<ul class=\"Apple-dash-list\">\n<li>b</li>\n</ul>\n"},
        {"other_kind_deeper_stays_inside_the_item",
         {{bulleted, 0, false, u"a"}, {bulleted, 1, false, u"b"}, {numbered, 1, false, u"c"}},
         u"<ul>\n<li>a\n<ul>\n<li>b</li>\n</ul>\n<ol>\n<li>c</li>\n</ol>\n</li>\n</ul>\n"},
        {"checklist_items_show_their_state_and_share_the_bulleted_list",
         {{checklist, 0, false, u"open"},
          {checklist, 0, true, u"<b>done</b>"},
          {bulleted, 0, true, u"no tick"}},
         u"<ul>\n<li>\u2610 open</li>\n<li>\u2611 <b>done</b></li>\n<li>no tick</li>\n</ul>\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Text out;
        ListWriter lists(out);
        for (const Item& item : row.items)
            lists.item(item.kind, item.indent, item.done, item.content);
        lists.closeAll();
        EXPECT_EQ(text::toUtf8(out), text::toUtf8(row.html));
        lists.closeAll();
        EXPECT_EQ(text::toUtf8(out), text::toUtf8(row.html)) << "closed twice";
    }
}

}  // namespace
}  // namespace quillmere::note_store
