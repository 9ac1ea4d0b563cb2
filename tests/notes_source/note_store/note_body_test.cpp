#include "notes_source/note_store/note_body.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "notes_source/note_store/note_store.pb.h"
#include "notes_source/note_store/note_table.h"
#include "tests/support/fixtures.h"
#include "tests/support/private_environment.h"

namespace quillmere::note_store {
namespace {

namespace fs = std::filesystem;
using fuzz::gzip;

const fs::path kBlobs = fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures" / "blobs";

// Hashtags and other inline attachments stand as their text; files as U+FFFC.
AttachmentView inlineNamed(const std::string&, const std::string& type) {
    return {AttachmentView::Kind::inline_, "#" + type.substr(type.rfind('.') + 1), ""};
}

// Each stored note of the fixtures decodes without a fault, and its HTML shows the formatting
// it is named after; what the Notes databases hold (titles, bold, lists, a table) is compared
// with Notes' own answers in the database's test.
TEST(NoteBody, RendersTheFormattingOfStoredNotes) {
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kBlobs), "the note blobs at " << kBlobs.string());
    struct Row {
        const char* blob;
        std::vector<std::string> shows;
    };
    const std::vector<Row> rows = {
        {"text_decorations_gzipped.bin",
         {"<div><h1>Title</h1></div>\n<div><b>Bold body </b></div>\n<div><i>Italic body</i></div>",
          "<div><b><i>Bold italic body </i></b></div>", "<div><u>Underlined body</u></div>",
          "<div><strike>Strikethrough body</strike></div>",
          "<u><strike>Underline strikethrough body</strike></u>"}},
        {"url_gzipped.bin",
         {"followed <a href=\"https://en.m.wikipedia.org/wiki/Graig_Nettles\">his older "
          "brother</a> to",
          "<a href=\"https://en.m.wikipedia.org/wiki/Jim_Nettles\"><b>Jim Nettles</b></a>"}},
        {"html_gzipped.bin",
         {"<div>\t\t&lt;script src=‘evil.js’&gt;&lt;/script&gt;</div>",
          "<div>&lt;/html&gt;</div>"}},
        // A deeper list inside the item before it; the fixture's "checked" item is stored open.
        {"list_indents_gzipped.bin",
         {"<ul>\n<li>☐ Checklist\n<ul>\n<li>☐ Indented checklist 1\n<ul>\n<li>☐ Indented "
          "checklist 2 checked</li>\n</ul>\n</li>\n<li>☐ Indented 1</li>\n</ul>\n</li>\n</ul>\n",
          "<div><br></div>\n<ul class=\"Apple-dash-list\">\n<li style=\"list-style-type: none\">\n"
          "<ul class=\"Apple-dash-list\">\n<li>Dashed list indent 2</li>\n</ul>\n</li>\n<li>Dashed "
          "list</li>\n</ul>\n",
          "<ol>\n<li>Numbered list\n<ol>\n<li>Numbers list indent 2</li>\n</ol>\n</li>\n</ol>\n"}},
        {"block_quotes_gzipped.bin",
         {"<blockquote>\n<div>This is a block quote</div>\n</blockquote>\n",
          "<div><tt>This is monostyled</tt></div>"}},
        // Run lengths count UTF-16 code units: emoji take two, some sequences more.
        {"emoji_formatting_1_gzipped.bin",
         {"<div>🚀1🚀2🕹️<b>3💻4🖥️5🧑‍💻6👩‍💻7</b></div>",
          "<div><tt><br></tt></div>",
          "<div><b><u>體驗</u></b><u>看法</u><i><u>覺得很大</u></i></div>"}},
        {"wide_characters_gzipped.bin",
         {"<div><h1>但他還是希望</h1></div>\n<div>體驗看法覺得很大</div>", "<div>#hashtag</div>"}},
        // Each channel of a colour rounds to the nearest of 255 steps.
        {"color_formatting_gzipped.bin",
         {"<div><font color=\"#FF0000\">Red</font></div>\n<div><font "
          "color=\"#17FF16\">Green</font></div>",
          "<font color=\"#FF2127\"><b>Bold</b></font>",
          "<font color=\"#4879FF\"><b>Bold blue</b></font><b> </b><font "
          "color=\"#FF4A1D\"><b>bold red</b></font>",
          "<ul>\n<li>☐ Checklist, unchecked, <font color=\"#FF561C\">red</font> in the "
          "middle</li>\n"
          "<li>☑ Checklist, checked, <font color=\"#FF361F\">red at the end</font></li>\n</ul>",
          "<div>Super script <font color=\"#FF2121\"><sup>red</sup></font></div>"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.blob);
        const auto body = readNoteBody(test::readFile(kBlobs / row.blob), inlineNamed);
        EXPECT_EQ(body.fault, std::nullopt);
        const auto html = text::toUtf8(body.html);
        for (const auto& shown : row.shows) EXPECT_NE(html.find(shown), std::string::npos) << html;
    }
}

// The tables of the Notes databases are compared with Notes' own answers in the database's test,
// and a cell is rendered as a note's text is; a right-to-left table is not among them.
TEST(NoteTable, RendersRowsColumnsCellsAndDirection) {
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kBlobs), "the note blobs at " << kBlobs.string());
    const std::string cell =
        "<td valign=\"top\" style=\"border-style: solid; border-width: 1.0px 1.0px 1.0px 1.0px; "
        "border-color: #ccc; padding: 3.0px 5.0px 3.0px 5.0px; min-width: 70px\">";
    struct Row {
        const char* blob;
        std::vector<std::string> shows;
    };
    const std::vector<Row> rows = {
        {"right_to_left_table_gzipped.bin",
         {"direction: rtl", "<tr>" + cell + "<div>اول</div>\n</td>" + cell + "</td></tr>"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.blob);
        std::string fault;
        const auto html = readTable(test::readFile(kBlobs / row.blob), fault);
        EXPECT_TRUE(html) << fault;
        if (!html) continue;
        for (const auto& shown : row.shows)
            EXPECT_NE(html->find(shown), std::string::npos) << *html;
    }
}

std::string zlib(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(bytes.data()), bytes.size());
    out.resize(size);
    return out;
}

// A note stored gzipped, zlib-compressed or as it is reads alike; damaged data gives its fault
// and no body. Data that is cut short is the database's to show, with a damaged note among whole
// ones.
TEST(NoteBody, ReadsEachStoredFormAndNamesTheFaultOfDamagedData) {
    struct Row {
        const char* name;
        std::string data;
        std::optional<std::string> fault;
    };
    // StoredNote{version{text{text: "a<b&c>d"}}}, built by hand.
    const std::string stored = std::string("\x12\x0b\x1a\x09\x12\x07", 6) + "a<b&c>d";
    const std::string neither = "the note data is neither gzip, zlib nor a note's protocol buffer";
    const std::vector<Row> rows = {
        {"gzip", gzip(stored), std::nullopt},
        {"zlib", zlib(stored), std::nullopt},
        {"uncompressed", stored, std::nullopt},
        {"empty", "", neither},
        {"uncompressed_without_text", std::string("\x08\x01", 2), neither},
        {"uncompressed_cut_short", stored.substr(0, 9), neither},
        {"protobuf_cut_short", gzip(stored.substr(0, 9)),
         "the note's protocol buffer is damaged or cut short"},
        {"zlib_cut_short", zlib(stored).substr(0, 8), "the zlib data is damaged or cut short"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto body = readNoteBody(row.data, nullptr);
        EXPECT_EQ(body.fault, row.fault);
        EXPECT_EQ(text::toUtf8(body.html), row.fault ? "" : "<div>a&lt;b&amp;c&gt;d</div>\n");
    }
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kBlobs), "the note blobs at " << kBlobs.string());
    const auto plain = readNoteBody(test::readFile(kBlobs / "simple_note_protobuf.bin"), nullptr);
    const auto gzipped =
        readNoteBody(test::readFile(kBlobs / "simple_note_protobuf_gzipped.bin"), nullptr);
    EXPECT_EQ(plain.fault, std::nullopt);
    EXPECT_NE(text::toUtf8(plain.html).find("<div><h1>Title</h1></div>"), std::string::npos)
        << text::toUtf8(plain.html);
    EXPECT_EQ(plain.html, gzipped.html);
}

// Colour channels are fractions of 1: out of range or not a number, they are clamped.
TEST(NoteBody, ClampsColourChannels) {
    note_store_proto::StoredNote stored;
    auto* note = stored.mutable_version()->mutable_text();
    note->set_text("x");
    auto* run = note->add_run();
    run->set_length(1);
    auto* colour = run->mutable_color();
    colour->set_red(2.0f);
    colour->set_green(std::nanf(""));
    colour->set_blue(0.5f);
    const auto body = readNoteBody(gzip(stored.SerializeAsString()), nullptr);
    EXPECT_EQ(text::toUtf8(body.html), "<div><font color=\"#FF0080\">x</font></div>\n");
}

}  // namespace
}  // namespace quillmere::note_store

namespace quillmere::note_store {
namespace {

using note_store_proto::MergeableDocument;
using note_store_proto::NoteText;
using note_store_proto::ObjectId;

// A note of one paragraph per line of `text`, one run over all of it set up by `style`.
std::string storedNote(const std::string& text,
                       const std::function<void(note_store_proto::AttributeRun&)>& style = {}) {
    note_store_proto::StoredNote stored;
    NoteText* note = stored.mutable_version()->mutable_text();
    note->set_text(text);
    auto* run = note->add_run();
    run->set_length(static_cast<std::uint32_t>(text::fromUtf8(text).size()));
    if (style) style(*run);
    return gzip(stored.SerializeAsString());
}

// Stored links open only what a detected link may; a quotation mark stays inside the attribute.
TEST(NoteBody, StoredLinksKeepTheirAnchorOnlyForSafeSchemes) {
    struct Row {
        const char* name;
        std::string link;
        std::string html;
    };
    const std::vector<Row> rows = {
        {"https_with_quote", "https://a.example/?q=\"x\"",
         "<div><a href=\"https://a.example/?q=&quot;x&quot;\">go</a></div>\n"},
        {"mailto", "mailto:ann@example.com",
         "<div><a href=\"mailto:ann@example.com\">go</a></div>\n"},
        {"javascript", "javascript:alert(1)", "<div>go</div>\n"},
        {"javascript_upper_case", "JavaScript:alert(1)", "<div>go</div>\n"},
        {"data", "data:text/html,<b>x</b>", "<div>go</div>\n"},
        {"vbscript", "vbscript:msgbox", "<div>go</div>\n"},
        {"leading_space", " javascript:alert(1)", "<div>go</div>\n"},
        {"file", "file:///etc/passwd", "<div>go</div>\n"},
        {"no_scheme", "../../x", "<div>go</div>\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto body =
            readNoteBody(storedNote("go", [&](auto& run) { run.set_link(row.link); }), nullptr);
        EXPECT_EQ(text::toUtf8(body.html), row.html);
    }
}

// A numbered item after a bulleted one at the same depth starts a list of its own kind.
TEST(NoteBody, ANumberedItemAfterABulletedOneClosesTheBulletedList) {
    note_store_proto::StoredNote stored;
    NoteText* note = stored.mutable_version()->mutable_text();
    note->set_text("a\nb\n");
    for (int kind : {100, 102}) {
        auto* run = note->add_run();
        run->set_length(2);
        run->mutable_paragraph_style()->set_style(kind);
    }
    const auto html = text::toUtf8(readNoteBody(gzip(stored.SerializeAsString()), nullptr).html);
    EXPECT_NE(html.find("</ul>\n<ol>"), std::string::npos) << html;
    EXPECT_EQ(html.find("<ul>"), html.rfind("<ul>")) << html;
}

TEST(NoteBody, GunzipRefusesDataThatExpandsBeyondItsLimit) {
    struct Row {
        const char* name;
        std::size_t limit;
        bool read;
    };
    const std::string data = gzip(std::string(100000, 'a'));
    const std::vector<Row> rows = {
        {"below", 99999, false}, {"at", 100000, true}, {"above", 100001, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string fault;
        const auto bytes = gunzip(data, fault, row.limit);
        EXPECT_EQ(bytes.has_value(), row.read);
        EXPECT_EQ(fault, row.read ? "" : "the note data expands beyond the size limit");
    }
}

// Small notes that would expand without end are refused whole, with the limit they passed.
TEST(NoteBody, HostileNotesStopAtTheirBudget) {
    struct Row {
        const char* name;
        std::string data;
        AttachmentResolver resolve;
        bool overBudget;
    };
    std::string paragraphs;
    for (int i = 0; i < 400; ++i) paragraphs += "x\n";
    const std::string longLink = "https://example.com/" + std::string(50000, 'a');
    std::string marks;
    for (int i = 0; i < 100000; ++i) marks += "\xEF\xBF\xBC";  // U+FFFC
    const auto table = [](const std::string&, const std::string&) {
        return AttachmentView{AttachmentView::Kind::html, std::string(1000, 't'), ""};
    };
    const auto toTable = [](auto& run) {
        run.mutable_attachment()->set_identifier("T");
        run.mutable_attachment()->set_type_uti("com.apple.notes.table");
    };
    const std::vector<Row> rows = {
        {"link_over_many_paragraphs",
         storedNote(paragraphs, [&](auto& run) { run.set_link(longLink); }), nullptr, true},
        {"many_references_to_one_table", storedNote(marks, toTable), table, true},
        {"a_few_references_to_one_table", storedNote(marks.substr(0, 300), toTable), table, false},
        {"many_short_paragraphs", storedNote(paragraphs), nullptr, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto body = readNoteBody(row.data, row.resolve);
        EXPECT_EQ(body.fault.has_value() && body.fault->starts_with("the note is over its budget"),
                  row.overBudget)
            << body.fault.value_or("");
        EXPECT_EQ(body.html.empty(), row.overBudget);
    }
}

// A table built by hand: `size` rows and as many columns, every cell sharing one text of
// `cellText`, and a direction object with `fanOut` entries that all name the object itself.
std::string storedTable(int size, const std::string& cellText, int fanOut) {
    note_store_proto::StoredMergeable stored;
    MergeableDocument* document = stored.mutable_version()->mutable_document();
    for (const char* key :
         {"crRows", "crColumns", "cellColumns", "crTableColumnDirection", "UUIDIndex"}) {
        document->add_key_item(key);
    }
    const auto reference = [](ObjectId* id, int index) { id->set_object_index(index); };
    // 0 root, 1 rows, 2 columns, 3 cell columns, 4 direction, 5 the shared row dictionary,
    // 6 the shared cell, then one UUID object per row and per column.
    for (int i = 0; i < 7; ++i) document->add_object();
    auto* root = document->mutable_object(0)->mutable_custom();
    for (int key = 0; key < 4; ++key) {
        auto* entry = root->add_entry();
        entry->set_key(key);
        reference(entry->mutable_value(), key + 1);
    }
    auto* direction = document->mutable_object(4)->mutable_custom();
    for (int i = 0; i < fanOut; ++i) {
        auto* entry = direction->add_entry();
        entry->set_key(3);
        reference(entry->mutable_value(), 4);
    }
    document->mutable_object(6)->mutable_text()->set_text(cellText);
    auto uuidObject = [&](const std::string& uuid) {
        const int index = document->object_size();
        auto* entry = document->add_object()->mutable_custom()->add_entry();
        entry->set_key(4);
        entry->mutable_value()->set_unsigned_integer(
            static_cast<std::uint64_t>(document->uuid_item_size()));
        document->add_uuid_item(uuid);
        return index;
    };
    for (int axis = 1; axis <= 2; ++axis) {
        auto* set = document->mutable_object(axis)->mutable_ordered_set();
        for (int i = 0; i < size; ++i) {
            const std::string uuid = (axis == 1 ? "r" : "c") + std::to_string(i);
            const int object = uuidObject(uuid);
            auto* element = set->mutable_elements()->add_element();
            reference(element->mutable_key(), object);
            auto* content = set->mutable_ordering()->mutable_contents()->add_element();
            reference(content->mutable_key(), object);
            reference(content->mutable_value(), object);
            set->mutable_ordering()->mutable_array()->add_attachment()->set_uuid(uuid);
            if (axis == 1) {
                auto* cell = document->mutable_object(5)->mutable_dictionary()->add_element();
                reference(cell->mutable_key(), object);
                reference(cell->mutable_value(), 6);
            } else {
                auto* column = document->mutable_object(3)->mutable_dictionary()->add_element();
                reference(column->mutable_key(), object);
                reference(column->mutable_value(), 5);
            }
        }
    }
    return gzip(stored.SerializeAsString());
}

TEST(NoteTable, HostileTablesStopAtTheirBudget) {
    struct Row {
        const char* name;
        std::string data;
        std::optional<std::string> faultStart;
    };
    const std::vector<Row> rows = {
        {"small_table", storedTable(3, "cell", 0), std::nullopt},
        {"direction_naming_itself", storedTable(1, "cell", 6), std::nullopt},
        {"shared_cells", storedTable(362, std::string(200, 'x'), 0),
         "the table is over its budget (its HTML"},
        {"too_many_cells", storedTable(363, "cell", 0), "the table has too many cells"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string fault;
        const auto html = readTable(row.data, fault);
        EXPECT_EQ(html.has_value(), !row.faultStart);
        if (row.faultStart) {
            EXPECT_TRUE(fault.starts_with(*row.faultStart)) << fault;
        }
    }
    std::string fault;
    const auto html = readTable(storedTable(2, "a&b", 0), fault);
    ASSERT_TRUE(html) << fault;
    std::size_t cells = 0;
    for (auto at = html->find("<td"); at != std::string::npos; at = html->find("<td", at + 1)) {
        ++cells;
    }
    EXPECT_EQ(cells, 4u);
    EXPECT_NE(html->find("<div>a&amp;b</div>"), std::string::npos) << *html;
}

}  // namespace
}  // namespace quillmere::note_store
