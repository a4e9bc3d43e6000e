// Population shapes in study files: the keys each shape reads and the
// messages for a key no shape of the group reads or a parameter missing; an
// impossible shape refused before anything runs, with the run's own message
// and no file; the summary's achieved-shape columns; and the moments the
// program achieves for every shape against targets computed independently.

#include "batch/study_shapes.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <variant>
#include <vector>

#include "batch/design_file.hpp"
#include "batch/study_runner.hpp"
#include "batch/summary.hpp"
#include "run/number_format.hpp"

using namespace velmor;
using namespace velmor::batch;

namespace {

template <class Result>
std::vector<std::string> ErrorsOf(const Result& result) {
    std::vector<std::string> out;
    if (auto* errors = std::get_if<std::vector<StudyError>>(&result))
        for (const auto& e : *errors) out.push_back(e.text());
    return out;
}

Study Parse(const std::string& text) {
    auto result = ParseStudy("s.study", text);
    EXPECT_TRUE(std::holds_alternative<Study>(result)) << ErrorsOf(result).front();
    return std::get<Study>(result);
}

struct KeyCase {
    const char* name;
    const char* text;
    std::vector<std::string> errors;
};

class ShapeKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ShapeKeys, AreCheckedAgainstTheGroupsDistribution) {
    EXPECT_EQ(ErrorsOf(ParseStudyGrid("s.study", GetParam().text)), GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShapeKeys,
    ::testing::Values(
        KeyCase{"EveryShapeWithItsKeys",
                "[group 1]\ndistribution = fleishman\nskewness = 1\nkurtosis = 2\n"
                "[group 2]\ndistribution = G-and-H\ng = 0.2\nh = 0.1\n"
                "[group 3]\ndistribution = contaminated\nproportion = 0.1\nsd_ratio = 3\n",
                {}},
        KeyCase{"ParameterOfAnotherShape",
                "[group 2]\ndistribution = lognormal\nsigma = 0.5\ndf = 3\n",
                {"s.study:4: df is a parameter of the chi-square and t shapes only; group 2's "
                 "distribution is lognormal"}},
        KeyCase{"ParameterOfANormalGroup",
                "[group 1]\nskewness = 1\n",
                {"s.study:2: skewness is a parameter of the fleishman shape only; group 1's "
                 "distribution is normal"}},
        KeyCase{"MissingParameters",
                "[group 3]\ndistribution = t\n[run]\nseed = 1\n",
                {"s.study:2: the t shape of group 3 needs df"}},
        // [groups] reaches every group: a normal group 2 does not read it.
        KeyCase{"CommonParameterReachesANormalGroup",
                "[groups]\nsigma = 0.5\n[group 1]\ndistribution = lognormal\n"
                "[group 3]\ndistribution = lognormal\n",
                {"s.study:2: sigma is a parameter of the lognormal shape only; group 2's "
                 "distribution is normal"}},
        // A grid over distributions: a parameter read by one of them serves
        // the conditions of that one.
        KeyCase{"GridOverDistributions",
                "[group 1]\ndistribution = normal, fleishman\nskewness = 1, 2\nkurtosis = 6\n",
                {}},
        KeyCase{"GridParameterNoListedShapeReads",
                "[group 1]\ndistribution = normal, exponential\nh = 0.1\n",
                {"s.study:3: h is a parameter of the g-and-h shape only; group 1's "
                 "distribution is exponential or normal"}},
        KeyCase{"UnknownName",
                "[group 1]\ndistribution = gamma\n",
                {"s.study:2: distribution: distribution must be normal, uniform, fleishman, "
                 "g-and-h, lognormal, exponential, chi-square, t or contaminated"}}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

// A design's columns serve every row: a row leaves a parameter its
// distribution does not read unused, but a row's shape needs its own.
TEST(ShapeKeys, DesignRowsAreCheckedOneByOne) {
    EXPECT_EQ(ErrorsOf(ParseDesign("d.csv",
                                   "group1.distribution,group1.df,group1.sigma\n"
                                   "chi-square,3,0.5\nlognormal,3,0.5\nt,6,0.5\n",
                                   std::nullopt)),
              std::vector<std::string>{});
    EXPECT_EQ(ErrorsOf(ParseDesign(
                  "d.csv", "group1.distribution,group1.df\nnormal,3\nlognormal,3\n", std::nullopt)),
              (std::vector<std::string>{"d.csv:3: the lognormal shape of group 1 needs sigma"}));
}

TEST(ShapesOfStudy, ReadsEachGroupsShapeAndOnlyItsOwnParameters) {
    const auto shapes =
        ShapesOfStudy(Parse("[group 1]\ndistribution = Fleishman\nskewness = 1.5\nkurtosis = 4\n"
                            "[group 3]\ndistribution = chi-square\ndf = 3\n"));
    ASSERT_TRUE(std::holds_alternative<StudyShapes>(shapes));
    const StudyShapes& s = std::get<StudyShapes>(shapes);
    EXPECT_EQ(s[0], PopulationShape::Fleishman(1.5, 4));
    EXPECT_FALSE(s[1].has_value());
    EXPECT_EQ(s[2], PopulationShape::ChiSquare(3));
}

// An impossible shape is refused with the run's own message: nothing runs,
// no report, no data and no means, and the condition fails.
TEST(RefusedShape, FailsBeforeAnythingRunsAndKeepsNoFile) {
    struct Refusal {
        const char* text;
        const char* message;
    };
    const Refusal refusals[] = {
        {"distribution = fleishman\nskewness = 2\nkurtosis = 3\n",
         "Fleishman's power method cannot reach skewness 2 with excess kurtosis 3: at skewness 2 "
         "its excess kurtosis is at least 5.152."},
        {"distribution = t\ndf = 4\n", nullptr},
        {"distribution = g-and-h\ng = 0.1\nh = 0.3\n", nullptr},
        {"distribution = chi-square\ndf = 0\n", nullptr},
        {"distribution = lognormal\nsigma = -1\n", nullptr},
        {"distribution = contaminated\nproportion = 1.5\nsd_ratio = 3\n", nullptr},
    };
    for (const Refusal& r : refusals) {
        const StudyOutcome outcome = RunStudy(
            Parse(std::string("[group 2]\n") + r.text + "[run]\nsamples = 10\nseed = 5\n"));
        EXPECT_EQ(outcome.status, StudyStatus::Failed) << r.text;
        ASSERT_EQ(outcome.messages.size(), 1u) << r.text;
        if (r.message) {
            EXPECT_EQ(outcome.messages[0], r.message);
        }
        EXPECT_FALSE(outcome.hasResults());
        EXPECT_TRUE(outcome.report.empty()) << r.text;
        EXPECT_FALSE(outcome.hasDataFile) << r.text;
        EXPECT_TRUE(outcome.meansFile.empty()) << r.text;
        EXPECT_EQ(outcome.result.completed, 0) << r.text;
    }
}

TEST(ShapeSummary, AchievedColumnsComeLastAndOnlyForShapedGroups) {
    const std::string header = SummaryHeader({});
    const std::string tail = ",skew1,kurt1,skew2,kurt2,skew3,kurt3";
    ASSERT_GE(header.size(), tail.size());
    EXPECT_EQ(header.substr(header.size() - tail.size()), tail);
    const StudyOutcome shaped =
        RunStudy(Parse("[group 2]\ndistribution = exponential\n[run]\nsamples = 50\nseed = 9\n"));
    ASSERT_TRUE(shaped.ok());
    const std::string cells = ResultCells(shaped);
    const std::string skew2 = ShortestRoundTrip(shaped.result.achievedShape[1].skewness);
    const std::string kurt2 = ShortestRoundTrip(shaped.result.achievedShape[1].kurtosis);
    EXPECT_EQ(cells.substr(cells.size() - (skew2.size() + kurt2.size() + 5)),
              ",," + skew2 + "," + kurt2 + ",,");
    const StudyOutcome plain = RunStudy(Parse("[run]\nsamples = 50\nseed = 9\n"));
    const std::string plainCells = ResultCells(plain);
    EXPECT_EQ(plainCells.substr(plainCells.size() - 6), ",,,,,,");
    // The report's added section names the shape with its target and achievement.
    EXPECT_NE(shaped.report.find("Group 2: exponential, 800 true scores"), std::string::npos);
    EXPECT_EQ(plain.report.find("Population shapes"), std::string::npos);
    // Normal theory does not speak for a shaped group.
    EXPECT_TRUE(shaped.details.normalTheoryPower.empty());
    EXPECT_FALSE(plain.details.normalTheoryPower.empty());
}

// The program's own achieved moments for every shape, 120000 true scores a
// group (2000 scores, 60 samples, reliability 1), against targets computed
// with scipy 1.10 (scipy.stats.<dist>.stats(moments="mvsk"); g-and-h by
// integrating its moments with scipy.integrate.quad; the contaminated
// normal from the mixture's moments), as in scripts/shape_moments_check.py.
// Tolerances: skewness 0.1, excess kurtosis 0.5, mean 0.02 SD.
TEST(AchievedShape, EveryShapeMeetsItsTargetMoments) {
    struct Target {
        const char* keys;
        double skewness, kurtosis;
    };
    const Target targets[] = {
        {"distribution = fleishman\nskewness = 1\nkurtosis = 2", 1.0, 2.0},
        {"distribution = fleishman\nskewness = 0.5\nkurtosis = 0", 0.5, 0.0},
        {"distribution = g-and-h\ng = 0.2\nh = 0.02", 0.6757, 1.1291},
        {"distribution = lognormal\nsigma = 0.25", 0.7783, 1.0959},
        {"distribution = exponential", 2.0, 6.0},
        {"distribution = chi-square\ndf = 4", 1.4142, 3.0},
        {"distribution = t\ndf = 10", 0.0, 1.0},
        {"distribution = contaminated\nproportion = 0.1\nsd_ratio = 3", 0.0, 5.3333},
    };
    for (const Target& t : targets) {
        const StudyOutcome o = RunStudy(Parse(std::string("[groups]\n") + t.keys +
                                              "\nn = 2000\nmean = 100\nsd = 10\nreliability = 1\n"
                                              "[run]\nsamples = 60\nseed = 20261209\n"));
        ASSERT_TRUE(o.ok()) << t.keys;
        for (int g = 0; g < 3; ++g) {
            const AchievedShape& a = o.result.achievedShape[g];
            ASSERT_TRUE(a.shaped);
            EXPECT_EQ(a.scores, 120000);
            EXPECT_NEAR(a.targetSkewness, t.skewness, 1e-4) << t.keys;
            EXPECT_NEAR(a.targetKurtosis, t.kurtosis, 1e-4) << t.keys;
            EXPECT_NEAR(a.skewness, t.skewness, 0.1) << t.keys << " group " << g + 1;
            EXPECT_NEAR(a.kurtosis, t.kurtosis, 0.5) << t.keys << " group " << g + 1;
            EXPECT_NEAR(o.result.meanOfMeans[g], 100.0, 0.02 * 10.0) << t.keys;
        }
    }
}

}  // namespace
