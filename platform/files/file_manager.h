#pragma once
// File-system operations on file URLs, with errors as values the caller can show.
//
//   Error error;
//   if (!FileManager::defaultManager().createDirectoryAtURL(url, true, &error)) { show(error); }

#include <memory>
#include <optional>
#include <string>

#include "platform/date.h"
#include "platform/error.h"
#include "platform/files/directory_handles.h"
#include "platform/files/file_url.h"

namespace quillmere {

class FileManager {
public:
    static FileManager& defaultManager();  // the process-wide instance

    // A manager for one thread that keeps the directories it works in open (directory_handles.h),
    // so that an item deep in a tree costs what one near its top does.
    struct KeepingDirectoriesOpen {};
    explicit FileManager(KeepingDirectoriesOpen);
    FileManager() = default;
    virtual ~FileManager() = default;

    // Creates the directory at `url`, and with `withIntermediateDirectories` every missing one
    // above it (permissions from the process's file-creation mask). A directory already there is
    // success. On failure stores a description in `error` (when not null) and answers false.
    virtual bool createDirectoryAtURL(const FileURL& url, bool withIntermediateDirectories,
                                      Error* error);

    // Removes a file, or a directory with everything in it. A missing item is an error.
    virtual bool removeItemAtURL(const FileURL& url, Error* error);

    // Writes `bytes` to a new file in the same directory, then renames it over `url`, so the
    // target never holds a partial content (the policy of file_io.h). An existing file at `url`
    // is replaced.
    virtual bool writeAtomically(const std::string& bytes, const FileURL& url, Error* error);

    // Sets the content-modification date (full precision the file system keeps).
    virtual bool setModificationDate(const FileURL& url, Date date, Error* error);
    // Sets the creation (birth) date; answers false with an error where the file system or the
    // operating system cannot set one.
    virtual bool setCreationDate(const FileURL& url, Date date, Error* error);

    // Whether something exists at `url` (a link is not followed), and whether it is a directory.
    virtual bool fileExistsAtURL(const FileURL& url, bool* isDirectory = nullptr) const;

private:
    DirectoryHandles::Item itemAt(const std::string& path) const {
        return DirectoryHandles::itemAt(handles_.get(), path);
    }

    std::unique_ptr<DirectoryHandles> handles_;
};

}  // namespace quillmere
