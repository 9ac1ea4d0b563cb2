#include "tests/fakes/call_journal.h"

#include <cstdio>

namespace quillmere::test {

std::string journalNumber(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

}  // namespace quillmere::test
