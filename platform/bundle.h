#pragma once
// The application's identity, as other programs and the file system know it.

namespace quillmere {

// Names the application's own folders (e.g. its temporary container).
inline constexpr char kBundleIdentifier[] = "com.quillmereapp.NotesImporter";

}  // namespace quillmere
