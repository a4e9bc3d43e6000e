#include "batch/value_changes.hpp"

#include <cmath>
#include <cstdio>
#include <optional>
#include <set>

#include "batch/plain_text.hpp"
#include "batch/printable.hpp"
#include "batch/study_keys.hpp"
#include "batch/study_shapes.hpp"
#include "run/number_format.hpp"
#include "run/number_reading.hpp"

namespace velmor::batch {

namespace {

// The value a study gave for a key, read as the window reads it; nothing for
// an absent or empty value (empty asks for the window's default) or one that
// does not read (the window refuses it with its own message).
std::optional<double> Given(const StudySection& section, StudyKey key, std::string* text) {
    const StudyValue* v = Study::find(section, KeyName(key));
    if (!v || Trimmed(v->text).empty()) return std::nullopt;
    *text = std::string(Trimmed(v->text));
    return ReadNumber(v->text);
}

// A number for a message: short, but enough digits to tell it from its neighbours.
std::string Short(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", x);
    return text;
}

std::string Exact(double x) {
    char text[48];
    std::snprintf(text, sizeof text, "%a", x);
    return text;
}

}  // namespace

std::string ChangeText(const ValueChange& change) {
    return change.key + " = " + Printable(change.given) + " runs as " + change.used;
}

std::vector<ValueChange> FindValueChanges(const Study& study, const RunSettings& settings) {
    std::vector<ValueChange> changes;
    const bool search = study.search.has_value();
    auto compare = [&](const std::string& key, const StudySection& section, StudyKey studyKey,
                       double used) {
        std::string text;
        const std::optional<double> given = Given(section, studyKey, &text);
        // Equal as numbers is unchanged: 1e4 samples run as 10000.
        if (given && *given != used) changes.push_back({key, text, ShortestRoundTrip(used)});
    };
    if (!search) {
        std::vector<ValueChange> sizes;
        for (int g = 0; g < kGroups; ++g) {
            const std::size_t before = changes.size();
            compare("group" + std::to_string(g + 1) + ".n", study.groups[g], StudyKey::N,
                    settings.groups[g].size);
            if (changes.size() > before) sizes.push_back(changes.back());
        }
        // One change of all three groups, as `[groups] n = 4000` writes it.
        if (sizes.size() == kGroups && sizes[0].given == sizes[1].given &&
            sizes[0].given == sizes[2].given && sizes[0].used == sizes[1].used &&
            sizes[0].used == sizes[2].used) {
            changes.resize(changes.size() - kGroups);
            changes.push_back({"groups.n", sizes[0].given, sizes[0].used});
        }
        compare("run.samples", study.run, StudyKey::Samples, settings.txtiterations);
    }
    compare("run.seed", study.run, StudyKey::Seed, settings.txtseed);
    compare("run.means_to_keep", study.run, StudyKey::MeansToKeep, settings.txtmeanstokeep);
    return changes;
}

std::vector<UniformPopulation> FindMovedUniformPopulations(const Study& study,
                                                           const RunSettings& settings) {
    std::vector<UniformPopulation> moved;
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& s = settings.groups[g];
        if (!s.uniform() || !s.hasMinimum || !s.hasMaximum) continue;
        UniformPopulation p;
        p.group = g + 1;
        p.minimum = s.minimum;
        p.maximum = s.maximum;
        p.enteredMean = s.mean;
        p.enteredSd = s.sd;
        // Extended precision, so that bounds given to the last digit read as exact.
        const long double lo = s.minimum, hi = s.maximum;
        p.mean = static_cast<double>((lo + hi) / 2);
        p.sd = static_cast<double>(std::fabs(hi - lo) / std::sqrt(12.0L));
        const double tolerance = 0.001 * s.sd;
        if (!(std::fabs(p.mean - s.mean) > tolerance || std::fabs(p.sd - s.sd) > tolerance))
            continue;
        auto given = [&](StudyKey key) {
            const StudyValue* v = Study::find(study.groups[g], KeyName(key));
            return v && !Trimmed(v->text).empty();
        };
        p.derived = !given(StudyKey::Minimum) || !given(StudyKey::Maximum);
        moved.push_back(p);
    }
    return moved;
}

std::string PopulationText(const UniformPopulation& p) {
    std::string text = "group " + std::to_string(p.group) + " runs a uniform population on [" +
                       Short(p.minimum) + ", " + Short(p.maximum) + "]";
    text += p.derived ? " (bounds the window derived from its mean and sd at three significant "
                        "digits)"
                      : " (bounds as given)";
    text += ": mean " + Short(p.mean) + " and SD " + Short(p.sd) + ", not the entered mean " +
            Short(p.enteredMean) + " and sd " + Short(p.enteredSd);
    if (p.derived) text += "; give minimum and maximum to set the bounds exactly";
    return text;
}

std::string SettingsFingerprint(const Study& study, const RunSettings& settings) {
    std::string f;
    auto add = [&](const std::string& part) { f += part + '|'; };
    for (const GroupSettings& g : settings.groups) {
        add(Exact(g.mean));
        add(Exact(g.sd));
        add(std::to_string(g.size));
        add(Exact(g.reliability));
        add(g.uniform() ? "U" : "N");
        add(g.wholeNumbers ? "I" : "R");
        add(g.hasMinimum ? Exact(g.minimum) : "-");
        add(g.hasMaximum ? Exact(g.maximum) : "-");
    }
    add(std::to_string(static_cast<int>(settings.bounds)));
    add(Exact(settings.alpha));
    add(std::to_string(settings.txtseed));
    add(std::to_string(settings.txtiterations));
    add(std::to_string(settings.txtmeanstokeep));
    // Every other value as written: a key added later, the search's.
    const std::set<std::string_view> compared = {
        KeyName(StudyKey::Distribution), KeyName(StudyKey::Mean),
        KeyName(StudyKey::Sd),           KeyName(StudyKey::N),
        KeyName(StudyKey::Reliability),  KeyName(StudyKey::Integer),
        KeyName(StudyKey::Minimum),      KeyName(StudyKey::Maximum),
        KeyName(StudyKey::Alpha),        KeyName(StudyKey::Seed),
        KeyName(StudyKey::Samples),      KeyName(StudyKey::MeansToKeep),
        KeyName(StudyKey::Bounds)};
    auto rest = [&](const char* name, const StudySection& section, bool all) {
        for (const auto& [key, value] : section)
            if (all || !compared.contains(key)) add(std::string(name) + key + "=" + value.text);
    };
    // A population shape is no setting of the window: its name counts here
    // (its parameters count as written, below).
    for (int g = 0; g < kGroups; ++g)
        if (const StudyValue* d = Study::find(study.groups[g], KeyName(StudyKey::Distribution)))
            if (ShapeFamilyNamed(Lowercase(d->text)))
                add("shape" + std::to_string(g + 1) + "=" + Lowercase(d->text));
    for (int g = 0; g < kGroups; ++g) rest("g", study.groups[g], false);
    rest("r", study.run, false);
    if (study.search) rest("s", *study.search, true);
    return f;
}

}  // namespace velmor::batch
