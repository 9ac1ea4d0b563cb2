// Path operations on text: standardizing virtual paths, relating a path to a base path and
// abbreviating the home directory.

#include <string>

#include "platform/files/home_directory.h"
#include "platform/files/path_components.h"
#include "string_utils/home_abbreviation.h"
#include "string_utils/path_utilities.h"

namespace quillmere::PathUtilities {

namespace {

const Text kRoot = u"/";

}  // namespace

std::optional<Text> stringByStandardizingVirtualPath(const Text& path) {
    std::vector<Text> components = path::pathComponents(path);
    // A standardized path keeps its root but has no trailing separator.
    const bool absolute = !components.empty() && components.front() == kRoot;
    if (absolute) {
        components.erase(components.begin());
    }
    if (!components.empty() && components.back() == kRoot) {
        components.pop_back();
    }
    std::vector<Text> resolved;
    for (Text& component : components) {
        if (component == u".") {
            continue;
        }
        if (component == u"..") {
            if (resolved.empty()) {
                return std::nullopt;  // climbs above where the path starts
            }
            resolved.pop_back();
            continue;
        }
        resolved.push_back(std::move(component));
    }
    const Text joined = path::componentsJoinedBySlash(resolved);
    return absolute ? kRoot + joined : joined;
}

std::optional<Text> pathRelativeToBasePath(const Text& path, const Text& basePath) {
    const std::vector<Text> components = path::pathComponents(path);
    const std::vector<Text> baseComponents = path::pathComponents(basePath);
    if (components.size() < baseComponents.size()) {
        return std::nullopt;
    }
    std::size_t shared = 0;
    while (shared < baseComponents.size() && components[shared] == baseComponents[shared]) {
        ++shared;
    }
    if (shared == 0) {
        return std::nullopt;
    }
    return path::pathWithComponents(
        std::vector<Text>(components.begin() + shared, components.end()));
}

Text stringByAbbreviatingDirectoryInPath(const Text& path, const Text& directory) {
    if (directory.empty() || !text::hasPrefix(path, directory)) {
        return path;
    }
    Text abbreviated(1, u'~');
    abbreviated.append(path, directory.size());
    return abbreviated;
}

Text stringByAbbreviatingUserDirectoryInPath(const Text& path) {
    const std::optional<std::string> home = homeDirectoryOfRealUser();
    if (!home) {
        return path;
    }
    const Text directory = text::fromUtf8(*home);
    if (text::toUtf8(directory) != *home) {
        return path;  // not valid UTF-8: no text can truly begin with it
    }
    return stringByAbbreviatingDirectoryInPath(path, directory);
}

}  // namespace quillmere::PathUtilities
