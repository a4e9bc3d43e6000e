#pragma once
// The validated inputs one replication reads, in the domain's words; the
// window's fields are mapped onto them by the settings step.

#include <array>
#include <cstdint>
#include <optional>

#include "core/shape_transform.hpp"

namespace velmor {

// The population a group's true scores are drawn from. A new kind is a new
// enumerator: every switch over it must then say how to draw and describe it.
// Shaped: a population shape of its own (core/population_shape.hpp), drawn
// through the group's ShapeTransform and scaled to the group's mean and SD.
enum class Distribution { Normal, Uniform, Shaped };

// What is done to a normal score outside the bounds in force.
enum class BoundsHandling {
    Resample,   // redraw the case until it lies within the bounds
    Winsorize,  // clamp it to the nearer bound
    None,       // keep it as drawn
};

// The handling the Options menu's two check marks ask for: resampling wins
// when both are set, and nothing is done when neither is.
constexpr BoundsHandling BoundsHandlingOf(bool resampled, bool winsorized) {
    if (resampled) return BoundsHandling::Resample;
    return winsorized ? BoundsHandling::Winsorize : BoundsHandling::None;
}

struct GroupSettings {
    double mean = 0.0;         // population mean of the true scores
    double sd = 1.0;           // population SD of the true scores
    std::int32_t size = 16;    // group size, 2..2000
    double reliability = 1.0;  // 0.0001..1
    Distribution distribution = Distribution::Normal;
    bool wholeNumbers = false;  // observed scores rounded to whole numbers
    bool hasMinimum = false;    // a minimum possible score is in force
    bool hasMaximum = false;    // a maximum possible score is in force
    double minimum = 0.0;
    double maximum = 0.0;
    // A shaped group's transform, set exactly when distribution is Shaped. It
    // is built once per run (by the settings step), so a replication only
    // evaluates it.
    std::optional<ShapeTransform> shape = std::nullopt;

    // The uniform group (bounds from its mean and SD, no bounds handling).
    bool uniform() const { return distribution == Distribution::Uniform; }
    bool shaped() const { return distribution == Distribution::Shaped; }
    // Whether the group's column of the deviate matrix, and every redraw of
    // one of its true scores, takes uniform deviates: a uniform group and a
    // shape drawn through its quantile do; a normal group and a shape that
    // transforms a normal deviate take standard normal deviates.
    bool drawsUniform() const {
        if (uniform()) return true;
        return shaped() && shape && shape->input() == ShapeInput::Uniform;
    }
};

inline constexpr int kGroups = 3;
inline constexpr int kMaxScores = 4000;  // capacity of every score array and deviate column

struct ReplicationSettings;
// Whether the three entered population means are equal: the null hypothesis
// the run tests is then true as entered.
bool EnteredMeansEqual(const ReplicationSettings& settings);

struct ReplicationSettings {
    std::array<GroupSettings, kGroups> groups{};
    BoundsHandling bounds = BoundsHandling::Resample;
    double alpha = 0.05;            // nominal alpha
    std::int32_t deviateRows = 16;  // largest of the three group sizes
};

inline bool EnteredMeansEqual(const ReplicationSettings& settings) {
    const auto& g = settings.groups;
    return g[0].mean == g[1].mean && g[0].mean == g[2].mean;
}

}  // namespace velmor
