#pragma once
// Writing one note's finished text into the export: the file name that fits and clashes with
// nothing written before, the atomic write in UTF-8, and the note's dates on the file.
//
//   Error error;
//   if (auto url = note_file::write(text, u"000_Pancakes", u"html", folder, &error)) {
//       note_file::setDates(*url, note.creationDate(), note.modificationDate());
//   }

#include <optional>

#include "platform/date.h"
#include "platform/error.h"
#include "platform/files/file_url.h"
#include "platform/text/text.h"

namespace quillmere::note_file {

// Where a note with `baseName` and `extension` goes in `folderURL`: the name cut to fit the
// file system, and, when something of that name is already in the folder (an earlier note, a
// sub-folder's directory), a numbered variant that nothing in the folder has.
FileURL chooseFileURL(const FileURL& folderURL, const Text& baseName, const Text& extension);

// Writes `text` as UTF-8 without a byte-order mark (a lone surrogate becomes U+FFFD) to the URL
// that chooseFileURL gives, atomically. Answers that URL, or nullopt with the reason in `error`.
std::optional<FileURL> write(const Text& text, const Text& baseName, const Text& extension,
                             const FileURL& folderURL, Error* error);

// Sets the creation date (where the file system keeps one), then the modification date, each
// only when given. Failures leave the date the file system set.
void setDates(const FileURL& url, std::optional<Date> creationDate,
              std::optional<Date> modificationDate);

}  // namespace quillmere::note_file
