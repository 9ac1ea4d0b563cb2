// Choosing a file name that no sibling has taken, with names compared regardless of letter case
// and Unicode composition.

#include <algorithm>
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

Text comparisonKey(const Text& name) { return text::lowercased(text::decomposedCanonical(name)); }

// The numbered candidate `counter` for `first` (in NFD, with `extension`), itself in NFD. Every
// candidate is built from the first one, so counters never pile up ("a - 2 - 3").
Text numberedCandidate(const Text& first, const Text& extension, std::uint64_t counter) {
    Text candidate = extension.empty() ? first : stringByDeletingPathExtension(first);
    candidate += u" - " + text::fromUtf8(std::to_string(counter));
    if (!extension.empty()) {
        candidate += u"." + extension;
    }
    return text::decomposedCanonical(candidate);
}

}  // namespace

Text pathExtension(const Text& name) {
    const std::size_t dot = extensionDot(name);
    return dot == Text::npos ? Text() : name.substr(dot + 1);
}

// A name that ends with "." has an empty extension and keeps its ".".
Text stringByDeletingPathExtension(const Text& name) {
    const std::size_t dot = extensionDot(name);
    return dot == Text::npos || dot + 1 == name.size() ? name : name.substr(0, dot);
}

Text filenameForPrefererredName(const Text& preferredName, const std::optional<Text>& currentName,
                                const std::vector<Text>& takenNames) {
    Text preferred = preferredName;
    if (currentName) {
        if (const Text currentExtension = pathExtension(*currentName); !currentExtension.empty()) {
            preferred = stringByDeletingPathExtension(preferred) + u"." + currentExtension;
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
    for (std::uint64_t counter = 2;; ++counter) {
        if (Text candidate = numberedCandidate(first, extension, counter);
            isFree(comparisonKey(candidate))) {
            return candidate;
        }
    }
}

void TakenFilenames::insert(const Text& name) { ++keys_[comparisonKey(name)]; }

void TakenFilenames::erase(const Text& name) {
    const auto key = keys_.find(comparisonKey(name));
    if (key != keys_.end() && --key->second == 0) {
        keys_.erase(key);
        // A counter below a resume point may be free again.
        nextCounter_.clear();
    }
}

bool TakenFilenames::contains(const Text& name) const {
    return keys_.contains(comparisonKey(name));
}

std::uint64_t TakenFilenames::firstFreeCounter(const Text& name) {
    const Text first = text::decomposedCanonical(name);
    const Text extension = pathExtension(first);
    // Names are only added between calls (an erase starts over), so every counter below the one
    // answered last for this name is still taken.
    std::uint64_t& resume = nextCounter_[first];
    for (std::uint64_t counter = std::max<std::uint64_t>(resume, 2);; ++counter) {
        if (!keys_.contains(comparisonKey(numberedCandidate(first, extension, counter)))) {
            resume = counter;
            return counter;
        }
    }
}

}  // namespace quillmere::PathUtilities
