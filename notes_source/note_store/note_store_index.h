#pragma once
// Where each note of a Notes database is listed, read in one pass over the notes: in its folder
// when the folder tree shows that folder, else in a folder "Unfiled notes" of its account, so that
// a note in a cycle of folders, in a folder that is deleted, hidden or gone, or in a folder whose
// account is gone, is still exported. Each list is newest change first.
//
//   NoteIndex index;
//   if (auto fault = readNoteIndex(db, layout, index, log); !fault.empty()) ...
//   for (auto pk : index.notesOfFolder[folder]) ...

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "notes_source/note_store/note_store_layout.h"

namespace quillmere::note_store {

// The name of the folder that holds an account's notes that no shown folder holds.
inline constexpr const char* kUnfiledFolderName = "Unfiled notes";

struct NoteIndex {
    std::vector<std::vector<std::int64_t>> notesOfFolder;  // by index into StoreLayout::folders
    std::vector<std::int64_t> allNotes;                    // every listed note, newest first
};

// Lists every note not marked for deletion; adds to `layout` an unfiled folder to each account
// that needs one, before its "Recently Deleted". A note that no account can take (the database
// has none) is not listed: `logUnlisted` gets its title and primary key. Answers the fault, or
// empty.
std::string readNoteIndex(
    sqlite3* db, StoreLayout& layout, NoteIndex& index,
    const std::function<void(const std::string& title, std::int64_t pk)>& logUnlisted);

}  // namespace quillmere::note_store
