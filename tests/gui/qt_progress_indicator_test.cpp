// The progress bar keeps the run's double values while an int bar shows them.

#include "gui/qt_progress_indicator.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace quillmere::test {
namespace {

TEST(QtProgressIndicator, KeepsTheRunsValuesAndShowsWholeStepsWithinTheBar) {
    struct Row {
        const char* name;
        double maxValue;
        std::vector<double> increments;
        double value;    // doubleValue() afterwards
        int barMaximum;  // what the bar shows
        int barValue;
    };
    const std::vector<Row> rows = {
        {"halves", 3, {0.5, 0.5, 0.5}, 1.5, 3, 1},
        {"no_notes", 0, {}, 0, 1, 0},  // a range of 0 to 0 would be a busy bar
        {"more_steps_than_counted", 2, {1, 1, 1}, 3, 2, 2},
        {"beyond_an_int", 1e10, {5e9}, 5e9, INT_MAX, INT_MAX / 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QProgressBar bar;
        gui::QtProgressIndicator indicator(&bar);
        indicator.setMaxValue(row.maxValue);
        indicator.setDoubleValue(0.0);
        for (double step : row.increments) indicator.incrementBy(step);
        EXPECT_EQ(indicator.maxValue(), row.maxValue);
        EXPECT_EQ(indicator.doubleValue(), row.value);
        EXPECT_EQ(bar.maximum(), row.barMaximum);
        EXPECT_EQ(bar.value(), row.barValue);
    }
}

}  // namespace
}  // namespace quillmere::test
