#pragma once
// Whether a population shape can be drawn: every combination of parameters
// that no distribution of the family has, or that this program does not
// support, is refused here with a message for the user, before anything runs.

#include <optional>
#include <string>

#include "core/population_shape.hpp"

namespace velmor {

// The message refusing the shape, or nothing when it can be drawn. For
// fleishman this solves the power method (a few milliseconds), so a pair it
// accepts is one SolveFleishman solves.
std::optional<std::string> ShapeRefusal(const PopulationShape& shape);

}  // namespace velmor
