// The samples a stopping rule is expected to take, from the normal theory of
// the F test: p (1 - p) (z / H)^2, the p (1 - p) (1.96 / H)^2.

#include "analysis/expected_samples.hpp"

#include <gtest/gtest.h>

namespace velmor {
namespace {

RunSettings Default(std::uint32_t samples) {
    RunSettings s;  // three normal groups of 16, means 0, SD 1, alpha .05
    s.txtiterations = samples;
    return s;
}

TEST(ExpectedSamples, FromTheNormalTheoryOfF) {
    // .05 (.95) (1.959964 / .005)^2 = 7298.8; with 1.96, 7299.4.
    EXPECT_EQ(SamplesForHalfWidth(0.05, 0.005), 7299u);
    // Power .8 at +-.01: .16 (196)^2 = 6146.6 with 1.96.
    EXPECT_EQ(SamplesForHalfWidth(0.8, 0.01), 6147u);

    StoppingChoice rule;
    EXPECT_EQ(ExpectSamples(Default(100000), rule).samples, 100000u);  // no rule: all of them
    rule.precision = 0.005;
    const ExpectedSamples precise = ExpectSamples(Default(100000), rule);
    EXPECT_EQ(precise.samples, 8000u);  // 7299, up to the next checkpoint
    EXPECT_EQ(precise.basis, "normal theory, F's rate 0.0500");
    EXPECT_EQ(ExpectSamples(Default(5000), rule).samples, 5000u);  // never beyond the maximum

    // Bradley's band lies .005 from alpha .05: the same count; Robey &
    // Barcikowski's .0125, about 1200.
    StoppingChoice band;
    band.decide = DecideBand::Bradley;
    EXPECT_EQ(ExpectSamples(Default(100000), band).samples, 8000u);
    band.decide = DecideBand::RobeyBarcikowski;
    EXPECT_EQ(ExpectSamples(Default(100000), band).samples, 2000u);
}

TEST(ExpectedSamples, TheMaximumWhereTheTheoryIsSilent) {
    StoppingChoice rule;
    rule.precision = 0.005;
    RunSettings bounded = Default(20000);
    bounded.groups[0].hasMinimum = true;
    bounded.groups[0].minimum = -1.0;
    const ExpectedSamples e = ExpectSamples(bounded, rule);
    EXPECT_EQ(e.samples, 20000u);
    EXPECT_EQ(e.basis.rfind("the maximum: ", 0), 0u) << e.basis;

    StoppingChoice band;
    band.decide = DecideBand::Bradley;
    RunSettings power = Default(20000);
    power.groups[2].mean = 0.5;
    EXPECT_EQ(ExpectSamples(power, band).samples, 20000u);
}

}  // namespace
}  // namespace velmor
