#include "notes_source/note_store/note_store_database.h"

#include <sqlite3.h>
#include <sys/types.h>

#include "notes_source/note_store/note_store_files.h"
#include "notes_source/note_store/note_store_index.h"
#include "notes_source/note_store/note_store_layout.h"
#include "notes_source/note_store/note_store_model.h"
#include "notes_source/note_store/note_store_reader.h"

namespace quillmere {

NoteStoreOpen openNoteStore(const std::string& path, NoteFaultReporter reportFault,
                            std::shared_ptr<const SourceFiles> files,
                            std::shared_ptr<PasswordRing> passwords) {
    NoteStoreOpen open;
    auto store = std::make_shared<note_store::Store>();
    store->shown = note_store::shownPath(path);
    store->report = std::move(reportFault);
    store->passwords = std::move(passwords);
    off_t walSize = 0;
    int status;
    if (note_store::isRegularFile(path + "-wal", &walSize) && walSize > 0) {
        // The changes in the -wal file count; reading them in place would write a -shm file
        // beside the database, so both are read from a private copy.
        std::string fault;
        store->copy = std::make_unique<note_store::TemporaryCopy>();
        const std::string copy = store->copy->make(path, fault);
        if (copy.empty()) {
            open.error = store->shown + ": " + fault;
            return open;
        }
        status = sqlite3_open_v2(copy.c_str(), &store->db, SQLITE_OPEN_READWRITE, nullptr);
    } else {
        status = sqlite3_open_v2(note_store::fileUri(path, "immutable=1").c_str(), &store->db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    }
    if (status != SQLITE_OK) {
        open.error = store->shown + ": cannot open the database (" + store->sqliteFault() + ")";
        return open;
    }
    if (auto fault = note_store::readLayout(store->db, *store); !fault.empty()) {
        open.error = store->shown + ": " + fault;
        return open;
    }
    if (files) {
        store->files = std::move(files);
        store->locator = std::make_unique<note_store::AttachmentFileLocator>(
            store->db,
            note_store::AttachmentEntities{store->attachmentEntity, store->mediaEntity,
                                           store->accountEntity, store->noteEntity},
            store->files, store->report);
    }
    note_store::Store& opened = *store;
    const auto unlisted = [&opened](const std::string& title, std::int64_t pk) {
        opened.fault("Note \"" + title + "\" (" + opened.objectId("ICNote", pk) +
                     ") is not exported: the database holds no account to list it under");
    };
    if (auto fault = note_store::readNoteIndex(store->db, *store, store->index, unlisted);
        !fault.empty()) {
        open.error = store->shown + ": " + fault;
        return open;
    }
    open.application = note_store::makeApplication(std::move(store));
    return open;
}

}  // namespace quillmere
