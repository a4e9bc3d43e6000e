// One replication: the whole order of draws (anchor run and golden scores),
// the fill passes, the descriptive statistics, the F test and its tally.

#include "core/replication.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/fp_faults.hpp"

namespace velmor {
namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

class SilentConsole : public Console {
  public:
    void WriteLine(std::string_view) override { ++operations; }
    void ReadLine() override { ++operations; }
    int operations = 0;
};

// The start-up settings: three normal groups, mean 0, SD 1, size 16,
// reliability 1, resampling on, alpha .05.
ReplicationSettings DefaultSettings() {
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.distribution = Distribution::Normal;
        group.mean = 0.0;
        group.sd = 1.0;
        group.size = 16;
        group.reliability = 1.0;
    }
    settings.deviateRows = 16;
    return settings;
}

void SetSizes(ReplicationSettings& settings, int n1, int n2, int n3) {
    settings.groups[0].size = n1;
    settings.groups[1].size = n2;
    settings.groups[2].size = n3;
    settings.deviateRows = std::max({n1, n2, n3});
}

constexpr std::int32_t kDefaultSeedWord = -1432449975;

class ReplicationTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearFloatingPointFaults(); }
    void TearDown() override { ClearFloatingPointFaults(); }

    // Runs `count` replications with one seed word that is not reset between
    // them; returns the rejections.
    std::int64_t run(const ReplicationSettings& settings, int count,
                     std::int32_t seed = kDefaultSeedWord) {
        std::int64_t rejections = 0;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(replicator_.GenerateReplication(settings, seed),
                      Replicator::Outcome::Completed);
            EXPECT_FALSE(replicator_.result().noVariance);
            replicator_.TestReplication(settings, rejections);
        }
        return rejections;
    }
    // The first `count` normal deviates from a seed word.
    static std::vector<double> Normals(int count, std::int32_t seed = kDefaultSeedWord) {
        RandomGenerators generators;
        std::vector<double> values(count);
        for (double& value : values) value = generators.NormalDeviate(seed);
        return values;
    }

    RandomGenerators generators_;
    SilentConsole console_;
    Replicator replicator_{generators_, console_};
};

// The anchor for the whole order of draws: any missing, extra or misplaced
// deviate changes both figures.
TEST_F(ReplicationTest, DefaultRunRejectsExactly500Of10000) {
    EXPECT_EQ(run(DefaultSettings(), 10000), 500);
    EXPECT_NEAR(replicator_.result().pValue, 0.25193689, 5e-9);
    EXPECT_EQ(console_.operations, 0);
}

TEST_F(ReplicationTest, FirstDefaultReplicationReproducesGoldenScores) {
    std::ifstream file(VELMOR_TEST_DATA "/core/default_replication_observed.txt");
    ASSERT_TRUE(file) << "golden file missing";
    std::int32_t seed = kDefaultSeedWord;
    ASSERT_EQ(replicator_.GenerateReplication(DefaultSettings(), seed),
              Replicator::Outcome::Completed);
    int compared = 0;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int group = 0, caseNumber = 0;
        std::string hex;
        fields >> group >> caseNumber >> hex;
        const std::uint64_t expected = std::stoull(hex, nullptr, 16);
        EXPECT_EQ(Bits(replicator_.observedScores(group - 1)[caseNumber - 1]), expected)
            << "group " << group << " case " << caseNumber;
        ++compared;
    }
    EXPECT_EQ(compared, 48);
}

TEST_F(ReplicationTest, UnequalMeansRejectNearTheAnalyticPower) {
    ReplicationSettings settings = DefaultSettings();
    settings.groups[0].mean = 0.31;
    settings.groups[2].mean = -0.31;
    const double proportion = run(settings, 10000) / 10000.0;

    // Power of the F test from the noncentral F distribution: a Poisson(lambda/2)
    // mixture of beta tails, lambda = n * sum (mu_g - mu)^2 / sigma^2. With two
    // numerator df the critical value has the closed form dfW/2 (alpha^(-2/dfW) - 1).
    const double dfWithin = 45.0;
    const double lambda = 16.0 * (0.31 * 0.31 + 0.31 * 0.31);
    const double critical = dfWithin / 2.0 * (std::pow(0.05, -2.0 / dfWithin) - 1.0);
    const double y = 2.0 * critical / (2.0 * critical + dfWithin);
    double power = 0.0;
    double weight = std::exp(-lambda / 2.0);
    for (int j = 0; j < 60; ++j) {
        power += weight * (1.0 - BETAI(1.0 + j, dfWithin / 2.0, y, console_));
        weight *= lambda / 2.0 / (j + 1);
    }
    ASSERT_NEAR(power, 0.31, 0.01);
    // Four standard errors of a proportion from 10000 replications.
    EXPECT_NEAR(proportion, power, 4.0 * std::sqrt(power * (1.0 - power) / 10000.0));
}

TEST_F(ReplicationTest, EveryPassFillsAllRowsOfEveryColumn) {
    // Sizes 10, 5, 20: each pass draws rows 1..20 of all three columns, and
    // only the third pass's values are read.
    ReplicationSettings settings = DefaultSettings();
    SetSizes(settings, 10, 5, 20);
    std::int32_t seed = kDefaultSeedWord;
    replicator_.GenerateReplication(settings, seed);
    const std::vector<double> normals = Normals(9 * 20 + 35 + 1);
    const int thirdPass = 6 * 20;
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(Bits(replicator_.trueScores(0)[k]), Bits(normals[thirdPass + k])) << k;
    }
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(Bits(replicator_.trueScores(1)[k]), Bits(normals[thirdPass + 20 + k])) << k;
    }
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(Bits(replicator_.trueScores(2)[k]), Bits(normals[thirdPass + 40 + k])) << k;
    }
    // 180 matrix deviates and one error deviate per case were drawn.
    RandomGenerators twin;
    std::int32_t twinSeed = kDefaultSeedWord;
    for (int i = 0; i < 9 * 20 + 35; ++i) twin.NormalDeviate(twinSeed);
    EXPECT_EQ(seed, twinSeed);
    EXPECT_EQ(replicator_.trueScores(2).size(), 20U);
    EXPECT_EQ(replicator_.observedScores(1).size(), 5U);
}

TEST_F(ReplicationTest, AllNineNDeviatesComeBeforeTheFirstScore) {
    ReplicationSettings settings = DefaultSettings();
    for (GroupSettings& group : settings.groups) group.reliability = 0.5;
    SetSizes(settings, 7, 7, 7);
    std::int32_t seed = kDefaultSeedWord;
    replicator_.GenerateReplication(settings, seed);
    const std::vector<double> normals = Normals(9 * 7 + 21);
    const GroupSpread spread = ComputeGroupSpread(settings.groups[0]);
    EXPECT_NEAR(replicator_.trueScores(0)[0], normals[6 * 7] * spread.trueSD, 1e-15);
    // Errors: group 1 takes deviates 9n+1..10n, group 2 the next n, in case order.
    for (int g = 0; g < 3; ++g) {
        for (int k = 0; k < 7; ++k) {
            EXPECT_NEAR(replicator_.errorScores(g)[k], normals[9 * 7 + 7 * g + k] * spread.errorSD,
                        1e-15)
                << g << " " << k;
        }
    }
}

TEST_F(ReplicationTest, UniformColumnsDrawUniformsBetweenNormalColumns) {
    // An odd row count leaves a spare normal waiting across the uniform column
    // and across passes; the spare must be the one the full stream gives.
    ReplicationSettings settings = DefaultSettings();
    SetSizes(settings, 5, 7, 6);
    GroupSettings& uniform = settings.groups[1];
    uniform.distribution = Distribution::Uniform;
    uniform.minimum = 0.0;
    uniform.maximum = 1.0;
    std::int32_t seed = kDefaultSeedWord;
    replicator_.GenerateReplication(settings, seed);

    RandomGenerators twin;
    std::int32_t twinSeed = kDefaultSeedWord;
    std::vector<double> column1, column2, column3;
    for (int pass = 0; pass < 3; ++pass) {
        column1.clear();
        column2.clear();
        column3.clear();
        for (int row = 0; row < 7; ++row) column1.push_back(twin.NormalDeviate(twinSeed));
        for (int row = 0; row < 7; ++row) column2.push_back(twin.UniformDeviate(twinSeed));
        for (int row = 0; row < 7; ++row) column3.push_back(twin.NormalDeviate(twinSeed));
    }
    for (int k = 0; k < 5; ++k) EXPECT_EQ(Bits(replicator_.trueScores(0)[k]), Bits(column1[k]));
    for (int k = 0; k < 7; ++k) EXPECT_EQ(Bits(replicator_.trueScores(1)[k]), Bits(column2[k]));
    for (int k = 0; k < 6; ++k) EXPECT_EQ(Bits(replicator_.trueScores(2)[k]), Bits(column3[k]));
    for (int i = 0; i < 18; ++i) twin.NormalDeviate(twinSeed);
    EXPECT_EQ(seed, twinSeed);
}

TEST_F(ReplicationTest, SpareNormalIsClearedAtTheStartOfEveryReplication) {
    // 3 * 3 * 5 matrix deviates and 15 errors: 60 normals, so no spare is left;
    // with sizes 5, 5, 4 (rows 5) 59 are drawn and a spare waits, unused.
    ReplicationSettings settings = DefaultSettings();
    SetSizes(settings, 5, 5, 4);
    std::int32_t seed = kDefaultSeedWord;
    replicator_.GenerateReplication(settings, seed);
    replicator_.GenerateReplication(settings, seed);

    RandomGenerators twin;
    std::int32_t twinSeed = kDefaultSeedWord;
    for (int i = 0; i < 59; ++i) twin.NormalDeviate(twinSeed);
    twin.ClearSpareNormal();
    for (int i = 0; i < 30; ++i) twin.NormalDeviate(twinSeed);
    const double firstOfGroupOne = twin.NormalDeviate(twinSeed);
    EXPECT_EQ(Bits(replicator_.trueScores(0)[0]), Bits(firstOfGroupOne));
}

TEST_F(ReplicationTest, DescribesEachGroupLikeTheTextbookFormulas) {
    ReplicationSettings settings = DefaultSettings();
    SetSizes(settings, 30, 200, 2);
    settings.groups[1].mean = 100.0;
    settings.groups[1].sd = 15.0;
    settings.groups[2].reliability = 0.6;
    std::int32_t seed = kDefaultSeedWord;
    replicator_.GenerateReplication(settings, seed);
    const ReplicationResult& r = replicator_.result();
    for (int g = 0; g < 3; ++g) {
        const auto scores = replicator_.observedScores(g);
        const double n = scores.size();
        double sum = 0.0;
        for (double v : scores) sum += v;
        const double mean = sum / n;
        double ss = 0.0;
        for (double v : scores) ss += (v - mean) * (v - mean);
        const double scale = std::max(1.0, std::fabs(mean));
        EXPECT_NEAR(r.groupMean[g], mean, 1e-13 * scale) << g;
        EXPECT_NEAR(r.groupSS[g], ss, 1e-12 * ss) << g;
        EXPECT_NEAR(r.groupSD[g], std::sqrt(ss / (n - 1)), 1e-13 * r.groupSD[g]) << g;
        EXPECT_EQ(Bits(r.groupVariance[g]), Bits(r.groupSD[g] * r.groupSD[g])) << g;
    }
    // Reliability 1: no error variance, a sample reliability of exactly 1.
    EXPECT_EQ(r.sampleReliability[0], 1.0);
    EXPECT_EQ(r.sampleReliability[1], 1.0);
    EXPECT_LT(r.sampleReliability[2], 1.0);
}

TEST_F(ReplicationTest, SampleReliabilityAveragesNearThePopulationValue) {
    ReplicationSettings settings = DefaultSettings();
    for (GroupSettings& group : settings.groups) group.reliability = 0.7;
    SetSizes(settings, 200, 200, 200);
    std::int32_t seed = kDefaultSeedWord;
    double sum = 0.0;
    for (int i = 0; i < 300; ++i) {
        replicator_.GenerateReplication(settings, seed);
        for (int g = 0; g < 3; ++g) sum += replicator_.result().sampleReliability[g];
    }
    EXPECT_NEAR(sum / 900.0, 0.7, 0.01);
}

TEST_F(ReplicationTest, FTestMatchesTheTextbookAnova) {
    ReplicationSettings settings = DefaultSettings();
    SetSizes(settings, 12, 20, 9);
    settings.groups[1].mean = 0.8;
    std::int32_t seed = kDefaultSeedWord;
    std::int64_t rejections = 0;
    replicator_.GenerateReplication(settings, seed);
    replicator_.TestReplication(settings, rejections);
    const ReplicationResult& r = replicator_.result();

    double total = 0.0;
    int n = 0;
    for (int g = 0; g < 3; ++g) {
        for (double v : replicator_.observedScores(g)) total += v;
        n += settings.groups[g].size;
    }
    const double grand = total / n;
    double ssBetween = 0.0, ssWithin = 0.0;
    for (int g = 0; g < 3; ++g) {
        const auto scores = replicator_.observedScores(g);
        double mean = 0.0;
        for (double v : scores) mean += v;
        mean /= scores.size();
        ssBetween += scores.size() * (mean - grand) * (mean - grand);
        for (double v : scores) ssWithin += (v - mean) * (v - mean);
    }
    const double f = (ssBetween / 2.0) / (ssWithin / (n - 3));
    EXPECT_EQ(r.totalN, 41);
    EXPECT_EQ(r.dfBetween, 2.0);
    EXPECT_EQ(r.dfWithin, 38.0);
    EXPECT_EQ(r.dfTotal, 40.0);
    EXPECT_NEAR(r.grandMean, grand, 1e-13);
    EXPECT_NEAR(r.ssBetween, ssBetween, 1e-12 * ssBetween);
    EXPECT_NEAR(r.ssWithin, ssWithin, 1e-12 * ssWithin);
    EXPECT_NEAR(r.fRatio, f, 1e-12 * f);
    EXPECT_EQ(Bits(r.msBetween), Bits(r.ssBetween / 2.0));
    const double p = std::pow(38.0 / (38.0 + 2.0 * r.fRatio), 19.0);
    EXPECT_NEAR(r.pValue, p, 3e-7 * p + 1e-9);
    EXPECT_EQ(rejections, r.pValue <= 0.05 ? 1 : 0);
}

TEST_F(ReplicationTest, SmallestGroupsGiveThreeWithinDegreesOfFreedom) {
    ReplicationSettings settings = DefaultSettings();
    SetSizes(settings, 2, 2, 2);
    std::int32_t seed = kDefaultSeedWord;
    std::int64_t rejections = 0;
    replicator_.GenerateReplication(settings, seed);
    replicator_.TestReplication(settings, rejections);
    EXPECT_EQ(replicator_.result().dfWithin, 3.0);
    EXPECT_EQ(replicator_.result().totalN, 6);
}

TEST_F(ReplicationTest, ProbabilityEqualToAlphaCountsAsRejection) {
    ReplicationSettings settings = DefaultSettings();
    std::int32_t seed = kDefaultSeedWord;
    std::int64_t rejections = 0;
    replicator_.GenerateReplication(settings, seed);
    replicator_.TestReplication(settings, rejections);
    const double p = replicator_.result().pValue;

    settings.alpha = p;
    rejections = 0;
    replicator_.TestReplication(settings, rejections);
    EXPECT_EQ(rejections, 1);
    settings.alpha = std::nextafter(p, 0.0);
    replicator_.TestReplication(settings, rejections);
    EXPECT_EQ(rejections, 1);
}

TEST_F(ReplicationTest, RejectionsCountOnPastTheLargest32BitCount) {
    // A run may make up to 4294967295 replications; at an alpha near 1 nearly
    // every one rejects.
    ReplicationSettings settings = DefaultSettings();
    settings.alpha = 1.0;
    std::int32_t seed = kDefaultSeedWord;
    std::int64_t rejections = 2147483647;
    replicator_.GenerateReplication(settings, seed);
    replicator_.TestReplication(settings, rejections);
    EXPECT_EQ(rejections, 2147483648);
}

TEST_F(ReplicationTest, IdenticalWholeScoresSetNoVariance) {
    // Integer scores, winsorized to 1..2, mean 1.2 and a tiny SD: every score is 1.
    ReplicationSettings settings = DefaultSettings();
    settings.bounds = BoundsHandling::Winsorize;
    GroupSettings& group = settings.groups[1];
    group.wholeNumbers = true;
    group.hasMinimum = true;
    group.minimum = 1.0;
    group.hasMaximum = true;
    group.maximum = 2.0;
    group.mean = 1.2;
    group.sd = 0.01;
    std::int32_t seed = kDefaultSeedWord;
    replicator_.GenerateReplication(settings, seed);
    const ReplicationResult& r = replicator_.result();
    EXPECT_TRUE(r.noVariance);
    EXPECT_EQ(r.groupSD[1], 0.0);
    EXPECT_EQ(r.groupMean[1], 1.0);
    EXPECT_TRUE(std::isnan(r.sampleReliability[1]));
    EXPECT_GT(r.groupSD[0], 0.0);
    EXPECT_NO_THROW(RaiseFloatingPointFaults());  // no division was made
}

TEST_F(ReplicationTest, StopCheckAbandonsAnUnreachableResampledCase) {
    ReplicationSettings settings = DefaultSettings();
    GroupSettings& group = settings.groups[2];
    group.sd = 1000.0;
    group.hasMinimum = true;
    group.minimum = -0.000001;
    group.hasMaximum = true;
    group.maximum = 0.000001;
    int consults = 0;
    replicator_.setStopCheck([&] {
        ++consults;
        return true;
    });
    std::int32_t seed = kDefaultSeedWord;
    EXPECT_EQ(replicator_.GenerateReplication(settings, seed), Replicator::Outcome::Abandoned);
    EXPECT_EQ(consults, 1);
}

TEST_F(ReplicationTest, SizesOutsideTheWorkspaceAreRefused) {
    ReplicationSettings settings = DefaultSettings();
    std::int32_t seed = kDefaultSeedWord;
    settings.deviateRows = 15;  // below a group's size
    EXPECT_THROW(replicator_.GenerateReplication(settings, seed), std::invalid_argument);
    SetSizes(settings, 16, 1, 16);
    EXPECT_THROW(replicator_.GenerateReplication(settings, seed), std::invalid_argument);
    SetSizes(settings, 16, 4001, 16);
    EXPECT_THROW(replicator_.GenerateReplication(settings, seed), std::invalid_argument);
    SetSizes(settings, 4000, 2, 3000);
    EXPECT_EQ(replicator_.GenerateReplication(settings, seed), Replicator::Outcome::Completed);
}

TEST_F(ReplicationTest, OverflowInTheSpreadsAbandonsWithItsMessage) {
    ReplicationSettings settings = DefaultSettings();
    settings.groups[0].sd = 1e308;
    settings.groups[0].reliability = 0.0001;  // observed SD 1e310
    // Every replication of these settings, on either generator, raises it:
    // none takes the overflowed spread from an earlier one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::int32_t seed = kDefaultSeedWord;
        try {
            replicator_.GenerateReplication(settings, seed);
            FAIL() << "no fault raised, classic " << attempt;
        } catch (const FloatingPointFault& fault) {
            EXPECT_STREQ(fault.what(), "Floating point overflow");
        }
        try {
            replicator_.GenerateReplication(settings, PhiloxStream({1, 0, 0, 0}));
            FAIL() << "no fault raised, philox " << attempt;
        } catch (const FloatingPointFault& fault) {
            EXPECT_STREQ(fault.what(), "Floating point overflow");
        }
    }
}

}  // namespace
}  // namespace velmor
