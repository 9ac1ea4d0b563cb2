#include "platform/files/home_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace quillmere {

namespace {

// Used when the system names no size; entries with long fields get a larger buffer on retry.
constexpr std::size_t kFallbackBufferSize = 16 * 1024;
constexpr std::size_t kLargestBufferSize = 1024 * 1024;

std::size_t initialBufferSize() {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    if (suggested <= 0) {
        return kFallbackBufferSize;
    }
    return std::min(static_cast<std::size_t>(suggested), kLargestBufferSize);
}

}  // namespace

std::optional<std::string> homeDirectoryOfRealUser() {
    // On the heap: sysconf may answer a size far beyond what a thread's stack can spare.
    std::vector<char> buffer(initialBufferSize());
    for (;;) {
        struct passwd entry;
        struct passwd* found = nullptr;
        const int result = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (result == ERANGE && buffer.size() < kLargestBufferSize) {
            buffer.resize(std::min(buffer.size() * 2, kLargestBufferSize));
            continue;
        }
        if (result != 0 || found == nullptr || entry.pw_dir == nullptr) {
            return std::nullopt;
        }
        return std::string(entry.pw_dir);
    }
}

}  // namespace quillmere
