#pragma once
// Finds the links in one stretch of text that holds no markup, in a single pass from left to
// right. The rules:
//
// - An address with a scheme: "https://host/path", any "scheme://" whose scheme is a letter
//   followed by letters, digits, "+", "." or "-", and "mailto:local@host". The host may be a
//   name in any script, an IPv4 address or a bracketed IPv6 address, with a port.
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
//   std::vector<Range> links;
//   appendLinks(u"see apple.com.", Range{0, 14}, systemTopLevelDomains(), links);  // {4, 9}

#include <vector>

#include "platform/links/top_level_domains.h"
#include "platform/text/text.h"

namespace quillmere {

// Appends the ranges of the links inside `segment` of `text` to `links`, in ascending order.
// Time is linear in the segment's length whatever its content.
void appendLinks(TextView text, Range segment, const TopLevelDomains& topLevelDomains,
                 std::vector<Range>& links);

}  // namespace quillmere
