#pragma once
// The link detector of the product: finds the links in a note's HTML text, never inside a tag or
// inside the content of an existing anchor element, scanning each stretch of text between tags
// in a single pass from left to right. The rules:
//
// - An address with a scheme that is safe to open: "https://host/path", "ftp://host" and the
//   like, and "mailto:local@host". A scheme that may run code or reach local files
//   ("javascript:", "vbscript:", "data:", "file:", any other not on the list) never makes a
//   link, nor does any part of its address. The host may be a name in any script, an IPv4
//   address or a bracketed IPv6 address, with a port.
// - A "www." host name, such as "www.example.com/path".
// - A bare host name whose last label is a real top-level domain: "apple.com",
//   "bbc.co.uk/news". A name whose top-level domain is also a common file extension
//   ("readme.md", "setup.py", "Notes.app"), or whose last label is a capitalised word
//   ("Paris.Then", a missing space after a full stop), counts only when a path or a port
//   follows it.
// - An e-mail address "local@host.tld": the range is the address itself.
//
// A link never runs into white space, control characters, "<", ">", "\"", "`" or an entity
// other than "&amp;"; trailing punctuation is left out, and a closing bracket is kept only when
// it balances an opening one inside the link.
//
//   LinkScanner().matchesInString(u"<p>see apple.com.</p>");          // {{7, 9}}
//   appendLinks(u"see apple.com.", Range{0, 14}, systemTopLevelDomains(), links);  // {4, 9}
//
// The top-level domains come from the system's public suffix list (see top_level_domains.h).
// Where that list is missing, bare host names are not detected; the other kinds still are.

#include <memory>
#include <vector>

#include "platform/links/link_detector.h"
#include "platform/links/top_level_domains.h"
#include "platform/text/text.h"

namespace quillmere {

class LinkScanner final : public LinkDetector {
public:
    // Judges bare host names by the system's top-level domains, read on first use.
    LinkScanner() = default;
    // Judges them by `topLevelDomains` instead (an empty set detects no bare host name).
    explicit LinkScanner(std::shared_ptr<const TopLevelDomains> topLevelDomains);

    std::vector<Range> matchesInString(const Text& text) const override;

private:
    std::shared_ptr<const TopLevelDomains> topLevelDomains_;  // null: the system's
};

// Whether `target`, the address of a link stored with a note, opens with a scheme on the same
// list as detected links ("https:", "mailto:"…). One without a scheme, or with any other
// ("javascript:", "data:", " javascript:"), is not safe to make an anchor of.
bool isSafeLinkTarget(TextView target);

// Appends the ranges of the links inside `segment` of `text` to `links`, in ascending order.
// Time is linear in the segment's length whatever its content.
void appendLinks(TextView text, Range segment, const TopLevelDomains& topLevelDomains,
                 std::vector<Range>& links);

}  // namespace quillmere
