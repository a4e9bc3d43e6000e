#pragma once
// Choices a run honours beyond the main window's controls: made in the
// Details window and the shape dialog, or by a study file's keys. While every
// choice keeps its default, a run is exactly what the main window alone asks
// for, byte for byte.

#include <array>
#include <optional>

#include "core/group_settings.hpp"
#include "core/mean_test_kind.hpp"
#include "core/population_shape.hpp"
#include "run/stopping_rule.hpp"

namespace velmor {

struct StudyChoices {
    // The tests run on every replication beside F (F is always run).
    MeanTestSelection tests;
    // A shape other than normal or uniform for a group's true scores; none
    // keeps the group as the main window sets it.
    std::array<std::optional<PopulationShape>, kGroups> shapes{};
    // Discard (and count) a sample with a group without variance instead of
    // ending the run with NO VARIANCE.
    bool skipNoVarianceSamples = false;
    // Stop at the first checkpoint where the rates are precise or decided.
    StoppingChoice stopping;

    bool operator==(const StudyChoices&) const = default;
};

}  // namespace velmor
