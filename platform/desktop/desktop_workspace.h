#pragma once
// The workspace of a freedesktop desktop, over GLib/GIO.
//
// An application is found by its bundle identifier through the desktop entry
// "<identifier>.desktop" in $XDG_DATA_HOME/applications or $XDG_DATA_DIRS/*/applications, and
// launched with the files. A folder is shown by the file manager that answers
// org.freedesktop.FileManager1 on the session bus, else by the default application for folders.
// A program started here gets /dev/null as its standard input, output and error, so that it
// never holds on to the output of the program that started it.
//
//   DesktopWorkspace workspace;
//   if (!workspace.openURLsWithAppBundleIdentifier({folder}, "com.quillmereapp.mac")) {
//       workspace.selectFileInFileViewerRootedAtPath(std::nullopt, folder.path());
//   }
//
// Without a display or a session bus nothing hangs: the session bus is used only when one is
// announced ($DBUS_SESSION_BUS_ADDRESS or $XDG_RUNTIME_DIR/bus), never started on demand, and a
// file manager that does not answer in time counts as absent.

#include <chrono>

#include "platform/ui/workspace.h"

namespace quillmere {

class DesktopWorkspace : public Workspace {
public:
    explicit DesktopWorkspace(
        std::chrono::milliseconds fileManagerTimeout = std::chrono::milliseconds(3000));

    // True when the entry exists and its program was started with `urls`; whether the program
    // then accepts them is its own affair.
    bool openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                         const std::string& bundleIdentifier) override;
    // With `file`: the file manager shows `file` selected in its folder; without: it opens
    // `rootPath`.
    void selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                            const std::string& rootPath) override;

private:
    std::chrono::milliseconds fileManagerTimeout_;
};

}  // namespace quillmere
