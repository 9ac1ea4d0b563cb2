#include "app/note_file.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/export_names.h"
#include "platform/files/file_manager.h"

namespace quillmere::note_file {

namespace {

std::vector<Text> entriesOf(const FileURL& folderURL) {
    std::vector<Text> names;
    std::error_code ignored;
    for (std::filesystem::directory_iterator it(folderURL.path(), ignored), end; it != end;
         it.increment(ignored)) {
        names.push_back(text::fromUtf8(it->path().filename().string()));
    }
    return names;
}

}  // namespace

FileURL chooseFileURL(const FileURL& folderURL, const Text& baseName, const Text& extension) {
    const Text fitted = export_names::fittedBaseName(baseName, extension);
    const FileURL preferred =
        folderURL.URLByAppendingPathComponent(fitted).URLByAppendingPathExtension(extension);
    if (!FileManager::defaultManager().fileExistsAtURL(preferred)) {
        return preferred;
    }
    // The folder is part of this run's fresh export, so whatever is in it was written by this
    // run and must stay.
    std::vector<Text> taken = entriesOf(folderURL);
    taken.push_back(fitted + u"." + extension);
    return folderURL.URLByAppendingPathComponent(
        export_names::uniqueFileName(fitted, extension, taken));
}

std::optional<FileURL> write(const Text& text, const Text& baseName, const Text& extension,
                             const FileURL& folderURL, Error* error) {
    const FileURL url = chooseFileURL(folderURL, baseName, extension);
    if (!FileManager::defaultManager().writeAtomically(text::toUtf8(text), url, error)) {
        return std::nullopt;
    }
    return url;
}

void setDates(const FileURL& url, std::optional<Date> creationDate,
              std::optional<Date> modificationDate) {
    FileManager& fileManager = FileManager::defaultManager();
    if (creationDate) {
        // Most Linux file systems keep a birth time but offer no way to set it.
        fileManager.setCreationDate(url, *creationDate, nullptr);
    }
    if (modificationDate) {
        fileManager.setModificationDate(url, *modificationDate, nullptr);
    }
}

}  // namespace quillmere::note_file
