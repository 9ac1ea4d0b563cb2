#include "platform/files/path_components.h"

namespace quillmere::path {

namespace {

constexpr char16_t kSeparator = u'/';
const Text kRoot(1, kSeparator);

}  // namespace

std::vector<Text> pathComponents(TextView path) {
    std::vector<Text> components;
    if (path.empty()) {
        return components;
    }
    if (path.front() == kSeparator) {
        components.push_back(kRoot);
    }
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find(kSeparator, start);
        if (end == TextView::npos) {
            end = path.size();
        }
        if (end > start) {
            components.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    if (path.size() > 1 && path.back() == kSeparator) {
        components.push_back(kRoot);
    }
    return components;
}

Text componentsJoinedBySlash(const std::vector<Text>& components) {
    Text joined;
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0) {
            joined += kSeparator;
        }
        joined += components[i];
    }
    return joined;
}

Text pathWithComponents(const std::vector<Text>& components) {
    Text joined;
    for (const Text& component : components) {
        if (component == kRoot) {
            if (joined.empty() || joined.back() != kSeparator) {
                joined += kSeparator;
            }
            continue;
        }
        if (!joined.empty() && joined.back() != kSeparator) {
            joined += kSeparator;
        }
        joined += component;
    }
    return joined;
}

Text singleComponent(TextView name, char16_t replacement, SelfOrParent selfOrParent) {
    if (name.empty()) {
        return Text(1, u'_');
    }
    if (name == u"." || name == u"..") {
        return selfOrParent == SelfOrParent::kPrefixed ? u"_" + Text(name)
                                                       : Text(name.size(), u'_');
    }
    Text component(name);
    for (char16_t& unit : component) {
        if (unit == kSeparator || unit == u'\0') {
            unit = replacement;
        }
    }
    return component;
}

}  // namespace quillmere::path
