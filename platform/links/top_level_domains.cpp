#include "platform/links/top_level_domains.h"

#include <unicode/uidna.h>

#include <fstream>
#include <sstream>

namespace quillmere {

namespace {

// ASCII letters lower-cased by hand (the common case); anything else through Unicode.
Text lowercasedLabel(TextView label) {
    for (char16_t c : label) {
        if (c >= 0x80) {
            return text::lowercased(label);
        }
    }
    Text result(label);
    for (char16_t& c : result) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return result;
}

// The "xn--" form of a Unicode label, or nullopt when the label is ASCII or not convertible.
std::optional<Text> asciiForm(const Text& label) {
    static UIDNA* const idna = [] {
        UErrorCode status = U_ZERO_ERROR;
        UIDNA* made = uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_ASCII, &status);
        return U_SUCCESS(status) ? made : nullptr;
    }();
    if (idna == nullptr) {
        return std::nullopt;
    }
    char16_t buffer[256];
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uidna_labelToASCII(
        idna, label.data(), static_cast<int32_t>(label.size()), buffer, 256, &info, &status);
    if (U_FAILURE(status) || info.errors != 0 || length <= 0) {
        return std::nullopt;
    }
    Text ascii(buffer, static_cast<std::size_t>(length));
    if (ascii == label) {
        return std::nullopt;
    }
    return ascii;
}

// The last label of one rule: "*.ck" -> "ck", "!www.ck" -> "ck", "ελ" -> "ελ".
std::string_view lastLabel(std::string_view rule) {
    const std::size_t dot = rule.rfind('.');
    std::string_view label = dot == std::string_view::npos ? rule : rule.substr(dot + 1);
    while (!label.empty() && (label.front() == '!' || label.front() == '*')) {
        label.remove_prefix(1);
    }
    return label;
}

}  // namespace

TopLevelDomains TopLevelDomains::fromPublicSuffixList(std::string_view listText) {
    const bool sectioned = listText.find("===BEGIN ICANN DOMAINS===") != std::string_view::npos;
    bool inIcann = !sectioned;
    TopLevelDomains result;
    std::size_t lineStart = 0;
    while (lineStart < listText.size()) {
        std::size_t lineEnd = listText.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = listText.size();
        }
        std::string_view line = listText.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        if (line.starts_with("//")) {
            if (line.find("===BEGIN ICANN DOMAINS===") != std::string_view::npos) {
                inIcann = true;
            } else if (line.find("===END ICANN DOMAINS===") != std::string_view::npos) {
                inIcann = false;
            }
            continue;
        }
        // A rule is the line's first field; the rest of the line is ignored.
        const std::size_t ruleEnd = line.find_first_of(" \t\r");
        const std::string_view rule = line.substr(0, ruleEnd);
        if (!inIcann || rule.empty()) {
            continue;
        }
        const std::string_view label = lastLabel(rule);
        if (label.empty()) {
            continue;
        }
        Text lowered = lowercasedLabel(text::fromUtf8(label));
        if (std::optional<Text> ascii = asciiForm(lowered)) {
            result.labels_.insert(lowercasedLabel(*ascii));
        }
        result.labels_.insert(std::move(lowered));
    }
    return result;
}

std::optional<TopLevelDomains> TopLevelDomains::fromFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return fromPublicSuffixList(contents.view());
}

bool TopLevelDomains::contains(TextView label) const {
    return !label.empty() && labels_.contains(lowercasedLabel(label));
}

const TopLevelDomains& systemTopLevelDomains() {
    static const TopLevelDomains domains =
        TopLevelDomains::fromFile(kPublicSuffixListPath).value_or(TopLevelDomains());
    return domains;
}

}  // namespace quillmere
