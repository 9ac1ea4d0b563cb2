#include "notes_source/note_store/attachment_files.h"

#include "notes_source/note_store/note_store_layout.h"
#include "notes_source/note_store/sqlite_statement.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace quillmere::note_store {

namespace {

bool isPlainComponent(const std::optional<std::string>& value) {
    return value && !value->empty() && *value != "." && *value != ".." &&
           value->find('/') == std::string::npos && value->find('\0') == std::string::npos;
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string extensionOf(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : lowered(fileName.substr(dot + 1));
}

bool isDrawing(const std::string& uti) {
    return uti.rfind("com.apple.drawing", 0) == 0 || uti == "com.apple.paper";
}

bool isScan(const std::string& uti) {
    return uti == "com.apple.paper.doc.scan" || uti == "com.apple.paper.doc.pdf";
}

// The name for a copy of a fallback file: the attachment's name with the file's extension.
std::string withExtension(const std::string& name, const std::string& extension) {
    const std::string base = name.empty() ? std::string("Attachment") : name;
    return extensionOf(base) == extension ? base : base + "." + extension;
}

std::optional<std::string> optionalText(const Statement& row, int column) {
    if (row.isNull(column)) return std::nullopt;
    return row.text(column);
}

}  // namespace

std::vector<CandidatePath> candidatePaths(const AttachmentRecord& record) {
    std::vector<CandidatePath> paths;
    if (!isPlainComponent(record.account)) return paths;
    const std::string account = "Accounts/" + *record.account + "/";
    const bool plainIdentifier = isPlainComponent(record.identifier);
    if (isDrawing(record.typeUti)) {
        if (!plainIdentifier) return paths;
        const std::string folder = account + "FallbackImages/" + record.identifier;
        if (isPlainComponent(record.fallbackImageGeneration)) {
            for (const char* extension : {"png", "jpeg", "jpg"}) {
                paths.push_back(
                    {folder + "/" + *record.fallbackImageGeneration + "/FallbackImage." + extension,
                     AttachmentFileRole::fallbackImage});
            }
        }
        for (const char* extension : {"jpeg", "png", "jpg"}) {
            paths.push_back({folder + "." + extension, AttachmentFileRole::fallbackImage});
        }
        return paths;
    }
    if (isScan(record.typeUti)) {
        if (!plainIdentifier) return paths;
        const std::string folder = account + "FallbackPDFs/" + record.identifier;
        if (isPlainComponent(record.fallbackPdfGeneration)) {
            paths.push_back({folder + "/" + *record.fallbackPdfGeneration + "/FallbackPDF.pdf",
                             AttachmentFileRole::fallbackPdf});
        }
        paths.push_back({folder + ".pdf", AttachmentFileRole::fallbackPdf});
        return paths;
    }
    if (!isPlainComponent(record.mediaIdentifier) || !isPlainComponent(record.mediaFileName)) {
        return paths;
    }
    const std::string folder = account + "Media/" + *record.mediaIdentifier + "/";
    if (isPlainComponent(record.mediaGeneration)) {
        paths.push_back({folder + *record.mediaGeneration + "/" + *record.mediaFileName,
                         AttachmentFileRole::original});
    }
    paths.push_back({folder + *record.mediaFileName, AttachmentFileRole::original});
    return paths;
}

bool isImageFileName(const std::string& fileName) {
    static const std::set<std::string> kImages = {"png",  "jpg", "jpeg", "gif", "heic", "heif",
                                                  "webp", "tif", "tiff", "bmp", "avif", "svg"};
    return kImages.count(extensionOf(fileName)) > 0;
}

// Column names found in the schema; "NULL" for one that is not there.
struct AttachmentFileLocator::Columns {
    std::string typeUti, media, attachmentAccount, attachmentNote, fallbackImageGeneration,
        fallbackPdfGeneration;
    std::string mediaAccount, mediaGeneration, mediaFileName;
    std::string noteAccount;
    std::string passwordProtected = "NULL";
    bool hasIdentifier = false;
};

AttachmentFileLocator::AttachmentFileLocator(sqlite3* db, AttachmentEntities entities,
                                             std::shared_ptr<const SourceFiles> files,
                                             std::function<void(const std::string&)> report)
    : db_(db), entities_(entities), files_(std::move(files)), report_(std::move(report)) {}

AttachmentFileLocator::~AttachmentFileLocator() = default;

void AttachmentFileLocator::readColumns() const {
    columns_ = std::make_unique<Columns>();
    std::vector<std::string> names;
    {
        Statement query(db_, std::string("SELECT name FROM pragma_table_info('") + kObjects + "')");
        while (query.step()) names.push_back(query.text(0));
    }
    columns_->hasIdentifier = std::find(names.begin(), names.end(), "ZIDENTIFIER") != names.end();
    if (std::find(names.begin(), names.end(), "ZISPASSWORDPROTECTED") != names.end()) {
        columns_->passwordProtected = "ZISPASSWORDPROTECTED";
    }
    // Of base, base1, base2…, the column that holds the most values for rows of `entity`: the
    // suffixes move between versions of Notes.
    auto column = [&](const std::string& base, int entity) -> std::string {
        std::vector<std::string> candidates;
        for (const auto& name : names) {
            if (name.rfind(base, 0) == 0 &&
                name.find_first_not_of("0123456789", base.size()) == std::string::npos) {
                candidates.push_back(name);
            }
        }
        if (candidates.empty() || entity < 0) return "NULL";
        std::string best = candidates.front();
        std::int64_t most = -1;
        for (const auto& candidate : candidates) {
            Statement query(
                db_, "SELECT COUNT(" + candidate + ") FROM " + kObjects + " WHERE Z_ENT = ?");
            query.bind(1, entity);
            if (query.step() && query.integer(0) > most) {
                most = query.integer(0);
                best = candidate;
            }
        }
        return best;
    };
    columns_->typeUti = column("ZTYPEUTI", entities_.attachment);
    columns_->media = column("ZMEDIA", entities_.attachment);
    columns_->attachmentAccount = column("ZACCOUNT", entities_.attachment);
    columns_->attachmentNote = column("ZNOTE", entities_.attachment);
    columns_->fallbackImageGeneration = column("ZFALLBACKIMAGEGENERATION", entities_.attachment);
    columns_->fallbackPdfGeneration = column("ZFALLBACKPDFGENERATION", entities_.attachment);
    columns_->mediaAccount = column("ZACCOUNT", entities_.media);
    columns_->mediaGeneration = column("ZGENERATION", entities_.media);
    columns_->mediaFileName = column("ZFILENAME", entities_.media);
    columns_->noteAccount = column("ZACCOUNT", entities_.note);
}

Statement& AttachmentFileLocator::recordQuery() const {
    if (recordQuery_) return recordQuery_->reset();
    const Columns& c = *columns_;
    // The media's account holds the file; an attachment or a note names the same account where
    // the media row does not say.
    // A column that is not there reads as NULL, whatever table it would be of.
    auto of = [](const char* table, const std::string& column) {
        return column == "NULL" ? column : std::string(table) + "." + column;
    };
    auto join = [&](const char* table, const char* from, const std::string& column,
                    const char* entity) {
        return std::string(" LEFT JOIN ") + kObjects + " " + table + " ON " + table +
               ".Z_PK = " + of(from, column) + " AND " + table + ".Z_ENT = " + entity;
    };
    recordQuery_ = std::make_unique<Statement>(
        db_, "SELECT " + of("a", c.typeUti) + ", " + of("a", c.fallbackImageGeneration) + ", " +
                 of("a", c.fallbackPdfGeneration) + ", m.ZIDENTIFIER, " +
                 of("m", c.mediaGeneration) + ", " + of("m", c.mediaFileName) +
                 ", COALESCE(ma.ZIDENTIFIER, aa.ZIDENTIFIER, na.ZIDENTIFIER), COALESCE(" +
                 of("a", c.passwordProtected) + ", 0) OR COALESCE(" + of("m", c.passwordProtected) +
                 ", 0) FROM " + kObjects + " a" + join("m", "a", c.media, "?2") +
                 join("ma", "m", c.mediaAccount, "?3") +
                 join("aa", "a", c.attachmentAccount, "?3") +
                 join("n", "a", c.attachmentNote, "?4") + join("na", "n", c.noteAccount, "?3") +
                 " WHERE a.ZIDENTIFIER = ?1 AND a.Z_ENT = ?5");
    return *recordQuery_;
}

std::optional<AttachmentRecord> AttachmentFileLocator::record(const std::string& identifier) const {
    if (!columns_) readColumns();
    if (!columns_->hasIdentifier || entities_.attachment < 0) return std::nullopt;
    Statement& query = recordQuery();
    query.bind(1, identifier);
    query.bind(2, entities_.media);
    query.bind(3, entities_.account);
    query.bind(4, entities_.note);
    query.bind(5, entities_.attachment);
    if (!query.step()) return std::nullopt;
    AttachmentRecord record;
    record.identifier = identifier;
    record.typeUti = query.text(0);
    record.fallbackImageGeneration = optionalText(query, 1);
    record.fallbackPdfGeneration = optionalText(query, 2);
    record.mediaIdentifier = optionalText(query, 3);
    record.mediaGeneration = optionalText(query, 4);
    record.mediaFileName = optionalText(query, 5);
    record.account = optionalText(query, 6);
    record.encrypted = query.integer(7) != 0;
    return record;
}

AttachmentFile AttachmentFileLocator::locate(const std::string& identifier, const std::string& name,
                                             const std::string& noteTitle) const {
    AttachmentFile file;
    if (!files_) return file;
    const std::optional<AttachmentRecord> found = record(identifier);
    if (!found) return file;
    const std::vector<CandidatePath> paths = candidatePaths(*found);
    if (paths.empty()) return file;
    file.availability = AttachmentFile::Availability::missing;
    // Copying would hand the user ciphertext under the file's own name.
    if (found->encrypted) {
        if (report_) {
            report_("Note \"" + noteTitle + "\": the file of attachment \"" + name +
                    "\" is encrypted with the locked note; it is not copied");
        }
        return file;
    }
    for (const CandidatePath& path : paths) {
        const SourceFileKind kind = files_->kindOf(path.relativePath);
        if (kind == SourceFileKind::notFollowed) {
            if (report_) {
                report_("Note \"" + noteTitle + "\": " + files_->description() + "/" +
                        path.relativePath + " is not a regular file inside the Notes folder; " +
                        "it is not followed");
            }
            continue;
        }
        if (kind != SourceFileKind::regularFile) continue;
        std::string copyName;
        switch (path.role) {
            case AttachmentFileRole::original:
                copyName = *found->mediaFileName;
                break;
            case AttachmentFileRole::fallbackImage:
                copyName = withExtension(name, extensionOf(path.relativePath));
                break;
            case AttachmentFileRole::fallbackPdf:
                copyName = withExtension(name, "pdf");
                break;
        }
        file.availability = AttachmentFile::Availability::found;
        file.fileName = text::fromUtf8(copyName);
        file.isImage = path.role == AttachmentFileRole::fallbackImage || isImageFileName(copyName);
        file.source = files_;
        file.relativePath = path.relativePath;
        return file;
    }
    return file;
}

}  // namespace quillmere::note_store
