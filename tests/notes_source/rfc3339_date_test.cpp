#include "notes_source/rfc3339_date.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using namespace std::chrono;

TEST(Rfc3339Date, ReadsZonesAndFractions) {
    const Date base = sys_days(2024y / March / 2) + 18h + 40min + 12s;
    struct Row {
        const char* name;
        const char* text;
        Date expected;
    };
    const Row rows[] = {
        {"utc", "2024-03-02T18:40:12Z", base},
        {"lower case", "2024-03-02t18:40:12z", base},
        {"east of utc", "2024-03-02T19:40:12+01:00", base},
        {"west of utc, across midnight", "2024-03-01T23:10:12-19:30", base},
        {"short fraction", "2024-03-02T18:40:12.25Z", base + 250ms},
        {"microseconds", "2024-03-02T18:40:12.000001Z", base + 1us},
        {"beyond microseconds is cut", "2024-03-02T18:40:12.1234569Z", base + 123456us},
        {"leap second", "2016-12-31T23:59:60Z", Date(sys_days(2017y / January / 1))},
        {"leap day", "2024-02-29T00:00:00Z", Date(sys_days(2024y / February / 29))},
        {"before 1970", "1969-12-31T23:59:59.5Z", Date(sys_days(1970y / January / 1)) - 500ms},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseRfc3339(row.text), row.expected);
    }
}

TEST(Rfc3339Date, RejectsWhatIsNotADateTimeWithAZone) {
    for (const char* text :
         {"", "2024-03-02", "2024-03-02T18:40:12", "2024-03-02 18:40:12Z", "2024-03-02T18:40Z",
          "2024-3-02T18:40:12Z", "2024-13-02T18:40:12Z", "2023-02-29T18:40:12Z",
          "2024-04-31T18:40:12Z", "2024-03-02T24:00:00Z", "2024-03-02T18:60:00Z",
          "2024-03-02T18:40:61Z", "2024-03-02T18:40:12.Z", "2024-03-02T18:40:12+0100",
          "2024-03-02T18:40:12+24:00", "2024-03-02T18:40:12Z ", "+2024-03-02T18:40:12Z"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseRfc3339(text), std::nullopt);
    }
}

}  // namespace
}  // namespace quillmere
