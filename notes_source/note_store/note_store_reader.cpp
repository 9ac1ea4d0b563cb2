#include "notes_source/note_store/note_store_reader.h"

#include <cmath>

#include "notes_source/note_store/locked_note.h"
#include "notes_source/note_store/sqlite_statement.h"

namespace quillmere::note_store {

namespace {

// Core Data counts seconds from 2001-01-01 00:00:00 UTC.
constexpr std::int64_t kReferenceDateUnixSeconds = 978307200;

std::optional<Date> dateFrom(const Statement& row, int column) {
    if (row.isNull(column)) return std::nullopt;
    const double seconds = row.real(column);
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e11) return std::nullopt;
    const auto micros = std::llround(seconds * 1e6) + kReferenceDateUnixSeconds * 1'000'000;
    return Date(std::chrono::microseconds(micros));
}

}  // namespace

Store::~Store() {
    locator.reset();  // its statements go before the connection
    if (db) sqlite3_close_v2(db);
    db = nullptr;
    copy.reset();  // after the connection is closed
}

std::vector<std::int64_t> Store::notePks(std::optional<std::int64_t> folderPk) const {
    std::string sql = "SELECT Z_PK, " + noteFolder + " FROM " + kObjects +
                      " WHERE Z_ENT = ? AND IFNULL(" + deleted + ", 0) = 0";
    if (folderPk) sql += " AND " + noteFolder + " = ?";
    sql += " ORDER BY " + noteModified + " DESC, Z_PK DESC";
    Statement query(db, sql);
    query.bind(1, noteEntity);
    if (folderPk) query.bind(2, *folderPk);
    std::vector<std::int64_t> pks;
    while (query.step()) {
        if (!query.isNull(1) && shownFolders.count(query.integer(1))) {
            pks.push_back(query.integer(0));
        }
    }
    if (!query.ok()) fault(shown + ": cannot list notes (" + sqliteFault() + ")");
    return pks;
}

Store::NoteRow Store::note(std::int64_t pk) const {
    Statement query(db, "SELECT " + noteTitle + ", " + noteCreated + ", " + noteModified + ", " +
                            notePassword + " FROM " + kObjects + " WHERE Z_PK = ?");
    query.bind(1, pk);
    NoteRow row;
    if (query.step()) {
        row.found = true;
        row.title = query.text(0);
        row.created = dateFrom(query, 1);
        row.modified = dateFrom(query, 2);
        row.passwordProtected = !query.isNull(3) && query.integer(3) != 0;
    } else if (!query.ok()) {
        fault(shown + ": note " + objectId("ICNote", pk) + " cannot be read (" + sqliteFault() +
              ")");
    }
    return row;
}

const NoteBody& Store::body(std::int64_t pk) {
    if (cachedPk_ == pk) return cachedBody_;
    cachedPk_ = pk;
    cachedBody_ = NoteBody{};
    cachedAttachmentIdentifiers_.clear();
    cachedLock_ = LockState::unlocked;
    Statement query(db, "SELECT n." + notePassword + ", n." + noteTitle + ", d.ZDATA, " +
                            lockedColumns + " FROM " + kObjects +
                            " n LEFT JOIN ZICNOTEDATA d ON d.Z_PK = n." + noteData +
                            " WHERE n.Z_PK = ?");
    query.bind(1, pk);
    if (!query.step()) {
        if (!query.ok()) {
            fault(shown + ": note " + objectId("ICNote", pk) + " cannot be read (" + sqliteFault() +
                  ")");
        }
        return cachedBody_;
    }
    const bool locked = !query.isNull(0) && query.integer(0) != 0;
    if (query.isNull(2)) {
        if (locked) cachedLock_ = LockState::locked;
        return cachedBody_;
    }
    const std::string title = query.text(1);
    std::string data = query.text(2);
    if (locked) {
        auto opened = unlock(query, title, std::move(data), pk);
        if (!opened) return cachedBody_;
        data.assign(opened->begin(), opened->end());
    }
    auto resolve = [this, &title](const std::string& identifier, const std::string& type) {
        AttachmentView view = attachment(identifier, type, title);
        // In step with the body's attachment names, which file views add.
        if (view.kind == AttachmentView::Kind::file) {
            cachedAttachmentIdentifiers_.push_back(identifier);
        }
        return view;
    };
    cachedBody_ = readNoteBody(data, resolve);
    if (cachedBody_.fault) {
        fault("Note \"" + title + "\" (" + objectId("ICNote", pk) +
              ") cannot be read: " + *cachedBody_.fault);
    }
    return cachedBody_;
}

const std::vector<std::string>& Store::attachmentIdentifiers(std::int64_t pk) {
    body(pk);
    return cachedAttachmentIdentifiers_;
}

AttachmentFile Store::attachmentFile(const std::string& identifier, const std::string& name,
                                     std::int64_t notePk) const {
    if (!locator) return {};
    return locator->locate(identifier, name, note(notePk).title);
}

std::optional<SecureBytes> Store::unlock(const Statement& query, const std::string& title,
                                         std::string data, std::int64_t pk) {
    StoredLockedNote stored;
    stored.data = std::move(data);
    stored.salt = query.text(3);
    stored.iterations = query.isNull(4) ? 0 : query.integer(4);
    stored.wrappedKey = query.text(5);
    stored.hint = query.text(6);
    stored.iv = query.text(7);
    stored.tag = query.text(8);
    auto unlocked = unlockNote(stored, title, passwords.get());
    if (unlocked.data) {
        cachedLock_ = LockState::opened;
    } else {
        cachedLock_ = LockState::locked;
        fault("Note \"" + title + "\" (" + objectId("ICNote", pk) + "): " + unlocked.reason);
    }
    return std::move(unlocked.data);
}

}  // namespace quillmere::note_store
