#pragma once
// Reading and writing whole files the same way everywhere: a reader that takes only regular
// files of bounded size, a loop that writes every byte to a descriptor, and an atomic write.
//
//   FileRead read = readRegularFile(path, kFourGiB);
//   if (read.problem) { report(path + ": " + *read.problem); }
//   if (int error = writeFileAtomically(path, bytes)) { report(std::strerror(error)); }
//
// The atomic write's policy: the content goes to a new file in the target's directory (mode 0666
// less the umask), which is then renamed over the target. A reader, or a run stopped at any
// point, sees the old content or the new, never a part. Nothing is flushed to the disk (no
// fsync): what is written is a fresh export that can be made again or a preference that can be
// set again, and a flush per note would cost more than the whole conversion. A temporary file
// that a signal interrupts is removed by removeTemporaryFilesForSignal().

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files/directory_handles.h"

namespace quillmere {

struct FileRead {
    std::string bytes;
    // Why the file was not read, in a few words ("not a regular file", "Permission denied");
    // none on success.
    std::optional<std::string> problem;
    // The errno behind `problem`; 0 when no system call failed (a FIFO, a file over the limit).
    int error = 0;

    // Whether nothing is at the path (or a component of it is no directory).
    bool missing() const;
};

// The whole content of the regular file at `path` (a symbolic link to one is followed). Anything
// else (a directory, a FIFO, a device such as /dev/zero) is refused before it is opened, and it
// is opened without blocking, so that no reader can hang. A file larger than `maxBytes` is
// refused without being read.
FileRead readRegularFile(const std::string& path, std::uint64_t maxBytes);

// Writes all of `bytes` to `fd`, through short writes and interruptions. Answers 0 or the errno.
int writeAll(int fd, std::string_view bytes);

// Replaces (or creates) the file at `path` with `bytes` by the policy above. Answers 0 or the
// errno of the step that failed; the temporary file is gone either way. With `handles`, the
// files are reached through the open directory.
int writeFileAtomically(const std::string& path, std::string_view bytes,
                        DirectoryHandles* handles = nullptr);

// Removes the temporary files that atomic writes are filling at this moment. Async-signal-safe:
// for a SIGINT or SIGTERM handler, before the process ends.
void removeTemporaryFilesForSignal();

}  // namespace quillmere
