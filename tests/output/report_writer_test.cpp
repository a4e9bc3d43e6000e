#include "output/report_writer.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/errors.hpp"
#include "output/scratch_dir.hpp"

namespace velmor {
namespace {

const std::filesystem::path kData = std::filesystem::path(__FILE__).parent_path() / "data";
const std::array<std::string, 3> kAbout = {
    "Quorvath (Version 1.1.1)", "Copyright (c) 2026 The VELMOR developers",
    "Contact: through the issue tracker of the VELMOR project"};

void SetGroup(RunSettings& s, int g, double mean, double sd, int size, double reliability) {
    s.groups[g].mean = mean;
    s.groups[g].sd = sd;
    s.groups[g].size = size;
    s.groups[g].reliability = reliability;
    s.groups[g].distribution = Distribution::Normal;
}

RunState BaseState() {
    RunState state;
    state.settings.analysisTitle = "3-level Analysis of Variance";
    state.settings.alpha = 0.05;
    state.settings.rdoOnetail = true;
    state.settings.txtmeanstokeep = 1000;
    return state;
}

// 10000 samples from three equal populations, 520 rejections: robust.
RunState RobustnessRun() {
    RunState state = BaseState();
    RunSettings& s = state.settings;
    SetGroup(s, 0, 100, 15, 16, 1.0);
    SetGroup(s, 1, 100, 15, 16, 0.8);
    SetGroup(s, 2, 100, 15, 16, 0.9);
    s.txtseed = 1432449975;
    s.txtiterations = 10000;
    state.seedText = "1432449975";
    RunTallies& t = state.tallies;
    t.completedReplications = 10000;
    t.rejections = 520;
    t.rejectionProportion = 0.052;
    t.sumOfReliabilities = {10000.0, 7954.321, 8987.6543};
    t.sumOfMeans = {1000123.4, 999876.6, 1000049.9};
    t.seOfMeans = {3.7512, 3.7488, 3.74962};
    state.flags.nullIsTrue = true;
    state.resultLines[0] =
        "Given these population conditions, the test appears to be ROBUST because actual alpha "
        "(520/10000=0.0520) falls within a fairly stringent 10% of ";
    state.resultLines[1] = "the desired nominal alpha (that is, between 0.0450 and 0.0550). ";
    state.resultLines[2] =
        "See Bradley (1978) or Robey & Barcikowski (1992) for a discussion of robustness "
        "criteria.";
    return state;
}

// Means 0, 0, 0.5: 8123 rejections in 10000 are the power.
RunState PowerRun() {
    RunState state = BaseState();
    RunSettings& s = state.settings;
    SetGroup(s, 0, 0.0, 1, 20, 1.0);
    SetGroup(s, 1, 0.0, 1, 20, 1.0);
    SetGroup(s, 2, 0.5, 1, 20, 1.0);
    s.txtseed = -123456;
    s.txtiterations = 10000;
    state.seedText = "-123456";
    RunTallies& t = state.tallies;
    t.completedReplications = 10000;
    t.rejections = 8123;
    t.rejectionProportion = 0.8123;
    t.sumOfReliabilities = {10000.0, 10000.0, 10000.0};
    t.sumOfMeans = {12.3, -45.6, 5001.2};
    t.seOfMeans = {0.2236, 0.22401, 0.2229};
    state.resultLines[0] = "Actual Power is 0.8123, which is ";
    state.resultLines[1] =
        "the proportion of correct rejections (8123/10000) of the known-to-be-false null "
        "hypothesis. ";
    return state;
}

// One requested sample: that sample's own values and its F test.
RunState SingleRun() {
    RunState state = BaseState();
    RunSettings& s = state.settings;
    SetGroup(s, 0, 50, 10, 5, 0.75);
    SetGroup(s, 1, 50, 10, 2000, 0.6);
    SetGroup(s, 2, 50, 10, 12, 1.0);
    s.alpha = 0.1;
    s.txtseed = 77;
    s.txtiterations = 1;
    state.seedText = "77";
    RunTallies& t = state.tallies;
    t.completedReplications = 1;
    t.rejections = 0;
    t.rejectionProportion = 0.0;
    t.sumOfReliabilities = {0.7312, 0.58764, 1.0};
    t.sumOfMeans = {48.9, 51.2346, 50.0};
    t.seOfMeans = {9.87, 10.1234, 11.0};
    state.fRatio = 2.3456;
    state.singleRunF = 2.3456;
    state.lastPValue = 0.1049;
    state.flags.nullIsTrue = true;
    // Not printed: one requested sample has no closing verdict.
    state.resultLines[1] = "     F-statistic = 2.3456";
    state.resultLines[2] = "significance = 0.1049";
    return state;
}

// The last trial of a sample-size search, two-tailed wording.
RunState SampleSizeRun() {
    RunState state = BaseState();
    RunSettings& s = state.settings;
    SetGroup(s, 0, 12345.678, 100, 27, 1.0);
    SetGroup(s, 1, 12340.0, 100, 27, 1.0);
    SetGroup(s, 2, 12350.0, 100, 27, 1.0);
    s.rdoOnetail = false;
    s.rdoTwotail = true;
    s.txtseed = 2147483647;
    s.txtiterations = 1000;
    state.seedText = "2147483647";
    RunTallies& t = state.tallies;
    t.completedReplications = 1000;
    t.rejections = 803;
    t.typeIIIErrors = 0;
    t.rejectionProportion = 0.803;
    t.sumOfReliabilities = {1000.0, 1000.0, 1000.0};
    t.sumOfMeans = {12345678.9, 12340012.3, 12349987.6};
    t.seOfMeans = {19.2451, 19.1, 19.3};
    state.flags.sampleSizeAnalysis = true;
    state.resultLines[0] = "For POWER of 0.80, the sample sizes are n1=27, n2=27, n3=27 ";
    state.resultLines[1] = "(actual power 0.8030 over 1000 samples).";
    return state;
}

std::string Report(const RunState& state) {
    MemoryLineSink sink;
    WriteResultsReport(sink, state, kAbout);
    return sink.text();
}

TEST(ResultsReportGolden, RobustnessRun) {
    EXPECT_EQ(Report(RobustnessRun()), testing::ReadFile(kData / "robustness_report.OUT"));
}

TEST(ResultsReportGolden, PowerRun) {
    EXPECT_EQ(Report(PowerRun()), testing::ReadFile(kData / "power_report.OUT"));
}

TEST(ResultsReportGolden, SingleReplicationRun) {
    EXPECT_EQ(Report(SingleRun()), testing::ReadFile(kData / "single_report.OUT"));
}

TEST(ResultsReportGolden, SampleSizeSearchRun) {
    EXPECT_EQ(Report(SampleSizeRun()), testing::ReadFile(kData / "sample_size_report.OUT"));
}

TEST(ResultsReportGolden, SameBytesThroughAFile) {
    testing::ScratchDir dir;
    const auto path = dir / "DORVEN_out_1432449975.OUT";
    {
        TextFileSink file(path);
        WriteResultsReport(file, RobustnessRun(), kAbout);
        file.commit();
    }
    EXPECT_EQ(testing::ReadFile(path), testing::ReadFile(kData / "robustness_report.OUT"));
}

// The lines from the section's title to the closing block's first blank.
std::vector<std::string> SectionLines(const RunState& state) {
    MemoryLineSink sink;
    WriteResultsReport(sink, state, kAbout);
    auto& lines = sink.lines;
    const auto title = std::find(lines.begin(), lines.end(),
                                 "---------------------------------------------------------");
    const auto rule = std::find(title + 1, lines.end(),
                                "---------------------------------------------------------");
    const auto stars = std::find(title + 1, lines.end(),
                                 "*********************************************************");
    return {title + 2, std::min(rule, stars)};
}

TEST(ResultsReportSections, NeitherTailLeavesOutTheAlphaLine) {
    RunState robust = RobustnessRun();
    robust.settings.rdoOnetail = false;
    const std::vector<std::string> expectRobust = {
        "MONTE CARLO ROBUSTNESS ANALYSIS",
        "",
        "Because the Population Means are EQUAL, the Null Hypothesis is TRUE",
        "Therefore, any rejections of the Null Hypothesis are Type I errors",
        "",
        "",
        "# of Rejections  Actual ALPHA",
        "===============  ============",
        "      520           0.0520",
        ""};
    EXPECT_EQ(SectionLines(robust), expectRobust);

    RunState power = PowerRun();
    power.settings.rdoOnetail = false;
    const std::vector<std::string> expectPower = {
        "MONTE CARLO POWER ANALYSIS",
        "",
        "Because the Population Means are NOT equal, the Null Hypothesis is FALSE",
        "Therefore, NON-rejections of the Null Hypothesis are Type II errors",
        "",
        ""};
    EXPECT_EQ(SectionLines(power), expectPower);
}

TEST(ResultsReportSections, OneTailWinsOverTwo) {
    RunState state = SampleSizeRun();
    state.settings.rdoOnetail = true;
    const auto lines = SectionLines(state);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[8], "1-tailed tests were performed at Nominal ALPHA= 0.050");
    EXPECT_EQ(lines[10], "# of Rejections     POWER      ");
    EXPECT_EQ(lines[12], "      803           0.8030");
}

TEST(ResultsReportSections, SampleSizeSectionWinsOverRobustness) {
    RunState state = SampleSizeRun();
    state.flags.nullIsTrue = true;
    EXPECT_EQ(SectionLines(state).front(), "MONTE CARLO SAMPLE SIZE ANALYSIS");
    state.flags.sampleSizeAnalysis = false;
    EXPECT_EQ(SectionLines(state).front(), "MONTE CARLO ROBUSTNESS ANALYSIS");
    state.flags.nullIsTrue = false;
    EXPECT_EQ(SectionLines(state).front(), "MONTE CARLO POWER ANALYSIS");
}

TEST(ResultsReportSections, TwoTailedPowerAdjustsForTypeIIIErrors) {
    RunState state = SampleSizeRun();
    state.flags.sampleSizeAnalysis = false;
    state.tallies.typeIIIErrors = 3;
    const auto lines = SectionLines(state);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[9], "      803           0.8030                3              0.8000");
}

TEST(ResultsReport, RunStoppedBeforeItsFirstSampleIsStillWritten) {
    // Nothing completed: the one-sample form with zero sums, and no division
    // by the count anywhere.
    RunState state = SampleSizeRun();
    state.flags.sampleSizeAnalysis = false;
    state.tallies = RunTallies{};
    state.fRatio = 0.0;
    state.lastPValue = 0.0;
    MemoryLineSink sink;
    WriteResultsReport(sink, state, kAbout);
    const auto& lines = sink.lines;
    EXPECT_EQ(lines[6], "# of Simulated Samples Taken: 0");
    EXPECT_EQ(lines[28], "         Sample Reliability of DV 1:      0.000");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "        0           0.0000                0              0.0000"),
              lines.end());
}

TEST(ResultsReport, CountStandsInsideTheAveragedLabels) {
    RunState state = RobustnessRun();
    state.tallies.completedReplications = 2;
    state.tallies.sumOfMeans = {201.0, 199.0, 200.5};
    MemoryLineSink sink;
    WriteResultsReport(sink, state, kAbout);
    EXPECT_EQ(sink.lines[32], "          Mean of 2 Group 1 Means:  100.500");
    EXPECT_EQ(sink.lines[34], "          Mean of 2 Group 3 Means:  100.250");
    EXPECT_EQ(sink.lines[36], "       Std Dev of 2 Group 1 Means:    3.751 (Std Error)");
}

// Accepts a number of lines, then fails like a full disk.
class FailingSink final : public LineSink {
  public:
    explicit FailingSink(int accepted) : accepted_(accepted) {}
    void writeLine(std::string_view line) override {
        if (written == accepted_) throw IoError(28);
        ++written;
        last = line;
    }
    int written = 0;
    std::string last;

  private:
    int accepted_;
};

TEST(ResultsReport, StopsAtTheFirstFailedLine) {
    FailingSink sink(6);
    try {
        WriteResultsReport(sink, RobustnessRun(), kAbout);
        FAIL() << "no IoError";
    } catch (const IoError& error) {
        EXPECT_EQ(std::string(error.what()), "I/O error 28");
    }
    EXPECT_EQ(sink.written, 6);
    EXPECT_EQ(sink.last, "Random Number Generator Seed: 1432449975");
}

}  // namespace
}  // namespace velmor
