#pragma once
// The files of a Notes container folder on disk (a copied group.com.apple.notes folder, the one
// that holds NoteStore.sqlite), as SourceFiles.
//
//   auto files = containerFolderFiles("/home/ann/group.com.apple.notes");
//   if (files->kindOf("Accounts/LocalAccount/Media/ID/x.pdf") == SourceFileKind::regularFile) ...
//
// The folder itself is opened once, as the user named it (a symbolic link to it is the user's
// choice); below it every component is opened relative to the one before with O_NOFOLLOW, so no
// symbolic link is followed and nothing outside the folder is reached, whatever the folder holds
// or how it changes meanwhile. Files are opened read-only and without blocking; a FIFO or a
// device is refused before any read.

#include <memory>
#include <string>

#include "notes_source/source_files.h"

namespace quillmere {

// The files under `folder`. A folder that cannot be opened answers every path as missing.
std::shared_ptr<const SourceFiles> containerFolderFiles(const std::string& folder);

}  // namespace quillmere
