#pragma once
// The workspace as the command uses it: it remembers the folder the run asked it to open (the
// export folder, which the command prints at the end) and passes the request on to the desktop,
// or, with --no-open, to nobody: then no application accepts and no file manager opens.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/workspace.h"

namespace quillmere {

class TerminalWorkspace : public Workspace {
public:
    // `desktop` is null when nothing may be opened.
    explicit TerminalWorkspace(std::shared_ptr<Workspace> desktop);

    bool openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                         const std::string& bundleIdentifier) override;
    void selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                            const std::string& rootPath) override;

    // The first folder the run asked to have opened or shown.
    const std::optional<std::string>& exportFolder() const { return exportFolder_; }

private:
    std::shared_ptr<Workspace> desktop_;
    std::optional<std::string> exportFolder_;
};

}  // namespace quillmere
