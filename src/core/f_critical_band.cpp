#include "core/f_critical_band.hpp"

#include <cfenv>
#include <cmath>
#include <stdexcept>

#include "core/fprobability.hpp"
#include "core/upper_tails.hpp"

namespace velmor {

namespace {

// Takes the edges' probabilities; a diagnostic (a fraction that did not
// converge) means the probability cannot be trusted there, so it is noted
// rather than shown, and the band is given up.
class ListeningConsole final : public Console {
  public:
    void WriteLine(std::string_view) override { spoke = true; }
    void ReadLine() override { spoke = true; }
    bool spoke = false;
};

}  // namespace

FCriticalBand::FCriticalBand(double dfBetween, double dfWithin, double alpha) {
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    try {
        if (alpha > 0.0 && alpha < 1.0) {
            const boost::math::fisher_f_distribution<double, TailPolicy> f(dfBetween, dfWithin);
            const double critical = boost::math::quantile(boost::math::complement(f, alpha));
            const double lower = critical * (1.0 - kRelativeWidth);
            const double upper = critical * (1.0 + kRelativeWidth);
            ListeningConsole console;
            const double pLower = FProbability(lower, dfBetween, dfWithin, console);
            const double pUpper = FProbability(upper, dfBetween, dfWithin, console);
            if (std::isfinite(critical) && !console.spoke && pLower > alpha && pUpper < alpha) {
                lower_ = lower;
                upper_ = upper;
            }
        }
    } catch (const std::exception&) {
        // No critical value to be had: every ratio goes to the probability.
    }
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
}

}  // namespace velmor
