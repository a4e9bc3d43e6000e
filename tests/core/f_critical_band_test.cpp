// The F decision by critical value: wherever the band decides, it decides as
// the probability does (p <= alpha), its edges bracket the published
// critical value, and it decides nothing where it cannot be trusted.

#include "core/f_critical_band.hpp"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>

#include "core/fprobability.hpp"
#include "support/quiet_console.hpp"

namespace velmor {
namespace {

struct Reference {
    double dfWithin;
    double alpha;
    double critical;  // R: qf(1 - alpha, 2, dfWithin)
};

// R -q -e 'options(digits=17); qf(.95,2,12); qf(.95,2,57); qf(.99,2,237);
//          qf(.90,2,3); qf(.95,2,5997)'
const Reference kReferences[] = {
    {12, 0.05, 3.885293834652391975}, {57, 0.05, 3.158842719260644749},
    {237, 0.01, 4.6958242237846157},  {3, 0.10, 5.46238325041916895},
    {5997, 0.05, 2.9972292555971780},
};

TEST(FCriticalBand, DecidesAsTheProbabilityWhereverItDecides) {
    testing::QuietConsole console;
    std::mt19937_64 engine(20261209);
    for (const Reference& ref : kReferences) {
        const FCriticalBand band(2.0, ref.dfWithin, ref.alpha);
        // Edges around the published critical value, and narrow.
        EXPECT_LT(band.lower(), ref.critical) << ref.dfWithin;
        EXPECT_GT(band.upper(), ref.critical) << ref.dfWithin;
        EXPECT_LT(band.upper() - band.lower(), 3e-3 * ref.critical) << ref.dfWithin;

        // Ratios across the whole range, and crowded at both edges, where a
        // wrong edge would show first.
        std::vector<double> ratios = {0.0, 1e-300, 1.0, 1e6, 1e300};
        std::uniform_real_distribution<double> across(0.0, 3.0 * ref.critical);
        for (int k = 0; k < 20000; ++k) ratios.push_back(across(engine));
        for (const double edge : {band.lower(), band.upper()}) {
            for (int ulps = -50; ulps <= 50; ++ulps) {
                ratios.push_back(edge * (1.0 + ulps * 1e-12));
            }
            std::uniform_real_distribution<double> near(edge * 0.99, edge * 1.01);
            for (int k = 0; k < 2000; ++k) ratios.push_back(near(engine));
        }
        int decided = 0;
        for (const double f : ratios) {
            const FCriticalBand::Side side = band.side(f);
            if (side == FCriticalBand::Side::Undecided) continue;
            ++decided;
            const bool rejects = FProbability(f, 2.0, ref.dfWithin, console) <= ref.alpha;
            EXPECT_EQ(side == FCriticalBand::Side::Rejects, rejects)
                << "F " << f << " df " << ref.dfWithin << " alpha " << ref.alpha;
        }
        // Nearly every ratio is decided without the probability.
        EXPECT_GT(decided, static_cast<int>(ratios.size()) * 9 / 10);
    }
}

TEST(FCriticalBand, DecidesNothingWithoutACriticalValue) {
    const double ratios[] = {0.0,
                             1.0,
                             3.0,
                             1e300,
                             std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    const FCriticalBand none;
    const FCriticalBand noAlpha(2.0, 57.0, 0.0);
    const FCriticalBand allAlpha(2.0, 57.0, 1.0);
    const FCriticalBand band(2.0, 57.0, 0.05);
    for (const double f : ratios) {
        EXPECT_EQ(none.side(f), FCriticalBand::Side::Undecided) << f;
        EXPECT_EQ(noAlpha.side(f), FCriticalBand::Side::Undecided) << f;
        EXPECT_EQ(allAlpha.side(f), FCriticalBand::Side::Undecided) << f;
    }
    // A ratio that is not finite goes to the probability even with a band.
    EXPECT_EQ(band.side(std::numeric_limits<double>::quiet_NaN()), FCriticalBand::Side::Undecided);
    EXPECT_EQ(band.side(std::numeric_limits<double>::infinity()), FCriticalBand::Side::Undecided);
    EXPECT_EQ(band.side(-std::numeric_limits<double>::infinity()), FCriticalBand::Side::Undecided);
}

TEST(FCriticalBand, LeavesTheFloatingPointFlagsAsTheyWere) {
    std::feclearexcept(FE_ALL_EXCEPT);
    (void)FCriticalBand(2.0, 57.0, 0.05);
    (void)FCriticalBand(2.0, 57.0, 2.0);
    EXPECT_EQ(std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID), 0);
    std::feraiseexcept(FE_OVERFLOW);
    (void)FCriticalBand(2.0, 12.0, 0.01);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT & ~FE_INEXACT), FE_OVERFLOW);
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace velmor
