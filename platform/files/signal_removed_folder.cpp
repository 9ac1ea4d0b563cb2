#include "platform/files/signal_removed_folder.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace quillmere {

namespace {

// Each slot holds the paths to remove, each ended by a NUL, the folder last; a slot is claimed
// before its paths are written and published only once they are complete.
enum SlotState : int { kFree, kClaimed, kPublished };
constexpr std::size_t kSlotBytes = 8192;
struct FolderSlot {
    std::atomic<int> state{kFree};
    std::size_t size = 0;
    char paths[kSlotBytes];
};
FolderSlot folderSlots[4];

}  // namespace

SignalRemovedFolder::SignalRemovedFolder(const std::string& folder,
                                         std::initializer_list<const char*> names) {
    std::string paths;
    for (const char* name : names) paths += folder + "/" + name + '\0';
    paths += folder + '\0';
    if (paths.size() > kSlotBytes) return;
    for (int i = 0; i < static_cast<int>(std::size(folderSlots)); ++i) {
        FolderSlot& slot = folderSlots[i];
        int expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kClaimed)) {
            std::memcpy(slot.paths, paths.data(), paths.size());
            slot.size = paths.size();
            slot.state.store(kPublished);
            slot_ = i;
            return;
        }
    }
}

SignalRemovedFolder::~SignalRemovedFolder() {
    if (slot_ >= 0) folderSlots[slot_].state.store(kFree);
}

void removeTemporaryFoldersForSignal() {
    for (FolderSlot& slot : folderSlots) {
        if (slot.state.load() != kPublished) continue;
        const char* path = slot.paths;
        const char* end = slot.paths + slot.size;
        while (path < end) {
            const std::size_t length = std::strlen(path);
            if (path + length + 1 == end) {
                ::rmdir(path);  // the folder, last
            } else {
                ::unlink(path);
            }
            path += length + 1;
        }
    }
}

}  // namespace quillmere
