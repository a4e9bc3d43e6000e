#include "run/settings_step.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string_view>

#include "core/extended.hpp"
#include "run/number_reading.hpp"
#include "window_model/windows.hpp"

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

FieldRef InGroup(Field field, int g) {
    return {field, g};
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
               readStandardDeviations() && readAlpha() && buildShapes());
        return std::move(result_);
    }

  private:
    // Two writes in a row to one field (a default, then its normalised value)
    // leave only the second: the field shows nothing in between.
    void writeBack(FieldRef field, std::string value) {
        auto& writes = result_.writeBacks;
        if (!writes.empty() && writes.back().first == field)
            writes.back().second = std::move(value);
        else
            writes.emplace_back(field, std::move(value));
    }

    bool fail(const char* message, FieldRef focus) {
        result_.failure = SettingsFailure{message, MessageKind::InformationDialog, focus};
        return false;
    }

    // Reads `value` as the content of field `name`; a text that is not a
    // number ends the step with the plain message.
    std::optional<double> readText(FieldRef field, std::string_view value) {
        std::optional<double> number = ReadNumber(value);
        if (!number) {
            result_.failure =
                SettingsFailure{kNotNumericMessage, MessageKind::PlainMessageBox, field};
            result_.notNumeric = true;
        }
        return number;
    }
    std::optional<double> read(FieldRef field) { return readText(field, fields_.text(field)); }

    // Reads a field whose empty text stands for `defaultText`; the default is
    // written into the field first.
    std::optional<double> readWithDefault(FieldRef field, const char* defaultText) {
        if (!fields_.text(field).empty()) return read(field);
        writeBack(field, defaultText);
        return readText(field, defaultText);
    }

    void copyFlags() {
        for (int g = 1; g <= kGroups; ++g) {
            GroupSettings& group = s_.groups[g - 1];
            const GroupFieldValues& values = fields_.groups[g - 1];
            group.distribution = values.rdoUniform ? Distribution::Uniform : Distribution::Normal;
            if (values.shape) {
                group.distribution = Distribution::Shaped;
                // A transform of another shape never stands beside this one,
                // even when a later step fails before it is rebuilt.
                if (group.shape && group.shape->shape() != *values.shape) group.shape.reset();
            } else {
                group.shape.reset();
            }
            group.wholeNumbers = values.chkInteger;
        }
        s_.rdoOnetail = fields_.rdoOnetail;
        s_.rdoTwotail = fields_.rdoTwotail;
        s_.chkInc = fields_.chkInc;
        s_.bounds = BoundsHandlingOf(fields_.Resampled1, fields_.Winsorized1);
    }

    bool readMeans() {
        for (int g = 1; g <= kGroups; ++g) {
            const std::optional<double> mean = read(InGroup(Field::txtmean, g));
            if (!mean) return false;
            s_.groups[g - 1].mean = *mean;
        }
        return true;
    }

    // A bound whose flag is off is not read: its field is cleared and the
    // stored value stays that of the last run that read it.
    bool readBound(bool inForce, FieldRef field, double& value) {
        if (!inForce) {
            writeBack(field, "");
            return true;
        }
        const std::optional<double> bound = read(field);
        if (!bound) return false;
        value = *bound;
        return true;
    }

    bool readBounds() {
        for (int g = 1; g <= kGroups; ++g) {
            GroupSettings& group = s_.groups[g - 1];
            if (!readBound(group.hasMinimum, InGroup(Field::txtMin, g), group.minimum))
                return false;
            if (!readBound(group.hasMaximum, InGroup(Field::txtMax, g), group.maximum))
                return false;
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
            const FieldRef minName = InGroup(Field::txtMin, g);
            const FieldRef maxName = InGroup(Field::txtMax, g);
            if (group.hasMinimum && group.hasMaximum) {
                if (g == 1 && !(group.maximum > group.minimum)) return fail(kMaxAboveMin, minName);
                if (g != 1 && group.maximum == group.minimum) return fail(kMaxEqualsMin, minName);
            }
            if (group.hasMinimum && !group.uniform() && group.minimum >= group.mean)
                return fail(kMinBelowMean, minName);
            if (group.hasMaximum && !group.uniform() && !(group.maximum > group.mean))
                return fail(kMaxAboveMean, maxName);
        }
        return true;
    }

    // The value is compared with the limits before it becomes an integer, so
    // a size such as "3e9" is capped at 2000 instead of wrapping.
    bool readSizes() {
        for (int g = 1; g <= kGroups; ++g) {
            const FieldRef name = InGroup(Field::txtNsize, g);
            const std::optional<double> value = read(name);
            if (!value) return false;
            std::int32_t& size = s_.groups[g - 1].size;
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
        s_.deviateRows = std::max({s_.groups[0].size, s_.groups[1].size, s_.groups[2].size});
        return true;
    }

    bool readIterations() {
        const FieldRef field{Field::txtiterations};
        const std::optional<double> value = readWithDefault(field, ui::texts::kDefaultIterations);
        if (!value) return false;
        if (!(*value >= 1.0)) return fail(kIterations, field);
        const double whole = std::min(std::trunc(*value), kMaxIterations);
        s_.txtiterations = static_cast<std::uint32_t>(whole);
        writeBack(field, IntegerText(whole));
        return true;
    }

    bool chooseSeed() {
        double seed = 0.0;
        if (context_.seedFromField || !s_.chkInc) {
            // Only the first run after start or Reset supplies a default seed.
            const FieldRef field{Field::txtseed};
            const std::optional<double> typed =
                context_.seedFromField ? readWithDefault(field, ui::texts::kDefaultSeed)
                                       : read(field);
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
        writeBack({Field::txtseed}, std::to_string(s_.txtseed));
        // Within +-2147483647, so the negation cannot overflow.
        const std::int32_t word = s_.txtseed < 0 ? s_.txtseed : -s_.txtseed;
        context_.seeds.deviateSeed = word;
        context_.seeds.seedStreamSeed = word;
        return true;
    }

    bool readMeansToKeep() {
        const FieldRef field{Field::txtmeanstokeep};
        const std::optional<double> value = readWithDefault(field, ui::texts::kDefaultMeansToKeep);
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
        if (kept != rounded) writeBack(field, IntegerText(kept));
        return true;
    }

    bool readReliabilities() {
        for (int g = 1; g <= kGroups; ++g) {
            const FieldRef name = InGroup(Field::txtReliability, g);
            const std::optional<double> value = read(name);
            if (!value) return false;
            s_.groups[g - 1].reliability = *value;
            if (*value < 0.0001 || *value > 1.0) return fail(kReliability, name);
        }
        // The groups are drawn independently: the replication uses the
        // identity as their correlation matrix, so there is nothing to reset.
        return true;
    }

    bool readStandardDeviations() {
        for (int g = 1; g <= kGroups; ++g) {
            const FieldRef name = InGroup(Field::txtsd, g);
            const std::optional<double> value = read(name);
            if (!value) return false;
            s_.groups[g - 1].sd = *value;
            if (*value < 0.0001) return fail(kStandardDeviation, name);
        }
        return true;
    }

    bool readAlpha() {
        const FieldRef field{Field::txtalpha1};
        const std::optional<double> value = read(field);
        if (!value) return false;
        s_.alpha = *value;
        if (*value < 0.0001 || *value > 0.9999) return fail(kAlpha, field);
        return true;
    }

    // Each shaped group's transform, built once per run (solving the power
    // method takes milliseconds; a replication only evaluates it). The same
    // shape as the last run's keeps its transform.
    bool buildShapes() {
        for (int g = 1; g <= kGroups; ++g) {
            GroupSettings& group = s_.groups[g - 1];
            const std::optional<PopulationShape>& shape = fields_.groups[g - 1].shape;
            if (!shape) continue;
            if (fields_.groups[g - 1].rdoUniform) {
                // The Uniform choice has put its own minimum and maximum in
                // force (mean +- 1.73 SD): a shape drawn inside them would be
                // cut off without a word. Refused, so that the user says which
                // population the group has.
                result_.failure = SettingsFailure{
                    "Group " + std::to_string(g) +
                        " has a population shape and is set to Uniform in the main window. "
                        "Set it to Normal for the shape (its minimum and maximum then apply as "
                        "to a normal group), or return it to \"Normal or Uniform\" in the shape "
                        "dialog.",
                    MessageKind::InformationDialog, InGroup(Field::txtmean, g)};
                return false;
            }
            if (group.shape && group.shape->shape() == *shape) continue;
            group.shape.reset();
            try {
                group.shape.emplace(*shape);
            } catch (const std::invalid_argument& refusal) {
                // ShapeRefusal's message, as the shape dialog shows it; the
                // focus names the group.
                result_.failure = SettingsFailure{refusal.what(), MessageKind::InformationDialog,
                                                  InGroup(Field::txtmean, g)};
                return false;
            }
        }
        return true;
    }

    const FieldValues& fields_;
    RunSettings& s_;
    const SettingsContext& context_;
    SettingsStepResult result_;
};

}  // namespace

const std::string& FieldValues::text(FieldRef ref) const {
    if (ref.group >= 1 && ref.group <= kGroups) {
        const GroupFieldValues& g = groups[ref.group - 1];
        switch (ref.field) {
            case Field::txtmean:
                return g.txtmean;
            case Field::txtsd:
                return g.txtsd;
            case Field::txtNsize:
                return g.txtNsize;
            case Field::txtReliability:
                return g.txtReliability;
            case Field::txtMin:
                return g.txtMin;
            case Field::txtMax:
                return g.txtMax;
            default:
                break;
        }
    } else if (ref.group == 0) {
        switch (ref.field) {
            case Field::txtalpha1:
                return txtalpha1;
            case Field::txtseed:
                return txtseed;
            case Field::txtiterations:
                return txtiterations;
            case Field::txtmeanstokeep:
                return txtmeanstokeep;
            default:
                break;
        }
    }
    throw std::invalid_argument("no input field of this kind in group " +
                                std::to_string(ref.group));
}

SettingsStepResult RunSettingsStep(const FieldValues& fields, RunSettings& settings,
                                   const SettingsContext& context) {
    return SettingsStep(fields, settings, context).run();
}

}  // namespace velmor
