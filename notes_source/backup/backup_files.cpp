#include "notes_source/backup/backup_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "notes_source/backup/backup_file_record.h"
#include "platform/crypto/aes_cbc_decryptor.h"
#include "platform/files/file_io.h"

namespace quillmere::backup {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

// The file at `path` opened for reading when it is a regular file; -1 otherwise. No symbolic
// link is followed and a FIFO never blocks the open.
int openRegularFile(const std::string& path, struct stat* info) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::optional<Date> dateOf(std::optional<std::int64_t> seconds) {
    if (!seconds || *seconds < -100'000'000'000 || *seconds > 100'000'000'000) return std::nullopt;
    return Date(std::chrono::seconds(*seconds));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// A plain backup's file, read as it is.
class PlainStream : public SourceFileStream {
public:
    PlainStream(int fd, const struct stat& info) : fd_(fd) {
        info_.size = static_cast<std::uint64_t>(info.st_size);
        info_.modificationDate = dateOf(info.st_mtim.tv_sec);
    }
    std::ptrdiff_t read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t n = ::read(fd_.get(), buffer, size);
            if (n >= 0) return n;
            if (errno == EINTR) continue;
            problem_ = std::strerror(errno);
            return -1;
        }
    }
    SourceFileInfo info() const override { return info_; }
    std::string problem() const override { return problem_; }

private:
    Descriptor fd_;
    SourceFileInfo info_;
    std::string problem_;
};

// An encrypted file, decrypted a piece at a time: with a recorded size, cut to it; without one
// (Manifest.db), with its PKCS#7 padding removed when it has one.
class DecryptingStream : public SourceFileStream {
public:
    DecryptingStream(int fd, const SecureBytes& key, std::optional<std::uint64_t> size,
                     std::optional<Date> modified)
        : fd_(fd), decryptor_(crypto::bytesOf(key), {}, false), size_(size) {
        info_.size = size.value_or(0);
        info_.modificationDate = modified;
    }

    std::ptrdiff_t read(char* buffer, std::size_t size) override {
        while (position_ == plain_.size() && !ended_ && problem_.empty()) fill();
        if (!problem_.empty()) return -1;
        const std::size_t n = std::min(size, plain_.size() - position_);
        std::memcpy(buffer, plain_.data() + position_, n);
        position_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    SourceFileInfo info() const override { return info_; }
    std::string problem() const override { return problem_; }

private:
    void fill() {
        plain_.assign(heldBack_.begin(), heldBack_.end());
        heldBack_.clear();
        position_ = 0;
        std::uint8_t cipher[kPiece];
        ssize_t n;
        do {
            n = ::read(fd_.get(), cipher, sizeof cipher);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            problem_ = std::strerror(errno);
            return;
        }
        const bool atEnd = n == 0;
        if (!(atEnd ? decryptor_.finish(plain_)
                    : decryptor_.update({cipher, static_cast<std::size_t>(n)}, plain_))) {
            problem_ = "it cannot be decrypted (not whole blocks)";
            return;
        }
        if (size_) {
            const std::uint64_t left = *size_ - delivered_;
            if (plain_.size() > left) plain_.resize(static_cast<std::size_t>(left));
            delivered_ += plain_.size();
            if (atEnd && delivered_ < *size_) {
                problem_ = "it is shorter than its record in the manifest says";
                return;
            }
        } else if (!atEnd) {
            // The padding can only be told once the end is reached: keep the last block back.
            const std::size_t keep = std::min<std::size_t>(plain_.size(), 16);
            heldBack_.assign(plain_.end() - static_cast<std::ptrdiff_t>(keep), plain_.end());
            plain_.erase(plain_.end() - static_cast<std::ptrdiff_t>(keep), plain_.end());
        } else if (!plain_.empty()) {
            const std::uint8_t pad = plain_.back();
            if (pad >= 1 && pad <= 16 && plain_.size() >= pad &&
                std::all_of(plain_.end() - pad, plain_.end(),
                            [pad](std::uint8_t byte) { return byte == pad; })) {
                plain_.erase(plain_.end() - pad, plain_.end());
            }
        }
        ended_ = atEnd;
    }

    Descriptor fd_;
    crypto::AesCbcDecryptor decryptor_;
    std::optional<std::uint64_t> size_;
    SourceFileInfo info_;
    std::vector<std::uint8_t> plain_, heldBack_;
    std::size_t position_ = 0;
    std::uint64_t delivered_ = 0;
    bool ended_ = false;
    std::string problem_;
};

std::optional<std::string> copyStream(SourceFileStream& stream, const std::string& target) {
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) return std::string("cannot write its copy (") + std::strerror(errno) + ")";
    Descriptor closing(out);
    char chunk[kPiece];
    for (;;) {
        const std::ptrdiff_t n = stream.read(chunk, sizeof chunk);
        if (n < 0) return stream.problem();
        if (n == 0) return std::nullopt;
        if (int error = writeAll(out, {chunk, static_cast<std::size_t>(n)})) {
            return std::string("cannot write its copy (") + std::strerror(error) + ")";
        }
    }
}

}  // namespace

struct BackupFiles::Located {
    SourceFileKind kind = SourceFileKind::missing;
    std::string storedName;  // "4f/4f98…"
    std::string path;        // in the backup folder
    std::string record;
};

BackupFiles::BackupFiles(std::string folder, std::unique_ptr<ManifestDatabase> manifest,
                         std::optional<BackupClassKeys> keys,
                         std::unique_ptr<ScratchFolder> scratch)
    : folder_(std::move(folder)),
      manifest_(std::move(manifest)),
      keys_(std::move(keys)),
      scratch_(std::move(scratch)) {}

BackupFiles::~BackupFiles() = default;

const ScratchFolder* BackupFiles::scratch(Error* error) const {
    if (!scratch_) scratch_ = ScratchFolder::make("backup", kScratchNames, error);
    return scratch_.get();
}

BackupFiles::Located BackupFiles::locate(const std::string& relativePath) const {
    Located located;
    if (!isPlainRelativePath(relativePath)) return located;
    ManifestLookup lookup = manifest_->find(kNotesDomain, relativePath);
    if (!lookup.entry && !lookup.error && relativePath.starts_with("Accounts/")) {
        const std::size_t account = relativePath.find('/', 9);
        if (account != std::string::npos) {
            lookup = manifest_->find(kNotesDomain, relativePath.substr(account + 1));
        }
    }
    if (!lookup.entry) return located;
    located.storedName = lookup.entry->fileId.substr(0, 2) + "/" + lookup.entry->fileId;
    located.path = folder_ + "/" + located.storedName;
    located.record = std::move(lookup.entry->record);
    if (lookup.entry->flags != static_cast<std::int64_t>(ManifestFlags::file)) {
        located.kind = SourceFileKind::notFollowed;
        return located;
    }
    struct stat info {};
    if (::lstat(located.path.c_str(), &info) != 0) return located;
    located.kind =
        S_ISREG(info.st_mode) ? SourceFileKind::regularFile : SourceFileKind::notFollowed;
    return located;
}

SourceFileKind BackupFiles::kindOf(const std::string& relativePath) const {
    return locate(relativePath).kind;
}

std::string BackupFiles::storedName(const std::string& relativePath) const {
    return locate(relativePath).storedName;
}

std::unique_ptr<SourceFileStream> BackupFiles::open(const std::string& relativePath) const {
    Located located = locate(relativePath);
    if (located.kind != SourceFileKind::regularFile) return nullptr;
    struct stat info {};
    const int fd = openRegularFile(located.path, &info);
    if (fd < 0) return nullptr;
    if (!keys_) return std::make_unique<PlainStream>(fd, info);
    auto record = parseBackupFileRecord(std::move(located.record));
    auto key = record && record->encryptionKey ? keys_->unwrapFileKey(*record->encryptionKey)
                                               : std::nullopt;
    if (!key) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<DecryptingStream>(fd, *key, record->size, dateOf(record->lastModified));
}

std::optional<std::string> BackupFiles::copyOut(const std::string& relativePath,
                                                const std::string& target) const {
    const Located located = locate(relativePath);
    if (located.kind != SourceFileKind::regularFile) return "it is not in the backup";
    auto stream = open(relativePath);
    if (!stream) return "its key or record in the manifest is damaged";
    return copyStream(*stream, target);
}

std::optional<std::string> decryptFileTo(const std::string& source, const SecureBytes& key,
                                         const std::string& target) {
    struct stat info {};
    const int fd = openRegularFile(source, &info);
    if (fd < 0) return std::string("cannot read it (") + std::strerror(errno) + ")";
    DecryptingStream stream(fd, key, std::nullopt, std::nullopt);
    return copyStream(stream, target);
}

}  // namespace quillmere::backup
