#include "batch/duration.hpp"

#include <charconv>
#include <cmath>

namespace velmor::batch {

namespace {

std::optional<double> Number(std::string_view text) {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0.0)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> ParseDuration(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::optional<double> seconds;
    if (text.find(':') != std::string_view::npos) {
        // [HH:]MM:SS, each part after the first below 60.
        double total = 0.0;
        int parts = 0;
        for (;;) {
            const auto colon = text.find(':');
            const auto part = Number(text.substr(0, colon));
            if (!part || (parts > 0 && *part >= 60.0)) return std::nullopt;
            total = total * 60.0 + *part;
            ++parts;
            if (colon == std::string_view::npos) break;
            text.remove_prefix(colon + 1);
        }
        if (parts > 3) return std::nullopt;
        seconds = total;
    } else {
        double unit = 1.0;
        switch (text.back()) {
            case 's':
                unit = 1.0;
                break;
            case 'm':
                unit = 60.0;
                break;
            case 'h':
                unit = 3600.0;
                break;
            case 'd':
                unit = 86400.0;
                break;
            default:
                unit = 0.0;
        }
        if (unit != 0.0) text.remove_suffix(1);
        const auto value = Number(text);
        if (!value) return std::nullopt;
        seconds = *value * (unit == 0.0 ? 1.0 : unit);
    }
    if (!seconds || !(*seconds > 0.0) || !std::isfinite(*seconds)) return std::nullopt;
    return seconds;
}

}  // namespace velmor::batch
