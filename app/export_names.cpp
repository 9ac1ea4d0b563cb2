#include "app/export_names.h"

#include "string_utils/path_utilities.h"

namespace quillmere::export_names {

namespace {

std::size_t utf8LengthOf(char32_t codePoint) {
    if (codePoint < 0x80) {
        return 1;
    }
    if (codePoint < 0x800) {
        return 2;
    }
    // A lone surrogate is written as U+FFFD, which takes three bytes as well.
    return codePoint < 0x10000 ? 3 : 4;
}

// A component that names its parent or the parent's parent stays inside the parent with a
// prefix; an empty one would name the parent itself.
Text harmless(Text component, TextView placeholder) {
    if (component.empty()) {
        return Text(placeholder);
    }
    if (component == u"." || component == u"..") {
        return u"_" + component;
    }
    return component;
}

Text directoryName(TextView name, TextView placeholder) {
    return harmless(prefixFittingUtf8Bytes(replacingPathSeparators(name), kMaxNameBytes),
                    placeholder);
}

}  // namespace

std::size_t utf8Length(TextView text) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < text.size();) {
        const text::CodePoint codePoint = text::codePointAt(text, i);
        bytes += utf8LengthOf(codePoint.value);
        i += codePoint.length;
    }
    return bytes;
}

Text prefixFittingUtf8Bytes(TextView text, std::size_t maxBytes) {
    std::size_t bytes = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        const text::CodePoint codePoint = text::codePointAt(text, end);
        const std::size_t more = utf8LengthOf(codePoint.value);
        if (bytes + more > maxBytes) {
            break;
        }
        bytes += more;
        end += codePoint.length;
    }
    return Text(text.substr(0, end));
}

Text replacingPathSeparators(TextView name) {
    Text result(name);
    for (char16_t& unit : result) {
        if (unit == u'/' || unit == u'\0') {
            unit = u'-';
        }
    }
    return result;
}

Text directoryNameForFolder(TextView name) { return directoryName(name, u"Untitled Folder"); }

Text directoryNameForAccount(TextView name) { return directoryName(name, u"Untitled Account"); }

Text fittedBaseName(TextView base, TextView extension) {
    const std::size_t extensionBytes = extension.empty() ? 0 : utf8Length(extension) + 1;
    return prefixFittingUtf8Bytes(base, kMaxNameBytes - extensionBytes);
}

Text uniqueFileName(const Text& base, const Text& extension, const std::vector<Text>& takenNames) {
    auto withExtension = [&extension](const Text& name) {
        return extension.empty() ? name : name + u"." + extension;
    };
    std::vector<Text> taken = takenNames;
    Text shortened = fittedBaseName(base, extension);
    for (;;) {
        Text candidate = PathUtilities::filenameForPrefererredName(withExtension(shortened),
                                                                   std::nullopt, taken);
        const std::size_t bytes = utf8Length(candidate);
        const std::size_t baseBytes = utf8Length(shortened);
        if (bytes <= kMaxNameBytes || baseBytes == 0) {
            return candidate;
        }
        // The counter (or the decomposition) made the name longer: give the base less room and
        // choose again. The shortened name without a counter counts as taken, so that the
        // result still shows that it stands beside another of the same name.
        const std::size_t excess = bytes - kMaxNameBytes;
        shortened = prefixFittingUtf8Bytes(shortened, baseBytes > excess ? baseBytes - excess : 0);
        taken.push_back(withExtension(shortened));
    }
}

}  // namespace quillmere::export_names
