#include "notes_source/container_folder_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace quillmere {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

class FolderStream : public SourceFileStream {
public:
    FolderStream(int fd, const struct stat& status) : fd_(fd) {
        info_.size = static_cast<std::uint64_t>(status.st_size);
        info_.modificationDate = Date(std::chrono::seconds(status.st_mtim.tv_sec) +
                                      std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
    }
    ~FolderStream() override { ::close(fd_); }

    std::ptrdiff_t read(char* buffer, std::size_t size) override {
        while (true) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n >= 0) return n;
            if (errno != EINTR) {
                problem_ = std::strerror(errno);
                return -1;
            }
        }
    }
    SourceFileInfo info() const override { return info_; }
    std::string problem() const override { return problem_; }

private:
    int fd_;
    SourceFileInfo info_;
    std::string problem_;
};

class ContainerFolder : public SourceFiles {
public:
    explicit ContainerFolder(std::string folder)
        : folder_(std::move(folder)),
          root_(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

    SourceFileKind kindOf(const std::string& relativePath) const override {
        std::string last;
        Descriptor parent;
        const SourceFileKind reached = walkToParent(relativePath, parent, last);
        if (reached != SourceFileKind::regularFile) return reached;
        struct stat status {};
        if (::fstatat(parent.get(), last.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            return SourceFileKind::missing;
        }
        return S_ISREG(status.st_mode) ? SourceFileKind::regularFile : SourceFileKind::notFollowed;
    }

    std::unique_ptr<SourceFileStream> open(const std::string& relativePath) const override {
        std::string last;
        Descriptor parent;
        if (walkToParent(relativePath, parent, last) != SourceFileKind::regularFile) return nullptr;
        // Without blocking, so that a FIFO put there meanwhile cannot hang the open; the check
        // after it is on what was opened, not on a name that may have changed.
        Descriptor file(::openat(parent.get(), last.c_str(),
                                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat status {};
        if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
            return nullptr;
        }
        const int flags = ::fcntl(file.get(), F_GETFL);
        if (flags >= 0) ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
        return std::make_unique<FolderStream>(file.release(), status);
    }

    std::string description() const override { return folder_; }

private:
    // Opens every directory of `relativePath` but its last component, which goes to `last`.
    // Answers regularFile when `parent` holds the last directory, else what stopped the walk.
    SourceFileKind walkToParent(const std::string& relativePath, Descriptor& parent,
                                std::string& last) const {
        if (root_.get() < 0 || !isPlainRelativePath(relativePath)) return SourceFileKind::missing;
        int current = root_.get();
        std::size_t start = 0;
        for (std::size_t slash; (slash = relativePath.find('/', start)) != std::string::npos;
             start = slash + 1) {
            const std::string component = relativePath.substr(start, slash - start);
            struct stat status {};
            if (::fstatat(current, component.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
                return SourceFileKind::missing;
            }
            if (S_ISLNK(status.st_mode)) return SourceFileKind::notFollowed;
            if (!S_ISDIR(status.st_mode)) return SourceFileKind::missing;
            Descriptor next(::openat(current, component.c_str(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (next.get() < 0) {
                return errno == ELOOP ? SourceFileKind::notFollowed : SourceFileKind::missing;
            }
            parent = std::move(next);
            current = parent.get();
        }
        if (current == root_.get()) {
            parent = Descriptor(::dup(root_.get()));
            if (parent.get() < 0) return SourceFileKind::missing;
        }
        last = relativePath.substr(start);
        return SourceFileKind::regularFile;
    }

    std::string folder_;
    Descriptor root_;
};

}  // namespace

std::shared_ptr<const SourceFiles> containerFolderFiles(const std::string& folder) {
    return std::make_shared<ContainerFolder>(folder);
}

}  // namespace quillmere
