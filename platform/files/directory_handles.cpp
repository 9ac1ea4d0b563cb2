#include "platform/files/directory_handles.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>

namespace quillmere {

namespace {

// A walk works in a folder and its parent at a time; a few more spare a reopening when it comes
// back up to a folder with several sub-folders.
constexpr std::size_t kMostOpen = 8;

}  // namespace

DirectoryHandles::~DirectoryHandles() {
    for (const OpenDirectory& directory : open_) {
        ::close(directory.descriptor);
    }
}

DirectoryHandles::Item DirectoryHandles::unresolved(const std::string& path) {
    return Item{AT_FDCWD, path};
}

DirectoryHandles::Item DirectoryHandles::itemAt(const std::string& path) {
    // The kernel refuses a path of PATH_MAX bytes or more, however it would be reached.
    const std::size_t slash = path.rfind('/');
    if (path.size() >= PATH_MAX || slash == std::string::npos || slash == 0 ||
        slash + 1 == path.size()) {
        return unresolved(path);
    }
    const int directory = directoryAt(path.substr(0, slash));
    return directory < 0 ? unresolved(path) : Item{directory, path.substr(slash + 1)};
}

int DirectoryHandles::openDescriptor(const std::string& path) {
    const auto found = std::find_if(open_.begin(), open_.end(),
                                    [&](const OpenDirectory& open) { return open.path == path; });
    if (found == open_.end()) {
        return -1;
    }
    found->lastUse = ++uses_;
    return found->descriptor;
}

int DirectoryHandles::directoryAt(const std::string& path) {
    if (const int open = openDescriptor(path); open >= 0) {
        return open;
    }
    // Below an open parent one name is looked up; anywhere else the whole path, once.
    // O_PATH asks for no permission beyond the search that a lookup through it needs anyway.
    constexpr int kFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    const std::size_t slash = path.rfind('/');
    const int parent =
        slash == std::string::npos || slash == 0 ? -1 : openDescriptor(path.substr(0, slash));
    const int descriptor = parent >= 0 ? ::openat(parent, path.c_str() + slash + 1, kFlags)
                                       : ::open(path.c_str(), kFlags);
    if (descriptor < 0) {
        return -1;
    }
    if (open_.size() == kMostOpen) {
        // The parent was just used, so it is never the one closed.
        const auto oldest = std::min_element(
            open_.begin(), open_.end(),
            [](const OpenDirectory& a, const OpenDirectory& b) { return a.lastUse < b.lastUse; });
        ::close(oldest->descriptor);
        open_.erase(oldest);
    }
    open_.push_back(OpenDirectory{path, descriptor, ++uses_});
    return descriptor;
}

}  // namespace quillmere
