#include "platform/files/temporary_directory.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quillmere {

namespace {

constexpr char kFallbackBase[] = "/tmp";
constexpr mode_t kClosedToOthers = S_IRWXG | S_IRWXO;

std::string inQuotes(const std::string& path) { return "\u201C" + path + "\u201D"; }

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::optional<std::string> environmentTemporaryDirectory() {
    const char* value = ::getenv("TMPDIR");
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;  // unset, empty or relative: not a place to trust
    }
    return withoutTrailingSlashes(value);
}

// `$TMPDIR` as the user's own closed directory, usable as it is.
bool isOwnClosedDirectory(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & kClosedToOthers) == 0;
}

// A directory to make the per-user directory in. Where others may write, the sticky bit must
// keep them from renaming or replacing entries that are not theirs.
bool isUsableBase(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    const bool othersMayWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool ownedByUserOrRoot = info.st_uid == ::geteuid() || info.st_uid == 0;
    return ownedByUserOrRoot && (!othersMayWrite || (info.st_mode & S_ISVTX) != 0) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string perUserDirectoryName() {
    return "quillmere-" + std::to_string(static_cast<unsigned long>(::geteuid()));
}

bool fail(Error* error, const std::string& path, const std::string& fault) {
    if (error != nullptr) {
        *error = Error{"The temporary folder " + inQuotes(path) + " cannot be used safely.", fault};
    }
    return false;
}

std::string modeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

std::string privateTemporaryDirectoryPath() {
    const std::optional<std::string> environment = environmentTemporaryDirectory();
    if (environment && isOwnClosedDirectory(*environment)) {
        return *environment;
    }
    std::string base =
        environment && isUsableBase(*environment) ? *environment : std::string(kFallbackBase);
    if (base.back() != '/') {
        base += '/';
    }
    return base + perUserDirectoryName();
}

bool verifyPrivateDirectory(const std::string& path, Error* error) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return fail(error, path,
                    std::string("It cannot be examined: ") + std::strerror(errno) + ".");
    }
    if (S_ISLNK(info.st_mode)) {
        return fail(error, path,
                    "It is a symbolic link, which someone else may have placed there. Remove it "
                    "and try again.");
    }
    if (!S_ISDIR(info.st_mode)) {
        return fail(error, path, "It is not a folder. Remove it and try again.");
    }
    if (info.st_uid != ::geteuid()) {
        return fail(error, path,
                    "It belongs to another user (user id " + std::to_string(info.st_uid) +
                        "). Remove it and try again.");
    }
    if ((info.st_mode & kClosedToOthers) != 0) {
        return fail(error, path,
                    "Other users may open it (its permissions are " + modeText(info.st_mode) +
                        "; 0700 is required). Remove it or change its permissions and try "
                        "again.");
    }
    return true;
}

std::optional<std::string> preparePrivateTemporaryDirectory(Error* error) {
    const std::string path = privateTemporaryDirectoryPath();
    if (::mkdir(path.c_str(), 0700) == 0) {
        // The umask may have taken away owner bits; the parent keeps others out meanwhile.
        ::chmod(path.c_str(), 0700);
    } else if (errno != EEXIST) {
        fail(error, path, std::string("It could not be created: ") + std::strerror(errno) + ".");
        return std::nullopt;
    }
    if (!verifyPrivateDirectory(path, error)) {
        return std::nullopt;
    }
    return path;
}

}  // namespace quillmere
