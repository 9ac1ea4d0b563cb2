#include "platform/link_detector.h"

namespace quillmere {

// Placeholder until the detector's rules land: finds no links.
std::vector<Range> LinkDetector::matchesInString(const Text&) const { return {}; }

}  // namespace quillmere
