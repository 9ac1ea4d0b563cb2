#pragma once
// The names an export gives to things on disk. Names come from Notes (folder, account and note
// titles), so each is made into exactly one path component that the file system accepts: no
// "/" or NUL, never "." or "..", never empty, and at most 255 bytes in UTF-8.
//
//   Text dir = export_names::directoryNameForAccount(u"");        // u"Untitled Account"
//   Text dir2 = export_names::directoryNameForFolder(u"Work/Home"); // u"Work-Home"

#include <cstddef>

#include "platform/text/text.h"
#include "string_utils/path_utilities.h"

namespace quillmere::export_names {

// The longest name one directory entry may have on the file systems we write to.
inline constexpr std::size_t kMaxNameBytes = 255;

// The number of bytes `text` takes in UTF-8 (a lone surrogate counts as the U+FFFD it becomes).
std::size_t utf8Length(TextView text);

// The longest prefix of `text` that takes at most `maxBytes` in UTF-8; it ends at a code point
// boundary, so a surrogate pair is never split.
Text prefixFittingUtf8Bytes(TextView text, std::size_t maxBytes);

// `name` with every "/" and NUL replaced by "-", so that it cannot reach into another directory
// ("", "." and ".." get a "_" before them).
Text replacingPathSeparators(TextView name);

// `name` as the file system will hold it: in UTF-8 a lone surrogate is U+FFFD, so names that
// differ only there are one name on disk.
Text asWritten(TextView name);

// A folder's name as one directory name inside its parent's directory.
Text directoryNameForFolder(TextView name);
// An account's name as one directory name inside the export folder; an empty name becomes
// "Untitled Account".
Text directoryNameForAccount(TextView name);

// The base name `base` cut so that base + "." + `extension` fits kMaxNameBytes; the cut is at
// the end, so an index prefix at the start stays.
Text fittedBaseName(TextView base, TextView extension);

// A new file name beside a clashing one: `base` in its own characters (not decomposed), then
// " - n" with the first counter under which no name of `taken` clashes (as the unique-file-names
// operation compares), then "." and `extension` when there is one. The base is cut so that the
// whole fits kMaxNameBytes with its counter and extension intact.
Text uniqueFileName(const Text& base, const Text& extension, PathUtilities::TakenFilenames& taken);

}  // namespace quillmere::export_names
