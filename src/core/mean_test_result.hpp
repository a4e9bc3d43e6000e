#pragma once
// What a test of equal means on the three groups' observed scores leaves
// behind, and the scratch space the rank and trimming tests sort into.
//
// The tests below the F test read scores only; they draw nothing and change
// nothing. They take the groups as spans (sizes from the spans) and never
// allocate: a test that sorts is handed a MeanTestScratch made once for the
// largest groups of a run.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "core/group_settings.hpp"

namespace velmor {

// The observed scores of groups 1, 2, 3.
using ThreeGroups = std::array<std::span<const double>, kGroups>;

// Why a test has no result on these data. A result that is not Computed has
// NaN in every number, and says which of these is the reason, so that no
// caller mistakes an undefined test for a non-rejection.
enum class MeanTestStatus {
    Computed,
    // A group has fewer cases than the test needs: two for a variance (after
    // trimming, for the trimmed test), one for the rank test.
    TooFewCases,
    // A group's variance (winsorized variance for the trimmed test) is 0, so
    // its weight is infinite; for the rank test: every score is tied; for
    // Brown-Forsythe: no group has any variance.
    NoVariance,
    // A group's mean or variance is not finite (a score is infinite or NaN).
    NotFinite,
};

// Statistic, degrees of freedom and upper-tail probability. dfCount is 2 for
// a test referred to an F distribution (df1, df2), 1 for one referred to a
// chi-square (df1 only; df2 is NaN), 0 when not computed.
struct MeanTestResult {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    MeanTestStatus status = MeanTestStatus::Computed;
    double statistic = kNone;
    int dfCount = 0;
    double df1 = kNone;
    double df2 = kNone;
    double pValue = kNone;

    bool computed() const { return status == MeanTestStatus::Computed; }
    static MeanTestResult NotComputed(MeanTestStatus why) {
        MeanTestResult r;
        r.status = why;
        return r;
    }
};

// Room to sort every score of one replication: each group's sorted copy in
// its own stretch of values(), and keys() for sorting one group at a time
// (twice the largest group). Sized once, for the largest group size a run
// uses; the tests check the size and throw std::invalid_argument when it is
// too small (a fault of the caller).
class MeanTestScratch {
  public:
    explicit MeanTestScratch(std::size_t largestGroup)
        : values_(kGroups * largestGroup), keys_(2 * largestGroup) {}
    std::span<double> values() { return values_; }
    std::span<std::uint64_t> keys() { return keys_; }

  private:
    std::vector<double> values_;
    std::vector<std::uint64_t> keys_;
};

}  // namespace velmor
