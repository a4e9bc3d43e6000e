#pragma once
// Durations on the command line, as cluster users write them: a number of
// seconds with an optional unit (90, 90s, 2.5m, 2h, 1d) or clock time as
// Slurm writes it (MM:SS, HH:MM:SS).

#include <optional>
#include <string_view>

namespace velmor::batch {

// The duration in seconds, or nothing for a text that is not one, or is
// not above zero.
std::optional<double> ParseDuration(std::string_view text);

}  // namespace velmor::batch
