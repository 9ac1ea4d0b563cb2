#include "cli/terminal_workspace.h"

namespace quillmere {

TerminalWorkspace::TerminalWorkspace(std::shared_ptr<Workspace> desktop)
    : desktop_(std::move(desktop)) {}

bool TerminalWorkspace::openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                                        const std::string& bundleIdentifier) {
    if (!exportFolder_ && !urls.empty()) exportFolder_ = urls.front().path();
    return desktop_ && desktop_->openURLsWithAppBundleIdentifier(urls, bundleIdentifier);
}

void TerminalWorkspace::selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                                           const std::string& rootPath) {
    if (!exportFolder_) exportFolder_ = rootPath;
    if (desktop_) desktop_->selectFileInFileViewerRootedAtPath(file, rootPath);
}

}  // namespace quillmere
