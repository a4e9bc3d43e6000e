// The counter-based generator's samples behave as the theory says: the F
// test's Type I error rate, its power against the noncentral F, and a
// heteroscedastic case against its exact value, each from 20,000 samples,
// with the exact value inside the run's 99% Clopper-Pearson interval.

#include <gtest/gtest.h>

#include <boost/math/special_functions/beta.hpp>
#include <string>

#include "support/run_fixture.hpp"

using namespace velmor;
using velmor::testing::RunFixture;

namespace {

struct Case {
    std::string name;
    int n;
    std::array<const char*, 3> means;
    std::array<const char*, 3> sds;
    double exact;  // the rate theory gives
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// Type I: normal groups with equal means and variances reject at exactly
// alpha = .05.
// Power: means -m, 0, m with m = .25 sqrt(1.5), so f = sqrt(2 m^2 / 3) = .25,
// n = 52 per group:
//   R -q -e 'f<-.25;n<-52;k<-3;l<-f^2*k*n;1-pf(qf(.95,2,k*n-3),2,k*n-3,ncp=l)'
//   0.7967328617
// Heteroscedastic: normal groups of 5 with variances 1, 2, 3 and equal
// means reject at .0558 (exact value); a simulation in R with 2,000,000
// samples (set.seed(1), F against qf(.95, 2, 12)) gave .05558 +- .00032.
const Case kCases[] = {
    {"TypeIAtFive", 5, {"0", "0", "0"}, {"1", "1", "1"}, 0.05},
    {"TypeIAtSixteen", 16, {"0", "0", "0"}, {"1", "1", "1"}, 0.05},
    {"TypeIAtFifty", 50, {"0", "0", "0"}, {"1", "1", "1"}, 0.05},
    {"PowerAtFiftyTwo",
     52,
     {"-0.30618621784789724", "0", "0.30618621784789724"},
     {"1", "1", "1"},
     0.7967328617},
    {"VariancesOneTwoThree",
     5,
     {"0", "0", "0"},
     {"1", "1.4142135623730951", "1.7320508075688772"},
     0.0558},
};

class PhiloxRates : public ::testing::TestWithParam<Case> {};

TEST_P(PhiloxRates, HoldTheExactRateWithinTheirInterval) {
    const Case& c = GetParam();
    RunFixture rig;
    rig.state.choices.generator = Generator::Philox;
    rig.run.setPhiloxThreads(2);
    for (int g = 0; g < kGroups; ++g) {
        const std::string k = std::to_string(g + 1);
        rig.set("txtmean" + k, c.means[g]);
        rig.set("txtsd" + k, c.sds[g]);
        rig.set("txtNsize" + k, std::to_string(c.n));
    }
    rig.set("txtalpha1", "0.05");
    rig.set("txtseed", "20261209");
    rig.set("txtiterations", "20000");
    rig.run.btnRunClick();
    const RunResult& r = rig.state.result;
    ASSERT_EQ(r.completed, 20000);
    const double x = static_cast<double>(r.rejections);
    const double n = 20000.0;
    // 99% Clopper-Pearson interval of the rejection rate.
    const double low = x == 0 ? 0.0 : boost::math::ibeta_inv(x, n - x + 1, 0.005);
    const double high = x == n ? 1.0 : boost::math::ibeta_inv(x + 1, n - x, 0.995);
    EXPECT_LE(low, c.exact) << "rate " << x / n;
    EXPECT_GE(high, c.exact) << "rate " << x / n;
    // The interval is narrow enough to catch a real fault: under .015 wide.
    EXPECT_LT(high - low, 0.015);
}

INSTANTIATE_TEST_SUITE_P(Cases, PhiloxRates, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

}  // namespace
