// Where an actual alpha's interval lies against Bradley's and Robey &
// Barcikowski's bands, the words for it, and the samples that would settle it.
#include "analysis/bands.hpp"

#include <gtest/gtest.h>

namespace velmor {
namespace {

MonteCarloError Error(std::int64_t r, std::int64_t n) {
    return *MonteCarloErrorOf(r, n);
}

TEST(Bands, EdgesAreTheVerdictsMultiplesOfAlpha) {
    const RobustnessBand bradley = BradleyBand(0.05);
    EXPECT_EQ(bradley.lower, 0.045);
    EXPECT_EQ(bradley.upper, 0.055);
    const RobustnessBand robey = RobeyBarcikowskiBand(0.05);
    EXPECT_EQ(robey.lower, 0.0375);
    EXPECT_EQ(robey.upper, 0.0625);
}

TEST(Bands, PlacementOfIntervals) {
    const RobustnessBand b = BradleyBand(0.05);
    EXPECT_EQ(PlaceInterval({0.046, 0.054}, b), BandPlacement::Inside);
    EXPECT_EQ(PlaceInterval({0.045, 0.055}, b), BandPlacement::Inside);  // edges belong to the band
    EXPECT_EQ(PlaceInterval({0.044, 0.050}, b), BandPlacement::StraddlesLowerEdge);
    EXPECT_EQ(PlaceInterval({0.050, 0.056}, b), BandPlacement::StraddlesUpperEdge);
    EXPECT_EQ(PlaceInterval({0.030, 0.070}, b), BandPlacement::CoversBand);
    EXPECT_EQ(PlaceInterval({0.030, 0.0449}, b), BandPlacement::Below);
    EXPECT_EQ(PlaceInterval({0.0551, 0.070}, b), BandPlacement::Above);
}

TEST(Bands, ReadingsInWords) {
    const RobustnessBand bradley = BradleyBand(0.05);
    const BandReading inside = ReadAgainstBand(Error(500, 10000), bradley, 4);
    EXPECT_EQ(inside.placement, BandPlacement::Inside);
    EXPECT_FALSE(inside.samplesToSettle);
    EXPECT_EQ(inside.words,
              "95% interval 0.0458 to 0.0545 lies inside Bradley's band 0.045 to 0.055: ROBUST "
              "holds beyond Monte Carlo error.");

    // 460 of 10000: 0.0420 to 0.0503. z^2 p (1-p) / 0.001^2 = 168,580 -> 170,000.
    const BandReading straddle = ReadAgainstBand(Error(460, 10000), bradley, 4);
    EXPECT_EQ(straddle.code, "straddles lower edge");
    ASSERT_TRUE(straddle.samplesToSettle);
    EXPECT_EQ(*straddle.samplesToSettle, 170000);
    EXPECT_EQ(straddle.words,
              "95% interval 0.0420 to 0.0503: straddles Bradley's lower edge 0.045; more samples "
              "would settle the verdict (roughly 170,000 in all, if the proportion stays near "
              "0.0460).");

    const BandReading below = ReadAgainstBand(Error(300, 10000), RobeyBarcikowskiBand(0.05), 4);
    EXPECT_EQ(below.placement, BandPlacement::Below);
    EXPECT_EQ(below.words,
              "95% interval 0.0267 to 0.0335 lies wholly below Robey & Barcikowski's lower edge "
              "0.0375: not within 25% of nominal alpha (conservative), beyond Monte Carlo error.");
    EXPECT_EQ(ReadAgainstBand(Error(700, 10000), bradley, 4).code, "above");
    EXPECT_EQ(ReadAgainstBand(Error(5, 100), bradley, 4).code, "covers band");
}

TEST(Bands, SamplesToSettle) {
    const RobustnessBand bradley = BradleyBand(0.05);
    // Exactly on the edge, by the decimal alpha: nothing can settle it.
    EXPECT_FALSE(SamplesToSettle(Error(450, 10000), bradley));
    EXPECT_FALSE(SamplesToSettle(Error(55, 1000), bradley));
    // No rejection in 20: the rule of three, -ln(0.025) / 0.045 = 82.
    EXPECT_EQ(SamplesToSettle(Error(0, 20), bradley), 82);
    // The nearest edge counts: 0.052 is 0.003 from 0.055, z^2 p (1-p) / d^2 = 21,041,
    // 22,000 in two digits. But the exact interval there still holds the edge
    // (R: binom.test(1144, 22000) gives 0.049103 to 0.055016), so the count
    // grows by 5% steps to 24,000 (binom.test(1248, 24000): up to 0.054885).
    EXPECT_EQ(SamplesToSettle(Error(52, 1000), bradley), 24000);
    // 507 of 10000 (0.046482 to 0.055183) holds the edge, though the normal
    // approximation clears it already at 9,970: the count once said was the
    // samples in hand plus one, 10,001, where binom.test(507, 10001) still
    // reaches 0.055177. 11,000 clears it (binom.test(558, 11000): 0.054994).
    EXPECT_EQ(SamplesToSettle(Error(507, 10000), bradley), 11000);
    EXPECT_EQ(SamplesToSettle(Error(6, 100), bradley), 8700);  // 8,666 rounded up
    // Edges of an alpha such as .07 are its exact decimal multiples.
    EXPECT_FALSE(SamplesToSettle(Error(63, 1000), BradleyBand(0.07)));
    EXPECT_EQ(BradleyBand(0.07).lower, 0.063);
    EXPECT_EQ(RobeyBarcikowskiBand(0.07).upper, 0.0875);
}

TEST(Bands, NumberTexts) {
    EXPECT_EQ(DecimalsForAlpha(0.05), 4);
    EXPECT_EQ(DecimalsForAlpha(0.01), 4);
    EXPECT_EQ(DecimalsForAlpha(0.005), 5);
    EXPECT_EQ(DecimalsForAlpha(0.001), 5);
    EXPECT_EQ(DecimalsForAlpha(0.0001), 6);
    EXPECT_EQ(GroupedCount(0), "0");
    EXPECT_EQ(GroupedCount(999), "999");
    EXPECT_EQ(GroupedCount(1000), "1,000");
    EXPECT_EQ(GroupedCount(1234567), "1,234,567");
}

}  // namespace
}  // namespace velmor
