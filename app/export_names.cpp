#include "app/export_names.h"

#include <cstdint>
#include <string>

#include "platform/files/path_components.h"

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

Text directoryName(TextView name, TextView placeholder) {
    if (name.empty()) {
        return Text(placeholder);
    }
    return prefixFittingUtf8Bytes(replacingPathSeparators(name), kMaxNameBytes);
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
    return path::singleComponent(name, u'-', path::SelfOrParent::kPrefixed);
}

Text asWritten(TextView name) { return text::fromUtf8(text::toUtf8(name)); }

Text directoryNameForFolder(TextView name) { return directoryName(name, u"Untitled Folder"); }

Text directoryNameForAccount(TextView name) { return directoryName(name, u"Untitled Account"); }

Text fittedBaseName(TextView base, TextView extension) {
    const std::size_t extensionBytes = extension.empty() ? 0 : utf8Length(extension) + 1;
    return prefixFittingUtf8Bytes(base, kMaxNameBytes - extensionBytes);
}

Text uniqueFileName(const Text& base, const Text& extension, PathUtilities::TakenFilenames& taken) {
    const Text dotExtension = extension.empty() ? Text() : u"." + extension;
    Text shortened = fittedBaseName(base, extension);
    for (;;) {
        const std::uint64_t counter = taken.firstFreeCounter(shortened + dotExtension);
        Text candidate =
            shortened + u" - " + text::fromUtf8(std::to_string(counter)) + dotExtension;
        const std::size_t bytes = utf8Length(candidate);
        const std::size_t baseBytes = utf8Length(shortened);
        if (bytes <= kMaxNameBytes || baseBytes == 0) {
            return candidate;
        }
        // The counter made the name too long: give the base less room and count again, so that
        // the result still shows that it stands beside another of the same name.
        const std::size_t excess = bytes - kMaxNameBytes;
        shortened = prefixFittingUtf8Bytes(shortened, baseBytes > excess ? baseBytes - excess : 0);
    }
}

}  // namespace quillmere::export_names
