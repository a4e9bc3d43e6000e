#pragma once
// One run at the sizes a sample-size search ended on, with the search's full
// number of samples and fresh numbers: a power measured on samples that had
// no part in choosing the sizes.

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/monte_carlo_error.hpp"
#include "run/run_controller.hpp"
#include "search/search_rules.hpp"

namespace velmor {

struct SearchConfirmation {
    GroupSizes sizes{};        // the search's last trial's sizes, run again
    std::int32_t samples = 0;  // the search's iteration count
    double targetPower = 0.0;  // the search's target
    RunController::Outcome outcome = RunController::Outcome::SettingsFailed;
    std::optional<MonteCarloError> error;  // when it completed replications
    std::string seedText;                  // the seed the run drew from
    // With a typed seed the trials all drew the same numbers; the run then
    // takes the next seed of the chain from it, and the seed field gets the
    // typed seed back (held here).
    std::optional<std::string> typedSeed;
    // False when the window's populations or alpha were changed after the
    // search: the run then describes other settings than the search did.
    bool sameSettings = true;
};

}  // namespace velmor
