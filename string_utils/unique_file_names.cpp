// Choosing a file name that no sibling has taken, with names compared regardless of letter case
// and Unicode composition.

#include <cstdint>
#include <string>
#include <unordered_set>

#include "string_utils/path_utilities.h"

namespace quillmere::PathUtilities {

namespace {

// Where the extension's "." is, or npos. Only the last component counts, and a name whose only
// "." starts it (a hidden file's name, ".profile") has no extension.
std::size_t extensionDot(const Text& name) {
    const std::size_t dot = name.find_last_of(u'.');
    if (dot == Text::npos) {
        return Text::npos;
    }
    const std::size_t slash = name.find_last_of(u'/');
    const std::size_t componentStart = slash == Text::npos ? 0 : slash + 1;
    if (dot < componentStart || dot == componentStart) {
        return Text::npos;
    }
    return dot;
}

// The characters after the extension's "."; empty when there are none.
Text pathExtension(const Text& name) {
    const std::size_t dot = extensionDot(name);
    return dot == Text::npos ? Text() : name.substr(dot + 1);
}

// The name without its extension and its "."; a name that ends with "." has an empty extension
// and keeps its ".".
Text deletingPathExtension(const Text& name) {
    const std::size_t dot = extensionDot(name);
    return dot == Text::npos || dot + 1 == name.size() ? name : name.substr(0, dot);
}

Text comparisonKey(const Text& name) { return text::lowercased(text::decomposedCanonical(name)); }

}  // namespace

Text filenameForPrefererredName(const Text& preferredName, const std::optional<Text>& currentName,
                                const std::vector<Text>& takenNames) {
    Text preferred = preferredName;
    if (currentName) {
        if (const Text currentExtension = pathExtension(*currentName); !currentExtension.empty()) {
            preferred = deletingPathExtension(preferred) + u"." + currentExtension;
        }
    }
    const Text extension = pathExtension(preferred);

    const Text first = text::decomposedCanonical(preferred);
    const std::optional<Text> currentKey =
        currentName ? std::optional<Text>(comparisonKey(*currentName)) : std::nullopt;
    std::unordered_set<Text> takenKeys;
    takenKeys.reserve(takenNames.size());
    for (const Text& taken : takenNames) {
        takenKeys.insert(comparisonKey(taken));
    }

    // The current name is tested before the taken names: an item may keep its own name even
    // when the caller lists it among the taken ones.
    const auto isFree = [&](const Text& key) {
        return key == currentKey || !takenKeys.contains(key);
    };
    if (isFree(comparisonKey(first))) {
        return first;
    }
    // Every candidate is built from the first one, so counters never pile up ("a - 2 - 3").
    const Text base = extension.empty() ? first : deletingPathExtension(first);
    for (std::uint64_t counter = 2;; ++counter) {
        Text candidate = base + u" - " + text::fromUtf8(std::to_string(counter));
        if (!extension.empty()) {
            candidate += u"." + extension;
        }
        candidate = text::decomposedCanonical(candidate);
        if (isFree(comparisonKey(candidate))) {
            return candidate;
        }
    }
}

}  // namespace quillmere::PathUtilities
