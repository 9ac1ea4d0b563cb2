#pragma once
// Where the importer keeps its user defaults, and the keys both front ends share beside
// AppDelegate's own: the window writes them, the command only reads them.
//
//   auto defaults = std::make_shared<UserDefaultsStore>(importerSettingsFile());
//   std::optional<std::string> chosen = defaults->stringForKey(kNotesLibraryPathKey);

#include <filesystem>

namespace quillmere {

// The folder below the user's configuration directory that holds the importer's settings; also
// the window's application name.
inline constexpr const char* kImporterSettingsFolder = "quillmere-notes-importer";

// The key under which the window keeps the Notes library the user chose.
inline constexpr const char* kNotesLibraryPathKey = "notesLibraryPath";

// $XDG_CONFIG_HOME/quillmere-notes-importer/settings.json, by the rules of
// UserDefaultsStore::defaultFile.
std::filesystem::path importerSettingsFile();

}  // namespace quillmere
