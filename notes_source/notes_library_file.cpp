#include "notes_source/notes_library_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "notes_source/notes_library_reader.h"

namespace quillmere {

namespace {

// The path as it can stand in a one-line message.
std::string shownPath(const std::string& path) {
    std::string shown = path;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return shown;
}

struct FileBytes {
    std::string bytes;
    int error = 0;  // errno; 0 on success
};

FileBytes readWholeFile(const std::string& path) {
    FileBytes result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        result.error = EISDIR;
    } else {
        if (S_ISREG(info.st_mode)) result.bytes.reserve(static_cast<std::size_t>(info.st_size));
        char chunk[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result.error = errno;
                break;
            }
            if (n == 0) break;
            result.bytes.append(chunk, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (result.error != 0) std::string().swap(result.bytes);
    return result;
}

}  // namespace

LibraryLoad loadNotesLibrary(const std::string& path) {
    LibraryLoad load;
    struct stat info {};
    load.found = ::stat(path.c_str(), &info) == 0;
    if (!load.found) {
        load.error = shownPath(path) + ": cannot be read (" + std::strerror(errno) + ")";
        return load;
    }
    FileBytes file = readWholeFile(path);
    if (file.error != 0) {
        load.error = shownPath(path) + ": cannot be read (" + std::strerror(file.error) + ")";
        return load;
    }
    auto read = notes_library::readLibrary(std::move(file.bytes));
    if (read.fault) {
        std::string message = shownPath(path) + ": ";
        if (!read.fault->place.empty()) message += read.fault->place + ": ";
        load.error = message + read.fault->what;
        return load;
    }
    load.application = std::move(read.library);
    return load;
}

}  // namespace quillmere
