#pragma once
// The files of a Notes source beside its database: what a Notes container folder (or, later, a
// backup) keeps under relative paths such as "Accounts/LocalAccount/Media/<id>/<gen>/x.pdf".
// The database reader reaches attachment files only through this interface, so it never knows
// whether they lie in a folder on disk or inside a backup.
//
//   std::shared_ptr<const SourceFiles> files =
//   containerFolderFiles("/home/ann/group.com.apple.notes"); if (auto stream =
//   files->open("Accounts/LocalAccount/Media/ID/1_X/bitcoin.pdf")) {
//       char chunk[65536];
//       while (true) { auto n = stream->read(chunk, sizeof chunk); if (n <= 0) break; ... }
//   }
//
// Contract for every implementation: a relative path is a "/"-separated list of components,
// none empty, "." or ".."; anything else (an absolute path, a NUL) names no file. Only a
// regular file inside the source is ever answered: a symbolic link (at any component), a FIFO,
// a device, a directory, or anything that would lead outside the source is "not a file" and is
// never followed or opened in a way that could block. Nothing is ever written to the source.
// Safe to use from one thread at a time per object; objects are shared by the notes read from
// one source.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/date.h"

namespace quillmere {

// What a source tells of one of its regular files.
struct SourceFileInfo {
    std::uint64_t size = 0;
    std::optional<Date> modificationDate;
};

// One open regular file of a source, read from its start to its end.
class SourceFileStream {
public:
    virtual ~SourceFileStream() = default;
    // Reads up to `size` bytes into `buffer`: the number read, 0 at the end, -1 on an error
    // (then `problem()` says which).
    virtual std::ptrdiff_t read(char* buffer, std::size_t size) = 0;
    virtual SourceFileInfo info() const = 0;
    // Why the last read failed, in a few words; empty when none did.
    virtual std::string problem() const = 0;
};

// How a relative path stands in the source.
enum class SourceFileKind {
    missing,      // nothing there (or a component is no directory)
    regularFile,  // a regular file inside the source: it may be opened
    notFollowed,  // something else: a symbolic link, a FIFO, a device, a directory
};

class SourceFiles {
public:
    virtual ~SourceFiles() = default;
    // What `relativePath` names, without opening it.
    virtual SourceFileKind kindOf(const std::string& relativePath) const = 0;
    // The regular file at `relativePath`, opened for reading; null for anything else.
    virtual std::unique_ptr<SourceFileStream> open(const std::string& relativePath) const = 0;
    // The source as it stands in log lines ("/home/ann/group.com.apple.notes").
    virtual std::string description() const = 0;
};

// Whether `relativePath` is one the contract above accepts: components neither empty, "." nor
// "..", no leading "/", no NUL.
bool isPlainRelativePath(const std::string& relativePath);

}  // namespace quillmere
