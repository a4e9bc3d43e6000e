#pragma once
// A group's population shape in a study file: `distribution = NAME` and the
// parameters that shape reads, in the group's own section or in [groups]:
//
//   fleishman     skewness, kurtosis (excess kurtosis, 0 for the normal)
//   g-and-h       g, h
//   lognormal     sigma
//   exponential   (none)
//   chi-square    df
//   t             df (above 4)
//   contaminated  proportion, sd_ratio
//
// A shape needs every parameter it reads; there are no hidden defaults. A
// parameter that the group's distribution does not read is refused, naming
// the key, rather than silently ignored. In a grid whose distribution is a
// factor the parameter must be read by at least one of the listed
// distributions, and the conditions whose distribution does not read it leave
// it unused (a grid of "normal, fleishman" with one skewness); so does a row
// of a design, whose columns serve every row. Whether the
// values make a shape some population has is decided when the condition
// runs, by the run's own refusal (core/shape_refusal.hpp).

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "batch/study_file.hpp"
#include "batch/study_keys.hpp"
#include "core/population_shape.hpp"

namespace velmor::batch {

// The shape a distribution's name (lower case) stands for, or nothing for
// normal, uniform and unknown names.
std::optional<ShapeFamily> ShapeFamilyNamed(std::string_view name);

// The parameter keys a shape reads, in the order the README lists them.
std::span<const StudyKey> ParametersOf(ShapeFamily family);

// One condition's parameter keys against its groups' distributions: a
// parameter its shape needs and lacks, and, when `unreadIsError`, a key the
// distribution does not read. A design's columns serve all its rows, so a
// row leaves a parameter column its distribution does not read unused.
std::vector<StudyError> CheckShapeKeys(const Study& study, bool unreadIsError);

// The same for a grid, against every distribution a group's list names.
std::vector<StudyError> CheckGridShapeKeys(const StudyGrid& grid);

using StudyShapes = std::array<std::optional<PopulationShape>, 3>;

// The shapes of a condition's groups (nothing for a normal or uniform
// group), or a message naming the key that is missing or not a number.
std::variant<StudyShapes, std::string> ShapesOfStudy(const Study& study);

}  // namespace velmor::batch
