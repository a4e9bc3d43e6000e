#pragma once
// The settings step of the Run command: field texts and check states in, the
// filled run record (plus the texts to write back) or a failure out. No window.

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/population_shape.hpp"
#include "core/random.hpp"
#include "run/run_settings.hpp"

namespace velmor {

// An input field of the settings step, named after its control: the kind of
// field, and for the per-group fields the group number 1..3 (0 otherwise).
enum class Field {
    txtmean,
    txtsd,
    txtNsize,
    txtReliability,
    txtMin,
    txtMax,
    txtalpha1,
    txtseed,
    txtiterations,
    txtmeanstokeep
};
struct FieldRef {
    Field field;
    int group = 0;
    friend bool operator==(const FieldRef&, const FieldRef&) = default;
};

// One group's inputs as the window shows them.
struct GroupFieldValues {
    std::string txtmean, txtsd, txtNsize, txtReliability, txtMin, txtMax;
    bool rdoNormal = false, rdoUniform = false, chkInteger = false;
    // A shape chosen for the group (the shape dialog, a study file); it
    // takes the place of the normal or uniform choice.
    std::optional<PopulationShape> shape = std::nullopt;
};

// The window's inputs: every text and check state the step reads.
struct FieldValues {
    std::array<GroupFieldValues, kGroups> groups;
    std::string txtalpha1, txtseed, txtiterations, txtmeanstokeep;
    bool rdoOnetail = false, rdoTwotail = false, chkInc = false;
    bool Resampled1 = false, Winsorized1 = false;

    const std::string& text(FieldRef ref) const;
};

enum class MessageKind { PlainMessageBox, InformationDialog };

struct SettingsFailure {
    std::string message;
    MessageKind kind;
    FieldRef focusField;  // enabled and focused by the caller
};

struct SettingsStepResult {
    // (field, text) in the order written; kept also on failure.
    std::vector<std::pair<FieldRef, std::string>> writeBacks;
    std::optional<SettingsFailure> failure;
    bool notNumeric = false;  // the failure was a text that does not read as a number
    bool ok() const { return !failure; }
};

struct SettingsContext {
    bool seedFromField;  // first run since start or Reset: the seed comes from txtseed
    bool searchActive;   // a sample-size search drives the run: sizes below 2 become 2
    SeedWords& seeds;
    RandomGenerators& generators;
};

inline constexpr const char* kNotNumericMessage = "You must entire an appropriate numeric value";

// Reads, checks and normalises the inputs of a run in their fixed order; the
// first failure ends the step. A group's shape is checked last, once every
// field has been read, and a shape no population can have ends the step with
// ShapeRefusal's message. `settings` is updated in place: fields read
// before a failure keep their new values, the rest their old ones. Draws one
// SeedDeviate value when the seed is automatic, and always leaves both seed
// words at the negated magnitude of the seed in effect once the seed is chosen.
SettingsStepResult RunSettingsStep(const FieldValues& fields, RunSettings& settings,
                                   const SettingsContext& context);

}  // namespace velmor
