// The summary's Monte Carlo error, band reading and normal-theory power,
// filled for the example studies and empty where they do not apply.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "batch/study_runner.hpp"
#include "batch/summary.hpp"

namespace velmor::batch {
namespace {

const std::string kExamples = VELMOR_TEST_DATA "/../../examples/";

StudyOutcome RunExample(const std::string& name) {
    const StudyReadResult read = ReadStudyFile(kExamples + name);
    EXPECT_TRUE(std::holds_alternative<Study>(read)) << name;
    return RunStudy(std::get<Study>(read));
}

// Positions among a row's result cells.
constexpr std::size_t kStatus = 0, kProportion = 4, kVerdict = 5, kSearch = 15, kMcSe = 17,
                      kCiLow = 18, kCiHigh = 19, kBands = 20, kTheory = 21, kCells = 41;

// The fields of a CSV line (quotes honoured).
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::vector<std::string> Cells(const StudyOutcome& outcome) {
    return Fields(ResultCells(outcome));
}

TEST(DetailColumns, AppendedAtTheEndOfTheHeader) {
    const std::vector<std::string> header = Fields(SummaryHeader({"n1"}));
    ASSERT_EQ(header.size(), 3 + kCells);
    EXPECT_EQ(header[3 + kMcSe - 1], "message");
    EXPECT_EQ(
        std::vector<std::string>(header.begin() + 3 + kMcSe, header.begin() + 3 + kTheory + 1),
        (std::vector<std::string>{"mc_se", "ci_low", "ci_high", "band_reading",
                                  "normal_theory_power"}));
    // Columns added since come after them, so older scripts keep their places.
    EXPECT_EQ(header[3 + kTheory + 1], "trials");
    EXPECT_EQ(header[3 + 28], "confirm_ci_high");
    EXPECT_EQ(header[3 + 33], "discarded_no_variance");
    EXPECT_EQ(header[3 + 34], "stop_reason");
    EXPECT_EQ(header.back(), "kurt3");
}

TEST(DetailColumns, FilledForTheExamples) {
    // Power with the theory beside it; no bands for a power study.
    const std::vector<std::string> power = Cells(RunExample("medium_power.study"));
    ASSERT_EQ(power.size(), kCells);
    EXPECT_EQ(power[kStatus], "ok");
    EXPECT_NEAR(std::stod(power[kMcSe]), 0.0046, 0.0001);
    EXPECT_LT(std::stod(power[kCiLow]), std::stod(power[kProportion]));
    EXPECT_GT(std::stod(power[kCiHigh]), std::stod(power[kProportion]));
    EXPECT_EQ(power[kBands], "");
    EXPECT_NEAR(std::stod(power[kTheory]), 0.3098, 0.5e-4);

    // The search: the last trial's error and the theory at the sizes found.
    const StudyOutcome searched = RunExample("sample_size_search.study");
    const std::vector<std::string> search = Cells(searched);
    ASSERT_EQ(search.size(), kCells);
    EXPECT_EQ(search[kSearch], "yes");
    EXPECT_FALSE(search[kMcSe].empty());
    EXPECT_NEAR(std::stod(search[kTheory]), 0.80, 0.03);

    // Robustness with unequal SDs: bands read, no exact theory.
    const std::vector<std::string> unequal = Cells(RunExample("unequal_sd_unequal_n.study"));
    ASSERT_EQ(unequal.size(), kCells);
    EXPECT_EQ(unequal[kVerdict], "INFLATED");
    EXPECT_EQ(unequal[kBands], "Bradley above; Robey & Barcikowski above");
    EXPECT_EQ(unequal[kTheory], "");

    const std::vector<std::string> uniform = Cells(RunExample("uniform_robustness.study"));
    ASSERT_EQ(uniform.size(), kCells);
    // 522 of 10000: ROBUST by the estimate, but its interval reaches past 0.055.
    EXPECT_EQ(uniform[kVerdict], "ROBUST");
    EXPECT_EQ(uniform[kBands], "Bradley straddles upper edge; Robey & Barcikowski inside");
    EXPECT_EQ(uniform[kTheory], "");
    EXPECT_LE(std::stod(uniform[kCiLow]), std::stod(uniform[kProportion]));
}

TEST(DetailColumns, FailedStudyLeavesThemEmpty) {
    const StudyReadResult read = ParseStudy("bad.study", "[group 1]\nreliability = 2\n");
    const std::vector<std::string> row = Cells(RunStudy(std::get<Study>(read)));
    ASSERT_EQ(row.size(), kCells);
    EXPECT_EQ(row[kStatus], "failed");
    for (std::size_t i = kMcSe; i < kCells; ++i) EXPECT_EQ(row[i], "") << i;
}

}  // namespace
}  // namespace velmor::batch
