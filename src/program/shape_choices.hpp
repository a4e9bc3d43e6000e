#pragma once
// The population shapes a user chooses in the window, in words and fields:
// which parameters each family asks for, how a chosen shape reads in the
// main window's note and the shape dialog, and the reading of the dialog's
// entries into shapes, refused exactly as a study file's would be. Nothing
// here knows the toolkit; the shape dialog only shows and forwards.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/group_settings.hpp"
#include "core/population_shape.hpp"

namespace velmor {

using GroupShapes = std::array<std::optional<PopulationShape>, kGroups>;

// Every family, in the order the dialog offers them.
inline constexpr std::array<ShapeFamily, 7> kShapeFamilies = {
    ShapeFamily::Fleishman,   ShapeFamily::GAndH,     ShapeFamily::Lognormal,
    ShapeFamily::Exponential, ShapeFamily::ChiSquare, ShapeFamily::StudentT,
    ShapeFamily::Contaminated};

// One parameter of a family: the key a study file sets it by (and the
// refusal messages name), the dialog's label for it, the member of
// PopulationShape it fills and the value the dialog proposes.
struct ShapeParameter {
    std::string_view key;
    std::string_view label;
    double PopulationShape::*member;
    double proposed;
};

// The family's parameters, in the order of the study file's keys; none for
// exponential, at most two.
std::vector<ShapeParameter> ShapeParameters(ShapeFamily family);

// The family as the dialog lists it ("Fleishman power method").
std::string_view ShapeTitle(ShapeFamily family);

// The family with its parameters as a study file names them:
// "fleishman (skewness 2, kurtosis 7)", "exponential".
std::string ShapeDescription(const PopulationShape& shape);

// The groups whose shape is neither normal nor uniform with their shapes in
// full ("group 1 fleishman (skewness 1, kurtosis 1.5); group 3 t (df 5)");
// empty when no group has one.
std::string ShapeChoiceText(const GroupShapes& shapes);

// The main window's short note on the same groups, which must fit beside the
// menus ("Shapes: group 1 fleishman, group 3 t"); empty when no group has
// one, so that the note stays hidden.
std::string ShapeNoteText(const GroupShapes& shapes);

// The same note without the shapes' names, for where even the short note
// has no room: "Shapes: groups 1 and 3"; empty when no group has a shape.
std::string ShapedGroupsText(const GroupShapes& shapes);

// A group's entries in the shape dialog: no family keeps the main window's
// normal or uniform; a family takes its parameters from `texts` (the first
// ShapeParameters(family).size() of them).
struct ShapeEntry {
    std::optional<ShapeFamily> family;
    std::array<std::string, 2> texts;
};

// Why the entries cannot be taken: the group (0..2) and the parameter
// (0 or 1, or -1 for the shape as a whole) to put right, and the message.
struct ShapeEntryError {
    int group = 0;
    int parameter = -1;
    std::string message;
};

// Reads the three groups' entries. A text that is no number is refused with
// a message naming the shape and the parameter; a shape no distribution of
// its family has (Fleishman's skewness 2 with kurtosis 3, a t with df 4) is
// refused with ShapeRefusal's message, the one a study file gets. The first
// group in error is reported; nothing is taken unless all three can be.
std::variant<GroupShapes, ShapeEntryError> ReadShapeEntries(
    const std::array<ShapeEntry, kGroups>& entries);

// The entries that show `shapes` (parameters in their shortest exact text).
std::array<ShapeEntry, kGroups> EntriesOf(const GroupShapes& shapes);

// A parameter's value as the dialog writes it: the shortest text that reads
// back as the same double.
std::string ParameterText(double value);

}  // namespace velmor
