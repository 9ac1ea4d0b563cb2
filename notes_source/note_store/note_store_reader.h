#pragma once
// The open Notes database and what was read of its layout, shared by every object read from it:
// where each note is listed, a note's row, its body (rendered once per note in a row of reads,
// within the note's budget) and the attachments its text names. Each query is prepared once per
// run, on first use.
//
//   auto store = std::make_shared<Store>();
//   ... open store->db, readLayout(store->db, *store), readNoteIndex(…, store->index, …) ...
//   for (auto pk : store->index.allNotes) use(store->note(pk), store->body(pk));

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "notes_source/note_store/attachment_files.h"
#include "notes_source/note_store/note_body.h"
#include "notes_source/note_store/note_store_database.h"
#include "notes_source/note_store/note_store_files.h"
#include "notes_source/note_store/note_store_index.h"
#include "notes_source/note_store/note_store_layout.h"
#include "notes_source/note_store/sqlite_statement.h"
#include "platform/crypto/password_ring.h"
#include "platform/date.h"

namespace quillmere::note_store {

class Statement;

class Store : public StoreLayout {
public:
    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    std::unique_ptr<TemporaryCopy> copy;
    sqlite3* db = nullptr;
    std::shared_ptr<const SourceFiles> files;  // null: the database alone, no attachment files
    std::unique_ptr<AttachmentFileLocator> locator;
    std::string shown;  // the file as it stands in messages
    NoteFaultReporter report;
    std::shared_ptr<PasswordRing> passwords;  // null: none given

    std::string objectId(const char* entity, std::int64_t pk) const {
        return "x-coredata://" + uuid + "/" + entity + "/p" + std::to_string(pk);
    }
    void fault(const std::string& line) const {
        {
            const std::lock_guard<std::mutex> lock(holderMutex_);
            if (const auto held = holder_.lock()) {
                held->push_back(line);
                return;
            }
        }
        logNow(line);
    }
    // Logs `line` whether or not lines are held: the held lines of a note, in its turn.
    void logNow(const std::string& line) const {
        if (report) report(line);
    }
    // Until stopHolding(holder), or while it lives, lines go to `holder` instead of the log:
    // the note read ahead of its turn logs them when it is written. The walk's thread may stop
    // one note's hold while the reader's thread reads the next.
    void holdLines(const std::shared_ptr<std::vector<std::string>>& holder) {
        const std::lock_guard<std::mutex> lock(holderMutex_);
        holder_ = holder;
    }
    void stopHolding(const std::shared_ptr<std::vector<std::string>>& holder) {
        const std::lock_guard<std::mutex> lock(holderMutex_);
        if (holder_.lock() == holder) holder_.reset();
    }
    std::string sqliteFault() const { return db ? sqlite3_errmsg(db) : "cannot open"; }

    NoteIndex index;

    struct NoteRow {
        bool found = false;
        std::string title;
        std::optional<Date> created, modified;
        bool passwordProtected = false;
    };
    // The note's row, read once per note in a row of reads.
    const NoteRow& note(std::int64_t pk);

    // The note's body, read once per note in a row of reads (name, body, attachments). A note
    // that cannot be rendered, for whatever reason, reads empty and is reported in one line.
    const NoteBody& body(std::int64_t pk);
    // The identifiers of the note's file attachments, in the order of its attachment names.
    const std::vector<std::string>& attachmentIdentifiers(std::int64_t pk);
    // The file of the note's attachment `identifier`, named `name` in the note.
    AttachmentFile attachmentFile(const std::string& identifier, const std::string& name,
                                  std::int64_t notePk);
    // Whether the note was locked and is opened, known once its body is read.
    LockState lockState(std::int64_t pk) {
        body(pk);
        return cachedLock_;
    }

private:
    // What stands in the body of the note titled `noteTitle` for the attachment `identifier`.
    AttachmentView attachment(const std::string& identifier, const std::string& type,
                              const std::string& noteTitle);
    // The data of the locked note `pk` whose body row `query` holds, opened; std::nullopt, and
    // its log line, when it stays locked.
    std::optional<SecureBytes> unlock(const Statement& query, const std::string& title,
                                      std::string data, std::int64_t pk);
    // The statement in `slot`, prepared from `sql` on first use, ready to run.
    Statement& prepared(std::unique_ptr<Statement>& slot, const std::string& sql);

    std::unique_ptr<Statement> rowQuery_, bodyQuery_, inlineQuery_, attachmentQuery_;
    mutable std::mutex holderMutex_;
    std::weak_ptr<std::vector<std::string>> holder_;
    std::int64_t cachedRowPk_ = -1;
    NoteRow cachedRow_;
    std::int64_t cachedPk_ = -1;
    NoteBody cachedBody_;
    std::vector<std::string> cachedAttachmentIdentifiers_;
    LockState cachedLock_ = LockState::unlocked;
};

}  // namespace quillmere::note_store
