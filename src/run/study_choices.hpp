#pragma once
// Choices a run honours beyond the main window's controls: made in the
// Details window and the shape dialog, or by a study file's keys. While every
// choice keeps its default, a run is exactly what the main window alone asks
// for, byte for byte.

#include <array>
#include <cstdint>
#include <optional>

#include "core/group_settings.hpp"
#include "core/mean_test_kind.hpp"
#include "core/population_shape.hpp"
#include "run/stopping_rule.hpp"

namespace velmor {

// Which generator draws a run's samples: the classic streams of one seed, in
// one chain, or the counter-based streams (core/philox_stream.hpp), one per
// replication, which let one study use every core.
enum class Generator { Classic, Philox };

// "classic" or "philox", as study files and the summary write it.
const char* GeneratorWord(Generator generator);

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
    Generator generator = Generator::Classic;
    // The condition's index in its grid, from 0 (0 for a single study): part
    // of every replication's key under the counter-based generator, so that
    // the conditions of one grid draw different samples from one seed.
    std::uint32_t conditionIndex = 0;

    bool operator==(const StudyChoices&) const = default;
};

}  // namespace velmor
