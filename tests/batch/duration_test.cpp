// Durations as --max-time takes them: seconds with a unit, or clock time as
// Slurm writes it; anything else, and nothing at or below zero, is refused.
#include "batch/duration.hpp"

#include <gtest/gtest.h>

using velmor::batch::ParseDuration;

TEST(Duration, SecondsWithAUnitOrClockTime) {
    const struct {
        const char* text;
        double seconds;
    } kRead[] = {{"90", 90},   {"90s", 90},       {"2.5m", 150},  {"2h", 7200},   {"1d", 86400},
                 {"1:30", 90}, {"1:00:00", 3600}, {"0:00:01", 1}, {"0.25", 0.25}, {"10m", 600}};
    for (const auto& row : kRead) {
        const auto seconds = ParseDuration(row.text);
        ASSERT_TRUE(seconds) << row.text;
        EXPECT_EQ(*seconds, row.seconds) << row.text;
    }
    for (const char* text : {"", "0", "0s", "-5", "5x", "m", "1:60", "1:2:3:4", "1::2", "inf",
                             "nan", "1e400", " 5", "5 "})
        EXPECT_FALSE(ParseDuration(text)) << "'" << text << "'";
}
