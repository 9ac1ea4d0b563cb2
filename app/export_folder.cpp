#include "app/export_folder.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::export_folder {

namespace {

std::string quoted(const std::string& path) { return "\u201C" + path + "\u201D"; }

}  // namespace

std::optional<std::string> chosenFolder(const UserDefaults& defaults) {
    auto path = defaults.stringForKey(kExportFolderPathKey);
    if (path && path->empty()) return std::nullopt;
    return path;
}

std::optional<std::string> problemWithChosenFolder(const std::string& path) {
    if (path.empty() || path.front() != '/') {
        return "The folder " + quoted(path) + " is not an absolute path.";
    }
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return "The folder " + quoted(path) + " does not exist.";
        return "The folder " + quoted(path) + " cannot be reached: " + ::strerror(errno) + ".";
    }
    if (!S_ISDIR(info.st_mode)) return quoted(path) + " is not a folder.";
    if (::access(path.c_str(), W_OK | X_OK) != 0) {
        if (errno == EROFS) return "The folder " + quoted(path) + " is on a read-only disk.";
        return "You don\u2019t have permission to write into the folder " + quoted(path) + ".";
    }
    return std::nullopt;
}

std::optional<FileURL> makeExportFolderIn(const std::string& parent, Error* error) {
    const auto fail = [&](std::string reason) -> std::optional<FileURL> {
        if (error != nullptr) {
            *error = Error{"The export folder could not be made in " + quoted(parent) + ".",
                           std::move(reason)};
        }
        return std::nullopt;
    };
    if (auto problem = problemWithChosenFolder(parent)) return fail(*problem);
    const FileURL base = FileURL::fileURLWithPath(parent, true);
    for (std::uint32_t number = 1; number <= kMaximumNumber; ++number) {
        std::string name = kExportFolderName;
        if (number > 1) name += " " + std::to_string(number);
        const FileURL candidate =
            base.URLByAppendingPathComponent(text::fromUtf8(name)).asDirectory(true);
        // mkdir claims the name: an existing folder, a file or a link of that name is passed by.
        if (::mkdir(candidate.path().c_str(), 0777) == 0) return candidate;
        if (errno != EEXIST) {
            return fail(errno == ENOSPC ? std::string("There is not enough space on the disk.")
                                        : std::string(::strerror(errno)) + ".");
        }
    }
    return fail("It already holds " + std::to_string(kMaximumNumber) +
                " export folders; choose another folder.");
}

}  // namespace quillmere::export_folder
