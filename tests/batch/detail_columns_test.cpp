// The summary's Monte Carlo error, band reading and normal-theory power,
// filled for the example studies and empty where they do not apply.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "batch/batch_runner.hpp"

namespace velmor::batch {
namespace {

const std::string kExamples = VELMOR_TEST_DATA "/../../examples/";

StudyOutcome RunExample(const std::string& name) {
    const StudyReadResult read = ReadStudyFile(kExamples + name);
    EXPECT_TRUE(std::holds_alternative<Study>(read)) << name;
    return RunStudy(std::get<Study>(read));
}

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

TEST(DetailColumns, AppendedAtTheEndOfTheHeader) {
    const std::vector<std::string> header = Fields(SummaryHeader());
    ASSERT_EQ(header.size(), 23u);
    EXPECT_EQ(header[17], "message");
    EXPECT_EQ(std::vector<std::string>(header.end() - 5, header.end()),
              (std::vector<std::string>{"mc_se", "ci_low", "ci_high", "band_reading",
                                        "normal_theory_power"}));
}

TEST(DetailColumns, FilledForTheExamples) {
    // Power with the theory beside it; no bands for a power study.
    const std::vector<std::string> power = Fields(SummaryRow(RunExample("medium_power.study")));
    ASSERT_EQ(power.size(), 23u);
    EXPECT_EQ(power[1], "ok");
    EXPECT_NEAR(std::stod(power[18]), 0.0046, 0.0001);
    EXPECT_LT(std::stod(power[19]), std::stod(power[5]));
    EXPECT_GT(std::stod(power[20]), std::stod(power[5]));
    EXPECT_EQ(power[21], "");
    EXPECT_NEAR(std::stod(power[22]), 0.3098, 0.5e-4);

    // The search: the last trial's error and the theory at the sizes found.
    const StudyOutcome searched = RunExample("sample_size_search.study");
    const std::vector<std::string> search = Fields(SummaryRow(searched));
    ASSERT_EQ(search.size(), 23u);
    EXPECT_EQ(search[16], "yes");
    EXPECT_FALSE(search[18].empty());
    EXPECT_NEAR(std::stod(search[22]), 0.80, 0.03);

    // Robustness with unequal SDs: bands read, no exact theory.
    const std::vector<std::string> unequal =
        Fields(SummaryRow(RunExample("unequal_sd_unequal_n.study")));
    ASSERT_EQ(unequal.size(), 23u);
    EXPECT_EQ(unequal[6], "INFLATED");
    EXPECT_EQ(unequal[21], "Bradley above; Robey & Barcikowski above");
    EXPECT_EQ(unequal[22], "");

    const std::vector<std::string> uniform =
        Fields(SummaryRow(RunExample("uniform_robustness.study")));
    ASSERT_EQ(uniform.size(), 23u);
    // 522 of 10000: ROBUST by the estimate, but its interval reaches past 0.055.
    EXPECT_EQ(uniform[6], "ROBUST");
    EXPECT_EQ(uniform[21], "Bradley straddles upper edge; Robey & Barcikowski inside");
    EXPECT_EQ(uniform[22], "");
    EXPECT_LE(std::stod(uniform[19]), std::stod(uniform[5]));
}

TEST(DetailColumns, FailedStudyLeavesThemEmpty) {
    const StudyReadResult read = ParseStudy("bad.study", "[group 1]\nreliability = 2\n");
    const std::vector<std::string> row = Fields(SummaryRow(RunStudy(std::get<Study>(read))));
    ASSERT_EQ(row.size(), 23u);
    EXPECT_EQ(row[1], "failed");
    for (std::size_t i = 18; i < 23; ++i) EXPECT_EQ(row[i], "") << i;
}

}  // namespace
}  // namespace velmor::batch
