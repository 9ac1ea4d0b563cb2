#include "app/note_file.h"

#include <dirent.h>

#include <memory>

#include "app/export_names.h"

namespace quillmere::note_file {

namespace {

std::string lastComponent(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string parentPath(const std::string& path) { return path.substr(0, path.rfind('/')); }

}  // namespace

ExportDirectories::Directory& ExportDirectories::directoryAt(const FileURL& url) {
    const auto [found, isNew] = directories_.try_emplace(url.path());
    Directory& directory = found->second;
    if (isNew) {
        // Anything already there came from this run (the export folder is new), and stays.
        const std::unique_ptr<DIR, int (*)(DIR*)> stream(::opendir(url.path().c_str()), ::closedir);
        while (const dirent* entry = stream ? ::readdir(stream.get()) : nullptr) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                const Text component = text::fromUtf8(name);
                bool isDirectory = entry->d_type == DT_DIR;
                if (entry->d_type == DT_UNKNOWN) {
                    fileManager_.fileExistsAtURL(url.URLByAppendingPathComponent(component),
                                                 &isDirectory);
                }
                directory.isDirectoryByName.emplace(name, isDirectory);
                directory.taken.insert(component);
            }
        }
    }
    return directory;
}

FileURL ExportDirectories::claim(Directory& directory, const FileURL& parentURL, const Text& name,
                                 bool isDirectory) {
    directory.isDirectoryByName.emplace(text::toUtf8(name), isDirectory);
    directory.taken.insert(name);
    return parentURL.URLByAppendingPathComponent(name).asDirectory(isDirectory);
}

FileURL ExportDirectories::claimFile(const FileURL& folderURL, const Text& baseName,
                                     const Text& extension) {
    Directory& directory = directoryAt(folderURL);
    const Text base = export_names::asWritten(export_names::fittedBaseName(baseName, extension));
    const Text name = extension.empty() ? base : base + u"." + extension;
    if (!directory.isDirectoryByName.contains(text::toUtf8(name))) {
        return claim(directory, folderURL, name, false);
    }
    return claim(directory, folderURL,
                 export_names::uniqueFileName(base, extension, directory.taken), false);
}

FileURL ExportDirectories::claimDirectory(const FileURL& parentURL, const Text& name,
                                          bool* renamed) {
    Directory& directory = directoryAt(parentURL);
    const Text onDisk = export_names::asWritten(name);
    const auto existing = directory.isDirectoryByName.find(text::toUtf8(onDisk));
    *renamed = existing != directory.isDirectoryByName.end() && !existing->second;
    if (existing != directory.isDirectoryByName.end() && existing->second) {
        return parentURL.URLByAppendingPathComponent(onDisk).asDirectory(true);
    }
    Text unique = onDisk;
    if (*renamed) {
        const Text extension = PathUtilities::pathExtension(onDisk);
        const Text base =
            extension.empty() ? onDisk : PathUtilities::stringByDeletingPathExtension(onDisk);
        unique = export_names::uniqueFileName(base, extension, directory.taken);
    }
    const FileURL url = claim(directory, parentURL, unique, true);
    // Nothing of that name was in the parent, so the new directory starts empty: no need to
    // read it.
    directories_.try_emplace(url.path());
    return url;
}

FileURL ExportDirectories::claimOwnDirectory(const FileURL& parentURL, const Text& name) {
    const std::string key = parentURL.path() + "/" + text::toUtf8(name);
    if (const auto found = ownDirectories_.find(key); found != ownDirectories_.end()) {
        return found->second;
    }
    Directory& directory = directoryAt(parentURL);
    Text unique = export_names::asWritten(name);
    if (directory.isDirectoryByName.contains(text::toUtf8(unique))) {
        unique = export_names::uniqueFileName(unique, Text(), directory.taken);
    }
    // Taken as a file would be, so that claimDirectory() never shares it.
    const FileURL url = claim(directory, parentURL, unique, false).asDirectory(true);
    directories_.try_emplace(url.path());
    ownDirectories_.emplace(key, url);
    return url;
}

void ExportDirectories::release(const FileURL& url) {
    const auto directory = directories_.find(parentPath(url.path()));
    if (directory == directories_.end()) {
        return;
    }
    const std::string name = lastComponent(url.path());
    if (directory->second.isDirectoryByName.erase(name) > 0) {
        directory->second.taken.erase(text::fromUtf8(name));
    }
    made_.erase(url.path());
    for (auto it = ownDirectories_.begin(); it != ownDirectories_.end(); ++it) {
        if (it->second.path() == url.path()) {
            ownDirectories_.erase(it);
            break;
        }
    }
}

std::optional<FileURL> write(const Text& text, const Text& baseName, const Text& extension,
                             const FileURL& folderURL, ExportDirectories* directories,
                             Error* error) {
    return write(text::toUtf8(text), baseName, extension, folderURL, directories, error);
}

std::optional<FileURL> write(const std::string& utf8, const Text& baseName, const Text& extension,
                             const FileURL& folderURL, ExportDirectories* directories,
                             Error* error) {
    ExportDirectories forThisNote;
    ExportDirectories& names = directories != nullptr ? *directories : forThisNote;
    const FileURL url = names.claimFile(folderURL, baseName, extension);
    if (!names.fileManager().writeAtomically(utf8, url, error)) {
        names.release(url);
        return std::nullopt;
    }
    return url;
}

void setDates(const FileURL& url, std::optional<Date> creationDate,
              std::optional<Date> modificationDate, ExportDirectories* directories) {
    FileManager& fileManager =
        directories != nullptr ? directories->fileManager() : FileManager::defaultManager();
    if (creationDate) {
        // Most Linux file systems keep a birth time but offer no way to set it.
        fileManager.setCreationDate(url, *creationDate, nullptr);
    }
    if (modificationDate) {
        fileManager.setModificationDate(url, *modificationDate, nullptr);
    }
}

}  // namespace quillmere::note_file
