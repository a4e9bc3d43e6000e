// A study with a search: fresh numbers for every trial from the study's
// seed, an honest status when the search did not reach its target by its
// stop test, and the confirming trial.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <variant>

#include "batch/grid_run.hpp"
#include "batch/study_runner.hpp"
#include "batch/summary.hpp"
#include "output/scratch_dir.hpp"

namespace velmor::batch {
namespace {

Study Parse(const std::string& text) {
    auto result = ParseStudy("t.study", text);
    EXPECT_TRUE(std::holds_alternative<Study>(result));
    return std::get<Study>(result);
}

std::string MediumEffect(const std::string& search) {
    return "[group 1]\nmean = 0.31\n[group 2]\nmean = 0\n[group 3]\nmean = -0.31\n"
           "[run]\nseed = 6405\nsamples = 10000\nmeans_to_keep = 0\n[search]\npower = 0.80\n"
           "samples = 10000\n" +
           search;
}

// The study's seed starts the chain: the first trial draws from it, the
// last from a later seed of the chain, and the whole search reproduces.
// `seeds = fixed` keeps the study's seed for every trial, which for this
// study goes round in a circle and is ended there.
TEST(SearchStudy, TrialsDrawFreshNumbersFromTheStudysSeed) {
    const StudyOutcome chained = RunStudy(Parse(MediumEffect("")));
    ASSERT_TRUE(chained.hasResults());
    EXPECT_NE(chained.seed, "6405");
    EXPECT_GT(chained.searchTrials, 5);
    EXPECT_EQ(ResultCells(RunStudy(Parse(MediumEffect("")))), ResultCells(chained));

    const StudyOutcome fixed = RunStudy(Parse(MediumEffect("seeds = fixed\n")));
    EXPECT_EQ(fixed.seed, "6405");
    EXPECT_EQ(fixed.status, StudyStatus::NotFound);
}

// The guard ends this search with the difficulty message naming the size
// in the fields, "1"; the runs used 2. The status is not ok, and the
// message names the sizes the last trial ran, as the n columns do.
TEST(SearchStudy, ASearchEndedByTheDifficultyMessageIsNotFound) {
    const StudyOutcome o =
        RunStudy(Parse("[group 1]\nmean = 10\n[group 2]\nmean = 0\n[group 3]\nmean = -10\n"
                       "[search]\npower = 0.80\nsamples = 1000\n"));
    EXPECT_EQ(o.status, StudyStatus::NotFound);
    EXPECT_FALSE(o.ok());
    EXPECT_EQ(o.sizes, (std::array<std::int32_t, 3>{2, 2, 2}));
    ASSERT_EQ(o.messages.size(), 2u);
    EXPECT_EQ(o.messages[0],
              "sample sizes not found: the search for power 0.80 ended without meeting its stop "
              "test (it kept returning to the same sizes); its last trial ran 2, 2, 2 with power "
              "1.0000 over 500 samples");
    EXPECT_EQ(o.messages[1],
              "The procedure is having difficulty getting out of a loop around group 1 Sample "
              "Size of 1");
    EXPECT_EQ(ResultCells(o).rfind("not found,", 0), 0u);
    EXPECT_FALSE(o.report.empty());  // its report is still written
}

// A search cut by its cap of trials (lowered here: the medium effect needs
// 14 trials) is not found, its message says why and names the sizes its
// last trial ran, and the trials column counts the trials.
TEST(SearchStudy, ASearchEndedAtTheTrialCapIsNotFound) {
    StudyRunOptions options;
    options.searchTrialCap = 4;
    const StudyOutcome o = RunStudy(Parse(MediumEffect("")), options);
    EXPECT_EQ(o.status, StudyStatus::NotFound);
    EXPECT_EQ(o.searchTrials, 4);
    EXPECT_EQ(o.sizes, (std::array<std::int32_t, 3>{264, 264, 264}));
    ASSERT_EQ(o.messages.size(), 2u);
    EXPECT_EQ(o.messages[0].rfind("sample sizes not found: the search for power 0.80 ended "
                                  "without meeting its stop test (it reached its limit of "
                                  "trials); its last trial ran 264, 264, 264 with power ",
                                  0),
              0u)
        << o.messages[0];
    EXPECT_EQ(o.messages[1],
              "The procedure is having difficulty getting out of a loop around group 1 Sample "
              "Size of 140");
    EXPECT_EQ(ResultCells(o).rfind("not found,", 0), 0u);
}

// Through the command: a study whose search is not found fails the batch's
// exit code, beside one that is ok, and the summary says which is which.
TEST(SearchStudy, ANotFoundSearchFailsTheBatch) {
    testing::ScratchDir dir;
    testing::WriteFile(dir / "big.study",
                       "[group 1]\nmean = 10\n[group 2]\nmean = 0\n[group 3]\nmean = -10\n"
                       "[search]\npower = 0.80\nsamples = 1000\n");
    testing::WriteFile(dir / "plain.study", "[run]\nsamples = 20\nmeans_to_keep = 5\n");
    BatchOptions options;
    options.output.outDir = dir / "out";
    options.summary = (dir / "summary.csv").string();
    options.studies = {(dir / "big.study").string(), (dir / "plain.study").string()};
    InterruptFlag interrupt;
    std::ostringstream err;
    EXPECT_EQ(RunBatch(options, interrupt, err), kExitFailure);
    const std::string summary = testing::ReadFile(dir / "summary.csv");
    EXPECT_NE(summary.find(",big,not found,"), std::string::npos) << summary;
    EXPECT_NE(summary.find(",plain,ok,"), std::string::npos) << summary;
    EXPECT_NE(err.str().find("big.study: sample sizes not found"), std::string::npos) << err.str();
    // Its report is written all the same.
    EXPECT_FALSE(testing::ReadFile(dir / "out" / "big.OUT").empty());
}

// confirm = yes: one more trial at the sizes found with the full count; its
// interval is the exact binomial one and holds its power.
TEST(SearchStudy, ConfirmRunsTheSizesFoundWithTheFullCount) {
    const StudyOutcome o = RunStudy(Parse(MediumEffect("confirm = yes\n")));
    ASSERT_TRUE(o.confirmation.has_value());
    EXPECT_EQ(o.confirmation->samples, 10000);
    EXPECT_DOUBLE_EQ(o.confirmation->power,
                     static_cast<double>(o.confirmation->rejections) / 10000.0);
    EXPECT_LT(o.confirmation->low, o.confirmation->power);
    EXPECT_GT(o.confirmation->high, o.confirmation->power);
    EXPECT_NEAR(o.confirmation->high - o.confirmation->low, 0.0157, 0.002);
    // The report and the other cells are the search's own.
    const StudyOutcome plain = RunStudy(Parse(MediumEffect("")));
    EXPECT_EQ(o.report, plain.report);
    EXPECT_EQ(o.seed, plain.seed);
    EXPECT_EQ(o.sizes, plain.sizes);
    // Normal theory: the smallest n per group with power .80 for means .31,
    // 0, -.31, SD 1, alpha .05. R: n <- 52; l <- n*(0.31^2*2); d2 <- 3*n-3;
    // 1-pf(qf(.95,2,d2),2,d2,ncp=l) gives 0.8071 (51: 0.7988).
    ASSERT_TRUE(o.theorySizeForTarget.has_value());
    EXPECT_EQ(*o.theorySizeForTarget, 52);
}

}  // namespace
}  // namespace velmor::batch
