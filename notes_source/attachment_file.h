#pragma once
// The file behind one attachment of a note, as its source hands it over: whether the source
// keeps files at all, whether this one was found, the name its copy should have, and a stream
// of its bytes (never the whole file in memory).
//
//   AttachmentFile file = attachment->file();
//   if (file.availability == AttachmentFile::Availability::found) {
//       if (auto stream = file.open()) { ... stream->read(chunk, sizeof chunk) ... }
//   }

#include <memory>
#include <string>

#include "notes_source/source_files.h"
#include "platform/text/text.h"

namespace quillmere {

struct AttachmentFile {
    enum class Availability {
        notKept,  // the source keeps no files (a Notes library file), or the attachment has none
        found,    // a regular file inside the source
        missing,  // the source should have it but does not (or it is not a regular file)
    };
    Availability availability = Availability::notKept;
    // found: the name for the copy, one path component ("bitcoin.pdf", "Sketch.png").
    Text fileName;
    // found: whether it is a picture a browser shows in an <img>.
    bool isImage = false;
    // found: where it is.
    std::shared_ptr<const SourceFiles> source;
    std::string relativePath;

    // The file opened for reading; null when it is not (or no longer) a regular file there.
    std::unique_ptr<SourceFileStream> open() const {
        return source ? source->open(relativePath) : nullptr;
    }
};

}  // namespace quillmere
