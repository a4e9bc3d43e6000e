#include "core/mean_test_kind.hpp"

namespace velmor {

std::string_view MeanTestName(MeanTestKind kind) {
    switch (kind) {
        case MeanTestKind::F:
            return "f";
        case MeanTestKind::Welch:
            return "welch";
        case MeanTestKind::BrownForsythe:
            return "brown-forsythe";
        case MeanTestKind::James:
            return "james";
        case MeanTestKind::AlexanderGovern:
            return "alexander-govern";
        case MeanTestKind::KruskalWallis:
            return "kruskal-wallis";
        case MeanTestKind::TrimmedWelch:
            return "trimmed-welch";
    }
    return "?";
}

std::optional<MeanTestKind> MeanTestFromName(std::string_view name) {
    for (const MeanTestKind kind : kAllMeanTests)
        if (MeanTestName(kind) == name) return kind;
    return std::nullopt;
}

MeanTestSelection MeanTestSelection::All() {
    MeanTestSelection all;
    for (const MeanTestKind kind : kAllMeanTests) all.choose(kind);
    return all;
}

bool MeanTestSelection::anyBesidesF() const {
    for (const MeanTestKind kind : kAllMeanTests)
        if (kind != MeanTestKind::F && chosen(kind)) return true;
    return false;
}

std::variant<MeanTestSelection, std::string> ParseMeanTests(std::string_view value) {
    MeanTestSelection selection;
    constexpr std::string_view kBlanks = " \t";
    std::size_t at = value.find_first_not_of(kBlanks);
    while (at != std::string_view::npos) {
        const std::size_t end = value.find_first_of(kBlanks, at);
        const std::string_view name =
            value.substr(at, end == std::string_view::npos ? end : end - at);
        if (name == "all") {
            selection = MeanTestSelection::All();
        } else if (const auto kind = MeanTestFromName(name)) {
            selection.choose(*kind);
        } else {
            std::string message =
                "tests: \"" + std::string(name) + "\" is not a test; the tests are";
            for (const MeanTestKind kind : kAllMeanTests) {
                message += ' ';
                message += MeanTestName(kind);
            }
            message += " (or all)";
            if (name.find(',') != std::string_view::npos)
                message += "; separate the names by blanks, not commas";
            return message;
        }
        at = end == std::string_view::npos ? end : value.find_first_not_of(kBlanks, end);
    }
    return selection;
}

}  // namespace velmor
