#pragma once
// The desktop: opening files with another application, and showing a folder in the file manager.

#include <optional>
#include <string>
#include <vector>

#include "platform/files/file_url.h"

namespace quillmere {

class Workspace {
public:
    virtual ~Workspace() = default;

    // Asks the application with `bundleIdentifier` to open `urls`; true when it was launched with
    // them.
    virtual bool openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                                 const std::string& bundleIdentifier) = 0;

    // Shows the folder `rootPath` in a file manager window, with `file` selected when given.
    // There is no result: a failure is not reported.
    virtual void selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                                    const std::string& rootPath) = 0;
};

}  // namespace quillmere
