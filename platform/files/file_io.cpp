#include "platform/files/file_io.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace quillmere {

namespace {

FileRead failed(int error) {
    FileRead read;
    read.error = error;
    read.problem = std::strerror(error);
    return read;
}

FileRead refused(std::string problem) {
    FileRead read;
    read.problem = std::move(problem);
    return read;
}

std::string sizeLimitProblem(std::uint64_t maxBytes) {
    constexpr std::uint64_t kGiB = 1ull << 30;
    const std::string limit = maxBytes % kGiB == 0 ? std::to_string(maxBytes / kGiB) + " GiB"
                                                   : std::to_string(maxBytes) + " bytes";
    return "larger than " + limit;
}

// The paths of the temporary files being filled, for a signal handler to remove. A slot is
// claimed before its path is written and published only once the path is complete.
enum SlotState : int { kFree, kClaimed, kPublished };
struct TemporarySlot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
TemporarySlot temporarySlots[8];

class TemporaryRegistration {
public:
    explicit TemporaryRegistration(const std::string& path) {
        if (path.size() >= PATH_MAX) return;  // it cannot be created either
        for (TemporarySlot& candidate : temporarySlots) {
            int expected = kFree;
            if (candidate.state.compare_exchange_strong(expected, kClaimed)) {
                std::memcpy(candidate.path, path.c_str(), path.size() + 1);
                candidate.state.store(kPublished);
                slot_ = &candidate;
                return;
            }
        }
    }
    ~TemporaryRegistration() {
        if (slot_ != nullptr) slot_->state.store(kFree);
    }
    TemporaryRegistration(const TemporaryRegistration&) = delete;
    TemporaryRegistration& operator=(const TemporaryRegistration&) = delete;

private:
    TemporarySlot* slot_ = nullptr;
};

// A name for the temporary file of an atomic write; short, so that it fits beside any target.
// Uniqueness comes from O_EXCL; the name only makes clashes rare: a random key drawn once per
// process, stirred with a count (a system call per file cost as much as writing a small one).
std::string temporarySiblingName() {
    static const std::uint64_t key = [] {
        std::uint64_t drawn = 0;
        if (::getrandom(&drawn, sizeof drawn, 0) != static_cast<ssize_t>(sizeof drawn)) {
            drawn = static_cast<std::uint64_t>(::getpid()) ^
                    static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&drawn));
        }
        return drawn;
    }();
    static std::atomic<std::uint64_t> count{0};
    // splitmix64's finaliser: distinct counts give distinct names.
    std::uint64_t value = key + 0x9E3779B97F4A7C15ULL * (count.fetch_add(1) + 1);
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    value ^= value >> 31;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = ".quillmere-write-";
    for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(value >> shift) & 0x0f];
    return name;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool FileRead::missing() const { return error == ENOENT || error == ENOTDIR; }

FileRead readRegularFile(const std::string& path, std::uint64_t maxBytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return failed(errno);
    if (!S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? failed(EISDIR) : refused("not a regular file");
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return failed(errno);
    FileRead read;
    // The file may have been swapped since the first look; this is the one that counts.
    if (::fstat(fd, &info) != 0) {
        read = failed(errno);
    } else if (!S_ISREG(info.st_mode)) {
        read = refused("not a regular file");
    } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        read = refused(sizeLimitProblem(maxBytes));
    } else {
        read.bytes.reserve(static_cast<std::size_t>(info.st_size));
        char chunk[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                read = failed(errno);
                break;
            }
            if (n == 0) break;
            if (read.bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
                read = refused(sizeLimitProblem(maxBytes));  // it grew while being read
                break;
            }
            read.bytes.append(chunk, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (read.problem) std::string().swap(read.bytes);
    return read;
}

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int writeFileAtomically(const std::string& path, std::string_view bytes,
                        DirectoryHandles* handles) {
    const std::string directory = directoryOf(path);
    // O_EXCL with mode 0666 makes a brand-new file whose permissions follow the umask, as any
    // newly written file would; mkstemp would force 0600.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = directory + "/" + temporarySiblingName();
        const TemporaryRegistration registration(temporary);
        const DirectoryHandles::Item item = DirectoryHandles::itemAt(handles, temporary);
        const int fd = ::openat(item.directory, item.name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        int result = writeAll(fd, bytes);
        if (::close(fd) != 0 && result == 0) result = errno;
        if (result == 0) {
            const DirectoryHandles::Item target = DirectoryHandles::itemAt(handles, path);
            if (::renameat(item.directory, item.name.c_str(), target.directory,
                           target.name.c_str()) != 0) {
                result = errno;
            }
        }
        if (result != 0) ::unlinkat(item.directory, item.name.c_str(), 0);
        return result;
    }
    return EEXIST;
}

void removeTemporaryFilesForSignal() {
    for (TemporarySlot& slot : temporarySlots) {
        if (slot.state.load() == kPublished) ::unlink(slot.path);
    }
}

}  // namespace quillmere
