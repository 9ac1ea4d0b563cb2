#pragma once
// Copies the files of one note's attachments into the "Attachments" directory of the note's
// folder in the export, so that the note can refer to them by a relative URL.
//
//   note_file::ExportDirectories directories;
//   AttachmentCopies copies = attachment_copy::copyAttachments(names, files, folder, directories);
//   Text text = note_text::finishedText(linked, copies.references);
//   if (!copies.missing.empty()) log(...);
//
// "Attachments" is made when the first file of its folder needs it, and is the folder's own:
// a Notes folder of that name gets another directory. Each copy gets a name that clashes with
// nothing the run wrote there (" - 2", " - 3" as note files do), is never written over an
// existing file, and keeps its source file's modification date. Files are copied in chunks of
// bounded size, never read whole. The source is only read.

#include <cstddef>
#include <vector>

#include "app/note_file.h"
#include "app/note_text.h"
#include "notes_source/attachment_file.h"
#include "platform/files/file_url.h"
#include "platform/text/text.h"

namespace quillmere {

struct AttachmentCopies {
    // One per attachment, in the order of the names given.
    std::vector<note_text::AttachmentReference> references;
    // The attachments whose file the source should have but was not found or could not be
    // copied; they keep their reference by name.
    std::vector<Text> missing;
    std::size_t copied = 0;
    // A line for the log for each copy that failed on our side (the export could not be
    // written); such an attachment is also in `missing`.
    std::vector<std::string> failures;
};

namespace attachment_copy {

// The name of the directory of copies in each note folder.
inline constexpr char16_t kDirectoryName[] = u"Attachments";

// Copies the file of each attachment that has one (`files[i]` for `names[i]`; a missing entry
// counts as notKept) below `folderURL`, claiming names through `directories`.
AttachmentCopies copyAttachments(const std::vector<Text>& names,
                                 const std::vector<AttachmentFile>& files, const FileURL& folderURL,
                                 note_file::ExportDirectories& directories);

}  // namespace attachment_copy
}  // namespace quillmere
