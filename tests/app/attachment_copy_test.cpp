// Attachment files copied beside their notes: how the note refers to each, the names and dates
// of the copies, what stays a reference by name, and the folder's own "Attachments".

#include "app/attachment_copy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "notes_source/container_folder_files.h"
#include "tests/app/import_fixture.h"

namespace quillmere::test {
namespace {

const char* const kCopyKey = AppDelegate::kCopyAttachmentsKey;

struct Given {
    Text name;
    std::string relativePath;  // in the container; empty: no file written there
    std::string content;
    bool isImage = false;
    AttachmentFile::Availability availability = AttachmentFile::Availability::found;
};

class AttachmentCopyTest : public AppDelegateTest {
protected:
    AttachmentCopyTest() {
        defaults->setBool(kHeadingKey, false);
        fs::create_directories(container);
        files = containerFolderFiles(container.string());
    }

    std::shared_ptr<in_memory::Attachment> attachment(const Given& given) {
        if (!given.relativePath.empty()) {
            writeFile(container / given.relativePath, given.content);
            const struct timespec times[2] = {{0, UTIME_OMIT}, {1'600'000'000, 123'456'000}};
            ::utimensat(AT_FDCWD, (container / given.relativePath).c_str(), times, 0);
        }
        auto made = std::make_shared<in_memory::Attachment>(given.name);
        made->attachmentFile = {given.availability, given.name, given.isImage, files,
                                given.relativePath};
        return made;
    }

    const fs::path container = env.root() / "container";
    const fs::path out = env.root() / "out";
    std::shared_ptr<const SourceFiles> files;  // opened on the container as it is made
};

TEST_F(AttachmentCopyTest, RefersToEachCopyOrKeepsTheNameWhenThereIsNone) {
    using Found = std::map<std::string, std::string>;
    struct Row {
        const char* name;
        std::vector<Given> attachments;
        std::string content;  // of the note's file
        Found copies;         // in "Attachments"; empty: no such directory
        std::size_t logLines = 0;
        bool copying = true;
    };
    const auto missing = AttachmentFile::Availability::missing;
    const auto notKept = AttachmentFile::Availability::notKept;
    const Row rows[] = {
        {"pdf_is_a_link",
         {{u"a.pdf", "M/1/a.pdf", "A"}},
         "<a href=\"Attachments/a.pdf\">a.pdf</a>",
         {{"a.pdf", "A"}}},
        {"picture_is_an_image",
         {{u"p.png", "M/p.png", "P", true}},
         "<img src=\"Attachments/p.png\">",
         {{"p.png", "P"}}},
        {"name_percent_encoded_in_the_url",
         {{u"my #1 \u00FC%.pdf", "M/x.pdf", "X"}},
         "<a href=\"Attachments/my%20%231%20%C3%BC%25.pdf\">my #1 \u00FC%.pdf</a>",
         {{"my #1 \xC3\xBC%.pdf", "X"}}},
        {"markup_in_a_name_escaped",
         {{u"<b>&.pdf", "M/y.pdf", "Y"}},
         "<a href=\"Attachments/%3Cb%3E%26.pdf\">&lt;b&gt;&amp;.pdf</a>",
         {{"<b>&.pdf", "Y"}}},
        {"name_with_a_slash_stays_one_component",
         {{u"../up.pdf", "M/u.pdf", "U"}},
         "<a href=\"Attachments/..-up.pdf\">..-up.pdf</a>",
         {{"..-up.pdf", "U"}}},
        {"clashing_names_numbered",
         {{u"a.pdf", "M/1/a.pdf", "first"}, {u"a.pdf", "M/2/a.pdf", "second"}},
         "<a href=\"Attachments/a.pdf\">a.pdf</a><a href=\"Attachments/a%20-%202.pdf\">a - "
         "2.pdf</a>",
         {{"a.pdf", "first"}, {"a - 2.pdf", "second"}}},
        {"missing_file_keeps_its_name_and_is_logged",
         {{u"gone.pdf", "", "", false, missing}, {u"b.png", "M/b.png", "B", true}},
         "<img src=\"gone.pdf\"><img src=\"Attachments/b.png\">",
         {{"b.png", "B"}},
         1},
        {"a_source_without_files_keeps_the_name",
         {{u"a.pdf", "", "", false, notKept}},
         "<img src=\"a.pdf\">",
         {}},
        {"copying_off_keeps_the_name",
         {{u"a.pdf", "M/1/a.pdf", "A"}},
         "<img src=\"a.pdf\">",
         {},
         0,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(out);
        fs::remove_all(container);
        fs::create_directories(container);
        files = containerFolderFiles(container.string());
        fs::create_directories(out);
        log->lines.clear();
        defaults->setBool(kCopyKey, row.copying);
        auto note = makeNote(u"", Text(row.attachments.size(), u'\uFFFC'));
        for (const Given& given : row.attachments)
            note->attachmentList.push_back(attachment(given));

        delegate->exportNote(note, 0, FileURL::fileURLWithPath(out.string(), true));
        mainQueue->runAll();

        EXPECT_EQ(readFile(out / "000_.html"), row.content);
        const fs::path copies = out / "Attachments";
        EXPECT_EQ(fs::exists(copies) ? tree(copies) : Found(), row.copies);
        EXPECT_EQ(log->lines.size(), row.logLines);
        for (const auto& [name, content] : row.copies) {
            struct stat status {};
            ASSERT_EQ(::stat((out / "Attachments" / name).c_str(), &status), 0);
            EXPECT_EQ(status.st_mtim.tv_sec, 1'600'000'000) << name;
            EXPECT_EQ(status.st_mtim.tv_nsec, 123'456'000) << name;
        }
    }
}

// The walk's "Attachments" belongs to the folder's notes: a Notes folder of that name below it
// gets a directory of its own, and the run's report counts the copies.
TEST_F(AttachmentCopyTest, AFolderNamedAttachmentsGetsADirectoryOfItsOwn) {
    auto note = makeNote(u"n", u"\uFFFC\uFFFC");
    note->attachmentList = {
        attachment({u"a.pdf", "M/a.pdf", "A"}),
        attachment({u"b.pdf", "", "", false, AttachmentFile::Availability::missing})};
    lookup->application = makeApplication({makeAccount(
        u"acc", u"Account",
        {folder(u"f", u"F", {note}, {folder(u"s", u"Attachments", {makeNote(u"m", u"x")})})})});
    const std::shared_ptr<RunReport> report = delegate->beginImport();
    globalQueue->runAll();
    mainQueue->runAll();

    ASSERT_TRUE(report);
    EXPECT_EQ(tree(exportFolder()), (std::map<std::string, std::string>{
                                        {"F", "<dir>"},
                                        {"F/000_n.html",
                                         "<p>n</p>\n<a href=\"Attachments/a.pdf\">a.pdf</a>"
                                         "<img src=\"b.pdf\">"},
                                        {"F/Attachments", "<dir>"},
                                        {"F/Attachments/a.pdf", "A"},
                                        {"F/Attachments - 2", "<dir>"},
                                        {"F/Attachments - 2/000_m.html", "<p>m</p>\nx"},
                                    }));
    EXPECT_EQ(report->attachmentsCopied(), 1u);
    EXPECT_EQ(report->attachmentsMissing(), 1u);
}

}  // namespace
}  // namespace quillmere::test
