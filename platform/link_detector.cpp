#include "platform/link_detector.h"

#include "platform/link_scanner.h"
#include "platform/link_text_segments.h"
#include "platform/top_level_domains.h"

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
