#include "notes_source/note_store/note_store_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "notes_source/note_store/note_store_database.h"
#include "platform/files/temporary_directory.h"

namespace quillmere {

namespace note_store {

namespace {

bool copyFile(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    char chunk[1 << 16];
    while (ok) {
        const ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, chunk + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
    }
    ::close(in);
    if (out >= 0) ok = ::close(out) == 0 && ok;
    return ok;
}

}  // namespace

std::string shownPath(const std::string& path) {
    std::string shown = path;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return shown;
}

bool isRegularFile(const std::string& path, off_t* size) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (size) *size = info.st_size;
    return true;
}

std::string fileUri(const std::string& path, const char* query) {
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri.push_back(static_cast<char>(c));
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?" + query;
}

TemporaryCopy::~TemporaryCopy() {
    if (folder_.empty()) return;
    signalRemoved_.reset();
    if (DIR* dir = ::opendir(folder_.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") ::unlink((folder_ + "/" + name).c_str());
        }
        ::closedir(dir);
    }
    ::rmdir(folder_.c_str());
}

std::string TemporaryCopy::make(const std::string& database, std::string& error) {
    Error failure;
    auto base = preparePrivateTemporaryDirectory(&failure);
    if (!base) {
        error = failure.description;
        return {};
    }
    std::string pattern = *base + "/notestore-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = std::string("cannot make a temporary folder (") + std::strerror(errno) + ")";
        return {};
    }
    folder_ = pattern;
    signalRemoved_ = std::make_unique<SignalRemovedFolder>(
        folder_,
        std::initializer_list<const char*>{"NoteStore.sqlite", "NoteStore.sqlite-wal",
                                           "NoteStore.sqlite-shm", "NoteStore.sqlite-journal"});
    const std::string copy = folder_ + "/NoteStore.sqlite";
    if (!copyFile(database, copy) || !copyFile(database + "-wal", copy + "-wal")) {
        error = std::string("cannot copy it with its -wal file (") + std::strerror(errno) + ")";
        return {};
    }
    return copy;
}

}  // namespace note_store

bool looksLikeSqliteDatabase(const std::string& path) {
    static constexpr char kHeader[16] = "SQLite format 3";  // with its terminating zero
    // A FIFO or a device must not block the look or feed it without end.
    if (!note_store::isRegularFile(path)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char header[16];
    const ssize_t n = ::read(fd, header, sizeof header);
    ::close(fd);
    return n == static_cast<ssize_t>(sizeof header) && std::memcmp(header, kHeader, 16) == 0;
}

std::optional<std::string> noteStoreFaultIn(const std::string& path) {
    const std::string inside = path + (path.ends_with('/') ? "" : "/") + "NoteStore.sqlite";
    struct stat link {};
    if (::lstat(inside.c_str(), &link) != 0) return std::nullopt;
    struct stat target {};
    if (::stat(inside.c_str(), &target) != 0) {
        if (errno == ELOOP) return "a symbolic link loop";
        if (errno == ENOENT && S_ISLNK(link.st_mode)) return "a dangling symbolic link";
        return std::string(std::strerror(errno));
    }
    if (S_ISDIR(target.st_mode)) return "a folder, not a database";
    if (!S_ISREG(target.st_mode)) return "not a regular file";
    return std::nullopt;
}

std::string noteStorePathIn(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        const std::string inside = path + (path.ends_with('/') ? "" : "/") + "NoteStore.sqlite";
        if (note_store::isRegularFile(inside)) return inside;
    }
    return path;
}

}  // namespace quillmere
