#pragma once
// The settings step of the Run command: field texts and check states in, the
// filled run record (plus the texts to write back) or a failure out. No window.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/random.hpp"
#include "run/run_settings.hpp"

namespace velmor {

// The window's inputs keyed by control name. A missing text reads as empty,
// a missing state as unchecked.
//   texts: txtmean1..3, txtsd1..3, txtNsize1..3, txtReliability1..3,
//          txtMin1..3, txtMax1..3, txtalpha1, txtseed, txtiterations, txtmeanstokeep
//   checks: rdoNormal1..3, rdoUniform1..3, chkInteger1..3, rdoOnetail, rdoTwotail,
//           chkInc, Resampled1, Winsorized1
struct FieldValues {
    std::map<std::string, std::string, std::less<>> texts;
    std::map<std::string, bool, std::less<>> checks;
};

enum class MessageKind { PlainMessageBox, InformationDialog };

struct SettingsFailure {
    std::string message;
    MessageKind kind;
    std::string focusField;  // enabled and focused by the caller
};

struct SettingsStepResult {
    // (control, text) in the order written; kept also on failure.
    std::vector<std::pair<std::string, std::string>> writeBacks;
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
inline constexpr const char* kDefaultSeedText = "1432449975";

// Reads, checks and normalises the inputs of a run in their fixed order; the
// first failure ends the step. `settings` is updated in place: fields read
// before a failure keep their new values, the rest their old ones. Draws one
// SeedDeviate value when the seed is automatic, and always leaves both seed
// words at the negated magnitude of the seed in effect once the seed is chosen.
SettingsStepResult RunSettingsStep(const FieldValues& fields, RunSettings& settings,
                                   const SettingsContext& context);

}  // namespace velmor
