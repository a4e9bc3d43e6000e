#pragma once
// Each chosen test's rejection rate as a researcher reads it: the rate with
// its Monte Carlo error and exact interval and, when the population means are
// equal, its verdict and its reading against the two robustness bands, by the
// same rules and edges as the F test's. Built from the state a run left.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/bands.hpp"
#include "analysis/monte_carlo_error.hpp"
#include "core/mean_test_kind.hpp"
#include "core/mean_test_result.hpp"
#include "run/run_result.hpp"
#include "run/run_state.hpp"

namespace velmor {

struct TestRate {
    MeanTestKind test = MeanTestKind::F;
    std::int64_t samples = 0;  // replications the rate is over
    std::int64_t rejections = 0;
    std::int64_t notComputed = 0;          // replications on which the test was not defined
    std::optional<MonteCarloError> error;  // rate, standard error and 95% interval
    // Robust, Inflated, Conservative or Caution when the means are equal (as
    // for F), Power when they differ, None for a run of one sample.
    Verdict verdict = Verdict::None;
    std::vector<BandReading> bands;  // equal means: Bradley's, then Robey & Barcikowski's
    // The bands' short reading, as the summary's band_reading column writes
    // it for F ("Bradley inside; Robey & Barcikowski inside"); empty when the
    // means differ or the run had one sample.
    std::string bandReading;
    // A run of one sample: the test on that sample.
    std::optional<MeanTestResult> single;
};

// The chosen tests, F first, then in the order of kAllMeanTests; empty when
// no test besides F was chosen or the run has no results.
std::vector<TestRate> DescribeTestRates(const RunState& state);

}  // namespace velmor
