#include "temp_files/temporary_files.h"

#include <sys/stat.h>

#include <string>

#include "platform/bundle.h"
#include "platform/files/path_components.h"
#include "platform/files/temporary_directory.h"
#include "temp_files/unique_identifier.h"

namespace quillmere::TemporaryFiles {

namespace {

FileURL containerURL(const std::string& privateDirectory, const std::optional<Text>& context) {
    const FileURL applicationFolder =
        FileURL::fileURLWithPath(privateDirectory, true)
            .URLByAppendingPathComponent(text::fromUtf8(kBundleIdentifier))
            .asDirectory(true);
    if (!context) {
        return applicationFolder;
    }
    return applicationFolder
        .URLByAppendingPathComponent(
            path::singleComponent(*context, u'_', path::SelfOrParent::kReplaced))
        .asDirectory(true);
}

}  // namespace

FileURL temporaryContainerURLForContext(FileManager&, const std::optional<Text>& context) {
    return containerURL(privateTemporaryDirectoryPath(), context);
}

std::optional<FileURL> createUniqueTemporaryDirectoryWithContext(FileManager& manager,
                                                                 const std::optional<Text>& context,
                                                                 Error* error) {
    const std::optional<std::string> privateDirectory = preparePrivateTemporaryDirectory(error);
    if (!privateDirectory) {
        return std::nullopt;
    }
    const FileURL url = containerURL(*privateDirectory, context)
                            .URLByAppendingPathComponent(UniqueIdentifier::newUniqueIdentifier())
                            .asDirectory(true);
    if (!manager.createDirectoryAtURL(url, true, error)) {
        return std::nullopt;
    }
    return url;
}

std::optional<FileURL> createUniqueTemporaryDirectoryWithError(FileManager& manager, Error* error) {
    return createUniqueTemporaryDirectoryWithContext(manager, std::nullopt, error);
}

void removeTemporaryItemsForContext(FileManager&, const std::optional<Text>& context) {
    const std::string privateDirectory = privateTemporaryDirectoryPath();
    struct stat info;
    if (::lstat(privateDirectory.c_str(), &info) != 0 ||
        !verifyPrivateDirectory(privateDirectory, nullptr)) {
        return;
    }
    FileManager::defaultManager().removeItemAtURL(containerURL(privateDirectory, context), nullptr);
}

}  // namespace quillmere::TemporaryFiles
