#include "program/shape_choices.hpp"

#include <charconv>
#include <cmath>

#include "core/fleishman.hpp"
#include "core/shape_refusal.hpp"
#include "run/number_reading.hpp"

namespace velmor {

std::vector<ShapeParameter> ShapeParameters(ShapeFamily family) {
    // The proposed values are moderate departures a researcher starts from:
    // each is a shape its family can have, so that choosing a family and
    // pressing OK never meets a refusal.
    switch (family) {
        case ShapeFamily::Fleishman:
            return {{"skewness", "Skewness:", &PopulationShape::skewness, 1.0},
                    {"kurtosis", "Excess kurtosis:", &PopulationShape::kurtosis, 1.5}};
        case ShapeFamily::GAndH:
            return {{"g", "g (skew):", &PopulationShape::g, 0.5},
                    {"h", "h (tail weight):", &PopulationShape::h, 0.1}};
        case ShapeFamily::Lognormal:
            return {{"sigma", "Sigma:", &PopulationShape::sigma, 0.5}};
        case ShapeFamily::Exponential:
            return {};
        case ShapeFamily::ChiSquare:
            return {{"df", "Degrees of freedom:", &PopulationShape::df, 4.0}};
        case ShapeFamily::StudentT:
            return {{"df", "Degrees of freedom:", &PopulationShape::df, 10.0}};
        case ShapeFamily::Contaminated:
            return {{"proportion", "Proportion wider:", &PopulationShape::proportion, 0.1},
                    {"sd_ratio", "SD ratio:", &PopulationShape::sdRatio, 3.0}};
    }
    return {};
}

std::string_view ShapeTitle(ShapeFamily family) {
    switch (family) {
        case ShapeFamily::Fleishman:
            return "Fleishman power method";
        case ShapeFamily::GAndH:
            return "g-and-h (Hoaglin)";
        case ShapeFamily::Lognormal:
            return "Lognormal";
        case ShapeFamily::Exponential:
            return "Exponential";
        case ShapeFamily::ChiSquare:
            return "Chi-square";
        case ShapeFamily::StudentT:
            return "Student's t";
        case ShapeFamily::Contaminated:
            return "Contaminated normal";
    }
    return "";
}

std::string ParameterText(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string ShapeDescription(const PopulationShape& shape) {
    std::string text(ShapeName(shape.family));
    const std::vector<ShapeParameter> parameters = ShapeParameters(shape.family);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        text += i == 0 ? " (" : ", ";
        text += std::string(parameters[i].key) + " " + ParameterText(shape.*parameters[i].member);
    }
    if (!parameters.empty()) text += ")";
    return text;
}

std::string ShapeChoiceText(const GroupShapes& shapes) {
    std::string text;
    for (int g = 0; g < kGroups; ++g) {
        if (!shapes[g]) continue;
        if (!text.empty()) text += "; ";
        text += "group " + std::to_string(g + 1) + " " + ShapeDescription(*shapes[g]);
    }
    return text;
}

std::string ShapeNoteText(const GroupShapes& shapes) {
    std::string text;
    for (int g = 0; g < kGroups; ++g) {
        if (!shapes[g]) continue;
        text += text.empty() ? "Shapes: " : ", ";
        text += "group " + std::to_string(g + 1) + " " + std::string(ShapeName(shapes[g]->family));
    }
    return text;
}

std::string ShapedGroupsText(const GroupShapes& shapes) {
    std::vector<std::string> groups;
    for (int g = 0; g < kGroups; ++g)
        if (shapes[g]) groups.push_back(std::to_string(g + 1));
    if (groups.empty()) return "";
    if (groups.size() == 1) return "Shapes: group " + groups[0];
    std::string text = "Shapes: groups " + groups[0];
    for (std::size_t i = 1; i + 1 < groups.size(); ++i) text += ", " + groups[i];
    return text + " and " + groups.back();
}

namespace {

// The parameter a refused shape is put right by, for the dialog to focus:
// where one parameter is out of its own range, that one; where the pair is
// impossible together (Fleishman's kurtosis at a reachable skewness), the
// second, which the refusal names the limit of.
int RefusedParameter(const PopulationShape& s) {
    switch (s.family) {
        case ShapeFamily::Fleishman:
            return std::isfinite(s.skewness) && FleishmanKurtosisRangeAt(s.skewness).reachable ? 1
                                                                                               : 0;
        case ShapeFamily::GAndH:
            return std::isfinite(s.g) && (s.g == 0.0 || std::fabs(s.g) >= 1e-4) ? 1 : 0;
        case ShapeFamily::Contaminated:
            return std::isfinite(s.proportion) && s.proportion >= 0.0 && s.proportion <= 1.0 ? 1
                                                                                             : 0;
        case ShapeFamily::Exponential:
            return -1;
        case ShapeFamily::Lognormal:
        case ShapeFamily::ChiSquare:
        case ShapeFamily::StudentT:
            return 0;
    }
    return 0;
}

}  // namespace

std::variant<GroupShapes, ShapeEntryError> ReadShapeEntries(
    const std::array<ShapeEntry, kGroups>& entries) {
    GroupShapes shapes{};
    for (int g = 0; g < kGroups; ++g) {
        const ShapeEntry& entry = entries[g];
        if (!entry.family) continue;
        PopulationShape shape;
        shape.family = *entry.family;
        const std::vector<ShapeParameter> parameters = ShapeParameters(shape.family);
        for (std::size_t i = 0; i < parameters.size() && i < entry.texts.size(); ++i) {
            const std::optional<double> value = ReadNumber(entry.texts[i]);
            if (!value) {
                return ShapeEntryError{g, static_cast<int>(i),
                                       "The " + std::string(ShapeName(shape.family)) + " shape's " +
                                           std::string(parameters[i].key) + " must be a number."};
            }
            shape.*parameters[i].member = *value;
        }
        // The refusal a study file gets for the same shape, word for word.
        if (std::optional<std::string> refusal = ShapeRefusal(shape))
            return ShapeEntryError{g, RefusedParameter(shape), *refusal};
        shapes[g] = shape;
    }
    return shapes;
}

std::array<ShapeEntry, kGroups> EntriesOf(const GroupShapes& shapes) {
    std::array<ShapeEntry, kGroups> entries{};
    for (int g = 0; g < kGroups; ++g) {
        if (!shapes[g]) continue;
        entries[g].family = shapes[g]->family;
        const std::vector<ShapeParameter> parameters = ShapeParameters(shapes[g]->family);
        for (std::size_t i = 0; i < parameters.size(); ++i)
            entries[g].texts[i] = ParameterText((*shapes[g]).*parameters[i].member);
    }
    return entries;
}

}  // namespace velmor
