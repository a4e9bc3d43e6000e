// Every refusal of a population shape, with its exact message, and shapes at
// the edges of what is accepted.

#include "core/shape_refusal.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace velmor {
namespace {

struct Refused {
    PopulationShape shape;
    const char* message;
};

// The bounds named for Fleishman's method are the least kurtosis (checked
// against scipy in fleishman_test.cpp) rounded up, the greatest rounded down,
// to three decimals.
const Refused kRefused[] = {
    {PopulationShape::Fleishman(2, 3),
     "Fleishman's power method cannot reach skewness 2 with excess kurtosis 3: at skewness 2 its "
     "excess kurtosis is at least 5.152."},
    {PopulationShape::Fleishman(1, 0),
     "Fleishman's power method cannot reach skewness 1 with excess kurtosis 0: at skewness 1 its "
     "excess kurtosis is at least 0.425."},
    {PopulationShape::Fleishman(3, 13.7),
     "Fleishman's power method cannot reach skewness 3 with excess kurtosis 13.7: at skewness 3 "
     "its excess kurtosis is at least 13.715."},
    {PopulationShape::Fleishman(0, -1.2),
     "Fleishman's power method cannot reach skewness 0 with excess kurtosis -1.2: at skewness 0 "
     "its excess kurtosis is at least -1.151."},
    {PopulationShape::Fleishman(-2, 3),
     "Fleishman's power method cannot reach skewness -2 with excess kurtosis 3: at skewness -2 "
     "its excess kurtosis is at least 5.152."},
    {PopulationShape::Fleishman(0.5, 150),
     "Fleishman's power method cannot reach skewness 0.5 with excess kurtosis 150: at skewness "
     "0.5 its excess kurtosis is at most 101.375."},
    {PopulationShape::Fleishman(7, 60),
     "Fleishman's power method cannot reach skewness 7: its skewness is at most 6.482 in size."},
    {PopulationShape::Fleishman(-7, 60),
     "Fleishman's power method cannot reach skewness -7: its skewness is at most 6.482 in size."},
    {PopulationShape::Fleishman(NAN, 1), "The fleishman shape's skewness must be a finite number."},
    {PopulationShape::Fleishman(1, INFINITY),
     "The fleishman shape's kurtosis must be a finite number."},
    {PopulationShape::GAndH(0.5, -0.1), "The g-and-h shape needs h of at least 0 (h is -0.1)."},
    {PopulationShape::GAndH(0.5, 0.25),
     "The g-and-h shape needs h below 0.25, so that its kurtosis exists (h is 0.25)."},
    {PopulationShape::GAndH(1e-5, 0.1),
     "The g-and-h shape needs g of 0 or at least 0.0001 in size (g is 1e-05)."},
    {PopulationShape::GAndH(12, 0.1),
     "The g-and-h shape's moments are too large to compute for g 12 and h 0.1."},
    {PopulationShape::GAndH(0.5, 0.2499),
     "The g-and-h shape's moments are too large to compute for g 0.5 and h 0.2499."},
    {PopulationShape::GAndH(NAN, 0.1), "The g-and-h shape's g must be a finite number."},
    {PopulationShape::GAndH(0.1, INFINITY), "The g-and-h shape's h must be a finite number."},
    {PopulationShape::Lognormal(0), "The lognormal shape needs sigma above 0 (sigma is 0)."},
    {PopulationShape::Lognormal(-1), "The lognormal shape needs sigma above 0 (sigma is -1)."},
    {PopulationShape::Lognormal(1e-200),
     "The lognormal shape needs sigma of at least 1e-100 (sigma is 1e-200)."},
    {PopulationShape::Lognormal(14),
     "The lognormal shape's moments are too large to compute for sigma 14."},
    {PopulationShape::Lognormal(INFINITY), "The lognormal shape's sigma must be a finite number."},
    {PopulationShape::ChiSquare(0), "The chi-square shape needs df above 0 (df is 0)."},
    {PopulationShape::ChiSquare(2e10),
     "The chi-square shape needs df of at most 1e10 (df is 2e+10)."},
    {PopulationShape::ChiSquare(1e-310),
     "The chi-square shape's moments are too large to compute for df 1e-310."},
    {PopulationShape::ChiSquare(NAN), "The chi-square shape's df must be a finite number."},
    {PopulationShape::StudentT(4),
     "The t shape needs df above 4, so that its kurtosis exists (df is 4)."},
    {PopulationShape::StudentT(NAN), "The t shape's df must be a finite number."},
    {PopulationShape::Contaminated(-0.1, 3),
     "The contaminated shape needs a proportion from 0 to 1 (proportion is -0.1)."},
    {PopulationShape::Contaminated(1.5, 3),
     "The contaminated shape needs a proportion from 0 to 1 (proportion is 1.5)."},
    {PopulationShape::Contaminated(0.1, 0),
     "The contaminated shape needs sd_ratio above 0 (sd_ratio is 0)."},
    {PopulationShape::Contaminated(0.1, 1e100),
     "The contaminated shape's moments are too large to compute for sd_ratio 1e+100."},
    {PopulationShape::Contaminated(NAN, 2),
     "The contaminated shape's proportion must be a finite number."},
    {PopulationShape::Contaminated(0.1, NAN),
     "The contaminated shape's sd_ratio must be a finite number."},
};

class ShapeRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(ShapeRefused, WithItsMessage) {
    const Refused r = GetParam();
    const auto message = ShapeRefusal(r.shape);
    ASSERT_TRUE(message.has_value()) << r.message;
    EXPECT_EQ(*message, r.message);
}
INSTANTIATE_TEST_SUITE_P(EveryPath, ShapeRefused, ::testing::ValuesIn(kRefused));

TEST(ShapeRefusal, AcceptsTheEdgesOfEachFamily) {
    const PopulationShape accepted[] = {
        PopulationShape::Fleishman(2, 5.152),  // the least kurtosis as the message names it
        PopulationShape::Fleishman(0, -1.151),
        PopulationShape::Fleishman(0.5, 101.375),  // the greatest, as named
        PopulationShape::Fleishman(-6.4, 80),
        PopulationShape::GAndH(0, 0.2499),
        PopulationShape::GAndH(-1e-4, 0),
        PopulationShape::Lognormal(1e-100),
        PopulationShape::Lognormal(13),
        PopulationShape::Exponential(),
        PopulationShape::ChiSquare(1e10),
        PopulationShape::ChiSquare(1e-5),
        PopulationShape::StudentT(4.0001),
        PopulationShape::Contaminated(0, 1),
        PopulationShape::Contaminated(1, 5),
    };
    for (const PopulationShape& shape : accepted) {
        const auto message = ShapeRefusal(shape);
        EXPECT_FALSE(message.has_value()) << *message;
    }
}

}  // namespace
}  // namespace velmor
