#pragma once
// The record of all inputs of a run, and the two seed words the run owns.

#include <cstdint>
#include <string>

#include "core/group_settings.hpp"

namespace velmor {

// What the settings step fills from the window. Fields that a run does not
// read keep the value of the last run that did (a switched-off bound, for
// example); chkMin/chkMax of each group and TypeIIIErrorresults1 are kept by
// their own commands and only read by the step.
struct RunSettings : ReplicationSettings {
    bool rdoOnetail = false;
    bool rdoTwotail = false;
    std::int32_t txtseed = 0;         // seed in effect for the run
    std::uint32_t txtiterations = 0;  // Monte Carlo samples, at least 1
    std::int32_t txtmeanstokeep = 0;  // 0..10000 and not above txtiterations
    bool chkInc = false;              // automatic seed on every run but the first
    bool TypeIIIErrorresults1 = false;
    std::string analysisTitle;
};

// The caller-owned seed words of UniformDeviate and SeedDeviate. Every run
// sets both to the negated magnitude of its seed, so both generators restart.
struct SeedWords {
    std::int32_t deviateSeed = 0;
    std::int32_t seedStreamSeed = 0;
};

}  // namespace velmor
