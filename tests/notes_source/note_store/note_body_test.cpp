#include "notes_source/note_store/note_body.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <filesystem>
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
        ASSERT_EQ(body.fault, std::nullopt);
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
        ASSERT_TRUE(html) << fault;
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
    if (!fs::exists(kBlobs)) GTEST_SKIP() << "The note blobs are not there: " << kBlobs.string();
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
