// When a pipelined run keeps its two threads, from readings alone: the rule
// for one window, windows in a row, windows spanning several short runs, and
// the pause before a second thread is tried again.

#include "core/overlap_monitor.hpp"

#include <gtest/gtest.h>

namespace velmor {
namespace {

TEST(OverlapPays, SideBySidePaysOneAfterTheOtherDoesNot) {
    // Two threads of 10 ms each: together in 10 ms, or in turn in 20.
    EXPECT_TRUE(OverlapPays(0.010, 0.010, 0.010));
    EXPECT_TRUE(OverlapPays(0.013, 0.010, 0.010));  // a spin-laden pipeline still pays
    EXPECT_FALSE(OverlapPays(0.020, 0.010, 0.010));
    EXPECT_FALSE(OverlapPays(0.019, 0.010, 0.010));  // a twentieth gained is not enough
    // A machine so busy that the threads got little processor at all.
    EXPECT_FALSE(OverlapPays(0.050, 0.010, 0.010));
    // A producer with almost nothing to do: one thread loses almost nothing.
    EXPECT_FALSE(OverlapPays(0.010, 0.010, 0.0005));
}

// Readings of a stretch in which both threads keep busy, either side by side
// (wall = each thread's time) or taking turns (wall = twice that).
struct Stretch {
    OverlapMonitor& monitor;
    double wall = 0, consumer = 0, producer = 0;
    // Advances by `seconds` of each thread's time; returns the look's answer.
    bool advance(double seconds, bool sideBySide) {
        wall += sideBySide ? seconds : 2 * seconds;
        consumer += seconds;
        producer += seconds;
        return monitor.look(wall, consumer, producer);
    }
};

TEST(OverlapMonitor, TwoPoorWindowsInARowEndTheProducerAndPauseTheNext) {
    OverlapMonitor monitor;
    EXPECT_TRUE(monitor.mayStart(0.0));
    monitor.stretchBegins(0.0, 0.0);
    Stretch s{monitor};
    // Looks within a window decide nothing, however poor.
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(s.advance(0.001, false)) << i;
    EXPECT_FALSE(s.advance(0.003, false));  // the first poor window closes
    EXPECT_FALSE(s.advance(0.011, true));   // a good one in between starts the count again
    EXPECT_FALSE(s.advance(0.006, false));  // poor: one in a row
    EXPECT_TRUE(s.advance(0.006, false));   // poor: two in a row
    EXPECT_FALSE(monitor.mayStart(s.wall));
    EXPECT_FALSE(monitor.mayStart(s.wall + 0.9 * OverlapMonitor::kRetrySeconds));
    EXPECT_TRUE(monitor.mayStart(s.wall + OverlapMonitor::kRetrySeconds));
}

TEST(OverlapMonitor, AMachineWithCoresToSpareKeepsTheProducerForAnyLength) {
    OverlapMonitor monitor;
    monitor.stretchBegins(5.0, 1.0);  // clocks need not start at zero
    Stretch s{monitor, 5.0, 1.0, 0.0};
    for (int i = 0; i < 1000; ++i) ASSERT_FALSE(s.advance(0.004, true)) << i;
    EXPECT_TRUE(monitor.mayStart(s.wall));
}

// Trials of a search: each a run of a few milliseconds with a producer of
// its own, and work on one thread alone in between. Returns the trial in
// which the monitor ends the producer, or 0.
int TrialStoppedIn(OverlapMonitor& monitor, bool sideBySide, int trials) {
    double wall = 100.0, consumer = 0.0;
    for (int trial = 1; trial <= trials; ++trial) {
        if (!monitor.mayStart(wall)) return -trial;  // not even started
        monitor.stretchBegins(wall, consumer);
        double producer = 0.0;
        bool stop = false;
        for (int look = 0; look < 4 && !stop; ++look) {
            wall += sideBySide ? 0.001 : 0.002;  // each thread 1 ms
            consumer += 0.001;
            producer += 0.001;
            stop = monitor.look(wall, consumer, producer);
        }
        monitor.stretchEnds(wall, consumer, producer);
        if (stop) return trial;
        wall += 0.050;
        consumer += 0.050;
    }
    return 0;
}

TEST(OverlapMonitor, ShortRunsAddUpToWindowsAndTheTimeBetweenThemIsNotCounted) {
    // Taking turns, trials of 8 ms are weighed together: the first window
    // closes in trial 2, the second in trial 3.
    OverlapMonitor poor;
    EXPECT_EQ(TrialStoppedIn(poor, false, 10), 3);
    // Side by side they go on for good. Were the time between them counted,
    // with only one thread busy, every window would look poor.
    OverlapMonitor good;
    EXPECT_EQ(TrialStoppedIn(good, true, 50), 0);
}

}  // namespace
}  // namespace velmor
