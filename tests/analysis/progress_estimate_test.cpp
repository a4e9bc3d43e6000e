// Progress of a run as the Details window reads it between replications.
#include "analysis/progress_estimate.hpp"

#include <gtest/gtest.h>

namespace velmor {
namespace {

TEST(DurationText, ShortAndLongDurations) {
    EXPECT_EQ(DurationText(0.0), "0:00");
    EXPECT_EQ(DurationText(7.4), "0:07");
    EXPECT_EQ(DurationText(750.0), "12:30");
    EXPECT_EQ(DurationText(3 * 3600 + 5 * 60 + 9), "3:05:09");
    EXPECT_EQ(DurationText(4 * 86400 + 6 * 3600 + 20), "4 days 6 h");
    EXPECT_EQ(DurationText(1e13), "more than a million days");
    EXPECT_EQ(DurationText(-3.0), "0:00");
}

TEST(ProgressEstimate, RunWithTimeLeft) {
    ProgressEstimate p;
    p.start(10.0, false);
    EXPECT_EQ(p.text(), "Running: starting");
    p.observe({10000, 0}, 10.1);
    EXPECT_FALSE(p.secondsLeft());
    p.observe({10000, 2500}, 12.1);  // 2500 in 2 s: 6 s for the 7500 left
    ASSERT_TRUE(p.secondsLeft());
    EXPECT_DOUBLE_EQ(*p.secondsLeft(), 6.0);
    EXPECT_EQ(p.text(),
              "Running: 2,500 of 10,000 replications (25%); elapsed 0:02; about 0:06 left");
}

TEST(ProgressEstimate, MistypedCountShowsAtOnce) {
    ProgressEstimate p;
    p.start(0.0, false);
    p.observe({4000000000u, 0}, 0.25);
    p.observe({4000000000u, 1000}, 0.5);  // 4000 a second
    EXPECT_EQ(
        p.text(),
        "Running: 1,000 of 4,000,000,000 replications (0%); elapsed 0:01; about 11 days 13 h left");
}

TEST(ProgressEstimate, SearchCountsTrialsAndTimesEachAfresh) {
    ProgressEstimate p;
    p.start(0.0, true);
    EXPECT_EQ(p.text(), "Searching: preparing the next trial");
    p.observe({100, 50}, 1.0);
    p.observe({100, 100}, 2.0);
    EXPECT_EQ(p.trial(), 1);
    p.observe({500, 10}, 3.0);  // a new plan: the next trial
    EXPECT_EQ(p.trial(), 2);
    EXPECT_FALSE(p.secondsLeft());  // no rate yet for this trial
    p.observe({500, 110}, 4.0);
    EXPECT_DOUBLE_EQ(*p.secondsLeft(), 3.9);
    p.observe({500, 20}, 5.0);  // same plan, fewer done: another trial
    EXPECT_EQ(p.trial(), 3);
    EXPECT_EQ(p.text(), "Searching, trial 3: 20 of 500 replications (4%); elapsed 0:05");
}

}  // namespace
}  // namespace velmor
