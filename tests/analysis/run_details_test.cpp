// What the Details window and the batch summary say about a run or a search,
// from the real program on its default settings and Cohen's medium effect.
#include "analysis/run_details.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program/program.hpp"
#include "run/number_format.hpp"
#include "search/sample_size_search.hpp"
#include "support/fake_platform.hpp"

namespace velmor {
namespace {

using testing::FakePlatform;

class RunDetailsTest : public ::testing::Test {
  protected:
    RunDetailsTest() : program(platform) {
        platform.attach(program.windows());
        program.setAnalysisObserver({[this](Program::Analysis k) { started.push_back(k); },
                                     [this](Program::Analysis k) { finished.push_back(k); },
                                     {}});
    }
    void set(const char* name, const char* text) {
        program.mainWindow().control(name).setText(text);
    }
    RunDetails run() {
        program.pressShortcut("F5");
        return DescribeRun(program.state(), program.run().lastOutcome());
    }
    RunDetails search() {
        program.pressShortcut("F8");
        return DescribeSearch(program.state(), program.run().lastOutcome(),
                              program.search().trialLog());
    }
    static bool HasLine(const RunDetails& d, const std::string& line) {
        return std::find(d.lines.begin(), d.lines.end(), line) != d.lines.end();
    }

    FakePlatform platform;
    Program program;
    std::vector<Program::Analysis> started;
    std::vector<Program::Analysis> finished;
};

TEST_F(RunDetailsTest, DefaultRunIsReadAgainstBothBands) {
    const RunDetails d = run();
    ASSERT_EQ(d.kind, DetailsKind::Robustness);
    ASSERT_TRUE(d.error);
    // The default run rejects 500 times in 10000 (the main window's 0.05000).
    EXPECT_EQ(d.error->rejections, program.state().tallies.rejections);
    EXPECT_EQ(d.error->rejections, 500);
    EXPECT_EQ(d.error->replications, 10000);
    EXPECT_NEAR(d.error->interval.low, 0.04581, 0.5e-5);
    EXPECT_NEAR(d.error->interval.high, 0.05445, 0.5e-5);
    ASSERT_EQ(d.bands.size(), 2u);
    EXPECT_EQ(d.bands[0].placement, BandPlacement::Inside);
    EXPECT_EQ(d.bands[1].placement, BandPlacement::Inside);
    EXPECT_FALSE(d.stopNote);
    EXPECT_TRUE(HasLine(d, "Rejections: 500 of 10,000, actual alpha 0.0500"));
    EXPECT_TRUE(HasLine(d, "95% interval (Clopper-Pearson): 0.0458 to 0.0545"));
    EXPECT_TRUE(HasLine(d, "Monte Carlo standard error: 0.0022"));
    EXPECT_TRUE(HasLine(d,
                        "Robey & Barcikowski (1992), within 25%: the estimate lies inside the "
                        "band; 95% interval 0.0458 to 0.0545 lies inside Robey & Barcikowski's "
                        "band 0.0375 to 0.0625: within 25% of nominal alpha holds beyond Monte "
                        "Carlo error."));
    EXPECT_TRUE(HasLine(d,
                        "Normal theory: the F test rejects at exactly alpha, 0.0500; inside "
                        "the Monte Carlo 95% interval."));
    ASSERT_TRUE(d.theory.available);
    EXPECT_NEAR(d.theory.power, 0.05, 1e-12);
    // The picture: the two bands, nominal alpha, the estimate on its interval.
    ASSERT_TRUE(d.picture);
    ASSERT_EQ(d.picture->bands.size(), 2u);
    EXPECT_EQ(d.picture->bands[0].lower, 0.0375);
    EXPECT_EQ(d.picture->bands[1].upper, 0.055);
    EXPECT_EQ(d.picture->estimate, 0.05);
    EXPECT_LT(d.picture->range.xMin, 0.0375);
    EXPECT_GT(d.picture->range.xMax, 0.0625);
    // All 10000 means per group are kept and drawn, each with its normal curve.
    EXPECT_EQ(d.histogram.keptMeans, 10000);
    for (const GroupHistogram& g : d.histogram.groups) EXPECT_FALSE(g.normalCurve.empty());
    ASSERT_EQ(d.means.size(), 3u);
    EXPECT_NEAR(d.means[0].theory->standardError, 0.25, 1e-15);

    const SummaryColumns c = SummaryColumnsOf(d);
    EXPECT_EQ(c.bandReading, "Bradley inside; Robey & Barcikowski inside");
    EXPECT_EQ(std::stod(c.ciLow), d.error->interval.low);
    EXPECT_EQ(std::stod(c.mcSe), d.error->standardError);
    EXPECT_EQ(std::stod(c.normalTheoryPower), d.theory.power);
    EXPECT_EQ(started, std::vector<Program::Analysis>{Program::Analysis::Run});
    EXPECT_EQ(finished, std::vector<Program::Analysis>{Program::Analysis::Run});
}

TEST_F(RunDetailsTest, MediumEffectRunSetsTheoryBesideMonteCarlo) {
    program.pressShortcut("F3");
    const RunDetails d = run();
    ASSERT_EQ(d.kind, DetailsKind::Power);
    ASSERT_TRUE(d.theory.available);
    EXPECT_NEAR(d.theory.power, 0.3098, 0.5e-4);
    // The Monte Carlo power is within its own interval's reach of the theory.
    EXPECT_LE(d.error->interval.low, d.theory.power);
    EXPECT_GE(d.error->interval.high, d.theory.power);
    EXPECT_TRUE(d.bands.empty());
    EXPECT_TRUE(SummaryColumnsOf(d).bandReading.empty());
    ASSERT_TRUE(d.picture);
    ASSERT_EQ(d.picture->references.size(), 1u);
    EXPECT_EQ(d.picture->references[0].label, "Normal-theory power 0.3098");
    EXPECT_NE(std::find(d.lines.begin(), d.lines.end(),
                        "Normal-theory power: 0.3098 (noncentral F, lambda 3.0752, df 2 and 45); "
                        "inside the Monte Carlo 95% interval."),
              d.lines.end());
}

TEST_F(RunDetailsTest, WithoutTheTheoryTheReasonIsGiven) {
    program.pressShortcut("F3");
    program.mainWindow().control("rdoUniform2").setChecked(true);
    set("txtReliability3", "0.5");
    const RunDetails d = run();
    EXPECT_FALSE(d.theory.available);
    EXPECT_TRUE(HasLine(d,
                        "Normal theory: not available, because group 2 is uniform; the "
                        "observed SDs differ (1.0000, 1.0000, 1.4142). The Monte Carlo result "
                        "is the answer here."));
    EXPECT_TRUE(SummaryColumnsOf(d).normalTheoryPower.empty());
    EXPECT_FALSE(SummaryColumnsOf(d).mcSe.empty());
    EXPECT_TRUE(d.histogram.groups[1].normalCurve.empty());
    EXPECT_FALSE(d.histogram.groups[2].normalCurve.empty());  // its own mean is still normal
}

TEST_F(RunDetailsTest, StopSaysTheResultsCoverOnlyTheReplicationsDone) {
    platform.onEvents = [this](long long n) {
        if (n == 38) program.mainWindow().control("btnStopRun").click();
    };
    const RunDetails d = run();
    ASSERT_EQ(d.kind, DetailsKind::Robustness);
    ASSERT_TRUE(d.stopNote);
    EXPECT_EQ(*d.stopNote,
              "Stopped by the user after 37 of 10,000 replications: every figure here covers "
              "only the 37 replications done.");
    EXPECT_EQ(d.error->replications, 37);
    EXPECT_EQ(d.histogram.keptMeans, 37);
    EXPECT_TRUE(HasLine(d, *d.stopNote));
}

TEST_F(RunDetailsTest, RunsWithoutResults) {
    set("txtiterations", "0");
    RunDetails d = run();
    EXPECT_EQ(d.kind, DetailsKind::NoResult);
    EXPECT_FALSE(d.error);
    EXPECT_EQ(d.lines.back(),
              "The run was refused: its settings had an error, and no replication was made.");
    const SummaryColumns none = SummaryColumnsOf(d);
    EXPECT_TRUE(none.mcSe.empty() && none.ciLow.empty() && none.normalTheoryPower.empty());

    set("txtiterations", "10");
    platform.onEvents = [this](long long n) {
        if (n == 1) program.mainWindow().control("btnStopRun").click();
    };
    d = run();
    EXPECT_EQ(d.kind, DetailsKind::NoResult);
    EXPECT_EQ(d.lines.back(),
              "The run was stopped before its first replication: there are no results.");

    platform.onEvents = {};
    set("txtiterations", "1");
    d = run();
    EXPECT_EQ(d.kind, DetailsKind::SingleReplication);
    EXPECT_TRUE(SummaryColumnsOf(d).mcSe.empty());
}

// One sample is described as one: its F and probability and its groups'
// statistics, with no sampling distribution (no means table against a
// theory SE, no histogram of three single values).
TEST_F(RunDetailsTest, OneSampleShowsItsFTestAndGroupsWithoutASamplingDistribution) {
    set("txtiterations", "1");
    program.pressShortcut("F3");  // means .31, 0, -.31
    const RunDetails d = run();
    ASSERT_EQ(d.kind, DetailsKind::SingleReplication);
    const RunState& state = program.state();
    EXPECT_TRUE(d.means.empty());
    EXPECT_EQ(d.histogram.keptMeans, 0);
    EXPECT_FALSE(d.picture);
    EXPECT_TRUE(HasLine(d, "F = " + FormatFixed(state.fRatio, 6, 4) + " with df 2 and 45, " +
                               "probability " + FormatFixed(state.lastPValue, 6, 4) + ": " +
                               (state.lastPValue <= 0.05 ? "significant" : "not significant") +
                               " at alpha 0.05."));
    for (int g = 0; g < kGroups; ++g) {
        SCOPED_TRACE(g);
        // The group's own mean and SD, as the main window shows them.
        const std::string mean = FormatFixed(state.tallies.sumOfMeans[g], 6, 4);
        const std::string sd = FormatFixed(state.tallies.seOfMeans[g], 6, 4);
        EXPECT_TRUE(std::any_of(d.lines.begin(), d.lines.end(), [&](const std::string& line) {
            return line.rfind("    " + std::to_string(g + 1) + "      16", 0) == 0 &&
                   line.find(mean) != std::string::npos && line.find(sd) != std::string::npos;
        }));
    }
    for (const std::string& line : d.lines) {
        EXPECT_EQ(line.find("SE of means"), std::string::npos) << line;
        EXPECT_EQ(line.find("means per group"), std::string::npos) << line;
    }
}

TEST_F(RunDetailsTest, SearchListsItsTrialsAndDrawsThePowerCurve) {
    program.pressShortcut("F3");
    const RunDetails d = search();
    ASSERT_EQ(d.kind, DetailsKind::SampleSize);
    const std::vector<SearchTrial>& log = program.search().trialLog();
    ASSERT_EQ(d.trials.size(), log.size());
    ASSERT_EQ(static_cast<int>(log.size()), program.search().trialsRun());
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(d.trials[i].sizes, log[i].sizes);
        EXPECT_EQ(d.trials[i].power, log[i].proportion);
        EXPECT_LE(d.trials[i].interval.low, d.trials[i].power);
        EXPECT_GE(d.trials[i].interval.high, d.trials[i].power);
        EXPECT_GE(d.trials[i].normalTheory, 0.0);
    }
    // Normal theory reaches .80 first at 52 per group (0.8071; 51 gives 0.7988).
    EXPECT_EQ(d.theorySizeForTarget, 52);
    EXPECT_TRUE(HasLine(d, "By normal theory, power 0.80 is first reached at group 1 size 52."));
    // The curve covers the trials' sizes, one point a size, rising with it.
    const PowerCurve& curve = d.powerCurve;
    EXPECT_TRUE(curve.logarithmicSizes);  // the bisection reached 1008
    EXPECT_EQ(curve.normalTheory.front().x, 16.0);
    EXPECT_EQ(curve.normalTheory.back().x, 1008.0);
    for (std::size_t i = 1; i < curve.normalTheory.size(); ++i)
        EXPECT_GE(curve.normalTheory[i].y, curve.normalTheory[i - 1].y);
    EXPECT_NEAR(curve.normalTheory.front().y, 0.3098, 0.5e-4);
    EXPECT_DOUBLE_EQ(curve.target, kTargetPower80);
    EXPECT_EQ(d.error->rejections, log.back().rejections);
    EXPECT_EQ(finished, std::vector<Program::Analysis>{Program::Analysis::Search});
    // The trials table: a header and a row a trial.
    const auto header = std::find(d.lines.begin(), d.lines.end(),
                                  "Trial  Group sizes      Samples  Rejections   Power  95% "
                                  "interval      Theory");
    ASSERT_NE(header, d.lines.end());
    EXPECT_EQ(*(header + 1),
              "    1  16, 16, 16           100          33  0.3300  0.2392 to "
              "0.4312  0.3098");
}

TEST_F(RunDetailsTest, CancelledSetPowerIsNoAnalysis) {
    platform.modalAnswers.push_back([](ui::DialogId) { return ui::ModalResult::Cancel; });
    program.pressShortcut("F9");
    EXPECT_EQ(finished, std::vector<Program::Analysis>{Program::Analysis::None});
    EXPECT_EQ(program.lastAnalysis(), Program::Analysis::None);
}

TEST_F(RunDetailsTest, TheViewMenuStaysOpenDuringARun) {
    bool unlocked = false;
    platform.onEvents = [&](long long n) {
        if (n != 5) return;
        const ui::MenuBar& menus = program.mainWindow().menus();
        unlocked = menus.item("View1").enabled() && menus.item("View1").visible() &&
                   !menus.item("Analysis1").visible();
    };
    run();
    EXPECT_TRUE(unlocked);
}

}  // namespace
}  // namespace velmor

namespace velmor {
namespace {

// The normal-theory size for the target follows the search's allocation,
// not ratios read back from the last trial's rounded sizes: at 3, 4, 4 those
// read 1:1.33 where the search kept 1:1.5. Exact sizes (noncentral F, grand
// mean weighted by the sizes, groups 2 and 3 rounded half to even):
//   pw <- function(n, mu = c(.31, 0, -.31)) { N <- sum(n); g <- sum(n*mu)/N;
//     pf(qf(.95, 2, N-3), 2, N-3, ncp = sum(n*(mu-g)^2), lower.tail = FALSE) }
//   first n1 with pw(c(n1, round(r*n1), round(r*n1))) >= .80000001:
//   r = 1.5 -> 42 (42, 63, 63: .8011308);  r = 4/3 -> 45 (45, 60, 60: .8061038)
TEST_F(RunDetailsTest, TheSizeForTheTargetKeepsTheSearchsAllocation) {
    set("txtmean1", "0.31");
    set("txtmean3", "-0.31");
    set("txtiterations", "100");
    run();  // the settings of the populations, as a search's trial leaves them
    program.state().targetPower = kTargetPower80;
    const std::vector<SearchTrial> trials = {{{3, 4, 4}, 100, 100, 20, 0.2}};
    const RunDetails kept = DescribeSearch(program.state(), RunController::Outcome::Completed,
                                           trials, SizeRatios{1.5L, 1.5L});
    EXPECT_EQ(kept.theorySizeForTarget, 42);
    EXPECT_TRUE(HasLine(kept,
                        "By normal theory, power 0.80 is first reached at group 1 size 42 (groups "
                        "2 and 3 by the same ratios)."))
        << DetailsText(kept);
    const RunDetails readBack =
        DescribeSearch(program.state(), RunController::Outcome::Completed, trials);
    EXPECT_EQ(readBack.theorySizeForTarget, 45);
}

// A confirmation joins the search's figures after its last trial's, before
// the trials' table, and reads its interval (not its point) against the
// target. Intervals of the three counts, for the table's comments:
//   Rscript -e 'for (r in c(3300, 3200, 3100)) print(binom.test(r, 4000)$conf.int)'
//   3300: .8128638 .8366595   3200: .7872619 .8122983   3100: .7617359 .7878612
struct ConfirmationCase {
    std::int64_t rejections;
    const char* reading;
};

class ConfirmationLinesTest : public RunDetailsTest,
                              public ::testing::WithParamInterface<ConfirmationCase> {};

TEST_P(ConfirmationLinesTest, SitBesideTheLastTrialAndReadTheIntervalAgainstTheTarget) {
    set("txtmean1", "0.31");
    set("txtmean3", "-0.31");
    set("txtiterations", "600");
    const RunDetails searched = search();
    ASSERT_EQ(searched.kind, DetailsKind::SampleSize);
    const auto trialsHeader = std::find(searched.lines.begin(), searched.lines.end(), "Trials");
    ASSERT_NE(trialsHeader, searched.lines.end());

    SearchConfirmation c;
    c.sizes = {52, 52, 52};
    c.samples = 4000;
    c.targetPower = kTargetPower80;
    c.outcome = RunController::Outcome::Completed;
    c.error = MonteCarloErrorOf(GetParam().rejections, 4000);
    c.seedText = "123";
    // Twice: a second confirmation replaces the first's section.
    const RunDetails d = WithConfirmation(WithConfirmation(searched, c), c);
    ASSERT_TRUE(d.confirmation.has_value());
    const auto heading = std::find(
        d.lines.begin(), d.lines.end(),
        "Confirmation run (asked for in this window): group sizes 52, 52, 52, 4,000 samples, "
        "seed 123");
    ASSERT_NE(heading, d.lines.end());
    EXPECT_EQ(std::count_if(d.lines.begin(), d.lines.end(),
                            [](const std::string& l) { return l.starts_with("Confirmation run"); }),
              1);
    // After the search's own figures, before its table of trials.
    EXPECT_TRUE(std::prev(heading)->empty());
    EXPECT_TRUE(std::prev(heading, 2)->starts_with("By normal theory, power 0.80"))
        << *std::prev(heading, 2);
    const auto trials = std::find(d.lines.begin(), d.lines.end(), "Trials");
    EXPECT_LT(heading, trials);
    EXPECT_EQ(d.lines.size(), searched.lines.size() + 8);
    EXPECT_TRUE(HasLine(d, "Against the target: " + std::string(GetParam().reading)))
        << DetailsText(d);
    EXPECT_TRUE(HasLine(d, "Its seed is the next automatic seed, so its numbers are fresh."));
    // The search's own figures are untouched.
    EXPECT_EQ(d.error->rejections, searched.error->rejections);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, ConfirmationLinesTest,
    ::testing::Values(
        ConfirmationCase{3300,
                         "the whole interval lies above the target 0.80: these sizes "
                         "reach it."},
        ConfirmationCase{
            3200,
            "the interval holds the target 0.80: the power of these sizes differs from it by "
            "no more than Monte Carlo error."},
        ConfirmationCase{3100,
                         "the whole interval lies below the target 0.80: these sizes fall "
                         "short of it."}));

// What the run did not do, or did otherwise, is said, not left out.
TEST_F(RunDetailsTest, AConfirmationSaysItsSeedChangedSettingsAndAMissingResult) {
    set("txtmean1", "0.31");
    set("txtmean3", "-0.31");
    set("txtiterations", "600");
    const RunDetails searched = search();
    SearchConfirmation c;
    c.sizes = {52, 52, 52};
    c.samples = 4000;
    c.targetPower = kTargetPower80;
    c.outcome = RunController::Outcome::NothingCompleted;
    c.seedText = "99";
    c.typedSeed = "6405";
    c.sameSettings = false;
    const RunDetails d = WithConfirmation(searched, c);
    EXPECT_TRUE(HasLine(d,
                        "The run was stopped before its first replication: there are no results. "
                        "The search's figures above stand unconfirmed."))
        << DetailsText(d);
    EXPECT_TRUE(HasLine(d,
                        "The populations or alpha in the main window were changed after the "
                        "search: this run is of the changed settings and confirms nothing about "
                        "the search."));
    EXPECT_TRUE(HasLine(d,
                        "Its seed is the next of the chain from the typed seed 6405, so its "
                        "numbers are fresh (the trials all drew from 6405); the seed field keeps "
                        "6405."));
    EXPECT_FALSE(std::any_of(d.lines.begin(), d.lines.end(), [](const std::string& l) {
        return l.find("confirmed power") != std::string::npos;
    }));
}

}  // namespace
}  // namespace velmor
