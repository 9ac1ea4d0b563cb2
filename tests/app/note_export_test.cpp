// The note export: file name, content and extension of one note, links, attachments, dates,
// the heading preference, and the sound behaviour around names, clashes and failed writes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/app_delegate.h"
#include "string_utils/path_utilities.h"
#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

class NoteExportTest : public AppDelegateTest {
protected:
    NoteExportTest() {
        defaults->setBool(kHeadingKey, false);
        fs::create_directories(out);
    }

    FileURL outURL() const { return FileURL::fileURLWithPath(out.string(), true); }

    // Exports one note into a fresh, empty folder and runs the main queue; answers the folder's
    // files and their contents.
    std::map<std::string, std::string> exportOne(const std::shared_ptr<NotesNote>& note,
                                                 std::uint64_t index = 0) {
        fs::remove_all(out);
        fs::create_directories(out);
        delegate->exportNote(note, index, outURL());
        mainQueue->runAll();
        return tree(out);
    }

    // Exports the notes as one folder's list into `out`.
    void writeNotes(std::vector<std::shared_ptr<in_memory::Note>> notes) {
        auto folderObject = std::make_shared<in_memory::Folder>(u"f", u"F");
        folderObject->noteList = std::move(notes);
        delegate->writeNotes(folderObject->notes(), outURL());
        mainQueue->runAll();
    }

    const fs::path out = env.root() / "out";
};

// Each step of the text on its own (div lines, ampersands, breaks, removed tags, the body start
// tag) is compared with its expression in the note text's tests; the rows here are which steps
// a note gets.
TEST_F(NoteExportTest, BuildsEachNotesFileFromItsTitleAndBody) {
    using Names = std::vector<Text>;
    struct Row {
        const char* name;
        Text title;
        Text body;
        std::string extension;  // empty: no file
        std::string content;
        bool heading = false;
        Names attachments = {};
    };
    const Row rows[] = {
        {"title_and_plain_body", u"T", u"Mix\nand milk", "html", "<p>T</p>\nMix\nand milk"},
        {"untitled_plain_body", u"", u"just text", "plain-text", "just text"},
        {"div_lines_become_paragraphs", u"T", u"<div>One</div>\n<div>Fish &amp chips</div>\n",
         "html", "<p>One</p>\n<p>Fish &amp; chips</p>\n"},
        {"blank_lines_before_div_still_markup", u"T", u"\n \n<div>x</div>", "html",
         "\n \n<p>x</p>"},
        {"div_with_attributes_is_no_markup", u"T", u"<div class=\"x\">a</div>", "html",
         "<p>T</p>\n<div class=\"x\">a</p>"},
        {"upper_case_div_converted_but_no_markup", u"T", u"<DIV>a</DIV>", "html",
         "<p>T</p>\n<p>a</p>"},
        {"full_document_keeps_breaks_repairs_ampersands", u"T",
         u"  <html><body>a<br>b &amp c</body></html>\n", "html",
         "  <html><body>a<br>b &amp; c</body></html>\n"},
        {"html_start_without_end_has_no_flag", u"T", u"<html><body>a<br>b &amp c</body>", "html",
         "<p>T</p>\n<html><body>a&nbsp;b &amp c</body>"},
        {"plain_body_breaks_not_ampersands", u"", u"a<br>b &amp c", "html", "a&nbsp;b &amp c"},
        {"only_removed_tags_is_empty", u"", u"<object></object>", "", ""},
        {"title_and_empty_body", u"T", u"", "html", "<p>T</p>\n"},
        {"empty_title_and_body", u"", u"", "", ""},
        {"whitespace_body_is_written", u"", u" \n", "plain-text", " \n"},
        {"title_escaped", u"&<b>", u"x", "html", "<p>&amp;&lt;b&gt;</p>\nx"},
        {"utf8_without_bom_lone_surrogate_replaced", u"", u"caf\u00E9 \U0001F600 \xD800!",
         "plain-text", "caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBD!"},
        {"heading_line_stands_in_no_paragraph", u"T", u"<div><h2>T</h2></div>\n<div>x</div>",
         "html", "<h2>T</h2>\n<p>x</p>"},
        {"table_block_keeps_its_divs", u"T",
         u"<div>a</div>\n<div><object><table><tr><td><div>c</div>\n</td></tr>\n</table></object>"
         u"<br></div>\n<div>b</div>",
         "html",
         "<p>a</p>\n<div><table><tr><td><div>c</div>\n</td></tr>\n</table>&nbsp;</div>\n<p>b</p>"},
        {"monospace_tags_removed", u"T", u"<div><tt>code</tt></div>", "html", "<p>code</p>"},
        {"heading_from_title", u"T", u"body", "html", "<h1>T</h1>\nbody", true},
        {"heading_from_first_div_line", u"T", u"<div>First</div>\n<div>Second</div>", "html",
         "<h1>First</h1>\n<p>Second</p>", true},
        {"attachments_fill_characters_in_order", u"", u"a\uFFFCb\uFFFCc\uFFFC", "html",
         "a<img src=\"1.png\">b<img src=\"2.jpg\">c\xEF\xBF\xBC", false, Names{u"1.png", u"2.jpg"}},
        {"unnamed_attachment_leaves_its_character", u"", u"x\uFFFCy\uFFFC", "html",
         "x<img src=\"p.png\">y\xEF\xBF\xBC", false, Names{u"", u"p.png"}},
        {"attachments_beyond_the_characters", u"", u"\uFFFC", "html", "<img src=\"a.png\">", false,
         Names{u"a.png", u"b.png"}},
        // A name is one path component, percent-encoded: nothing in it reads as markup, and an
        // attachment character in it is no place for the next attachment.
        {"attachment_name_encoded", u"", u"\uFFFC", "html", "<img src=\"x%22%3Cy%3E%26z\">", false,
         Names{u"x\"<y>&z"}},
        {"attachment_name_with_a_character", u"", u"\uFFFCz\uFFFC", "html",
         "<img src=\"a%EF%BF%BC\">z<img src=\"b\">", false, Names{u"a\uFFFC", u"b"}},
        {"characters_without_attachments", u"", u"a\uFFFC", "plain-text", "a\xEF\xBF\xBC"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        log->lines.clear();
        defaults->setBool(kHeadingKey, row.heading);
        const std::size_t steps = count("progress.incrementBy(1)");

        const auto files = exportOne(makeNote(row.title, row.body, row.attachments));

        if (row.extension.empty()) {
            EXPECT_TRUE(files.empty());
            // Without a title the line names the note's place.
            EXPECT_EQ(log->lines, std::vector<std::string>{
                                      "Note: (untitled note 000 in \u201Cout\u201D) is empty or "
                                      "password protected!"});
        } else {
            const Text name =
                PathUtilities::stringByReplacingUnallowedFilenameCharacters(u"000_" + row.title);
            EXPECT_EQ(files, (std::map<std::string, std::string>{
                                 {text::toUtf8(name) + "." + row.extension, row.content}}));
            EXPECT_TRUE(log->lines.empty());
        }
        EXPECT_EQ(count("progress.incrementBy(1)"), steps + 1);
    }
}

TEST_F(NoteExportTest, TheIndexPrefixIsNeverCutAndLongTitlesAreCutToFit) {
    std::string euros;  // 82 signs of 3 bytes: with "012_" and ".html", 255 bytes
    for (int i = 0; i < 82; ++i) {
        euros += "\xE2\x82\xAC";
    }
    const std::tuple<std::uint64_t, Text, std::string> rows[] = {
        {7, u"T", "007_T.html"},
        {18446744073709551615u, u"T", "18446744073709551615_T.html"},
        {12, Text(100, u'\u20AC'), "012_" + euros + ".html"},
    };
    for (const auto& [index, title, fileName] : rows) {
        SCOPED_TRACE(fileName);
        const auto files = exportOne(makeNote(title, u"x"), index);
        EXPECT_EQ(files.size(), 1u);
        if (files.size() != 1) continue;
        EXPECT_EQ(files.begin()->first, fileName);
    }
}

TEST_F(NoteExportTest, WrapsDetectedLinksFromTheLastToTheFirst) {
    using Links = std::vector<Text>;
    struct Row {
        const char* name;
        Text body;
        Links links;
        std::string content;
    };
    const Row rows[] = {
        {"several_links", u"see a.com and b.org", Links{u"a.com", u"b.org"},
         "see <a href=\"a.com\">a.com</a> and <a href=\"b.org\">b.org</a>"},
        {"trailing_entity_cut_off", u"<div>go http://x.com&nbsp;</div>",
         Links{u"http://x.com&nbsp;"}, "<p>go <a href=\"http://x.com\">http://x.com</a></p>"},
        {"trailing_tag_cut_off", u"x.com<b>y</b>", Links{u"x.com<b>y</b>"},
         "<a href=\"x.com\">x.com</a>"},
        {"inner_tag_kept", u"a<b>c", Links{u"a<b>c"}, "<a href=\"a<b>c\">a<b>c</a>"},
        {"link_of_only_an_entity", u"&amp;", Links{u"&amp;"}, "<a href=\"\"></a>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        linkDetector->literals = row.links;
        const auto files = exportOne(makeNote(u"", row.body));
        EXPECT_EQ(files.size(), 1u);
        if (files.size() != 1) continue;
        EXPECT_EQ(files.begin()->second, row.content);
    }
}

TEST_F(NoteExportTest, LinksAreDetectedAfterTheHeadingAndBeforeBreaksAreReplaced) {
    defaults->setBool(kHeadingKey, true);
    linkDetector->literals = {u"www.a.com<br>"};

    const auto files = exportOne(makeNote(u"T", u"www.a.com<br>"));

    EXPECT_EQ(linkDetector->texts, std::vector<Text>{u"<h1>T</h1>\nwww.a.com<br>"});
    EXPECT_EQ(files.begin()->second, "<h1>T</h1>\n<a href=\"www.a.com\">www.a.com</a>");
}

TEST_F(NoteExportTest, NoLinkDetectorWrapsNoLinks) {
    AppServices withoutDetector = appServices();
    withoutDetector.linkDetector = nullptr;
    installAppServices(withoutDetector);
    EXPECT_EQ(exportOne(makeNote(u"", u"www.a.com")).begin()->second, "www.a.com");
}

TEST_F(NoteExportTest, ReadsTheHeadingPreferenceForEveryNote) {
    // The preference flips while each note is exported; the next note follows it.
    defaults->setBool(kHeadingKey, true);
    linkDetector->onDetect = [&](const Text&) {
        defaults->setBool(kHeadingKey, !defaults->boolForKey(kHeadingKey));
    };
    std::uint64_t index = 0;
    for (const Text title : {u"A", u"B", u"C"}) {
        delegate->exportNote(makeNote(title, u"x"), index++, outURL());
    }

    EXPECT_EQ(tree(out), (std::map<std::string, std::string>{
                             {"000_A.html", "<h1>A</h1>\nx"},
                             {"001_B.html", "<p>B</p>\nx"},
                             {"002_C.html", "<h1>C</h1>\nx"},
                         }));
}

// The list is written while later notes are built ahead: files, log lines and progress steps
// come out as one note after another would make them, also where reading a note logs.
TEST_F(NoteExportTest, WritesAListInOrder) {
    struct NoteThatLogsWhenRead : in_memory::Note {
        explicit NoteThatLogsWhenRead(RecordingLog& log) : Note(u"", u""), log(log) {}
        Text body() const override {
            log.log("read");
            return html;
        }
        bool readsWithoutEffects() const override { return false; }
        RecordingLog& log;
    };
    writeNotes({makeNote(u"A", u"a"), nullptr, makeNote(u"", u""), makeNote(u"A", u"b"),
                std::make_shared<NoteThatLogsWhenRead>(*log)});

    EXPECT_EQ(tree(out), (std::map<std::string, std::string>{
                             {"000_A.html", "<p>A</p>\na"},
                             {"003_A.html", "<p>A</p>\nb"},
                         }));
    EXPECT_EQ(
        log->lines,
        (std::vector<std::string>{
            "Note: (untitled note 002 in \u201Cout\u201D) is empty or password protected!", "read",
            "Note: (untitled note 004 in \u201Cout\u201D) is empty or password protected!"}));
    EXPECT_EQ(count("progress.incrementBy(1)"), 5u);
}

// The microseconds and dates before 1970 are the file manager's; the command shows them end to
// end.
TEST_F(NoteExportTest, StampsTheNotesModificationDateOrLeavesTheTimeOfWriting) {
    const auto modified = [&](std::optional<Date> date) {
        auto note = makeNote(u"Dated", u"x");
        note->created = Date(std::chrono::seconds(1'500'000'000));
        note->modified = date;
        exportOne(note);
        struct stat info {};
        EXPECT_EQ(::stat((out / "000_Dated.html").c_str(), &info), 0);
        return info.st_mtim.tv_sec;
    };
    EXPECT_EQ(modified(Date(std::chrono::seconds(1'600'000'000))), time_t{1'600'000'000});
    EXPECT_GT(modified(std::nullopt), time_t{1'600'000'000});
}

TEST_F(NoteExportTest, ANoteNeverReplacesAFileWrittenBefore) {
    fs::create_directories(out / "000_Hi - 3.html");  // a sub-folder's directory
    // Another letter case is another file on this file system, and keeps its name.
    for (const auto& [title, body] :
         {std::pair(u"Hi", u"1"), {u"Hi", u"2"}, {u"Hi", u"4"}, {u"Hi", u"5"}, {u"hi", u"6"}}) {
        delegate->exportNote(makeNote(title, body), 0, outURL());
    }
    EXPECT_EQ(tree(out), (std::map<std::string, std::string>{
                             {"000_Hi.html", "<p>Hi</p>\n1"},
                             {"000_Hi - 2.html", "<p>Hi</p>\n2"},
                             {"000_Hi - 3.html", "<dir>"},
                             {"000_Hi - 4.html", "<p>Hi</p>\n4"},
                             {"000_Hi - 5.html", "<p>Hi</p>\n5"},
                             {"000_hi.html", "<p>hi</p>\n6"},
                         }));
}

TEST_F(NoteExportTest, AFailedWriteIsLoggedAndTheRunGoesOn) {
    // The folder vanishes under the first note and is back for the second.
    linkDetector->onDetect = [&](const Text&) {
        if (linkDetector->texts.size() == 1) {
            fs::remove_all(out);
        } else {
            fs::create_directories(out);
        }
    };
    delegate->exportNote(makeNote(u"Lost", u"a"), 0, outURL());
    delegate->exportNote(makeNote(u"Kept", u"b"), 1, outURL());
    mainQueue->runAll();

    ASSERT_EQ(log->lines.size(), 1u);
    // The line names the reason, not only the file.
    EXPECT_TRUE(log->lines[0].starts_with(
        "Note: Lost could not be written: The file \u201C000_Lost.html\u201D could not be saved. "
        "No such file or directory ("))
        << log->lines[0];
    EXPECT_EQ(tree(out), (std::map<std::string, std::string>{{"001_Kept.html", "<p>Kept</p>\nb"}}));
    EXPECT_EQ(count("progress.incrementBy(1)"), 2u);
    EXPECT_TRUE(alerts->alerts.empty());
}

// The heading rule on its own.
struct HeadingRow {
    const char* name;
    Text input;
    Text output;
};

const HeadingRow kHeadingRows[] = {
    {"empty_text", u"", u""},
    {"no_body_first_pair_only", u"<p>a</p><p>b</p>", u"<h1>a</h1><p>b</p>"},
    {"no_body_pair_across_lines", u"x\n<p>a\nb</p>", u"x\n<h1>a\nb</h1>"},
    {"head_paragraph_not_searched",
     u"<html><head><p>x</p></head><body><p>a</p><p>b</p></body></html>",
     u"<html><head><p>x</p></head><body><h1>a</h1><p>b</p></body></html>"},
    {"upper_case_body_end_not_found", u"<p>h</p><body><p>a</p></BODY>",
     u"<h1>h</h1><body><p>a</p></BODY>"},
    {"body_start_without_end_no_pair", u"<body>text", u"<body>text"},
    {"body_start_without_end_searches_from_start", u"<p>h</p><body>x", u"<h1>h</h1><body>x"},
    {"whole_body_becomes_heading", u"<body>all of it</body>", u"<body><h1>all of it</h1></body>"},
    {"body_with_attributes_up_to_break", u"<body class=\"x\">a<br>b</body>",
     u"<body class=\"x\"><h1>a</h1><br>b</body>"},
    {"paragraph_start_without_end", u"<body><p>a<br>b</body>", u"<body><h1><p>a</h1><br>b</body>"},
    {"paragraph_end_without_start", u"<body>a</p>b</body>", u"<body><h1>a</p>b</h1></body>"},
    {"break_after_body_end", u"<body>a</body><br>", u"<body><h1>a</body></h1><br>"},
    {"empty_body", u"<body></body>", u"<body><h1></h1></body>"},
    {"upper_case_paragraph_not_recognised", u"<P>a</P>", u"<P>a</P>"},
    {"paragraph_with_attributes_not_recognised", u"<p class=\"x\">a</p>", u"<p class=\"x\">a</p>"},
    // A paragraph that is one heading element becomes one level-1 heading, not a nested one.
    {"heading_paragraph_not_nested", u"<p><h1>T</h1></p><p>b</p>", u"<h1>T</h1><p>b</p>"},
    {"lower_level_heading_paragraph", u"<p><h3>T</h3></p>", u"<h1>T</h1>"},
    {"heading_as_whole_body_start", u"<body><h2>T</h2><br>b</body>",
     u"<body><h1>T</h1><br>b</body>"},
    {"two_headings_are_no_one_element", u"<p><h1>a</h1><h2>b</h2></p>",
     u"<h1><h1>a</h1><h2>b</h2></h1>"},
    {"heading_with_text_after_it", u"<p><h1>a</h1>b</p>", u"<h1><h1>a</h1>b</h1>"},
    {"mismatched_heading_tags", u"<p><h1>a</h2></p>", u"<h1><h1>a</h2></h1>"},
    // Malformed texts where the closing tag comes first: every character of the note stays.
    {"paragraph_end_before_start", u"x</p>y<p>z", u"x</h1>y<h1>z"},
    {"body_end_before_start", u"</body><body>a", u"</h1></body><body><h1>a"},
};

TEST(FirstParagraphHeading, ConvertsTheFirstParagraphInPlace) {
    const AppDelegate delegate;
    for (const HeadingRow& row : kHeadingRows) {
        SCOPED_TRACE(row.name);
        Text text = row.input;
        delegate.convertFirstParagraphToHeadingInString(text);
        EXPECT_EQ(text, row.output);
    }
}

}  // namespace
}  // namespace quillmere::test
