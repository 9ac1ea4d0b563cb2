#pragma once
// Reads the bytes of a Notes library file (version 1) into the compact model of
// notes_library_model.h, or names the first fault it finds and where.
//
//   auto read = notes_library::readLibrary(std::move(bytes));
//   if (read.fault) { std::cerr << read.fault->place << ": " << read.fault->what; }
//
// When several things are wrong, the most telling one is reported: broken UTF-8 or JSON first,
// then a top level that is no Notes library (no object, wrong or missing `format`), then an
// unknown `version`, then the first member that breaks the format's rules.

#include <memory>
#include <optional>
#include <string>

#include "notes_source/notes_library_model.h"

namespace quillmere::notes_library {

struct ReadFault {
    std::string place;  // "line 3, column 7", a member path such as "accounts[0].name", or
                        // "top level"; empty for the file as a whole
    std::string what;   // the fault, in one line
};

struct ReadResult {
    std::shared_ptr<Library> library;  // null when there is a fault
    std::optional<ReadFault> fault;
};

// Takes the bytes so that their memory is released once they are read.
ReadResult readLibrary(std::string bytes);

}  // namespace quillmere::notes_library
