#include "gui/hand_over_workspace.h"

namespace quillmere::gui {

HandOverWorkspace::HandOverWorkspace(std::shared_ptr<Workspace> desktop,
                                     std::function<void(const HandOver&)> listener)
    : desktop_(std::move(desktop)), listener_(std::move(listener)) {}

bool HandOverWorkspace::openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                                        const std::string& bundleIdentifier) {
    const bool opened = desktop_->openURLsWithAppBundleIdentifier(urls, bundleIdentifier);
    if (opened && listener_ && !urls.empty()) listener_(HandOver{urls.front().path(), true});
    return opened;
}

void HandOverWorkspace::selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                                           const std::string& rootPath) {
    desktop_->selectFileInFileViewerRootedAtPath(file, rootPath);
    if (listener_) listener_(HandOver{rootPath, false});
}

}  // namespace quillmere::gui
