#include "platform/desktop/desktop_workspace.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

namespace quillmere {

namespace {

template <class T>
struct GObjectDeleter {
    void operator()(T* object) const { g_object_unref(object); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
struct GFreeDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

// Whether a session bus is announced. GIO would otherwise try to start one on demand, which
// on a machine without a display only costs time and ends in failure.
bool sessionBusAnnounced() {
    const char* address = ::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = ::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    struct stat status {};
    std::string socket = std::string(runtime) + "/bus";
    return ::stat(socket.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

std::optional<std::string> uriForPath(const std::string& path) {
    GError* rawError = nullptr;
    GText uri(g_filename_to_uri(path.c_str(), nullptr, &rawError));
    std::unique_ptr<GError, GErrorDeleter> error(rawError);
    if (!uri) return std::nullopt;
    return std::string(uri.get());
}

// Asks the file manager on the session bus to show `uri`: the folder itself (ShowFolders) or
// an item in its folder (ShowItems). True when it answered without an error.
bool showWithFileManager(const std::string& method, const std::string& uri,
                         std::chrono::milliseconds timeout) {
    if (!sessionBusAnnounced()) return false;
    GError* rawError = nullptr;
    GObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &rawError));
    std::unique_ptr<GError, GErrorDeleter> error(rawError);
    if (!bus) return false;

    const gchar* uris[] = {uri.c_str(), nullptr};
    rawError = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", method.c_str(), g_variant_new("(^ass)", uris, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, static_cast<gint>(timeout.count()), nullptr, &rawError);
    error.reset(rawError);
    if (!reply) return false;
    g_variant_unref(reply);
    return true;
}

// Starts the application with `uris`. It outlives this process and must not hold on to its
// output: a script that reads the command's output would otherwise wait until it quits.
bool launchDetached(GDesktopAppInfo* application, const std::vector<std::string>& uris) {
    GList* list = nullptr;
    for (const auto& uri : uris) list = g_list_append(list, g_strdup(uri.c_str()));
    int nullDevice = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    GError* rawError = nullptr;
    gboolean launched = g_desktop_app_info_launch_uris_as_manager_with_fds(
        application, list, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr,
        nullDevice, nullDevice, nullDevice, &rawError);
    std::unique_ptr<GError, GErrorDeleter> error(rawError);
    if (nullDevice >= 0) ::close(nullDevice);
    g_list_free_full(list, g_free);
    return launched;
}

}  // namespace

DesktopWorkspace::DesktopWorkspace(std::chrono::milliseconds fileManagerTimeout)
    : fileManagerTimeout_(fileManagerTimeout) {}

bool DesktopWorkspace::openURLsWithAppBundleIdentifier(const std::vector<FileURL>& urls,
                                                       const std::string& bundleIdentifier) {
    // A desktop file ID is a plain name; anything that could reach another folder is no
    // identifier at all.
    if (bundleIdentifier.empty() || bundleIdentifier.find('/') != std::string::npos) return false;
    std::string desktopId = bundleIdentifier + ".desktop";
    GObjectPtr<GDesktopAppInfo> application(g_desktop_app_info_new(desktopId.c_str()));
    if (!application) return false;

    std::vector<std::string> uris;
    for (const FileURL& url : urls) {
        if (auto uri = uriForPath(url.path())) uris.push_back(*uri);
    }
    return launchDetached(application.get(), uris);
}

void DesktopWorkspace::selectFileInFileViewerRootedAtPath(const std::optional<std::string>& file,
                                                          const std::string& rootPath) {
    auto uri = uriForPath(file ? *file : rootPath);
    if (!uri) return;
    if (showWithFileManager(file ? "ShowItems" : "ShowFolders", *uri, fileManagerTimeout_)) {
        return;
    }
    // The default handler can only open the folder, not select an item in it.
    auto folderUri = file ? uriForPath(rootPath) : uri;
    if (!folderUri) return;
    GObjectPtr<GAppInfo> handler(g_app_info_get_default_for_type("inode/directory", FALSE));
    if (handler && G_IS_DESKTOP_APP_INFO(handler.get())) {
        launchDetached(G_DESKTOP_APP_INFO(handler.get()), {*folderUri});
    }
}

}  // namespace quillmere
