#include "notes_source/note_store/note_store_reader.h"

#include <cmath>
#include <map>
#include <new>

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
    // Statements first: the connection closes only once they are gone.
    locator.reset();
    rowQuery_.reset();
    bodyQuery_.reset();
    inlineQuery_.reset();
    attachmentQuery_.reset();
    if (db) sqlite3_close_v2(db);
    db = nullptr;
    copy.reset();  // after the connection is closed
}

Statement& Store::prepared(std::unique_ptr<Statement>& slot, const std::string& sql) {
    if (!slot) slot = std::make_unique<Statement>(db, sql);
    return slot->reset();
}

const Store::NoteRow& Store::note(std::int64_t pk) {
    if (cachedRowPk_ == pk) return cachedRow_;
    cachedRowPk_ = pk;
    cachedRow_ = NoteRow{};
    Statement& query =
        prepared(rowQuery_, "SELECT " + noteTitle + ", " + noteCreated + ", " + noteModified +
                                ", " + notePassword + " FROM " + kObjects + " WHERE Z_PK = ?");
    query.bind(1, pk);
    if (query.step()) {
        cachedRow_.found = true;
        cachedRow_.title = query.text(0);
        cachedRow_.created = dateFrom(query, 1);
        cachedRow_.modified = dateFrom(query, 2);
        cachedRow_.passwordProtected = !query.isNull(3) && query.integer(3) != 0;
    } else if (!query.ok()) {
        fault(shown + ": note " + objectId("ICNote", pk) + " cannot be read (" + sqliteFault() +
              ")");
    }
    query.reset();
    return cachedRow_;
}

const NoteBody& Store::body(std::int64_t pk) {
    if (cachedPk_ == pk) return cachedBody_;
    cachedPk_ = pk;
    cachedBody_ = NoteBody{};
    cachedAttachmentIdentifiers_.clear();
    cachedLock_ = LockState::unlocked;
    std::string title;
    try {
        Statement& query =
            prepared(bodyQuery_, "SELECT n." + notePassword + ", n." + noteTitle + ", d.ZDATA, " +
                                     lockedColumns + " FROM " + kObjects +
                                     " n LEFT JOIN ZICNOTEDATA d ON d.Z_PK = n." + noteData +
                                     " WHERE n.Z_PK = ?");
        query.bind(1, pk);
        if (!query.step()) {
            if (!query.ok()) {
                fault(shown + ": note " + objectId("ICNote", pk) + " cannot be read (" +
                      sqliteFault() + ")");
            }
            return cachedBody_;
        }
        const bool locked = !query.isNull(0) && query.integer(0) != 0;
        if (query.isNull(2)) {
            if (locked) cachedLock_ = LockState::locked;
            return cachedBody_;
        }
        title = query.text(1);
        std::string data = query.text(2);
        if (locked) {
            auto opened = unlock(query, title, std::move(data), pk);
            if (!opened) return cachedBody_;
            data.assign(opened->begin(), opened->end());
        }
        query.reset();
        // A note may name one attachment many times: each is read and built once.
        std::map<std::pair<std::string, std::string>, AttachmentView> views;
        auto resolve = [this, &title, &views](const std::string& identifier,
                                              const std::string& type) {
            auto [at, fresh] = views.try_emplace({identifier, type});
            if (fresh) at->second = attachment(identifier, type, title);
            // In step with the body's attachment names, which file views add.
            if (at->second.kind == AttachmentView::Kind::file) {
                cachedAttachmentIdentifiers_.push_back(identifier);
            }
            return at->second;
        };
        cachedBody_ = readNoteBody(data, resolve);
    } catch (const std::bad_alloc&) {
        cachedBody_ = NoteBody{};
        cachedBody_.fault = "there is not enough memory to render it";
    } catch (const std::exception& failure) {
        cachedBody_ = NoteBody{};
        cachedBody_.fault = std::string("its rendering failed (") + failure.what() + ")";
    }
    if (cachedBody_.fault) cachedAttachmentIdentifiers_.clear();
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
                                     std::int64_t notePk) {
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
