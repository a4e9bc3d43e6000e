#include "analysis/bands.hpp"

#include <boost/math/distributions/normal.hpp>
#include <charconv>
#include <cmath>
#include <string>

#include "run/number_format.hpp"
#include "run/verdicts.hpp"

namespace velmor {

namespace {

// The edge percent x alpha: the double nearest to the exact decimal product
// of the alpha the user typed (its shortest decimal text) and the percentage,
// the number the verdict judges against. 0.9 x .05 is 0.045 exactly so.
double Edge(double alpha, int percent) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, alpha, std::chars_format::scientific);
    (void)ec;
    const std::string scientific(text, end);  // d.ddde-xx
    const auto e = scientific.find('e');
    std::string digits;
    for (std::size_t i = 0; i < e; ++i)
        if (scientific[i] >= '0' && scientific[i] <= '9') digits += scientific[i];
    const int exponent =
        std::stoi(scientific.substr(e + 1)) - (static_cast<int>(digits.size()) - 1);
    // digits x percent, done by hand: 17 digits times 125 can pass 64 bits.
    std::string product;
    int carry = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        const int v = (*it - '0') * percent + carry;
        product.insert(product.begin(), static_cast<char>('0' + v % 10));
        carry = v / 10;
    }
    if (carry > 0) product.insert(0, std::to_string(carry));
    const std::string decimal = product + "e" + std::to_string(exponent - 2);
    double edge = 0.0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), edge);
    return edge;
}

RobustnessBand MakeBand(std::string name, std::string criterion, int lowerPercent, int upperPercent,
                        double alpha) {
    return {std::move(name),           std::move(criterion),      lowerPercent, upperPercent,
            Edge(alpha, lowerPercent), Edge(alpha, upperPercent), alpha};
}

// Rounds a count up to two significant digits: 38416 -> 39000.
std::int64_t RoundUpTwoDigits(double count) {
    if (count <= 100.0) return static_cast<std::int64_t>(std::ceil(count));
    const double scale = std::pow(10.0, std::floor(std::log10(count)) - 1.0);
    return static_cast<std::int64_t>(std::ceil(count / scale) * scale);
}

}  // namespace

RobustnessBand BradleyBand(double alpha) {
    return MakeBand("Bradley's", "ROBUST", 90, 110, alpha);
}

RobustnessBand RobeyBarcikowskiBand(double alpha) {
    return MakeBand("Robey & Barcikowski's", "within 25% of nominal alpha", 75, 125, alpha);
}

BandPlacement PlaceInterval(const ProportionInterval& interval, const RobustnessBand& band) {
    if (interval.high < band.lower) return BandPlacement::Below;
    if (interval.low > band.upper) return BandPlacement::Above;
    const bool holdsLower = interval.low < band.lower;
    const bool holdsUpper = interval.high > band.upper;
    if (holdsLower && holdsUpper) return BandPlacement::CoversBand;
    if (holdsLower) return BandPlacement::StraddlesLowerEdge;
    if (holdsUpper) return BandPlacement::StraddlesUpperEdge;
    return BandPlacement::Inside;
}

std::optional<std::int64_t> SamplesToSettle(const MonteCarloError& error,
                                            const RobustnessBand& band) {
    for (int percent : {band.lowerPercent, band.upperPercent})
        if (CompareProportionWithAlphaMultiple(error.rejections, error.replications, band.alpha,
                                               percent) == Comparison::Equal)
            return std::nullopt;
    const double proportion = error.proportion;
    const double distance =
        std::min(std::abs(proportion - band.lower), std::abs(proportion - band.upper));
    if (distance == 0.0) return std::nullopt;
    const double z = boost::math::quantile(boost::math::complement(
        boost::math::normal_distribution<double>(), (1.0 - kIntervalLevel) / 2.0));
    double needed = 0.0;
    const double spread = proportion * (1.0 - proportion);
    if (spread > 0.0) {
        needed = z * z * spread / (distance * distance);
    } else {
        // No rejection at all (or all rejections): the exact interval's open
        // end shrinks as -ln(tail) / n, the "rule of three" at 95%.
        needed = -std::log((1.0 - kIntervalLevel) / 2.0) / distance;
    }
    // The interval in hand still holds the edge, so the count is more than now.
    // The normal approximation can fall short: the exact interval reaches a
    // little further, so at its count (or at the samples in hand, where the
    // approximation already clears the edge that the exact interval holds) an
    // exact interval around the same proportion may still hold the edge. The
    // count grows until one clears it, so that the number said would settle
    // the verdict if the proportion stayed where it is.
    std::int64_t count = std::max(RoundUpTwoDigits(needed), error.replications + 1);
    for (int step = 0; step < 100; ++step) {
        const auto rejections =
            static_cast<std::int64_t>(std::llround(proportion * static_cast<double>(count)));
        const BandPlacement placement =
            PlaceInterval(ClopperPearsonInterval(rejections, count), band);
        if (placement == BandPlacement::Inside || placement == BandPlacement::Below ||
            placement == BandPlacement::Above)
            break;
        count = std::max(RoundUpTwoDigits(1.05 * static_cast<double>(count)), count + 1);
    }
    return count;
}

int DecimalsForAlpha(double alpha) {
    int decimals = 4;
    for (double edge = 0.01; alpha < edge && decimals < 8; edge /= 10.0) ++decimals;
    return decimals;
}

std::string GroupedCount(std::int64_t count) {
    std::string digits = std::to_string(count < 0 ? -count : count);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return (count < 0 ? "-" : "") + digits;
}

BandReading ReadAgainstBand(const MonteCarloError& error, const RobustnessBand& band,
                            int decimals) {
    BandReading reading;
    reading.band = band;
    reading.placement = PlaceInterval(error.interval, band);
    auto fixed = [decimals](double x) { return FormatFixed(x, 6, decimals); };
    const std::string interval =
        "95% interval " + fixed(error.interval.low) + " to " + fixed(error.interval.high);
    const std::string bandText =
        band.name + " band " + FormatGeneral(band.lower) + " to " + FormatGeneral(band.upper);
    auto settle = [&] {
        reading.samplesToSettle = SamplesToSettle(error, band);
        if (!reading.samplesToSettle)
            return std::string(
                "; the proportion sits on the edge itself, so no number of "
                "samples can be named that would settle the verdict");
        return "; more samples would settle the verdict (roughly " +
               GroupedCount(*reading.samplesToSettle) + " in all, if the proportion stays near " +
               fixed(error.proportion) + ")";
    };
    switch (reading.placement) {
        case BandPlacement::Inside:
            reading.code = "inside";
            reading.words = interval + " lies inside " + bandText + ": " + band.criterion +
                            " holds beyond Monte Carlo error.";
            break;
        case BandPlacement::Below:
        case BandPlacement::Above: {
            const bool below = reading.placement == BandPlacement::Below;
            reading.code = below ? "below" : "above";
            reading.words = interval + " lies wholly " + reading.code + " " + band.name + " " +
                            (below ? "lower edge " + FormatGeneral(band.lower)
                                   : "upper edge " + FormatGeneral(band.upper)) +
                            ": not " + band.criterion +
                            (below ? " (conservative)" : " (inflated)") +
                            ", beyond Monte Carlo error.";
            break;
        }
        case BandPlacement::StraddlesLowerEdge:
        case BandPlacement::StraddlesUpperEdge: {
            const bool lower = reading.placement == BandPlacement::StraddlesLowerEdge;
            const std::string edge = lower ? "lower edge " + FormatGeneral(band.lower)
                                           : "upper edge " + FormatGeneral(band.upper);
            reading.code = lower ? "straddles lower edge" : "straddles upper edge";
            reading.words = interval + ": straddles " + band.name + " " + edge + settle() + ".";
            break;
        }
        case BandPlacement::CoversBand:
            reading.code = "covers band";
            reading.words = interval + " covers the whole of " + bandText +
                            ": far too few samples to judge" + settle() + ".";
            break;
    }
    return reading;
}

}  // namespace velmor
