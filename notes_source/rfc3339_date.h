#pragma once
// Reads an RFC 3339 date-time with a time zone ("2024-03-02T19:40:12.250+01:00"), as the Notes
// library file writes its note dates.
//
//   auto date = parseRfc3339("2024-03-01T08:15:00Z");   // none when malformed

#include <optional>
#include <string_view>

#include "platform/date.h"

namespace quillmere {

// The instant, in UTC. Fractions of a second are kept to the microsecond (further digits are
// cut off); "T" and "Z" may be lower case; a leap second (:60) reads as the next second. None
// for anything else: a missing zone, an impossible date or time, extra characters.
std::optional<Date> parseRfc3339(std::string_view text);

}  // namespace quillmere
