#pragma once
// Where a Notes container keeps the file of an attachment, found from the database: the
// attachment's media row names the original ("Accounts/<account>/Media/<media id>/<generation>/
// <file name>"); drawings have no usable original and are taken as their fallback image
// ("FallbackImages/…"), scanned documents as their fallback PDF ("FallbackPDFs/…"). Columns are
// looked up in the schema, so layouts with and without generations both work.
//
//   AttachmentFileLocator locator(db, entities, files, report);
//   AttachmentFile file = locator.locate("4E0F2E75-…", "bitcoin.pdf", "Bitcoin paper");
//
// Every value from the database is hostile: a value that is not one plain path component
// ("..", "a/b", empty) gives no candidate path, so nothing outside the container is named.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notes_source/attachment_file.h"
#include "notes_source/source_files.h"

struct sqlite3;

namespace quillmere::note_store {

class Statement;

// What the database says of one attachment's file.
struct AttachmentRecord {
    std::string identifier;  // the attachment's own ZIDENTIFIER
    std::string typeUti;
    std::optional<std::string> account;  // the account's ZIDENTIFIER ("LocalAccount", a UUID)
    std::optional<std::string> mediaIdentifier, mediaGeneration, mediaFileName;
    std::optional<std::string> fallbackImageGeneration, fallbackPdfGeneration;
    // The attachment or its media belongs to a locked note: its files are encrypted.
    bool encrypted = false;
};

enum class AttachmentFileRole { original, fallbackImage, fallbackPdf };

struct CandidatePath {
    std::string relativePath;
    AttachmentFileRole role;
};

// The paths where the file may be, in the order to try them; none when the attachment has no
// file (a gallery, a media row without a name) or a value is not a plain path component.
std::vector<CandidatePath> candidatePaths(const AttachmentRecord& record);

// Whether a file of that name is a picture that browsers show in an <img>.
bool isImageFileName(const std::string& fileName);

// The entity numbers the locator needs, as Z_PRIMARYKEY gives them (-1: not there).
struct AttachmentEntities {
    int attachment = -1, media = -1, account = -1, note = -1;
};

class AttachmentFileLocator {
public:
    // `db` must outlive the locator. `report` receives one line for a file that is there but
    // not followed (a symbolic link, a FIFO).
    AttachmentFileLocator(sqlite3* db, AttachmentEntities entities,
                          std::shared_ptr<const SourceFiles> files,
                          std::function<void(const std::string&)> report);
    ~AttachmentFileLocator();
    AttachmentFileLocator(const AttachmentFileLocator&) = delete;
    AttachmentFileLocator& operator=(const AttachmentFileLocator&) = delete;

    // The file of the attachment whose ZIDENTIFIER is `identifier`; `name` is the name the note
    // shows for it and `noteTitle` names the note in a log line.
    AttachmentFile locate(const std::string& identifier, const std::string& name,
                          const std::string& noteTitle) const;

    // What the database says of that attachment; none when it has no row.
    std::optional<AttachmentRecord> record(const std::string& identifier) const;

private:
    struct Columns;
    void readColumns() const;
    Statement& recordQuery() const;

    sqlite3* db_;
    AttachmentEntities entities_;
    std::shared_ptr<const SourceFiles> files_;
    std::function<void(const std::string&)> report_;
    mutable std::unique_ptr<Columns> columns_;        // read on first use
    mutable std::unique_ptr<Statement> recordQuery_;  // prepared on first use, reset per lookup
};

}  // namespace quillmere::note_store
