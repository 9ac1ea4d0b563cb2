#pragma once
// The Notes scripting model over an open Notes database: its application, accounts, folders
// and notes, each reading from the shared store as the run asks.
//
//   std::shared_ptr<NotesApplication> app = note_store::makeApplication(store);

#include <memory>

#include "notes_source/notes_model.h"

namespace quillmere::note_store {

class Store;

// The application whose accounts, folders and notes are those of `store`.
std::shared_ptr<NotesApplication> makeApplication(std::shared_ptr<Store> store);

}  // namespace quillmere::note_store
