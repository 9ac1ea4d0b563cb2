#include "platform/links/link_detector.h"

#include "platform/links/link_scanner.h"
#include "platform/links/link_text_segments.h"
#include "platform/links/top_level_domains.h"

namespace quillmere {

LinkDetector::LinkDetector(std::shared_ptr<const TopLevelDomains> topLevelDomains)
    : topLevelDomains_(std::move(topLevelDomains)) {}

std::vector<Range> LinkDetector::matchesInString(const Text& text) const {
    const TopLevelDomains& domains = topLevelDomains_ ? *topLevelDomains_ : systemTopLevelDomains();
    std::vector<Range> links;
    for (Range segment : linkTextSegments(text)) {
        appendLinks(text, segment, domains, links);
    }
    return links;
}

}  // namespace quillmere
