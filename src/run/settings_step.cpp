#include "run/settings_step.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "core/extended.hpp"
#include "run/number_reading.hpp"

namespace velmor {

namespace {

constexpr const char* kMaxAboveMin = "MAXIMUM SCORE must be greater than the MINIMUM SCORE";
constexpr const char* kMaxEqualsMin = "MAXIMUM SCORE cannot equal the MINIMUM SCORE";
constexpr const char* kMinBelowMean = "MINIMUM SCORE must be less than the Population Mean";
constexpr const char* kMaxAboveMean = "MAXIMUM SCORE must be greater than the Population Mean";
constexpr const char* kSampleSize = "SAMPLE SIZE must be greater than 1";
constexpr const char* kIterations = "You must run at least one Monte Carlo simulation";
constexpr const char* kReliability =
    "RELIABILITY must be greater than 0.0 and less than or equal to 1.0";
constexpr const char* kStandardDeviation = "STANDARD DEVIATION must be greater than 0.0";
constexpr const char* kAlpha = "NOMINAL ALPHA must be greater than 0.0 and less than 1.0";

constexpr double kMaxGroupSize = 2000.0;
constexpr double kMaxSeedMagnitude = 2147483647.0;
// The iteration count is a 32-bit unsigned field; a larger typed count is
// clamped to its largest value (and the field shows it) rather than wrapped.
constexpr double kMaxIterations = 4294967295.0;
constexpr double kMaxMeansToKeep = 10000.0;

std::string Numbered(const char* prefix, int group) {
    return prefix + std::to_string(group);
}

// Whole numbers below 2^53 print exactly; the callers pass only those.
std::string IntegerText(double wholeNumber) {
    return std::to_string(static_cast<long long>(wholeNumber));
}

class SettingsStep {
  public:
    SettingsStep(const FieldValues& fields, RunSettings& settings, const SettingsContext& context)
        : fields_(fields), s_(settings), context_(context) {}

    SettingsStepResult run() {
        copyFlags();
        s_.analysisTitle = "3-level Analysis of Variance";
        // Each step returns false on the failure that ends the whole step.
        (void)(readMeans() && readBounds() && checkBounds() && readSizes() && readIterations() &&
               chooseSeed() && readMeansToKeep() && readReliabilities() &&
               readStandardDeviations() && readAlpha());
        return std::move(result_);
    }

  private:
    std::string_view text(std::string_view name) const {
        const auto it = fields_.texts.find(name);
        return it == fields_.texts.end() ? std::string_view{} : std::string_view{it->second};
    }
    bool check(std::string_view name) const {
        const auto it = fields_.checks.find(name);
        return it != fields_.checks.end() && it->second;
    }

    // Two writes in a row to one field (a default, then its normalised value)
    // leave only the second: the field shows nothing in between.
    void writeBack(const std::string& name, std::string value) {
        auto& writes = result_.writeBacks;
        if (!writes.empty() && writes.back().first == name)
            writes.back().second = std::move(value);
        else
            writes.emplace_back(name, std::move(value));
    }

    bool fail(const char* message, const std::string& focus) {
        result_.failure = SettingsFailure{message, MessageKind::InformationDialog, focus};
        return false;
    }

    // Reads `value` as the content of field `name`; a text that is not a
    // number ends the step with the plain message.
    std::optional<double> readText(const std::string& name, std::string_view value) {
        std::optional<double> number = ReadNumber(value);
        if (!number) {
            result_.failure =
                SettingsFailure{kNotNumericMessage, MessageKind::PlainMessageBox, name};
            result_.notNumeric = true;
        }
        return number;
    }
    std::optional<double> read(const std::string& name) { return readText(name, text(name)); }

    // Reads a field whose empty text stands for `defaultText`; the default is
    // written into the field first.
    std::optional<double> readWithDefault(const std::string& name, const char* defaultText) {
        if (!text(name).empty()) return read(name);
        writeBack(name, defaultText);
        return readText(name, defaultText);
    }

    void copyFlags() {
        for (int g = 1; g <= kGroups; ++g) {
            GroupSettings& group = s_.groups[g - 1];
            group.rdoNormal = check(Numbered("rdoNormal", g));
            group.rdoUniform = check(Numbered("rdoUniform", g));
            group.chkInteger = check(Numbered("chkInteger", g));
        }
        s_.rdoOnetail = check("rdoOnetail");
        s_.rdoTwotail = check("rdoTwotail");
        s_.chkInc = check("chkInc");
        s_.Resampled1 = check("Resampled1");
        s_.Winsorized1 = check("Winsorized1");
    }

    bool readMeans() {
        for (int g = 1; g <= kGroups; ++g) {
            const std::optional<double> mean = read(Numbered("txtmean", g));
            if (!mean) return false;
            s_.groups[g - 1].txtmean = *mean;
        }
        return true;
    }

    // A bound whose flag is off is not read: its field is cleared and the
    // stored value stays that of the last run that read it.
    bool readBound(bool inForce, const std::string& name, double& value) {
        if (!inForce) {
            writeBack(name, "");
            return true;
        }
        const std::optional<double> bound = read(name);
        if (!bound) return false;
        value = *bound;
        return true;
    }

    bool readBounds() {
        for (int g = 1; g <= kGroups; ++g) {
            GroupSettings& group = s_.groups[g - 1];
            if (!readBound(group.chkMin, Numbered("txtMin", g), group.txtMin)) return false;
            if (!readBound(group.chkMax, Numbered("txtMax", g), group.txtMax)) return false;
        }
        return true;
    }

    // Group 1 wants the maximum strictly above the minimum; groups 2 and 3
    // refuse only equal bounds. Only a normal group compares its bounds with
    // its mean (a uniform group's bounds are derived from it). The comparisons
    // are made directly rather than on differences, which are the same for
    // finite doubles but could overflow.
    bool checkBounds() {
        for (int g = 1; g <= kGroups; ++g) {
            const GroupSettings& group = s_.groups[g - 1];
            const std::string minName = Numbered("txtMin", g);
            const std::string maxName = Numbered("txtMax", g);
            if (group.chkMin && group.chkMax) {
                if (g == 1 && !(group.txtMax > group.txtMin)) return fail(kMaxAboveMin, minName);
                if (g != 1 && group.txtMax == group.txtMin) return fail(kMaxEqualsMin, minName);
            }
            if (group.chkMin && group.rdoNormal && group.txtMin >= group.txtmean)
                return fail(kMinBelowMean, minName);
            if (group.chkMax && group.rdoNormal && !(group.txtMax > group.txtmean))
                return fail(kMaxAboveMean, maxName);
        }
        return true;
    }

    // The value is compared with the limits before it becomes an integer, so
    // a size such as "3e9" is capped at 2000 instead of wrapping.
    bool readSizes() {
        for (int g = 1; g <= kGroups; ++g) {
            const std::string name = Numbered("txtNsize", g);
            const std::optional<double> value = read(name);
            if (!value) return false;
            std::int32_t& size = s_.groups[g - 1].txtNsize;
            if (*value >= 2.0) {
                const double whole = std::min(std::trunc(*value), kMaxGroupSize);
                size = static_cast<std::int32_t>(whole);
                writeBack(name, IntegerText(whole));
            } else if (!context_.searchActive) {
                return fail(kSampleSize, name);
            } else {
                size = 2;  // a search may ask for less; its text stays as written
            }
        }
        s_.deviateRows =
            std::max({s_.groups[0].txtNsize, s_.groups[1].txtNsize, s_.groups[2].txtNsize});
        return true;
    }

    bool readIterations() {
        const std::optional<double> value = readWithDefault("txtiterations", "10000");
        if (!value) return false;
        if (!(*value >= 1.0)) return fail(kIterations, "txtiterations");
        const double whole = std::min(std::trunc(*value), kMaxIterations);
        s_.txtiterations = static_cast<std::uint32_t>(whole);
        writeBack("txtiterations", IntegerText(whole));
        return true;
    }

    bool chooseSeed() {
        double seed = 0.0;
        if (context_.seedFromField || !s_.chkInc) {
            // Only the first run after start or Reset supplies a default seed.
            const std::optional<double> typed = context_.seedFromField
                                                    ? readWithDefault("txtseed", kDefaultSeedText)
                                                    : read("txtseed");
            if (!typed) return false;
            seed = *typed;
            while (std::fabs(seed) > kMaxSeedMagnitude) seed /= 10.0;
            seed = std::trunc(seed);
        } else {
            // The chain of automatic seeds: the seed word still holds the
            // negated magnitude of the previous run's seed.
            seed = std::trunc(context_.generators.SeedDeviate(context_.seeds.seedStreamSeed) *
                              kMaxSeedMagnitude);
        }
        s_.txtseed = static_cast<std::int32_t>(seed);
        writeBack("txtseed", std::to_string(s_.txtseed));
        // Within +-2147483647, so the negation cannot overflow.
        const std::int32_t word = s_.txtseed < 0 ? s_.txtseed : -s_.txtseed;
        context_.seeds.deviateSeed = word;
        context_.seeds.seedStreamSeed = word;
        return true;
    }

    bool readMeansToKeep() {
        const std::optional<double> value = readWithDefault("txtmeanstokeep", "1000");
        if (!value) return false;
        // Limits are applied to the rounded floating-point value, before it
        // becomes an integer, so any typed magnitude lands within 0..10000.
        const double rounded = RoundHalfEven(*value);
        const double iterations = static_cast<double>(s_.txtiterations);
        double kept = rounded;
        if (rounded > kMaxMeansToKeep)
            kept = kMaxMeansToKeep;
        else if (rounded > iterations)
            kept = iterations;
        else if (rounded < 0.0)
            kept = 0.0;
        s_.txtmeanstokeep = static_cast<std::int32_t>(kept);
        if (kept != rounded) writeBack("txtmeanstokeep", IntegerText(kept));
        return true;
    }

    bool readReliabilities() {
        for (int g = 1; g <= kGroups; ++g) {
            const std::string name = Numbered("txtReliability", g);
            const std::optional<double> value = read(name);
            if (!value) return false;
            s_.groups[g - 1].txtReliability = *value;
            if (*value < 0.0001 || *value > 1.0) return fail(kReliability, name);
        }
        // The groups are drawn independently: the replication uses the
        // identity as their correlation matrix, so there is nothing to reset.
        return true;
    }

    bool readStandardDeviations() {
        for (int g = 1; g <= kGroups; ++g) {
            const std::string name = Numbered("txtsd", g);
            const std::optional<double> value = read(name);
            if (!value) return false;
            s_.groups[g - 1].txtsd = *value;
            if (*value < 0.0001) return fail(kStandardDeviation, name);
        }
        return true;
    }

    bool readAlpha() {
        const std::optional<double> value = read("txtalpha1");
        if (!value) return false;
        s_.txtalpha1 = *value;
        if (*value < 0.0001 || *value > 0.9999) return fail(kAlpha, "txtalpha1");
        return true;
    }

    const FieldValues& fields_;
    RunSettings& s_;
    const SettingsContext& context_;
    SettingsStepResult result_;
};

}  // namespace

SettingsStepResult RunSettingsStep(const FieldValues& fields, RunSettings& settings,
                                   const SettingsContext& context) {
    return SettingsStep(fields, settings, context).run();
}

}  // namespace velmor
