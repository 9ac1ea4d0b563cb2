#include "notes_source/notes_library_file.h"

#include "notes_source/notes_library_reader.h"
#include "platform/files/file_io.h"

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

// Far above any real library; it only keeps a hostile file from filling the memory.
constexpr std::uint64_t kLargestLibrary = 4ull << 30;

}  // namespace

LibraryLoad loadNotesLibrary(const std::string& path) {
    LibraryLoad load;
    FileRead file = readRegularFile(path, kLargestLibrary);
    // A file that is there but cannot be read (no permission, not a regular file) is found.
    load.found = !file.missing();
    if (file.problem) {
        load.error = shownPath(path) + ": cannot be read (" + *file.problem + ")";
        return load;
    }
    auto read = notes_library::readLibrary(std::move(file.bytes));
    if (read.fault) {
        std::string message = shownPath(path) + ": ";
        if (!read.fault->place.empty()) message += read.fault->place + ": ";
        load.error = message + read.fault->what;
        return load;
    }
    if (read.library->accountNodes.empty()) {
        // The run will say it cannot access Notes; this line says why.
        load.error = shownPath(path) + ": the library holds no accounts";
    }
    load.application = std::move(read.library);
    return load;
}

}  // namespace quillmere
