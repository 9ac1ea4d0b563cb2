#pragma once
// The workspace as the window uses it: it passes each request on to the desktop and tells a
// listener how the hand-over of a run ended, so that the window can report it.

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/workspace.h"

namespace quillmere::gui {

struct HandOver {
    std::string folder;              // the export folder
    bool openedInQuillmere = false;  // false: it was passed to the file manager
};

class HandOverWorkspace : public Workspace {
public:
    HandOverWorkspace(std::shared_ptr<Workspace> desktop,
                      std::function<void(const HandOver&)> listener);

    // Tells the listener when an application took the folder; a refusal is not the end yet.
    bool openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                         const std::string& bundleIdentifier) override;
    // The last resort of a run: tells the listener after passing the folder on.
    void selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                            const std::string& rootPath) override;

private:
    std::shared_ptr<Workspace> desktop_;
    std::function<void(const HandOver&)> listener_;
};

}  // namespace quillmere::gui
