#include "notes_source/note_store/note_store_database.h"

#include <sqlite3.h>
#include <sys/types.h>

#include "notes_source/note_store/note_store_files.h"
#include "notes_source/note_store/note_store_index.h"
#include "notes_source/note_store/note_store_layout.h"
#include "notes_source/note_store/note_store_model.h"
#include "notes_source/note_store/note_store_reader.h"

namespace quillmere {

namespace {

// Opens the database at `path` into a fresh store, with its -wal file (from a private copy) or
// without (in place, as immutable), and reads its layout and its notes' places. Answers the store,
// or null with `error` set to the fault (without the file's name).
std::shared_ptr<note_store::Store> openStore(const std::string& path, bool withWal,
                                             const NoteFaultReporter& reportFault,
                                             const std::shared_ptr<const SourceFiles>& files,
                                             const std::shared_ptr<PasswordRing>& passwords,
                                             std::string& error) {
    auto store = std::make_shared<note_store::Store>();
    store->shown = note_store::shownPath(path);
    store->report = reportFault;
    store->passwords = passwords;
    int status;
    if (withWal) {
        // The changes in the -wal file count; reading them in place would write a -shm file
        // beside the database, so both are read from a private copy.
        store->copy = std::make_unique<note_store::TemporaryCopy>();
        const std::string copy = store->copy->make(path, error);
        if (copy.empty()) return nullptr;
        status = sqlite3_open_v2(copy.c_str(), &store->db, SQLITE_OPEN_READWRITE, nullptr);
    } else {
        status = sqlite3_open_v2(note_store::fileUri(path, "immutable=1").c_str(), &store->db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    }
    if (status != SQLITE_OK) {
        error = "cannot open the database (" + store->sqliteFault() + ")";
        return nullptr;
    }
    error = note_store::readLayout(store->db, *store);
    if (!error.empty()) return nullptr;
    note_store::Store& opened = *store;
    const auto unlisted = [&opened](const std::string& title, std::int64_t pk) {
        opened.fault("Note \"" + title + "\" (" + opened.objectId("ICNote", pk) +
                     ") is not exported: the database holds no account to list it under");
    };
    error = note_store::readNoteIndex(store->db, *store, store->index, unlisted);
    if (!error.empty()) return nullptr;
    if (files) {
        store->files = files;
        store->locator = std::make_unique<note_store::AttachmentFileLocator>(
            store->db,
            note_store::AttachmentEntities{store->attachmentEntity, store->mediaEntity,
                                           store->accountEntity, store->noteEntity},
            store->files, [&opened](const std::string& line) { opened.fault(line); });
    }
    return store;
}

}  // namespace

NoteStoreOpen openNoteStore(const std::string& path, NoteFaultReporter reportFault,
                            std::shared_ptr<const SourceFiles> files,
                            std::shared_ptr<PasswordRing> passwords) {
    NoteStoreOpen open;
    const std::string shown = note_store::shownPath(path);
    off_t walSize = 0;
    const bool withWal = note_store::isRegularFile(path + "-wal", &walSize) && walSize > 0;
    std::string error;
    auto store = openStore(path, withWal, reportFault, files, passwords, error);
    if (!store && withWal) {
        // A -wal file of another database, or a damaged one, spoils the whole database: the
        // database alone is read instead, and the -wal file is named as the one left out.
        std::string without;
        store = openStore(path, false, reportFault, files, passwords, without);
        if (store) {
            store->fault(shown + "-wal: ignored, as the database cannot be read with it (" + error +
                         "); the changes it holds are not exported");
        }
    }
    if (!store) {
        open.error = shown + ": " + error;
        return open;
    }
    open.application = note_store::makeApplication(std::move(store));
    return open;
}

}  // namespace quillmere
