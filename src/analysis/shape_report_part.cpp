// The report's part on population shapes: for each shaped group, its shape
// and parameters as entered, and the skewness and excess kurtosis the shape
// has in theory beside those of all the true scores the run generated, so a
// reader can see that the population drawn is the one asked for.

#include <cstdio>
#include <string>

#include "analysis/added_report_section.hpp"
#include "run/number_format.hpp"

namespace velmor {

namespace {

// The shape's parameters as a study file names them.
std::string Parameters(const PopulationShape& s) {
    auto v = [](double x) { return ShortestRoundTrip(x); };
    switch (s.family) {
        case ShapeFamily::Fleishman:
            return "skewness " + v(s.skewness) + ", kurtosis " + v(s.kurtosis);
        case ShapeFamily::GAndH:
            return "g " + v(s.g) + ", h " + v(s.h);
        case ShapeFamily::Lognormal:
            return "sigma " + v(s.sigma);
        case ShapeFamily::Exponential:
            return "";
        case ShapeFamily::ChiSquare:
        case ShapeFamily::StudentT:
            return "df " + v(s.df);
        case ShapeFamily::Contaminated:
            return "proportion " + v(s.proportion) + ", sd_ratio " + v(s.sdRatio);
    }
    return "";
}

std::string Fixed4(double x) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4f", x);
    return text;
}

}  // namespace

void ShapeReportPart(const RunState& state, std::vector<std::string>& lines) {
    const RunResult& result = state.result;
    if (!result.hasResults()) return;
    bool heading = false;
    for (int g = 0; g < kGroups; ++g) {
        const AchievedShape& a = result.achievedShape[g];
        const GroupSettings& group = state.settings.groups[g];
        if (!a.shaped || !group.shape) continue;
        if (!heading) {
            lines.emplace_back(
                "Population shapes (targets, and achieved over all true scores "
                "generated)");
            heading = true;
        }
        const PopulationShape& shape = group.shape->shape();
        const std::string parameters = Parameters(shape);
        lines.push_back("  Group " + std::to_string(g + 1) + ": " +
                        std::string(ShapeName(shape.family)) +
                        (parameters.empty() ? "" : " (" + parameters + ")") + ", " +
                        std::to_string(a.scores) + " true scores");
        lines.push_back("    Skewness:        target " + Fixed4(a.targetSkewness) + "   achieved " +
                        Fixed4(a.skewness));
        lines.push_back("    Excess kurtosis: target " + Fixed4(a.targetKurtosis) + "   achieved " +
                        Fixed4(a.kurtosis));
    }
}

}  // namespace velmor
