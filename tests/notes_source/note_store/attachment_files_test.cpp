#include "notes_source/note_store/attachment_files.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "notes_source/container_folder_files.h"
#include "notes_source/note_store/note_store_database.h"
#include "tests/support/fixtures.h"
#include "tests/support/private_environment.h"

namespace quillmere::note_store {
namespace {

namespace fs = std::filesystem;

// The fixture's locked note opens with its password, so that its line does not count as a fault.
std::shared_ptr<PasswordRing> unlocking() {
    std::vector<SecureBytes> passwords;
    passwords.push_back(secureBytesOf("tbull"));
    return std::make_shared<PasswordRing>(std::move(passwords));
}

const fs::path kContainer =
    fs::path(QUILLMERE_SHARED_DIR) / "notestore-fixtures" / "macOS-15-container";
const std::string kMedia = "Accounts/LocalAccount/Media/8D7EFE9A-D285-4899-8A2F-2AD8F007F819/";
const std::string kGeneration = "1_0EBCC207-6001-406B-AC27-841CF2BB81FE";
const std::string kAttachment = "4E0F2E75-8842-42AA-A87B-D115A6ACB2A4";

#define REQUIRE_CONTAINER()                                                \
    QUILLMERE_REQUIRE_FIXTURE(fs::exists(kContainer / "NoteStore.sqlite"), \
                              "the container fixture at " << kContainer.string())

struct CandidateRow {
    const char* name;
    AttachmentRecord record;
    std::vector<std::string> paths;
};

TEST(AttachmentFiles, CandidatePathsInTheOrderToTryThem) {
    const std::string fallbackImages = "Accounts/A/FallbackImages/ID";
    const CandidateRow rows[] = {
        {"media_with_generation",
         {"ID", "com.adobe.pdf", "A", "M", "G", "x.pdf", {}, {}},
         {"Accounts/A/Media/M/G/x.pdf", "Accounts/A/Media/M/x.pdf"}},
        {"media_without_generation",
         {"ID", "public.jpeg", "A", "M", {}, "x.jpg", {}, {}},
         {"Accounts/A/Media/M/x.jpg"}},
        {"drawing_with_generation",
         {"ID", "com.apple.drawing.2", "A", "M", "G", "x.pdf", "FG", {}},
         {fallbackImages + "/FG/FallbackImage.png", fallbackImages + "/FG/FallbackImage.jpeg",
          fallbackImages + "/FG/FallbackImage.jpg", fallbackImages + ".jpeg",
          fallbackImages + ".png", fallbackImages + ".jpg"}},
        {"paper_drawing_without_generation",
         {"ID", "com.apple.paper", "A", {}, {}, {}, {}, {}},
         {fallbackImages + ".jpeg", fallbackImages + ".png", fallbackImages + ".jpg"}},
        {"scan_with_generation",
         {"ID", "com.apple.paper.doc.scan", "A", {}, {}, {}, "FG", "PG"},
         {"Accounts/A/FallbackPDFs/ID/PG/FallbackPDF.pdf", "Accounts/A/FallbackPDFs/ID.pdf"}},
        {"scanned_pdf_without_generation",
         {"ID", "com.apple.paper.doc.pdf", "A", {}, {}, {}, {}, {}},
         {"Accounts/A/FallbackPDFs/ID.pdf"}},
        {"gallery_without_media", {"ID", "com.apple.notes.gallery", "A", {}, {}, {}, {}, {}}, {}},
        {"no_account", {"ID", "com.adobe.pdf", {}, "M", "G", "x.pdf", {}, {}}, {}},
        {"account_climbs_out", {"ID", "com.adobe.pdf", "..", "M", "G", "x.pdf", {}, {}}, {}},
        {"file_name_with_slash", {"ID", "com.adobe.pdf", "A", "M", "G", "../x.pdf", {}, {}}, {}},
        {"media_identifier_empty", {"ID", "com.adobe.pdf", "A", "", "G", "x.pdf", {}, {}}, {}},
        {"generation_climbs_out",
         {"ID", "com.adobe.pdf", "A", "M", "..", "x.pdf", {}, {}},
         {"Accounts/A/Media/M/x.pdf"}},
        {"drawing_identifier_with_slash",
         {"a/b", "com.apple.drawing", "A", {}, {}, {}, "FG", {}},
         {}},
    };
    for (const CandidateRow& row : rows) {
        std::vector<std::string> paths;
        for (const auto& candidate : candidatePaths(row.record)) {
            paths.push_back(candidate.relativePath);
        }
        EXPECT_EQ(paths, row.paths) << row.name;
    }
}

void runSql(const fs::path& database, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

struct LocateRow {
    const char* name;
    // Changes the copied container (its database and files) into the case.
    std::function<void(const fs::path& container)> change;
    AttachmentFile::Availability availability;
    std::string fileName;  // found: the copy's name
    bool isImage;
    std::string bytes;  // found: what the stream reads
    std::size_t faultLines;
};

// The one attachment of the real container, turned into each kind by editing a copy.
TEST(AttachmentFiles, FindsEachKindsFileInACopiedContainer) {
    REQUIRE_CONTAINER();
    const std::string pdf = test::readFile(kContainer / (kMedia + kGeneration + "/bitcoin.pdf"));
    const std::string attachmentRow =
        "UPDATE ZICCLOUDSYNCINGOBJECT SET ZMEDIA = NULL, ZTITLE = 'Sketch', ";
    const LocateRow rows[] = {
        {"pdf_as_stored", [](const fs::path&) {}, AttachmentFile::Availability::found,
         "bitcoin.pdf", false, pdf, 0},
        {"image",
         [](const fs::path& c) {
             runSql(c / "NoteStore.sqlite",
                    "UPDATE ZICCLOUDSYNCINGOBJECT SET ZFILENAME = 'photo.JPG' WHERE Z_PK = 15");
             test::writeFile(c / (kMedia + kGeneration + "/photo.JPG"), "jpeg bytes");
         },
         AttachmentFile::Availability::found, "photo.JPG", true, "jpeg bytes", 0},
        {"drawing_fallback_image",
         [&](const fs::path& c) {
             runSql(c / "NoteStore.sqlite",
                    attachmentRow +
                        "ZTYPEUTI = 'com.apple.drawing.2', ZFALLBACKIMAGEGENERATION = 'FG' "
                        "WHERE Z_PK = 14");
             test::writeFile(c / ("Accounts/LocalAccount/FallbackImages/" + kAttachment +
                                  "/FG/FallbackImage.jpeg"),
                             "drawn");
         },
         AttachmentFile::Availability::found, "Sketch.jpeg", true, "drawn", 0},
        {"older_drawing_fallback_image",
         [&](const fs::path& c) {
             runSql(c / "NoteStore.sqlite",
                    attachmentRow + "ZTYPEUTI = 'com.apple.paper' WHERE Z_PK = 14");
             test::writeFile(c / ("Accounts/LocalAccount/FallbackImages/" + kAttachment + ".png"),
                             "older");
         },
         AttachmentFile::Availability::found, "Sketch.png", true, "older", 0},
        {"scan_fallback_pdf",
         [&](const fs::path& c) {
             runSql(c / "NoteStore.sqlite",
                    attachmentRow +
                        "ZTYPEUTI = 'com.apple.paper.doc.scan', ZFALLBACKPDFGENERATION = 'PG' "
                        "WHERE Z_PK = 14");
             test::writeFile(
                 c / ("Accounts/LocalAccount/FallbackPDFs/" + kAttachment + "/PG/FallbackPDF.pdf"),
                 "scanned");
         },
         AttachmentFile::Availability::found, "Sketch.pdf", false, "scanned", 0},
        {"layout_without_generations",
         [&](const fs::path& c) {
             runSql(c / "NoteStore.sqlite",
                    "ALTER TABLE ZICCLOUDSYNCINGOBJECT DROP COLUMN ZGENERATION1; "
                    "ALTER TABLE ZICCLOUDSYNCINGOBJECT DROP COLUMN ZGENERATION;");
             fs::rename(c / (kMedia + kGeneration + "/bitcoin.pdf"), c / (kMedia + "bitcoin.pdf"));
         },
         AttachmentFile::Availability::found, "bitcoin.pdf", false, pdf, 0},
        {"symbolic_link_outside",
         [&](const fs::path& c) {
             const fs::path file = c / (kMedia + kGeneration + "/bitcoin.pdf");
             fs::remove(file);
             test::writeFile(c.parent_path() / "outside.pdf", "secret");
             fs::create_symlink(c.parent_path() / "outside.pdf", file);
         },
         AttachmentFile::Availability::missing, "", false, "", 1},
        {"encrypted_with_a_locked_note",
         [&](const fs::path& c) {
             runSql(c / "NoteStore.sqlite",
                    "UPDATE ZICCLOUDSYNCINGOBJECT SET ZISPASSWORDPROTECTED = 1 WHERE Z_PK = 15");
         },
         AttachmentFile::Availability::missing, "", false, "", 1},
        {"missing_file",
         [&](const fs::path& c) { fs::remove(c / (kMedia + kGeneration + "/bitcoin.pdf")); },
         AttachmentFile::Availability::missing, "", false, "", 0},
        {"table_has_no_file",
         [&](const fs::path& c) {
             runSql(c / "NoteStore.sqlite",
                    attachmentRow + "ZTYPEUTI = 'com.apple.notes.gallery' WHERE Z_PK = 14");
         },
         AttachmentFile::Availability::notKept, "", false, "", 0},
    };
    for (const LocateRow& row : rows) {
        SCOPED_TRACE(row.name);
        test::PrivateEnvironment env;
        const fs::path container = env.root() / "container";
        fs::copy(kContainer, container, fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(container)) {
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
        }
        fs::permissions(container, fs::perms::owner_write, fs::perm_options::add);
        row.change(container);
        std::vector<std::string> faults;
        auto open = openNoteStore((container / "NoteStore.sqlite").string(),
                                  [&](const std::string& line) { faults.push_back(line); },
                                  containerFolderFiles(container.string()), unlocking());
        EXPECT_TRUE(open.application) << open.error.value_or("");
        if (!open.application) continue;
        std::vector<AttachmentFile> files;
        for (auto note : open.application->notes()) {
            for (auto attachment : note->attachments()) files.push_back(attachment->file());
        }
        EXPECT_EQ(files.size(), 1u);
        if (files.size() != 1) continue;
        const AttachmentFile& file = files.front();
        EXPECT_EQ(file.availability, row.availability);
        EXPECT_EQ(text::toUtf8(file.fileName), row.fileName);
        EXPECT_EQ(file.isImage, row.isImage);
        std::string bytes;
        if (auto stream = file.open()) {
            char chunk[4096];
            for (std::ptrdiff_t n; (n = stream->read(chunk, sizeof chunk)) > 0;) {
                bytes.append(chunk, static_cast<std::size_t>(n));
            }
        }
        EXPECT_TRUE(bytes == row.bytes)
            << bytes.size() << " bytes read, " << row.bytes.size() << " expected";
        EXPECT_EQ(faults.size(), row.faultLines);
    }
}

}  // namespace
}  // namespace quillmere::note_store
