// The note export: file name, content and extension of one note, links, attachments, dates,
// the heading preference, and the sound behaviour around names, clashes and failed writes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/app_services.h"
#include "string_utils/path_utilities.h"
#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

using in_memory::makeNote;

const char* const kHeadingKey = "useFirstParagraphAsHeading";

class NoteExportTest : public AppDelegateTest {
protected:
    NoteExportTest() {
        fs::create_directories(folder);
        services.userDefaults->setBool(kHeadingKey, false);
    }

    FileURL folderURL() const { return FileURL::fileURLWithPath(folder.string(), true); }

    // Exports one note into a fresh, empty folder and runs the main queue; answers the folder's
    // files and their contents.
    std::map<std::string, std::string> exportOne(const std::shared_ptr<NotesNote>& note,
                                                 std::uint64_t index = 0) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        delegate->exportNote(note, index, folderURL());
        services.mainQueue->runAll();
        return tree(folder);
    }

    std::size_t incrementCount() const {
        return std::count(services.journal->calls.begin(), services.journal->calls.end(),
                          "progress.incrementBy(1)");
    }

    const fs::path folder = env.root() / "out";
};

// The base name that file-name sanitizing makes of a numbered title.
std::string sanitized(const Text& numberedTitle) {
    return text::toUtf8(PathUtilities::stringByReplacingUnallowedFilenameCharacters(numberedTitle));
}

// The file name the first note of `title` gets: the sanitized name cut to fit with ".html".
std::string sanitizedLong(const Text& title) {
    std::string name = sanitized(u"000_" + title);
    while (name.size() > 250) {
        name.resize(name.size() - 3);  // whole euro signs
    }
    return name + ".html";
}

struct ContentRow {
    const char* name;
    Text title;
    Text body;
    std::vector<Text> attachments;
    bool heading;
    std::string fileName;  // empty: no file
    std::string content;
    std::vector<std::string> log = {};
};

TEST_F(NoteExportTest, BuildsEachNotesFileFromItsTitleAndBody) {
    const std::string nbsp = "&nbsp;";
    const ContentRow rows[] = {
        {"title_and_plain_body",
         u"Pancakes",
         u"Mix flour\nand milk",
         {},
         false,
         "000_Pancakes.html",
         "<p>Pancakes</p>\nMix flour\nand milk"},
        {"untitled_plain_body_is_plain_text",
         u"",
         u"just some text",
         {},
         false,
         sanitized(u"000_") + ".plain-text",
         "just some text"},
        {"div_lines_become_paragraphs",
         u"Title",
         u"<div>Line one</div>\n<div>Fish &amp chips</div>\n",
         {},
         false,
         "000_Title.html",
         "<p>Line one</p>\n<p>Fish &amp; chips</p>\n"},
        {"blank_lines_before_div_still_markup",
         u"T",
         u"\n \n<div>x</div>",
         {},
         false,
         "000_T.html",
         "\n \n<p>x</p>"},
        {"indented_div_tags_stay",
         u"",
         u"<div>a</div>\n  <div>b</div>  \n",
         {},
         false,
         sanitized(u"000_") + ".html",
         "<p>a</p>\n  <div>b</div>  \n"},
        {"several_divs_on_one_line",
         u"",
         u"<div>a</div><div>b</div>",
         {},
         false,
         sanitized(u"000_") + ".html",
         "<p>a</div><div>b</p>"},
        {"div_with_attributes_is_no_markup",
         u"T",
         u"<div class=\"x\">a</div>",
         {},
         false,
         "000_T.html",
         "<p>T</p>\n<div class=\"x\">a</p>"},
        {"upper_case_div_converted_but_no_markup",
         u"T",
         u"<DIV>a</DIV>",
         {},
         false,
         "000_T.html",
         "<p>T</p>\n<p>a</p>"},
        {"full_document_keeps_breaks_repairs_ampersands",
         u"T",
         u"  <html><body>a<br>b &amp c</body></html>\n",
         {},
         false,
         "000_T.html",
         "  <html><body>a<br>b &amp; c</body></html>\n"},
        {"html_start_without_end_has_no_flag",
         u"T",
         u"<html><body>a<br>b &amp c</body>",
         {},
         false,
         "000_T.html",
         "<p>T</p>\n<html><body>a" + nbsp + "b &amp c</body>"},
        {"div_body_breaks_and_ampersands",
         u"",
         u"<div>a<br>b &AMP c</div>",
         {},
         false,
         sanitized(u"000_") + ".html",
         "<p>a" + nbsp + "b &AMP; c</p>"},
        {"plain_body_breaks_not_ampersands",
         u"",
         u"a<br>b &amp c",
         {},
         false,
         sanitized(u"000_") + ".html",
         "a" + nbsp + "b &amp c"},
        {"complete_and_final_ampersands_stay",
         u"",
         u"<div>x &amp;y</div>\n&amp",
         {},
         false,
         sanitized(u"000_") + ".html",
         "<p>x &amp;y</p>\n&amp"},
        {"tt_and_object_tags_removed",
         u"T",
         u"<tt>code</tt> and <object>thing</object>",
         {},
         false,
         "000_T.html",
         "<p>T</p>\ncode and thing"},
        {"upper_case_tt_stays",
         u"",
         u"<TT>x</TT>",
         {},
         false,
         sanitized(u"000_") + ".html",
         "<TT>x</TT>"},
        {"only_removed_tags_is_empty",
         u"",
         u"<object></object>",
         {},
         false,
         "",
         "",
         {"Note:  is empty or password protected!"}},
        {"title_and_empty_body", u"T", u"", {}, false, "000_T.html", "<p>T</p>\n"},
        {"empty_title_and_body",
         u"",
         u"",
         {},
         false,
         "",
         "",
         {"Note:  is empty or password protected!"}},
        {"whitespace_body_is_written",
         u"",
         u" \n",
         {},
         false,
         sanitized(u"000_") + ".plain-text",
         " \n"},
        {"title_escaped",
         u"Fish & <Chips>",
         u"x",
         {},
         false,
         sanitized(u"000_Fish & <Chips>") + ".html",
         "<p>Fish &amp; &lt;Chips&gt;</p>\nx"},
        {"heading_from_title", u"T", u"body", {}, true, "000_T.html", "<h1>T</h1>\nbody"},
        {"heading_from_first_div_line",
         u"T",
         u"<div>First</div>\n<div>Second</div>",
         {},
         true,
         "000_T.html",
         "<h1>First</h1>\n<p>Second</p>"},
        {"heading_of_title_only", u"T", u"", {}, true, "000_T.html", "<h1>T</h1>\n"},
        {"attachments_fill_characters_in_order",
         u"",
         u"a\uFFFCb\uFFFCc\uFFFC",
         {u"one.png", u"two.jpg"},
         false,
         sanitized(u"000_") + ".html",
         "a<img src=\"one.png\">b<img src=\"two.jpg\">c\xEF\xBF\xBC"},
        {"unnamed_attachment_leaves_its_character",
         u"",
         u"x\uFFFCy\uFFFC",
         {u"", u"pic.png"},
         false,
         sanitized(u"000_") + ".html",
         "x<img src=\"pic.png\">y\xEF\xBF\xBC"},
        {"attachments_beyond_the_characters",
         u"",
         u"\uFFFC",
         {u"a.png", u"b.png"},
         false,
         sanitized(u"000_") + ".html",
         "<img src=\"a.png\">"},
        {"attachment_name_escaped",
         u"",
         u"\uFFFC",
         {u"x\"<y>&z.png"},
         false,
         sanitized(u"000_") + ".html",
         "<img src=\"x&quot;&lt;y&gt;&amp;z.png\">"},
        {"characters_without_attachments",
         u"",
         u"a\uFFFC",
         {},
         false,
         sanitized(u"000_") + ".plain-text",
         "a\xEF\xBF\xBC"},
    };
    for (const ContentRow& row : rows) {
        SCOPED_TRACE(row.name);
        services.log->lines.clear();
        services.userDefaults->setBool(kHeadingKey, row.heading);
        const std::size_t incrementsBefore = incrementCount();

        const auto files = exportOne(makeNote(row.title, row.body, row.attachments));

        if (row.fileName.empty()) {
            EXPECT_TRUE(files.empty());
        } else {
            EXPECT_EQ(files, (std::map<std::string, std::string>{{row.fileName, row.content}}));
        }
        EXPECT_EQ(services.log->lines, row.log);
        EXPECT_EQ(incrementCount(), incrementsBefore + 1);
    }
}

TEST_F(NoteExportTest, TheIndexPrefixIsZeroFilledAndNeverCut) {
    const std::pair<std::uint64_t, std::string> rows[] = {
        {0, "000_T.html"},
        {7, "007_T.html"},
        {999, "999_T.html"},
        {1234, "1234_T.html"},
        {18446744073709551615u, "18446744073709551615_T.html"},
    };
    for (const auto& [index, fileName] : rows) {
        SCOPED_TRACE(fileName);
        const auto files = exportOne(makeNote(u"T", u"x"), index);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files.begin()->first, fileName);
    }
}

struct LinkRow {
    const char* name;
    Text body;
    std::vector<Text> literals;
    std::optional<std::vector<Range>> ranges;
    std::string content;
};

TEST_F(NoteExportTest, WrapsDetectedLinksFromTheLastToTheFirst) {
    const LinkRow rows[] = {
        {"one_link",
         u"see www.example.com now",
         {u"www.example.com"},
         std::nullopt,
         "see <a href=\"www.example.com\">www.example.com</a> now"},
        {"several_links",
         u"a.com and b.org",
         {u"a.com", u"b.org"},
         std::nullopt,
         "<a href=\"a.com\">a.com</a> and <a href=\"b.org\">b.org</a>"},
        {"given_ranges",
         u"0123456789",
         {},
         std::vector<Range>{{2, 3}, {6, 2}},
         "01<a href=\"234\">234</a>5<a href=\"67\">67</a>89"},
        {"trailing_entity_cut_off",
         u"<div>go http://x.com&nbsp;</div>",
         {u"http://x.com&nbsp;"},
         std::nullopt,
         "<p>go <a href=\"http://x.com\">http://x.com</a></p>"},
        {"ampersand_up_to_final_semicolon_cut",
         u"<div>http://y.org/?a&b=1;</div>",
         {u"http://y.org/?a&b=1;"},
         std::nullopt,
         "<p><a href=\"http://y.org/?a\">http://y.org/?a</a></p>"},
        {"trailing_tag_cut_off",
         u"x.com<b>y</b>",
         {u"x.com<b>y</b>"},
         std::nullopt,
         "<a href=\"x.com\">x.com</a>"},
        {"inner_tag_kept", u"a<b>c", {u"a<b>c"}, std::nullopt, "<a href=\"a<b>c\">a<b>c</a>"},
        {"link_of_only_an_entity", u"&amp;", {u"&amp;"}, std::nullopt, "<a href=\"\"></a>"},
        {"range_outside_the_text_ignored", u"abc", {}, std::vector<Range>{{100, 5}}, "abc"},
    };
    for (const LinkRow& row : rows) {
        SCOPED_TRACE(row.name);
        services.linkDetector->literals = row.literals;
        services.linkDetector->ranges = row.ranges;

        const auto files = exportOne(makeNote(u"", row.body));

        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files.begin()->second, row.content);
    }
}

TEST_F(NoteExportTest, LinksAreDetectedAfterTheHeadingAndBeforeBreaksAreReplaced) {
    services.userDefaults->setBool(kHeadingKey, true);
    services.linkDetector->literals = {u"www.a.com<br>"};

    const auto files = exportOne(makeNote(u"T", u"www.a.com<br>"));

    EXPECT_EQ(services.linkDetector->texts, std::vector<Text>{u"<h1>T</h1>\nwww.a.com<br>"});
    EXPECT_EQ(files.begin()->second, "<h1>T</h1>\n<a href=\"www.a.com\">www.a.com</a>");
}

TEST_F(NoteExportTest, NoLinkDetectorWrapsNoLinks) {
    AppServices withoutDetector = appServices();
    withoutDetector.linkDetector = nullptr;
    installAppServices(withoutDetector);
    services.linkDetector->literals = {u"www.a.com"};

    const auto files = exportOne(makeNote(u"", u"www.a.com"));

    EXPECT_EQ(files.begin()->second, "www.a.com");
    EXPECT_TRUE(services.linkDetector->texts.empty());
}

TEST_F(NoteExportTest, ReadsTheHeadingPreferenceForEveryNote) {
    services.userDefaults->scriptBoolReads(kHeadingKey, {true, false, true});
    auto folderObject = std::make_shared<in_memory::Folder>(u"f", u"F");
    folderObject->noteList = {makeNote(u"A", u"a"), makeNote(u"B", u"b"), makeNote(u"C", u"c")};

    delegate->writeNotes(folderObject->notes(), folderURL());
    services.mainQueue->runAll();

    EXPECT_EQ(tree(folder), (std::map<std::string, std::string>{
                                {"000_A.html", "<h1>A</h1>\na"},
                                {"001_B.html", "<p>B</p>\nb"},
                                {"002_C.html", "<h1>C</h1>\nc"},
                            }));
    EXPECT_EQ(services.userDefaults->boolReadCount(kHeadingKey), 3);
    EXPECT_EQ(incrementCount(), 3u);
}

TEST_F(NoteExportTest, StampsTheNotesModificationDateWithMicroseconds) {
    using std::chrono::microseconds;
    auto note = makeNote(u"Dated", u"x");
    note->created = Date(microseconds(1'500'000'000'123'456));
    note->modified = Date(microseconds(1'600'000'000'654'321));
    exportOne(note);

    struct stat info {};
    ASSERT_EQ(::stat((folder / "000_Dated.html").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1'600'000'000);
    EXPECT_EQ(info.st_mtim.tv_nsec, 654'321'000);

    // A date before 1970 keeps its fraction too.
    note->modified = Date(microseconds(-1'500'000));
    exportOne(note);
    ASSERT_EQ(::stat((folder / "000_Dated.html").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, -2);
    EXPECT_EQ(info.st_mtim.tv_nsec, 500'000'000);
}

TEST_F(NoteExportTest, WithoutDatesTheFileKeepsTheTimeOfWriting) {
    const auto before = fs::file_time_type::clock::now() - std::chrono::seconds(5);
    exportOne(makeNote(u"Undated", u"x"));
    EXPECT_GE(fs::last_write_time(folder / "000_Undated.html"), before);
}

TEST_F(NoteExportTest, WritesUtf8WithoutAByteOrderMarkAndReplacesLoneSurrogates) {
    const auto files =
        exportOne(makeNote(u"", Text(u"caf\u00E9 \U0001F600 ") + char16_t(0xD800) + u"!"));
    EXPECT_EQ(files.begin()->second, "caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBD!");
}

TEST_F(NoteExportTest, LongTitlesAreCutToFitTheFileSystemKeepingTheIndex) {
    const Text euros(100, u'\u20AC');  // 3 bytes each in UTF-8
    const auto files = exportOne(makeNote(euros, u"x"), 12);

    ASSERT_EQ(files.size(), 1u);
    const std::string name = files.begin()->first;
    // 4 bytes of prefix and 82 whole euro signs: 250 bytes, and ".html" makes 255.
    std::string expected = "012_";
    for (int i = 0; i < 82; ++i) {
        expected += "\xE2\x82\xAC";
    }
    EXPECT_EQ(name, expected + ".html");
}

TEST_F(NoteExportTest, ANoteNeverReplacesAFileWrittenBefore) {
    exportOne(makeNote(u"Hi", u"first"));
    delegate->exportNote(makeNote(u"Hi", u"second"), 0, folderURL());
    fs::create_directory(folder / "000_Hi - 3.html");  // a sub-folder's directory
    delegate->exportNote(makeNote(u"Hi", u"third"), 0, folderURL());
    delegate->exportNote(makeNote(u"Hi", u"fourth"), 0, folderURL());
    // Another letter case is another file on this file system, and keeps its name.
    delegate->exportNote(makeNote(u"hi", u"fifth"), 0, folderURL());

    EXPECT_EQ(tree(folder), (std::map<std::string, std::string>{
                                {"000_Hi.html", "<p>Hi</p>\nfirst"},
                                {"000_Hi - 2.html", "<p>Hi</p>\nsecond"},
                                {"000_Hi - 3.html", "<dir>"},
                                {"000_Hi - 4.html", "<p>Hi</p>\nthird"},
                                {"000_Hi - 5.html", "<p>Hi</p>\nfourth"},
                                {"000_hi.html", "<p>hi</p>\nfifth"},
                            }));
}

TEST_F(NoteExportTest, AClashingLongNameStillFits) {
    const Text title(100, u'\u20AC');
    exportOne(makeNote(title, u"first"));
    delegate->exportNote(makeNote(title, u"second"), 0, folderURL());

    const auto files = tree(folder);
    ASSERT_EQ(files.size(), 2u);
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(content);
        EXPECT_LE(name.size(), 255u);
        EXPECT_EQ(name.substr(0, 4), "000_");
        EXPECT_EQ(text::fromUtf8(name).find(u'\uFFFD'), Text::npos);  // no broken character
    }
    const auto second = std::find_if(files.begin(), files.end(), [](const auto& file) {
        return file.second.ends_with("second");
    });
    ASSERT_NE(second, files.end());
    EXPECT_TRUE(second->first.ends_with(" - 2.html")) << second->first;
    EXPECT_EQ(files.count(sanitizedLong(title)), 1u);
}

TEST_F(NoteExportTest, AFailedWriteIsLoggedAndTheRunGoesOn) {
    int detections = 0;
    services.linkDetector->onDetect = [&](const Text&) {
        // The folder vanishes under the first note and is back for the second.
        if (++detections == 1) {
            fs::remove_all(folder);
        } else {
            fs::create_directories(folder);
        }
    };
    auto folderObject = std::make_shared<in_memory::Folder>(u"f", u"F");
    folderObject->noteList = {makeNote(u"Lost", u"a"), makeNote(u"Kept", u"b")};

    delegate->writeNotes(folderObject->notes(), folderURL());
    services.mainQueue->runAll();

    ASSERT_EQ(services.log->lines.size(), 1u);
    const std::string prefix = "Note: Lost could not be written: ";
    EXPECT_EQ(services.log->lines[0].substr(0, prefix.size()), prefix);
    EXPECT_GT(services.log->lines[0].size(), prefix.size());
    EXPECT_EQ(tree(folder),
              (std::map<std::string, std::string>{{"001_Kept.html", "<p>Kept</p>\nb"}}));
    EXPECT_EQ(incrementCount(), 2u);
    EXPECT_TRUE(services.alerts->alerts.empty());
}

TEST_F(NoteExportTest, AMissingNoteStillCountsAsHandled) {
    delegate->exportNote(nullptr, 0, folderURL());
    services.mainQueue->runAll();
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(incrementCount(), 1u);
}

}  // namespace
}  // namespace quillmere::test
