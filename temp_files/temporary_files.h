#pragma once
// Fresh working directories for the importer, one per run, inside the application's own folder
// of the user's private temporary directory:
//
//   <private temporary directory>/com.quillmereapp.NotesImporter[/<context>]/<unique identifier>
//
//   Error error;
//   auto run = TemporaryFiles::createUniqueTemporaryDirectoryWithError(
//       FileManager::defaultManager(), &error);   // empty, and stays on disk after the run
//
// A context names one sub-folder of the application's folder. Whatever the caller passes, it
// stays one path component: "/" and NUL become "_", and a context that is empty, "." or ".."
// has its dots replaced ("" -> "_", ".." -> "__"), so no context reaches outside the folder.

#include <optional>

#include "platform/error.h"
#include "platform/files/file_manager.h"
#include "platform/files/file_url.h"
#include "platform/text/text.h"

namespace quillmere::TemporaryFiles {

// The application's folder, or its sub-folder for `context`, as a directory URL. Nothing on
// disk is read, created or checked.
FileURL temporaryContainerURLForContext(FileManager& manager, const std::optional<Text>& context);

// Creates a new, empty directory named by a new unique identifier in the container for
// `context`, creating the container levels above it when missing. The private temporary
// directory is created when missing and checked first. On failure answers nullopt and stores
// the error in `error` (when not null); on success `error` is left untouched. Directories made
// before a failure stay.
std::optional<FileURL> createUniqueTemporaryDirectoryWithContext(FileManager& manager,
                                                                 const std::optional<Text>& context,
                                                                 Error* error);

// The same, without a context.
std::optional<FileURL> createUniqueTemporaryDirectoryWithError(FileManager& manager, Error* error);

// Removes the container for `context` with everything in it (without a context: the whole
// application folder), through the process-wide default file manager. A missing container, a
// failed removal and a private temporary directory that fails its check are all passed over in
// silence; nothing is removed through an unsafe path.
void removeTemporaryItemsForContext(FileManager& manager, const std::optional<Text>& context);

}  // namespace quillmere::TemporaryFiles
