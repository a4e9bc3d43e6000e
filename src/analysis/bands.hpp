#pragma once
// Where the 95% interval of an actual alpha lies against the two robustness
// bands the verdict uses: Bradley's (within 10% of nominal alpha) and Robey &
// Barcikowski's (within 25%). A verdict whose interval straddles an edge is
// partly luck; one whose interval clears the edges is not.

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/monte_carlo_error.hpp"

namespace velmor {

// A band of actual alphas that counts as robust. Both edges belong to it, as
// in the verdict: 0.9a and 1.1a are robust by Bradley, 0.75a and 1.25a are
// within 25%.
struct RobustnessBand {
    std::string name;       // "Bradley's" or "Robey & Barcikowski's"
    std::string criterion;  // "ROBUST", "within 25%", what lying inside means
    int lowerPercent = 90;  // edges as percentages of alpha
    int upperPercent = 110;
    double lower = 0.0;  // the edges themselves
    double upper = 0.0;
    double alpha = 0.0;  // the nominal alpha they are taken of
};

RobustnessBand BradleyBand(double alpha);
RobustnessBand RobeyBarcikowskiBand(double alpha);

enum class BandPlacement {
    Inside,              // the whole interval lies within the band
    StraddlesLowerEdge,  // the interval holds the lower edge, not the upper
    StraddlesUpperEdge,  // the interval holds the upper edge, not the lower
    CoversBand,          // the interval holds both edges
    Below,               // the whole interval lies below the lower edge
    Above,               // the whole interval lies above the upper edge
};

BandPlacement PlaceInterval(const ProportionInterval& interval, const RobustnessBand& band);

// A rough number of samples in all at which a 95% interval around the same
// proportion would no longer reach the nearest edge: z^2 p (1 - p) / d^2 for
// a distance d to the edge, rounded up to two significant digits, and always
// more than the samples in hand. Nothing when the proportion sits exactly on
// an edge (judged on the decimal alpha, as the verdict judges it): no count
// can settle that. The count assumes the proportion stays where it is; it is
// a guide, not a promise.
std::optional<std::int64_t> SamplesToSettle(const MonteCarloError& error,
                                            const RobustnessBand& band);

struct BandReading {
    RobustnessBand band;
    BandPlacement placement = BandPlacement::Inside;
    std::optional<std::int64_t> samplesToSettle;  // only where the interval holds an edge
    std::string words;                            // one sentence a researcher can read
    std::string code;  // short form for tables: "inside", "straddles lower edge", ...
};

// The reading of an interval against one band, with its sentence. `decimals`
// is how many decimals the proportions are written with.
BandReading ReadAgainstBand(const MonteCarloError& error, const RobustnessBand& band, int decimals);

// Decimals that show an alpha's interval usefully: 4 down to alpha .01, one
// more for each further tenfold.
int DecimalsForAlpha(double alpha);

// A count with thousands separators: 39000 -> "39,000".
std::string GroupedCount(std::int64_t count);

}  // namespace velmor
