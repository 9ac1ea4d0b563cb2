#include "platform/files/file_url.h"

#include <utility>

namespace quillmere {

FileURL::FileURL(std::string path, bool isDirectory)
    : path_(std::move(path)), isDirectory_(isDirectory) {}

FileURL FileURL::fileURLWithPath(std::string path, bool isDirectory) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return FileURL(std::move(path), isDirectory);
}

FileURL FileURL::URLByAppendingPathComponent(const Text& component) const {
    std::string path = path_;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += text::toUtf8(component);
    return FileURL(std::move(path), false);
}

FileURL FileURL::URLByAppendingPathExtension(const Text& extension) const {
    if (extension.empty()) {
        return *this;
    }
    return FileURL(path_ + "." + text::toUtf8(extension), isDirectory_);
}

FileURL FileURL::asDirectory(bool isDirectory) const { return FileURL(path_, isDirectory); }

}  // namespace quillmere
