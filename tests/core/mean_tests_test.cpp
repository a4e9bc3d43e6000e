// The tests of equal means beside F: reference values from independent
// implementations on fixed data sets, what each test says when the data do
// not allow it, James's p-value against its own definition, that a call
// allocates nothing, and the names a study file chooses tests by.
//
// Reference values (tolerance 1e-9 relative for statistics, df and p):
// produced once by the scripts in tests/core/reference/ (R 4.2 from Debian's
// r-base-core, SciPy 1.10 and statsmodels 0.13 from python3-scipy and
// python3-statsmodels; CI needs none of them):
//   cd tests/core/reference
//   /usr/bin/python3 mean_tests_library.py --csv > /tmp/d.csv
//   Rscript mean_tests_r.R /tmp/d.csv > /tmp/r.txt
//   /usr/bin/python3 mean_tests_library.py /tmp/r.txt > /tmp/lib.json
//   /usr/bin/python3 mean_tests_independent.py > /tmp/ind.json
//   /usr/bin/python3 make_cpp_table.py /tmp/lib.json /tmp/ind.json
// Welch: R oneway.test(var.equal = FALSE). Kruskal-Wallis: R kruskal.test.
// Alexander-Govern: scipy.stats.alexandergovern. Trimmed Welch: statsmodels
// anova_oneway(use_var="unequal", trim_frac=0.2). Brown-Forsythe and James:
// mean_tests_independent.py, written from the published formulas in array
// form; for Brown-Forsythe statsmodels' use_var="bf" gives the same statistic
// and df2 (its df1 and so its p follow Mehrotra's later correction). The
// independent script agrees with every library value to 2e-13 or better.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "core/alexander_govern_test.hpp"
#include "core/brown_forsythe_test.hpp"
#include "core/fp_faults.hpp"
#include "core/james_test.hpp"
#include "core/kruskal_wallis_test.hpp"
#include "core/mean_test_battery.hpp"
#include "core/mean_test_kind.hpp"
#include "core/trimmed_welch_test.hpp"
#include "core/welch_test.hpp"
#include "support/allocation_counter.hpp"

using velmor::testing::allocations;

namespace velmor {
namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
constexpr double kTolerance = 1e-9;

struct DataSet {
    const char* name;
    std::array<std::vector<double>, kGroups> groups;
    ThreeGroups spans() const { return {groups[0], groups[1], groups[2]}; }
};

// Runs any of the six tests through the run's own dispatch (F is the
// replication's).
MeanTestResult RunTest(MeanTestKind kind, const ThreeGroups& groups, MeanTestScratch& scratch) {
    return RunMeanTest(kind, groups, scratch);
}

constexpr std::array kSixTests = {MeanTestKind::Welch,         MeanTestKind::BrownForsythe,
                                  MeanTestKind::James,         MeanTestKind::AlexanderGovern,
                                  MeanTestKind::KruskalWallis, MeanTestKind::TrimmedWelch};

const DataSet k_unequal_sizes = {
    "unequal_sizes",
    {{{10.2, 11.5, 9.8, 12.1, 10.9},
      {12.3, 13.1, 11.8, 12.9, 14.2, 12.5, 13.7, 11.9, 12.8, 13.4},
      {11.1, 10.4, 12.2, 11.7, 10.8, 11.5, 12.6, 10.9, 11.3, 12.0, 11.8, 10.6, 11.4, 12.3, 11.0}}}};
const DataSet k_unequal_sds = {"unequal_sds",
                               {{{20.1, 19.8, 20.4, 20.0, 19.7, 20.3, 20.2, 19.9},
                                 {18.5, 22.1, 19.4, 21.7, 17.9, 23.0, 20.6, 19.2},
                                 {12.0, 31.5, 25.2, 14.8, 28.9, 9.7, 22.3, 33.1}}}};
const DataSet k_integer_ties = {"integer_ties",
                                {{{3.0, 4.0, 4.0, 5.0, 3.0, 2.0, 4.0, 5.0, 3.0, 4.0},
                                  {5.0, 6.0, 4.0, 5.0, 7.0, 5.0, 6.0, 4.0, 5.0, 6.0, 7.0, 5.0},
                                  {4.0, 3.0, 5.0, 4.0, 4.0, 6.0, 3.0, 5.0, 4.0}}}};
const DataSet k_group_of_two = {
    "group_of_two",
    {{{7.5, 9.25}, {5.1, 6.3, 4.8, 5.9, 6.6, 5.4}, {6.2, 7.9, 8.4, 6.8, 7.1, 9.0, 7.7, 8.1, 6.5}}}};
const DataSet k_group_of_two_ties = {
    "group_of_two_ties",
    {{{3.0, 5.0}, {2.0, 2.0, 3.0, 4.0, 3.0, 2.0, 3.0}, {5.0, 4.0, 6.0, 5.0, 5.0, 4.0}}}};
const DataSet k_small_group_large_sd = {
    "small_group_large_sd",
    {{{52.03, 46.35, 51.51, 48.92, 48.97},
      {47.98, 51.16, 49.93, 50.29, 50.03, 47.21, 50.35, 51.72, 54.11, 46.9},
      {49.85, 48.54, 50.08, 50.79, 51.2, 49.15, 50.43, 49.36, 48.63, 50.02, 50.23, 49.66, 51.11,
       48.44, 50.55}}}};
const DataSet k_near_null = {
    "near_null",
    {{{0.001, 0.299, -0.274, -0.891, -0.455, -0.992, 0.06, 1.34, -0.492, -0.62, 0.49, 0.357},
      {0.105, -0.93, -0.029, 0.695, -1.344, -0.458, -1.901, -1.29, -1.842, -0.235, -1.267, 0.271},
      {0.157, -0.187, -2.517, -0.539, -0.049, 0.113, -1.53, -0.478, -0.979, -0.809, 1.061,
       -0.808}}}};
const DataSet k_strong_effect = {
    "strong_effect",
    {{{0.034, 1.36,   1.225, -0.51,  -0.298, -0.527, 0.57,  -0.056, 0.747,  -1.847,
       1.567, -0.096, 0.68,  -0.137, -0.379, 0.463,  0.825, -0.203, -0.153, 0.686},
      {0.63,  -0.014, 1.895, 0.829, -0.42, 0.686, 1.032, 0.307, 0.008, 1.537,
       2.397, 1.267,  0.756, 1.885, 2.217, 1.2,   2.045, 2.543, 1.293, 0.686},
      {3.348, 3.248, 4.099, 1.715, 2.338, 2.162, 1.266, 3.126, 3.528, 2.261,
       4.386, 3.822, 3.627, 3.402, 3.956, 1.668, 3.614, 3.603, 1.232, 3.347}}}};
const DataSet k_larger_groups = {
    "larger_groups",
    {{{96.828,  100.962, 92.415,  105.583, 102.553, 98.832,  98.752,  101.215, 98.929,  99.096,
       102.88,  102.059, 99.743,  99.658,  100.644, 97.544,  98.385,  102.193, 99.478,  94.502,
       98.091,  102.626, 99.071,  99.405,  102.567, 107.298, 97.147,  105.393, 95.08,   100.7,
       95.322,  105.406, 103.336, 104.551, 96.458,  102.738, 97.924,  98.17,   102.026, 103.507,
       100.818, 97.488,  96.697,  105.777, 102.376, 102.879, 108.734, 96.737,  110.238, 112.604,
       106.474, 103.308, 97.345,  103.978, 98.229,  99.913,  98.838,  101.135, 105.152, 97.778},
      {94.102,  93.979,  94.222,  90.982,  94.609,  110.053, 96.847,  102.8,   92.482,
       102.188, 88.815,  96.109,  116.782, 96.919,  108.84,  104.185, 99.929,  96.435,
       110.008, 99.758,  111.692, 95.966,  101.401, 104.258, 103.612, 92.363,  96.352,
       99.628,  95.024,  105.741, 105.116, 87.3,    88.363,  92.029,  101.821, 115.232,
       98.324,  102.755, 93.558,  93.672,  87.299,  100.802, 107.631, 98.503,  110.775},
      {99.995,  99.409,  100.793, 100.718, 102.37,  97.495,  93.78,   99.787, 97.971,
       99.432,  103.661, 96.743,  101.412, 101.865, 100.652, 102.296, 98.354, 97.796,
       102.097, 101.301, 102.976, 100.031, 103.559, 98.795,  96.849,  94.407, 96.746,
       101.546, 95.838,  98.369,  104.766, 101.617, 103.977, 97.021,  93.35,  103.291,
       95.958,  99.727,  100.043, 97.128,  103.382, 103.373, 100.879, 99.426, 99.979,
       96.76,   98.902,  99.238,  97.369,  101.623, 95.934,  98.366}}}};

struct ReferenceRow {
    const DataSet* data;
    MeanTestKind kind;
    double statistic, df1, df2, pValue;  // df2 kNone for a chi-square test
};

const ReferenceRow kReference[] = {
    {&k_unequal_sizes, MeanTestKind::Welch, 13.158846189024214, 2.0, 9.897774137848227,
     0.0016293413533653785},
    {&k_unequal_sizes, MeanTestKind::KruskalWallis, 15.41199435908854, 2.0, kNone,
     0.00045011962394209517},
    {&k_unequal_sizes, MeanTestKind::AlexanderGovern, 16.25063514798051, 2.0, kNone,
     0.00029595072887759203},
    {&k_unequal_sizes, MeanTestKind::TrimmedWelch, 9.980446362831298, 2.0, 5.0419584212027155,
     0.017657758483907673},
    {&k_unequal_sizes, MeanTestKind::BrownForsythe, 12.854064476109388, 2.0, 11.67490764949586,
     0.0011210565952146862},
    {&k_unequal_sizes, MeanTestKind::James, 28.090326104346673, 2.0, kNone, 0.002313541886979558},
    {&k_unequal_sds, MeanTestKind::Welch, 0.275253718123708, 2.0, 9.503179812510242,
     0.7652319621877283},
    {&k_unequal_sds, MeanTestKind::KruskalWallis, 0.8449999999999989, 2.0, kNone,
     0.6554062543268409},
    {&k_unequal_sds, MeanTestKind::AlexanderGovern, 0.5349684677025475, 2.0, kNone,
     0.7653023963991121},
    {&k_unequal_sds, MeanTestKind::TrimmedWelch, 0.19164596269878453, 2.0, 6.78612307862638,
     0.8299172761152847},
    {&k_unequal_sds, MeanTestKind::BrownForsythe, 0.38349612945687056, 2.0, 7.5850322752879835,
     0.6939730972609138},
    {&k_unequal_sds, MeanTestKind::James, 0.5891266105384363, 2.0, kNone, 0.765969587072125},
    {&k_integer_ties, MeanTestKind::Welch, 8.68027821576705, 2.0, 18.086370297233483,
     0.0022768562008271785},
    {&k_integer_ties, MeanTestKind::KruskalWallis, 11.90545147861038, 2.0, kNone,
     0.0025987473479428353},
    {&k_integer_ties, MeanTestKind::AlexanderGovern, 12.488864564495126, 2.0, kNone,
     0.0019412323371393217},
    {&k_integer_ties, MeanTestKind::TrimmedWelch, 11.423597075521343, 2.0, 11.229588952565964,
     0.0019639804975834473},
    {&k_integer_ties, MeanTestKind::BrownForsythe, 9.093220704591149, 2.0, 27.19703883331761,
     0.0009462660541253131},
    {&k_integer_ties, MeanTestKind::James, 18.000469476411862, 2.0, kNone, 0.0020630760423948386},
    {&k_group_of_two, MeanTestKind::Welch, 9.278777036977749, 2.0, 2.717808097780733,
     0.061038561448246674},
    {&k_group_of_two, MeanTestKind::KruskalWallis, 9.586056644880173, 2.0, kNone,
     0.008287322657934176},
    {&k_group_of_two, MeanTestKind::AlexanderGovern, 11.859007410541452, 2.0, kNone,
     0.0026598017068327376},
    {&k_group_of_two, MeanTestKind::TrimmedWelch, 6.859234916086738, 2.0, 2.646984930267639,
     0.08971885432523766},
    {&k_group_of_two, MeanTestKind::BrownForsythe, 7.9942165376695025, 2.0, 2.3168312345153894,
     0.09122452485330512},
    {&k_group_of_two, MeanTestKind::James, 23.10964247418973, 2.0, kNone, 0.060971729046918076},
    {&k_group_of_two_ties, MeanTestKind::Welch, 10.197327961645454, 2.0, 2.616853153716462,
     0.05816054169379704},
    {&k_group_of_two_ties, MeanTestKind::KruskalWallis, 9.059210526315793, 2.0, kNone,
     0.010784932442789549},
    {&k_group_of_two_ties, MeanTestKind::AlexanderGovern, 12.173100162246486, 2.0, kNone,
     0.002273237888690497},
    {&k_group_of_two_ties, MeanTestKind::TrimmedWelch, 9.332430731457164, 2.0, 2.47600908358362,
     0.07030058288922512},
    {&k_group_of_two_ties, MeanTestKind::BrownForsythe, 6.169403283940728, 2.0, 1.858447065393615,
     0.15116293209363094},
    {&k_group_of_two_ties, MeanTestKind::James, 25.590376310919176, 2.0, kNone,
     0.05563677016541393},
    {&k_small_group_large_sd, MeanTestKind::Welch, 0.05263564573585243, 2.0, 8.321312175259887,
     0.9490389047215059},
    {&k_small_group_large_sd, MeanTestKind::KruskalWallis, 0.08344086021504893, 2.0, kNone,
     0.9591378891697369},
    {&k_small_group_large_sd, MeanTestKind::AlexanderGovern, 0.10097502129756711, 2.0, kNone,
     0.9507658030462139},
    {&k_small_group_large_sd, MeanTestKind::TrimmedWelch, 0.005897461129608788, 2.0,
     4.289311475570821, 0.994127940904109},
    {&k_small_group_large_sd, MeanTestKind::BrownForsythe, 0.07260894403539396, 2.0,
     10.701588358764736, 0.9304185752137172},
    {&k_small_group_large_sd, MeanTestKind::James, 0.11370516097485743, 2.0, kNone,
     0.9491922818744528},
    {&k_near_null, MeanTestKind::Welch, 1.9835031783703791, 2.0, 21.53701556355555,
     0.16193555948256272},
    {&k_near_null, MeanTestKind::KruskalWallis, 2.869369369369366, 2.0, kNone, 0.23819045727417837},
    {&k_near_null, MeanTestKind::AlexanderGovern, 3.6364338663532947, 2.0, kNone,
     0.16231491139450044},
    {&k_near_null, MeanTestKind::TrimmedWelch, 1.3971886821893686, 2.0, 13.635779691350015,
     0.28055097460653494},
    {&k_near_null, MeanTestKind::BrownForsythe, 1.6939924487364224, 2.0, 31.089319233705094,
     0.20030945073848258},
    {&k_near_null, MeanTestKind::James, 4.089802892625196, 2.0, kNone, 0.16136071362734059},
    {&k_strong_effect, MeanTestKind::Welch, 48.94858119761086, 2.0, 37.761410075361404,
     3.263431923939003e-11},
    {&k_strong_effect, MeanTestKind::KruskalWallis, 37.62746067915302, 2.0, kNone,
     6.749952699442612e-09},
    {&k_strong_effect, MeanTestKind::AlexanderGovern, 47.24095739633051, 2.0, kNone,
     5.517679131968874e-11},
    {&k_strong_effect, MeanTestKind::TrimmedWelch, 46.653933638918424, 2.0, 21.594169744100803,
     1.4501442724812388e-08},
    {&k_strong_effect, MeanTestKind::BrownForsythe, 52.92495507334626, 2.0, 55.37881659496717,
     1.4105228589851777e-13},
    {&k_strong_effect, MeanTestKind::James, 99.62550820645856, 2.0, kNone, 1.003101685601833e-11},
    {&k_larger_groups, MeanTestKind::Welch, 2.2805871669432416, 2.0, 87.98875171546429,
     0.1082358123897922},
    {&k_larger_groups, MeanTestKind::KruskalWallis, 3.626911603272106, 2.0, kNone,
     0.16308955666934652},
    {&k_larger_groups, MeanTestKind::AlexanderGovern, 4.46181844897354, 2.0, kNone,
     0.10743070708691821},
    {&k_larger_groups, MeanTestKind::TrimmedWelch, 1.4133237019002118, 2.0, 52.94404610284098,
     0.25236299290109493},
    {&k_larger_groups, MeanTestKind::BrownForsythe, 1.2757263173501818, 2.0, 78.66126416804917,
     0.28494092355895156},
    {&k_larger_groups, MeanTestKind::James, 4.595733102251552, 2.0, kNone, 0.10825090571120695},
};

// Names the row in failure messages instead of dumping its bytes.
void PrintTo(const ReferenceRow& row, std::ostream* os) {
    *os << row.data->name << " " << MeanTestName(row.kind);
}

void ExpectRelative(double actual, double expected, const char* what) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << what << " should be absent, is " << actual;
        return;
    }
    EXPECT_LE(std::fabs(actual - expected), kTolerance * std::fabs(expected))
        << what << ": " << actual << " against " << expected;
}

class MeanTestReference : public ::testing::TestWithParam<ReferenceRow> {};

TEST_P(MeanTestReference, MatchesIndependentImplementation) {
    const ReferenceRow& row = GetParam();
    MeanTestScratch scratch(100);
    const MeanTestResult r = RunTest(row.kind, row.data->spans(), scratch);
    SCOPED_TRACE(std::string(row.data->name) + " " + std::string(MeanTestName(row.kind)));
    ASSERT_EQ(r.status, MeanTestStatus::Computed);
    EXPECT_EQ(r.dfCount, std::isnan(row.df2) ? 1 : 2);
    ExpectRelative(r.statistic, row.statistic, "statistic");
    ExpectRelative(r.df1, row.df1, "df1");
    ExpectRelative(r.df2, row.df2, "df2");
    ExpectRelative(r.pValue, row.pValue, "p");
}

INSTANTIATE_TEST_SUITE_P(FixedDataSets, MeanTestReference, ::testing::ValuesIn(kReference),
                         [](const auto& info) {
                             std::string name = std::string(info.param.data->name) + "_" +
                                                std::string(MeanTestName(info.param.kind));
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

// The order of the groups is no part of any test: every result is the same,
// to rounding, with the groups in reverse (the sums run in another order).
TEST(MeanTests, GroupOrderDoesNotMatter) {
    for (const DataSet* data : {&k_unequal_sizes, &k_integer_ties, &k_group_of_two}) {
        const ThreeGroups forward = data->spans();
        const ThreeGroups reversed = {forward[2], forward[1], forward[0]};
        MeanTestScratch scratch(100);
        for (const MeanTestKind kind : kSixTests) {
            const MeanTestResult a = RunTest(kind, forward, scratch);
            const MeanTestResult b = RunTest(kind, reversed, scratch);
            SCOPED_TRACE(std::string(data->name) + " " + std::string(MeanTestName(kind)));
            EXPECT_NEAR(a.statistic, b.statistic, 1e-12 * a.statistic);
            EXPECT_NEAR(a.pValue, b.pValue, 1e-12);
        }
    }
}

// James's p-value is the alpha whose critical value is the statistic: the
// chi-square quantile at 1 - p, put into the critical value, gives J back.
TEST(MeanTests, JamesPValueMeetsTheCriticalValue) {
    for (const DataSet* data :
         {&k_unequal_sizes, &k_unequal_sds, &k_group_of_two, &k_strong_effect}) {
        const ThreeGroups g = data->spans();
        const MeanTestResult r = JamesTest(g);
        ASSERT_TRUE(r.computed()) << data->name;
        // The terms of the critical value, from their definitions.
        std::array<double, kGroups> w{}, nu{};
        double sumW = 0.0;
        for (int j = 0; j < kGroups; ++j) {
            double mean = 0.0, ss = 0.0;
            for (double x : g[j]) mean += x / static_cast<double>(g[j].size());
            for (double x : g[j]) ss += (x - mean) * (x - mean);
            nu[j] = static_cast<double>(g[j].size()) - 1.0;
            w[j] = static_cast<double>(g[j].size()) / (ss / nu[j]);
            sumW += w[j];
        }
        JamesTerms terms;
        for (int j = 0; j < kGroups; ++j) {
            const double s = w[j] / sumW;
            terms.t += (1 - s) * (1 - s) / nu[j];
            terms.r10 += 1 / nu[j];
            terms.r11 += s / nu[j];
            terms.r12 += s * s / nu[j];
            terms.r20 += 1 / (nu[j] * nu[j]);
            terms.r21 += s / (nu[j] * nu[j]);
            terms.r22 += s * s / (nu[j] * nu[j]);
            terms.r23 += s * s * s / (nu[j] * nu[j]);
        }
        const boost::math::chi_squared_distribution<double> chi(2.0);
        const double c = boost::math::quantile(boost::math::complement(chi, r.pValue));
        EXPECT_NEAR(JamesCriticalValue(terms, c), r.statistic, 1e-9 * r.statistic) << data->name;
        // With large groups the critical value tends to the chi-square quantile.
        JamesTerms large;
        EXPECT_DOUBLE_EQ(JamesCriticalValue(large, 5.991464547107979), 5.991464547107979);
    }
}

// Equal group means: no evidence at all. James's p is 1 by definition,
// Kruskal-Wallis gives 1 when the rank sums are proportional to the sizes.
TEST(MeanTests, EqualMeansGiveNoEvidence) {
    const DataSet same = {"same", {{{1, 2, 3}, {0, 2, 4}, {2, 1, 3, 2}}}};
    MeanTestScratch scratch(10);
    for (const MeanTestKind kind : kSixTests) {
        const MeanTestResult r = RunTest(kind, same.spans(), scratch);
        SCOPED_TRACE(std::string(MeanTestName(kind)));
        ASSERT_TRUE(r.computed());
        EXPECT_NEAR(r.statistic, 0.0, 1e-12);
        EXPECT_NEAR(r.pValue, 1.0, 1e-12);
    }
}

// Data a test cannot be computed on: the result says why, and holds NaN in
// every number rather than a number that looks like an answer.
struct UncomputableRow {
    const char* what;
    std::array<std::vector<double>, kGroups> groups;
    // Expected status per test, in kSixTests order.
    std::array<MeanTestStatus, 6> status;
};

using S = MeanTestStatus;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const UncomputableRow kUncomputable[] = {
    // welch, brown-forsythe, james, alexander-govern, kruskal-wallis, trimmed-welch
    {"one group without variance",
     {{{4, 4, 4, 4}, {1, 2, 3}, {5, 7, 6}}},
     {S::NoVariance, S::Computed, S::NoVariance, S::NoVariance, S::Computed, S::NoVariance}},
    {"no group varies",
     {{{4, 4}, {1, 1, 1}, {5, 5}}},
     {S::NoVariance, S::NoVariance, S::NoVariance, S::NoVariance, S::Computed, S::NoVariance}},
    {"every score the same",
     {{{3, 3}, {3, 3, 3}, {3, 3}}},
     {S::NoVariance, S::NoVariance, S::NoVariance, S::NoVariance, S::NoVariance, S::NoVariance}},
    {"a group of one",
     {{{4}, {1, 2, 3}, {5, 7, 6}}},
     {S::TooFewCases, S::TooFewCases, S::TooFewCases, S::TooFewCases, S::Computed, S::TooFewCases}},
    {"an empty group",
     {{{}, {1, 2, 3}, {5, 7, 6}}},
     {S::TooFewCases, S::TooFewCases, S::TooFewCases, S::TooFewCases, S::TooFewCases,
      S::TooFewCases}},
    // Ten cases, two trimmed from each end: the six kept are tied.
    {"the kept cases of a group tied",
     {{{1, 2, 5, 5, 5, 5, 5, 5, 8, 9}, {1, 2, 3}, {5, 7, 6}}},
     {S::Computed, S::Computed, S::Computed, S::Computed, S::Computed, S::NoVariance}},
    {"a score not a number",
     {{{1, kNaN, 3}, {1, 2, 3}, {5, 7, 6}}},
     {S::NotFinite, S::NotFinite, S::NotFinite, S::NotFinite, S::NotFinite, S::NotFinite}},
    {"an infinite score",
     {{{1, kInf, 3}, {1, 2, 3}, {5, 7, 6}}},
     {S::NotFinite, S::NotFinite, S::NotFinite, S::NotFinite, S::Computed, S::NotFinite}},
};

TEST(MeanTests, SayWhyTheyCannotBeComputed) {
    MeanTestScratch scratch(20);
    for (const UncomputableRow& row : kUncomputable) {
        const ThreeGroups g = {row.groups[0], row.groups[1], row.groups[2]};
        for (std::size_t i = 0; i < kSixTests.size(); ++i) {
            SCOPED_TRACE(std::string(row.what) + ": " + std::string(MeanTestName(kSixTests[i])));
            const MeanTestResult r = RunTest(kSixTests[i], g, scratch);
            EXPECT_EQ(r.status, row.status[i]);
            if (r.computed()) {
                EXPECT_TRUE(std::isfinite(r.statistic));
                EXPECT_GE(r.pValue, 0.0);
                EXPECT_LE(r.pValue, 1.0);
            } else {
                EXPECT_TRUE(std::isnan(r.statistic) && std::isnan(r.pValue) && std::isnan(r.df1));
                EXPECT_EQ(r.dfCount, 0);
            }
        }
    }
}

// A replication checks the overflow, division-by-zero and invalid flags and
// abandons the run when one is set; the tests must leave none behind on any
// data a replication can produce (finite scores), computed or not.
TEST(MeanTests, LeaveNoFloatingPointFault) {
    MeanTestScratch scratch(100);
    ClearFloatingPointFaults();
    for (const ReferenceRow& row : kReference) RunTest(row.kind, row.data->spans(), scratch);
    for (const UncomputableRow& row : kUncomputable) {
        if (std::string(row.what).find("not a number") != std::string::npos ||
            std::string(row.what).find("infinite") != std::string::npos)
            continue;  // no replication holds such a score
        const ThreeGroups g = {row.groups[0], row.groups[1], row.groups[2]};
        for (const MeanTestKind kind : kSixTests) RunTest(kind, g, scratch);
    }
    // Statistics of exactly 0: equal means and equal mean ranks. The
    // chi-square tail is 1 there without evaluating log(0).
    const DataSet balanced = {"balanced", {{{1, 6}, {2, 5}, {3, 4}}}};
    for (const MeanTestKind kind : kSixTests) {
        const MeanTestResult r = RunTest(kind, balanced.spans(), scratch);
        ASSERT_TRUE(r.computed()) << MeanTestName(kind);
        EXPECT_EQ(r.pValue, 1.0) << MeanTestName(kind);
        EXPECT_EQ(TakeFloatingPointFaults(), 0) << MeanTestName(kind);
    }
    // Extreme but finite: a p-value that underflows, and groups of two.
    const DataSet extreme = {"extreme", {{{0, 1e-3}, {1e6, 1e6 + 1e-3}, {-1e6, -1e6 + 1e-3}}}};
    for (const MeanTestKind kind : kSixTests) {
        const MeanTestResult r = RunTest(kind, extreme.spans(), scratch);
        EXPECT_TRUE(r.computed()) << MeanTestName(kind);
        // Means far apart against the spreads: next to no probability (with
        // groups of two the F tests have about two denominator df, so their
        // tails fall only like 1/F; the rank test's least p is exp(-H/2)).
        if (kind != MeanTestKind::KruskalWallis) {
            EXPECT_LT(r.pValue, 1e-15) << MeanTestName(kind);
        }
        // James's critical value stays below J for every alpha a double holds.
        if (kind == MeanTestKind::James) {
            EXPECT_EQ(r.pValue, 0.0);
        }
    }
    EXPECT_EQ(TakeFloatingPointFaults(), 0);
}

TEST(MeanTests, ScratchTooSmallIsTheCallersFault) {
    MeanTestScratch scratch(2);  // room for 6 scores
    const ThreeGroups g = k_unequal_sizes.spans();
    EXPECT_THROW(KruskalWallisTest(g, scratch), std::invalid_argument);
    EXPECT_THROW(TrimmedWelchTest(g, scratch), std::invalid_argument);
}

// Groups of 2000, as large as a run draws: once the scratch exists, every
// test runs without a single allocation.
TEST(MeanTests, AllocateNothing) {
    std::array<std::vector<double>, kGroups> groups;
    for (int g = 0; g < kGroups; ++g)
        for (int i = 0; i < 2000; ++i)
            groups[g].push_back(std::fmod(i * 0.618034 * (g + 1), 7.0) + g);
    const ThreeGroups spans = {groups[0], groups[1], groups[2]};
    MeanTestScratch scratch(2000);
    const long before = allocations.load();
    double sum = 0.0;
    for (const MeanTestKind kind : kSixTests) {
        const MeanTestResult r = RunTest(kind, spans, scratch);
        EXPECT_TRUE(r.computed()) << MeanTestName(kind);
        sum += r.pValue;
    }
    EXPECT_EQ(allocations.load(), before);
    EXPECT_TRUE(std::isfinite(sum));
}

// The trimmed moments of one group, worked by hand: 10 scores, two trimmed
// from each end; kept 3 4 4 5 6 7 (mean 29/6); winsorized 3 3 3 4 4 5 6 7 7 7.
TEST(MeanTests, TrimmedMomentsByHand) {
    std::vector<double> scores = {7, 1, 4, 9, 3, 5, 12, 6, 4, 2};
    std::sort(scores.begin(), scores.end());
    const TrimmedMoments t = DescribeTrimmedSorted(scores);
    EXPECT_EQ(t.kept, 6.0);
    EXPECT_DOUBLE_EQ(t.trimmedMean, 29.0 / 6.0);
    // Winsorized mean 4.9; squared deviations sum to 26.9.
    EXPECT_NEAR(t.winsorizedSS, 26.9, 1e-12);
}

struct ParseRow {
    const char* value;
    std::vector<MeanTestKind> chosen;  // besides F; empty with an error
    const char* error;                 // nullptr when the value is valid
};

const ParseRow kParseRows[] = {
    {"welch brown-forsythe kruskal-wallis",
     {MeanTestKind::Welch, MeanTestKind::BrownForsythe, MeanTestKind::KruskalWallis},
     nullptr},
    {"  james\talexander-govern  ", {MeanTestKind::James, MeanTestKind::AlexanderGovern}, nullptr},
    {"all",
     {MeanTestKind::Welch, MeanTestKind::BrownForsythe, MeanTestKind::James,
      MeanTestKind::AlexanderGovern, MeanTestKind::KruskalWallis, MeanTestKind::TrimmedWelch},
     nullptr},
    {"f", {}, nullptr},
    {"", {}, nullptr},
    {"trimmed-welch trimmed-welch f", {MeanTestKind::TrimmedWelch}, nullptr},
    {"welch welsh",
     {},
     "tests: \"welsh\" is not a test; the tests are f welch brown-forsythe james "
     "alexander-govern kruskal-wallis trimmed-welch (or all)"},
    {"welch,james",
     {},
     "tests: \"welch,james\" is not a test; the tests are f welch brown-forsythe james "
     "alexander-govern kruskal-wallis trimmed-welch (or all); separate the names by blanks, "
     "not commas"},
    {"Welch",
     {},
     "tests: \"Welch\" is not a test; the tests are f welch brown-forsythe james "
     "alexander-govern kruskal-wallis trimmed-welch (or all)"},
};

TEST(MeanTestNames, ParseTheTestsLine) {
    for (const ParseRow& row : kParseRows) {
        SCOPED_TRACE(row.value);
        const auto parsed = ParseMeanTests(row.value);
        if (row.error) {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
            EXPECT_EQ(std::get<std::string>(parsed), row.error);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<MeanTestSelection>(parsed));
        const MeanTestSelection& s = std::get<MeanTestSelection>(parsed);
        EXPECT_TRUE(s.chosen(MeanTestKind::F));
        for (const MeanTestKind kind : kSixTests) {
            const bool expected =
                std::find(row.chosen.begin(), row.chosen.end(), kind) != row.chosen.end();
            EXPECT_EQ(s.chosen(kind), expected) << MeanTestName(kind);
        }
        EXPECT_EQ(s.anyBesidesF(), !row.chosen.empty());
    }
}

TEST(MeanTestNames, EveryNameReadsBack) {
    for (const MeanTestKind kind : kAllMeanTests)
        EXPECT_EQ(MeanTestFromName(MeanTestName(kind)), kind);
    EXPECT_EQ(MeanTestSelection::All(), std::get<MeanTestSelection>(ParseMeanTests("f all")));
}

}  // namespace
}  // namespace velmor
