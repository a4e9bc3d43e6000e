#include "batch/study_shapes.hpp"

#include <algorithm>

#include "batch/plain_text.hpp"
#include "run/number_reading.hpp"

namespace velmor::batch {

namespace {

constexpr ShapeFamily kFamilies[] = {ShapeFamily::Fleishman,   ShapeFamily::GAndH,
                                     ShapeFamily::Lognormal,   ShapeFamily::Exponential,
                                     ShapeFamily::ChiSquare,   ShapeFamily::StudentT,
                                     ShapeFamily::Contaminated};

constexpr StudyKey kParameters[] = {StudyKey::Skewness,   StudyKey::Kurtosis, StudyKey::G,
                                    StudyKey::H,          StudyKey::Df,       StudyKey::Sigma,
                                    StudyKey::Proportion, StudyKey::SdRatio};

constexpr StudyKey kFleishman[] = {StudyKey::Skewness, StudyKey::Kurtosis};
constexpr StudyKey kGAndH[] = {StudyKey::G, StudyKey::H};
constexpr StudyKey kLognormal[] = {StudyKey::Sigma};
constexpr StudyKey kDf[] = {StudyKey::Df};
constexpr StudyKey kContaminated[] = {StudyKey::Proportion, StudyKey::SdRatio};

bool Reads(ShapeFamily family, StudyKey key) {
    const auto keys = ParametersOf(family);
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool Reads(std::string_view distribution, StudyKey key) {
    const std::optional<ShapeFamily> family = ShapeFamilyNamed(Lowercase(distribution));
    return family && Reads(*family, key);
}

// "the fleishman shape", "the chi-square and t shapes": the shapes that read a key.
std::string ReadersOf(StudyKey key) {
    std::vector<std::string> names;
    for (const ShapeFamily family : kFamilies)
        if (Reads(family, key)) names.emplace_back(ShapeName(family));
    std::string text = "the ";
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k > 0) text += k + 1 == names.size() ? " and " : ", ";
        text += names[k];
    }
    return text + (names.size() == 1 ? " shape" : " shapes");
}

std::string GroupName(int g) {
    return "group " + std::to_string(g + 1);
}

// "normal", "normal or fleishman": the distributions a group may have.
std::string Alternatives(const std::vector<std::string>& distributions) {
    std::string text;
    for (std::size_t k = 0; k < distributions.size(); ++k) {
        if (k > 0) text += k + 1 == distributions.size() ? " or " : ", ";
        text += distributions[k];
    }
    return text;
}

std::string NotRead(StudyKey key, int g, const std::vector<std::string>& distributions) {
    return std::string(KeyName(key)) + " is a parameter of " + ReadersOf(key) + " only; " +
           GroupName(g) + "'s distribution is " + Alternatives(distributions);
}

std::string Missing(ShapeFamily family, StudyKey key, int g) {
    return "the " + std::string(ShapeName(family)) + " shape of " + GroupName(g) + " needs " +
           std::string(KeyName(key));
}

// The checks of one group, given the distributions it may have, whether a key
// is given (and on which line), and the line of its distribution.
template <class Given>
void CheckGroup(const std::string& path, int g, std::vector<std::string> distributions,
                int distributionLine, Given&& given, bool unreadIsError,
                std::vector<StudyError>& errors) {
    for (std::string& d : distributions) d = Lowercase(d);
    std::sort(distributions.begin(), distributions.end());
    distributions.erase(std::unique(distributions.begin(), distributions.end()),
                        distributions.end());
    for (const StudyKey key : kParameters) {
        const std::optional<int> line = given(key);
        if (!line || !unreadIsError) continue;
        const bool read = std::any_of(distributions.begin(), distributions.end(),
                                      [&](const std::string& d) { return Reads(d, key); });
        if (!read) errors.push_back({path, *line, NotRead(key, g, distributions), false, {}});
    }
    for (const std::string& d : distributions) {
        const std::optional<ShapeFamily> family = ShapeFamilyNamed(d);
        if (!family) continue;
        for (const StudyKey key : ParametersOf(*family))
            if (!given(key))
                errors.push_back({path, distributionLine, Missing(*family, key, g), false, {}});
    }
}

}  // namespace

std::optional<ShapeFamily> ShapeFamilyNamed(std::string_view name) {
    for (const ShapeFamily family : kFamilies)
        if (ShapeName(family) == name) return family;
    return std::nullopt;
}

std::span<const StudyKey> ParametersOf(ShapeFamily family) {
    switch (family) {
        case ShapeFamily::Fleishman:
            return kFleishman;
        case ShapeFamily::GAndH:
            return kGAndH;
        case ShapeFamily::Lognormal:
            return kLognormal;
        case ShapeFamily::Exponential:
            return {};
        case ShapeFamily::ChiSquare:
        case ShapeFamily::StudentT:
            return kDf;
        case ShapeFamily::Contaminated:
            return kContaminated;
    }
    return {};
}

std::vector<StudyError> CheckShapeKeys(const Study& study, bool unreadIsError) {
    std::vector<StudyError> errors;
    for (int g = 0; g < 3; ++g) {
        const StudySection& section = study.groups[g];
        const StudyValue* distribution = Study::find(section, KeyName(StudyKey::Distribution));
        auto given = [&](StudyKey key) -> std::optional<int> {
            if (const StudyValue* v = Study::find(section, KeyName(key))) return v->line;
            return std::nullopt;
        };
        CheckGroup(study.path, g, {distribution ? distribution->text : "normal"},
                   distribution ? distribution->line : 0, given, unreadIsError, errors);
    }
    return errors;
}

std::vector<StudyError> CheckGridShapeKeys(const StudyGrid& grid) {
    std::vector<StudyError> errors;
    constexpr auto kCommon = static_cast<std::size_t>(SectionId::Groups);
    for (int g = 0; g < 3; ++g) {
        // A group's own value has the last word over [groups].
        auto effective = [&](StudyKey key) -> const GridValue* {
            for (const std::size_t s : {static_cast<std::size_t>(g), kCommon}) {
                const auto it = grid.sections[s].find(KeyName(key));
                if (it != grid.sections[s].end()) return &it->second;
            }
            return nullptr;
        };
        const GridValue* distribution = effective(StudyKey::Distribution);
        auto given = [&](StudyKey key) -> std::optional<int> {
            if (const GridValue* v = effective(key)) return v->line;
            return std::nullopt;
        };
        CheckGroup(grid.path, g,
                   distribution ? distribution->items : std::vector<std::string>{"normal"},
                   distribution ? distribution->line : 0, given, true, errors);
    }
    return errors;
}

std::variant<StudyShapes, std::string> ShapesOfStudy(const Study& study) {
    StudyShapes shapes;
    for (int g = 0; g < 3; ++g) {
        const StudySection& section = study.groups[g];
        const StudyValue* distribution = Study::find(section, KeyName(StudyKey::Distribution));
        if (!distribution) continue;
        const std::optional<ShapeFamily> family = ShapeFamilyNamed(Lowercase(distribution->text));
        if (!family) continue;
        PopulationShape shape{.family = *family};
        for (const StudyKey key : ParametersOf(*family)) {
            const StudyValue* v = Study::find(section, KeyName(key));
            if (!v) return Missing(*family, key, g);
            const std::optional<double> number = ReadNumber(v->text);
            if (!number)
                return std::string(KeyName(key)) + " of " + GroupName(g) + " is not a number";
            switch (key) {
                case StudyKey::Skewness:
                    shape.skewness = *number;
                    break;
                case StudyKey::Kurtosis:
                    shape.kurtosis = *number;
                    break;
                case StudyKey::G:
                    shape.g = *number;
                    break;
                case StudyKey::H:
                    shape.h = *number;
                    break;
                case StudyKey::Df:
                    shape.df = *number;
                    break;
                case StudyKey::Sigma:
                    shape.sigma = *number;
                    break;
                case StudyKey::Proportion:
                    shape.proportion = *number;
                    break;
                case StudyKey::SdRatio:
                    shape.sdRatio = *number;
                    break;
                default:
                    break;
            }
        }
        shapes[g] = shape;
    }
    return shapes;
}

}  // namespace velmor::batch
