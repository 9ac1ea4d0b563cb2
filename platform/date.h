#pragma once
// A point in time with microsecond precision, in UTC.

#include <chrono>

namespace quillmere {

using Date = std::chrono::sys_time<std::chrono::microseconds>;

}  // namespace quillmere
