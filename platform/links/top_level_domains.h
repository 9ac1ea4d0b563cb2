#pragma once
// The set of real top-level domains, against which a bare host name such as "apple.com" is
// judged to be a web address rather than a file name or a dotted word.
//
// The labels come from the public suffix list that Debian keeps up to date in the package
// "publicsuffix" (one rule a line, "//" comments). Only the ICANN section counts: a rule of the
// private section names something its operator hands out below a real top-level domain, and a
// pseudo-domain listed there ("local", "onion"…) must not turn a bare name into a link. The
// last label of every rule is taken, in Unicode as the list writes it and in its ASCII
// ("xn--") form, and labels are compared without regard to letter case.
//
//   const TopLevelDomains& tlds = systemTopLevelDomains();
//   if (tlds.contains(u"COM")) { ... }

#include <filesystem>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "platform/text/text.h"

namespace quillmere {

class TopLevelDomains {
public:
    // The empty set: no label is a top-level domain.
    TopLevelDomains() = default;

    // The last labels of the rules in a public suffix list's text. Without the list's section
    // markers every rule counts.
    static TopLevelDomains fromPublicSuffixList(std::string_view listText);
    // The same, read from a file; nullopt when it cannot be read.
    static std::optional<TopLevelDomains> fromFile(const std::filesystem::path& path);

    // Whether `label` (one label, without dots) is a top-level domain, in any letter case.
    bool contains(TextView label) const;
    std::size_t size() const { return labels_.size(); }
    bool empty() const { return labels_.empty(); }

private:
    std::unordered_set<Text> labels_;  // lower-cased
};

// Where Debian installs the public suffix list.
inline constexpr const char* kPublicSuffixListPath =
    "/usr/share/publicsuffix/public_suffix_list.dat";

// The system's top-level domains, read from kPublicSuffixListPath on first use, once per
// process. When the file is missing this set is empty, and bare host names are then never
// links (addresses with a scheme, "www." names and e-mail addresses do not need it).
const TopLevelDomains& systemTopLevelDomains();

}  // namespace quillmere
