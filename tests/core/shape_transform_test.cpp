// Each shape's standardised transform against scipy at fixed deviates, its
// target moments, and a Monte Carlo check of the achieved moments.

#include "core/shape_transform.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "core/fp_faults.hpp"
#include "core/moment_accumulator.hpp"
#include "core/random.hpp"
#include "support/test_stream.hpp"

namespace velmor {
namespace {

struct Point {
    PopulationShape shape;
    double deviate;
    double expected;
};

// Standardised values at fixed deviates, from scipy 1.10.1 (/usr/bin/python3)
// except the t:
//   exponential:  stats.expon.ppf(u) - 1
//   chi-square:   (stats.chi2.ppf(u, df) - df) / sqrt(2 df)
//   t:            R 4.2.2: qt(u, df) / sqrt(df / (df - 2)), options(digits = 17)
//                 (scipy 1.10's t.ppf is off by up to 2e-9 for these df; a
//                 40-digit mpmath root of the regularised incomplete beta
//                 agrees with R and Boost to 1e-15)
//   contaminated: optimize.brentq on (1-p) norm.cdf(x) + p norm.cdf(x/k) - u
//                 (norm.sf and 1 - u above the median), rtol 8.9e-16, then
//                 / sqrt(1 - p + p k^2)
//   lognormal:    (exp(s z) - lognorm(s).mean()) / lognorm(s).std()
// Tolerance: 1e-11 relative (1e-13 absolute near 0); the extreme u of 1e-6
// and 1 - 1e-6 are included because a quantile loses digits there first.
const Point kPoints[] = {
    {PopulationShape::Exponential(), 1e-06, -0.9999989999995},
    {PopulationShape::Exponential(), 0.3, -0.6433250560612676},
    {PopulationShape::Exponential(), 0.999999, 12.815510557935518},
    {PopulationShape::ChiSquare(1), 1e-06, -0.7071067811854368},
    {PopulationShape::ChiSquare(1), 0.8, 0.4542273050131788},
    {PopulationShape::ChiSquare(1), 0.999999, 16.212634065257685},
    {PopulationShape::ChiSquare(3), 0.025, -1.1366468161702166},
    {PopulationShape::ChiSquare(3), 0.5, -0.25884007781321194},
    {PopulationShape::ChiSquare(10), 1e-06, -2.1604607046786333},
    {PopulationShape::ChiSquare(10), 0.999999, 8.242827860701553},
    {PopulationShape::StudentT(5), 1e-06, -19.18755711519345297},
    {PopulationShape::StudentT(5), 0.3, -0.43333233928091430},
    {PopulationShape::StudentT(8.5), 0.025, -1.99608007459634229},
    {PopulationShape::StudentT(8.5), 0.999999, 9.92319151225054874},
    {PopulationShape::StudentT(30), 0.8, 0.82481753596953367},
    {PopulationShape::Contaminated(0.1, 3), 1e-06, -9.536585731824482},
    {PopulationShape::Contaminated(0.1, 3), 0.3, -0.4210419713337224},
    {PopulationShape::Contaminated(0.1, 3), 0.5, 0.0},
    {PopulationShape::Contaminated(0.1, 3), 0.999999, 9.536585731810126},
    {PopulationShape::Contaminated(0.05, 10), 0.025, -1.047506405983739},
    {PopulationShape::Contaminated(0.05, 10), 0.8, 0.36585968081578885},
    {PopulationShape::Contaminated(0.05, 10), 0.999999, 16.83902485888283},
    {PopulationShape::Contaminated(0.3, 0.5), 1e-06, -5.317066815104764},
    {PopulationShape::Contaminated(0.3, 0.5), 0.8, 0.7718937568888306},
    {PopulationShape::Lognormal(0.25), -3.0, -2.134870756755285},
    {PopulationShape::Lognormal(0.25), 0.0, -0.12114922491547829},
    {PopulationShape::Lognormal(0.25), 4.0, 6.436700990441823},
    {PopulationShape::Lognormal(1.0), -0.5, -0.48222832552104367},
    {PopulationShape::Lognormal(1.0), 1.2, 0.7733655610282085},
    {PopulationShape::Lognormal(1.0), 4.0, 24.50004260277834},
};

class ShapeAtDeviate : public ::testing::TestWithParam<Point> {};

TEST_P(ShapeAtDeviate, AgreesWithScipy) {
    const Point p = GetParam();
    const ShapeTransform transform(p.shape);
    const double value = transform(p.deviate);
    EXPECT_NEAR(value, p.expected, std::max(1e-13, 1e-11 * std::fabs(p.expected)))
        << ShapeName(p.shape.family) << " at " << p.deviate;
}
INSTANTIATE_TEST_SUITE_P(Table, ShapeAtDeviate, ::testing::ValuesIn(kPoints));

// The normal-deviate shapes at fixed z, against their defining formulas
// standardised by the constants the transform holds (the constants are
// checked against scipy and quadrature in their own tests).
TEST(ShapeTransform, NormalInputShapesFollowTheirDefinitions) {
    const ShapeTransform fleishman(PopulationShape::Fleishman(1.75, 3.75));
    const ShapeTransform gh(PopulationShape::GAndH(0.5, 0.1));
    // Centre and spread of g-and-h (0.5, 0.1) by quadrature (g_and_h_test.cpp).
    EXPECT_NEAR(gh.centre(), 0.3141120476081399, 1e-12);
    EXPECT_NEAR(gh.spread(), 1.507184865245964, 1e-12);
    const FleishmanCoefficients& k = fleishman.fleishman();
    for (double z : {-2.5, -1.0, 0.0, 0.3, 3.1}) {
        EXPECT_NEAR(fleishman(z), k.a + k.b * z + k.c * z * z + k.d * z * z * z, 1e-14);
        const double y = (std::exp(0.5 * z) - 1.0) / 0.5 * std::exp(0.1 * z * z / 2.0);
        EXPECT_NEAR(gh(z), (y - 0.3141120476081399) / 1.507184865245964, 1e-12);
    }
}

// The targets: theoretical skewness and excess kurtosis, from scipy's
// stats(moments='sk') for lognorm, chi2, t, from quadrature for g-and-h
// (g_and_h_test.cpp) and from the mixture's fourth moment for the
// contaminated normal. Tolerance 1e-12 relative.
TEST(ShapeTransform, TargetMomentsAgreeWithReferences) {
    const struct {
        PopulationShape shape;
        double skewness, kurtosis;
    } rows[] = {
        {PopulationShape::Fleishman(-1.0, 2.0), -1.0, 2.0},
        {PopulationShape::GAndH(0.5, 0.1), 3.4065836222112025, 41.24316519625677},
        {PopulationShape::Lognormal(0.25), 0.7782516357974832, 1.0959312747301793},
        {PopulationShape::Lognormal(1.0), 6.184877138632554, 110.9363921763115},
        {PopulationShape::Exponential(), 2.0, 6.0},
        {PopulationShape::ChiSquare(1), 2.8284271247461903, 12.0},
        {PopulationShape::ChiSquare(3), 1.632993161855452, 4.0},
        {PopulationShape::StudentT(5), 0.0, 6.0},
        {PopulationShape::StudentT(8.5), 0.0, 1.3333333333333333},
        {PopulationShape::Contaminated(0.1, 3), 0.0, 5.33333333333333},
        {PopulationShape::Contaminated(0.05, 10), 0.0, 39.45039192147446},
        {PopulationShape::Contaminated(0.3, 0.5), 0.0, 0.5900104058272642},
    };
    for (const auto& r : rows) {
        const ShapeTransform t(r.shape);
        EXPECT_NEAR(t.skewness(), r.skewness, 1e-12 * std::max(1.0, std::fabs(r.skewness)))
            << ShapeName(r.shape.family);
        EXPECT_NEAR(t.kurtosis(), r.kurtosis, 1e-12 * std::max(1.0, std::fabs(r.kurtosis)))
            << ShapeName(r.shape.family);
    }
}

TEST(ShapeTransform, EachShapeTakesTheDeviateItsDefinitionNeeds) {
    EXPECT_EQ(InputOf(ShapeFamily::Fleishman), ShapeInput::StandardNormal);
    EXPECT_EQ(InputOf(ShapeFamily::GAndH), ShapeInput::StandardNormal);
    EXPECT_EQ(InputOf(ShapeFamily::Lognormal), ShapeInput::StandardNormal);
    EXPECT_EQ(InputOf(ShapeFamily::Exponential), ShapeInput::Uniform);
    EXPECT_EQ(InputOf(ShapeFamily::ChiSquare), ShapeInput::Uniform);
    EXPECT_EQ(InputOf(ShapeFamily::StudentT), ShapeInput::Uniform);
    EXPECT_EQ(InputOf(ShapeFamily::Contaminated), ShapeInput::Uniform);
}

TEST(ShapeTransform, RefusedShapeThrowsWithItsMessage) {
    try {
        ShapeTransform t(PopulationShape::Fleishman(2.0, 3.0));
        FAIL() << "accepted an impossible shape";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("at least 5.152"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ShapeTransform(PopulationShape::StudentT(4.0)), std::invalid_argument);
}

// 200,000 draws of each shape: mean within 0.01 and SD within 0.01 of 0 and
// 1 (about 4 standard errors), skewness within 0.1 and excess kurtosis within
// 0.5 of the target (the criteria). Shapes with moderate kurtosis:
// the sample kurtosis of a heavier tail wanders further than 0.5 at this size.
TEST(ShapeTransform, MonteCarloMomentsMeetTheTargets) {
    const PopulationShape shapes[] = {
        PopulationShape::Fleishman(1.0, 2.0), PopulationShape::Fleishman(-0.5, 0.0),
        PopulationShape::GAndH(0.3, 0.05),    PopulationShape::Lognormal(0.25),
        PopulationShape::Exponential(),       PopulationShape::ChiSquare(8),
        PopulationShape::StudentT(12),        PopulationShape::Contaminated(0.1, 2),
    };
    for (const PopulationShape& shape : shapes) {
        const ShapeTransform transform(shape);
        velmor::testing::TestStream stream;
        MomentAccumulator achieved;
        for (int i = 0; i < 200000; ++i) {
            const double deviate =
                transform.input() == ShapeInput::Uniform ? stream.Uniform() : stream.Normal();
            achieved.Add(transform(deviate));
        }
        const std::string name(ShapeName(shape.family));
        EXPECT_NEAR(achieved.mean(), 0.0, 0.01) << name;
        EXPECT_NEAR(achieved.sd(), 1.0, 0.01) << name;
        EXPECT_NEAR(achieved.skewness(), transform.skewness(), 0.1) << name;
        EXPECT_NEAR(achieved.kurtosis(), transform.kurtosis(), 0.5) << name;
    }
}

// A run treats a floating-point overflow, division by zero or invalid
// operation as an error, so no draw of an accepted shape may raise one: not
// at ordinary deviates, not at extreme ones: the program's smallest and
// largest uniforms, the largest double below 1, and a normal deviate of 8.5
// in size.
TEST(ShapeTransform, DrawsRaiseNoFloatingPointFault) {
    const PopulationShape shapes[] = {
        PopulationShape::Fleishman(3.0, 14.0),  PopulationShape::GAndH(-0.8, 0.2),
        PopulationShape::GAndH(0.0, 0.1),       PopulationShape::Lognormal(2.0),
        PopulationShape::Exponential(),         PopulationShape::ChiSquare(0.5),
        PopulationShape::ChiSquare(1e10),       PopulationShape::StudentT(4.5),
        PopulationShape::Contaminated(0.2, 10), PopulationShape::Contaminated(1.0, 0.1),
    };
    const double extremeUniforms[] = {RandomGenerators::ScaleShuffleOutput(1), 0x1.0p-54, 0.5,
                                      RandomGenerators::ScaleShuffleOutput(2147483562),
                                      1.0 - 0x1.0p-53};
    const double extremeNormals[] = {-8.5, 0.0, 8.5, 1.0, -1.0};
    for (const PopulationShape& shape : shapes) {
        const ShapeTransform transform(shape);
        const bool uniform = transform.input() == ShapeInput::Uniform;
        ClearFloatingPointFaults();
        double sum = 0.0;
        velmor::testing::TestStream stream;
        for (int i = 0; i < 20000; ++i)
            sum += transform(uniform ? stream.Uniform() : stream.Normal());
        for (int i = 0; i < 5; ++i)
            sum += transform(uniform ? extremeUniforms[i] : extremeNormals[i]);
        EXPECT_NO_THROW(RaiseFloatingPointFaults()) << ShapeName(shape.family);
        EXPECT_TRUE(std::isfinite(sum)) << ShapeName(shape.family);
    }
}

}  // namespace
}  // namespace velmor
