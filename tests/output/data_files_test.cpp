#include "output/data_files.hpp"

#include <gtest/gtest.h>

#include <array>
#include <span>
#include <string>
#include <vector>

namespace velmor {
namespace {

TEST(DataFile, SizesThreeTwoFourGiveTenLines) {
    const std::vector<double> g1 = {-0.5, 7.0, 100.0};
    const std::vector<double> g2 = {98.25, 12345.678};
    const std::vector<double> g3 = {0.0004, 0.0005, -12.3456, 1e6};
    MemoryLineSink sink;
    WriteDataFile(sink, {std::span<const double>(g1), std::span<const double>(g2),
                         std::span<const double>(g3)});
    EXPECT_EQ(sink.text(),
              "case,group,score\r\n"
              "1,1,-0.500\r\n"
              "2,1,7.000\r\n"
              "3,1,100.000\r\n"
              "4,2,98.250\r\n"
              "5,2,12345.678\r\n"
              "6,3,0.000\r\n"
              "7,3,0.001\r\n"
              "8,3,-12.346\r\n"
              "9,3,1000000.000\r\n");
}

TEST(DataFile, EmptyGroupsLeaveOnlyTheHeader) {
    // Before any replication the score arrays hold no cases.
    MemoryLineSink sink;
    WriteDataFile(sink, {});
    EXPECT_EQ(sink.lines, std::vector<std::string>{"case,group,score"});
}

RunState MeansState(std::int32_t keep, std::uint32_t iterations, std::int32_t keptByLastRun) {
    RunState state;
    state.settings.txtmeanstokeep = keep;
    state.settings.txtiterations = iterations;
    state.tallies.keptMeansOfLastRun = keptByLastRun;
    for (int i = 0; i < kMaxKeptMeans; ++i) {
        state.tallies.keptMeans[0][i] = 100.0 + i;
        state.tallies.keptMeans[1][i] = -0.5 * i;
        state.tallies.keptMeans[2][i] = 1.0 / (i + 3);
    }
    return state;
}

TEST(MeansFile, WritesTheKeptMeansOfEachSample) {
    MemoryLineSink sink;
    WriteMeansFile(sink, MeansState(3, 500, 500));
    EXPECT_EQ(sink.text(),
              "sample,mean1,mean2,mean3\r\n"
              "1,100.00000,0.00000,0.33333\r\n"
              "2,101.00000,-0.50000,0.25000\r\n"
              "3,102.00000,-1.00000,0.20000\r\n");
}

TEST(MeansFile, ZeroToKeepIsOneLine) {
    MemoryLineSink sink;
    WriteMeansFile(sink, MeansState(0, 500, 500));
    EXPECT_EQ(sink.text(), "Number of means to Save was set at 0\r\n");
}

TEST(MeansFile, CountIsTheSmallerOfKeepAndIterations) {
    // The settings step normally keeps txtmeanstokeep within the iterations;
    // the file does not rely on it.
    MemoryLineSink sink;
    WriteMeansFile(sink, MeansState(10000, 4, 4));
    EXPECT_EQ(sink.lines.size(), 5u);
    EXPECT_EQ(sink.lines.back(), "4,103.00000,-1.50000,0.16667");
    EXPECT_EQ(MeansToWrite(MeansState(10000, 20000, 10000)), 10000);
}

TEST(MeansFile, StoppedRunWritesOnlyTheReplicationsItCompleted) {
    // Asked for 1000, stopped after 37: entries 38 and on belong to an
    // earlier run (or are zeros) and are left out.
    MemoryLineSink sink;
    WriteMeansFile(sink, MeansState(1000, 10000, 37));
    ASSERT_EQ(sink.lines.size(), 38u);
    EXPECT_EQ(sink.lines.front(), "sample,mean1,mean2,mean3");
    EXPECT_EQ(sink.lines.back(), "37,136.00000,-18.00000,0.02564");
    EXPECT_EQ(MeansToWrite(MeansState(1000, 10000, 37)), 37);
}

TEST(MeansFile, RunThatCompletedNothingWritesTheHeaderAlone) {
    MemoryLineSink sink;
    WriteMeansFile(sink, MeansState(1000, 10000, 0));
    EXPECT_EQ(sink.text(), "sample,mean1,mean2,mean3\r\n");
}

TEST(MeansFile, NeverReadsPastTheKeptArrays) {
    MemoryLineSink sink;
    WriteMeansFile(sink, MeansState(10000, 50000, 50000));
    ASSERT_EQ(sink.lines.size(), 10001u);
    EXPECT_EQ(sink.lines.back(), "10000,10099.00000,-4999.50000,0.00010");
}

}  // namespace
}  // namespace velmor
