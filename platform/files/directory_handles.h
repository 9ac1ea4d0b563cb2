#pragma once
// Open descriptors of the directories that one walk works in. A call on an absolute path makes
// the kernel look up every element of the path, so a tree nested n deep costs n² lookups; a call
// relative to the open parent looks up one name.
//
//   DirectoryHandles handles;  // one per walk, used on one thread
//   const DirectoryHandles::Item item = handles.itemAt("/home/me/Export/A/B/note.html");
//   ::utimensat(item.directory, item.name.c_str(), times, 0);
//
// An item names what its path names when the item is made, symbolic links included. A path the
// system would refuse (too long), or whose directory cannot be opened, comes back as the path
// itself, so that every call fails exactly as the call on the path would. A directory renamed
// while it is open goes on receiving the items made for it.

#include <cstdint>
#include <string>
#include <vector>

namespace quillmere {

class DirectoryHandles {
public:
    // For the *at system calls: an open directory (or AT_FDCWD) and a name relative to it. The
    // descriptor stays open until the handles open another directory or are destroyed.
    struct Item {
        int directory;
        std::string name;
    };

    DirectoryHandles() = default;
    ~DirectoryHandles();
    DirectoryHandles(const DirectoryHandles&) = delete;
    DirectoryHandles& operator=(const DirectoryHandles&) = delete;

    Item itemAt(const std::string& path);

    // The path itself when there are no handles.
    static Item itemAt(DirectoryHandles* handles, const std::string& path) {
        return handles != nullptr ? handles->itemAt(path) : unresolved(path);
    }

private:
    struct OpenDirectory {
        std::string path;
        int descriptor;
        std::uint64_t lastUse;
    };

    static Item unresolved(const std::string& path);
    // The descriptor of `path` when it is open, or -1.
    int openDescriptor(const std::string& path);
    // An open descriptor of the directory at `path`, or -1.
    int directoryAt(const std::string& path);

    std::vector<OpenDirectory> open_;
    std::uint64_t uses_ = 0;
};

}  // namespace quillmere
