#pragma once
// Where a run's notes go. By default "Imported from Notes" inside a new unique temporary
// directory; when the user chose a folder (the setting exportFolderPath, or the command's
// --output for one run), a new "Imported from Notes", or "Imported from Notes 2", "3"… when
// that name is taken, made inside it by the run itself, so that no run ever writes into or over
// an earlier export.
//
//   Error error;
//   if (auto problem = export_folder::problemWithChosenFolder("/home/ann/Notes")) {
//   refuse(*problem); } auto folder = export_folder::makeExportFolderIn("/home/ann/Notes", &error);
//   // folder->path() == "/home/ann/Notes/Imported from Notes 2" when the first one is there

#include <cstdint>
#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/files/file_url.h"
#include "platform/settings/user_defaults.h"

namespace quillmere::export_folder {

// The user default that holds the chosen folder; empty or absent means the temporary one.
inline constexpr const char* kExportFolderPathKey = "exportFolderPath";
// The name of every export folder; later ones in the same place get " 2", " 3"….
inline constexpr const char* kExportFolderName = "Imported from Notes";
// How many numbered names are tried before the place counts as full.
inline constexpr std::uint32_t kMaximumNumber = 10000;

// The folder chosen in the settings, or none for the temporary folder.
std::optional<std::string> chosenFolder(const UserDefaults& defaults);

// Why `path` cannot take an export, as one sentence for the user: not absolute, not there, not
// a folder, or not writable. None when it will do. Reads the disk, changes nothing.
std::optional<std::string> problemWithChosenFolder(const std::string& path);

// Makes a new, empty export folder inside the existing folder `parent` and answers its URL: the
// first of "Imported from Notes", "Imported from Notes 2", … up to kMaximumNumber that does not
// exist, claimed by creating it (so two runs at once never share one). On failure answers none
// and fills `error` (when not null) with the description and the reason.
std::optional<FileURL> makeExportFolderIn(const std::string& parent, Error* error);

}  // namespace quillmere::export_folder
