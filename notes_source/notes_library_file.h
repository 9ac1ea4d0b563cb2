#pragma once
// Opens a Notes library file: the JSON file, described in docs/notes-library-format.md, that
// holds what the importer reads of Notes. Both front ends load the library the user chose
// through this.
//
//   auto load = loadNotesLibrary("/home/ann/notes-library.json");
//   if (load.application) { ... } else { std::cerr << *load.error << '\n'; }

#include <memory>
#include <optional>
#include <string>

#include "notes_source/notes_model.h"

namespace quillmere {

struct LibraryLoad {
    // The library; null when it cannot be read.
    std::shared_ptr<NotesApplication> application;
    // Why it cannot be read, in one line naming the file, the place in it and the fault:
    // "lib.json: accounts[0].folders[2].notes[5].body: expected a string, found a number";
    // for a library that holds no accounts, a line that says so (with the application set).
    std::optional<std::string> error;
    // Whether anything exists at the path; false sets a missing library apart from a broken one.
    bool found = false;
};

// Reads the whole file at `path` (UTF-8), which must be a regular file of at most 4 GiB. The file
// is closed and its bytes released before this returns; the library keeps only its strings, and
// turns them into Text on each read.
LibraryLoad loadNotesLibrary(const std::string& path);

}  // namespace quillmere
