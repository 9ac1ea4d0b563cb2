#include "platform/files/file_manager.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/files/file_io.h"

namespace quillmere {

namespace {

// The last component of a path, as the user knows the item.
std::string displayName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || (slash == 0 && path.size() == 1)) {
        return path;
    }
    return path.substr(slash + 1);
}

std::string parentPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::size_t longestComponent(const std::string& path) {
    std::size_t longest = 0;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        longest = std::max(longest, slash - start);
        start = slash + 1;
    }
    return longest;
}

std::string inQuotes(const std::string& name) { return "\u201C" + name + "\u201D"; }

// Why an operation failed, in words for the user, from the errno it ended with.
std::string reasonFor(int errorNumber, const std::string& path) {
    switch (errorNumber) {
        case EACCES:
        case EPERM:
            return "You don\u2019t have permission to change the folder " +
                   inQuotes(parentPath(path)) + ".";
        case ENOSPC:
        case EDQUOT:
            return "There is not enough space on the disk.";
        case EROFS:
            return "The disk is read-only.";
        case ENAMETOOLONG:
            if (longestComponent(path) <= NAME_MAX) {
                // Every name is short enough; it is the depth that exceeds the limit.
                return "Its path is too long for the system (" + std::to_string(path.size()) +
                       " bytes; the limit is " + std::to_string(PATH_MAX - 1) + ").";
            }
            return "The name is too long for the file system.";
        default:
            return std::string(std::strerror(errorNumber)) + " (" + path + ").";
    }
}

bool fail(Error* error, std::string description, std::string recoverySuggestion) {
    if (error != nullptr) {
        *error = Error{std::move(description), std::move(recoverySuggestion)};
    }
    return false;
}

bool isDirectory(const DirectoryHandles::Item& item) {
    struct stat info;
    return ::fstatat(item.directory, item.name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
}

// mkdir that counts a directory already there (also one made by a concurrent caller) as success.
// On failure answers the errno and the path element that caused it.
int makeDirectory(const DirectoryHandles::Item& item, const std::string& path,
                  std::string* culprit) {
    if (::mkdirat(item.directory, item.name.c_str(), 0777) == 0) {
        return 0;
    }
    const int errorNumber = errno;
    *culprit = path;
    if (errorNumber == EEXIST) {
        return isDirectory(item) ? 0 : ENOTDIR;
    }
    return errorNumber;
}

int makeDirectoryWithIntermediates(const std::string& path, std::string* culprit) {
    // Each element from the top, so the first one in the way is the one reported.
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('/', end + 1);
        const std::string element = path.substr(0, end);
        if (element.empty() || element == "/") {
            continue;
        }
        struct stat info;
        if (::stat(element.c_str(), &info) == 0) {
            if (S_ISDIR(info.st_mode)) {
                continue;
            }
            *culprit = element;
            return ENOTDIR;
        }
        if (errno != ENOENT) {
            *culprit = element;
            return errno;
        }
        if (const int result =
                makeDirectory(DirectoryHandles::Item{AT_FDCWD, element}, element, culprit);
            result != 0) {
            return result;
        }
    }
    return 0;
}

struct timespec timespecFromDate(Date date) {
    // Floor division, so dates before 1970 keep a nanosecond part in [0, 1e9).
    const auto micros = date.time_since_epoch().count();
    auto seconds = micros / 1'000'000;
    auto remainder = micros % 1'000'000;
    if (remainder < 0) {
        remainder += 1'000'000;
        seconds -= 1;
    }
    struct timespec result {};
    result.tv_sec = static_cast<time_t>(seconds);
    result.tv_nsec = static_cast<long>(remainder * 1000);
    return result;
}

}  // namespace

FileManager::FileManager(KeepingDirectoriesOpen) : handles_(std::make_unique<DirectoryHandles>()) {}

FileManager& FileManager::defaultManager() {
    static FileManager manager;
    return manager;
}

bool FileManager::createDirectoryAtURL(const FileURL& url, bool withIntermediateDirectories,
                                       Error* error) {
    const std::string path = url.path();
    std::string culprit;
    const int result = withIntermediateDirectories ? makeDirectoryWithIntermediates(path, &culprit)
                                                   : makeDirectory(itemAt(path), path, &culprit);
    if (result == 0) {
        return true;
    }
    const std::string description =
        "The folder " + inQuotes(displayName(path)) + " could not be created.";
    if (result == ENOTDIR) {
        return fail(
            error, description,
            inQuotes(culprit) + " is a file, not a folder. Move or rename it and try again.");
    }
    return fail(error, description, reasonFor(result, culprit));
}

bool FileManager::removeItemAtURL(const FileURL& url, Error* error) {
    const std::string path = url.path();
    const std::string description =
        "The item " + inQuotes(displayName(path)) + " could not be removed.";
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return fail(error, description,
                    errno == ENOENT ? "It does not exist." : reasonFor(errno, path));
    }
    std::error_code code;
    std::filesystem::remove_all(path, code);  // a symbolic link is removed, never followed
    if (code) {
        return fail(error, description, reasonFor(code.value(), path));
    }
    return true;
}

bool FileManager::writeAtomically(const std::string& bytes, const FileURL& url, Error* error) {
    const std::string path = url.path();
    const int result = writeFileAtomically(path, bytes, handles_.get());
    if (result == 0) {
        return true;
    }
    const std::string description =
        "The file " + inQuotes(displayName(path)) + " could not be saved.";
    if (result == EISDIR) {
        return fail(error, description, inQuotes(path) + " is a folder.");
    }
    return fail(error, description, reasonFor(result, path));
}

bool FileManager::setModificationDate(const FileURL& url, Date date, Error* error) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, timespecFromDate(date)};
    const DirectoryHandles::Item item = itemAt(url.path());
    if (::utimensat(item.directory, item.name.c_str(), times, 0) != 0) {
        return fail(
            error,
            "The modification date of " + inQuotes(displayName(url.path())) + " could not be set.",
            errno == ENOENT ? "The file does not exist." : reasonFor(errno, url.path()));
    }
    return true;
}

bool FileManager::setCreationDate(const FileURL& url, Date, Error* error) {
    // Linux keeps a birth time but offers no call that sets it.
    return fail(error,
                "The creation date of " + inQuotes(displayName(url.path())) + " could not be set.",
                "This system does not allow changing the date a file was created.");
}

bool FileManager::fileExistsAtURL(const FileURL& url, bool* isDirectoryResult) const {
    struct stat info;
    const DirectoryHandles::Item item = itemAt(url.path());
    if (::fstatat(item.directory, item.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    if (isDirectoryResult != nullptr) {
        *isDirectoryResult = S_ISDIR(info.st_mode);
    }
    return true;
}

}  // namespace quillmere
