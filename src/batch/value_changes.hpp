#pragma once
// What the window's rules make of a study's values. The batch types a study
// into a fresh window, whose settings step truncates, clamps and reduces some
// of them (a size of 7.9 runs as 7, 4000 as 2000, a seed above 2147483647 is
// divided by ten), and whose coupling rules write a uniform group's bounds at
// three significant digits. The window shows its corrected values in its
// fields; the batch has no fields, so it compares the values that run with
// the values the study gave and says every difference.

#include <string>
#include <vector>

#include "batch/study_file.hpp"
#include "run/run_settings.hpp"

namespace velmor::batch {

// A value the study gave that runs as another value.
struct ValueChange {
    std::string key;    // as a design header names it: "group1.n", "groups.n", "run.seed"
    std::string given;  // as the study wrote it
    std::string used;   // as it runs
    friend bool operator==(const ValueChange&, const ValueChange&) = default;
};

// "groups.n = 4000 runs as 2000".
std::string ChangeText(const ValueChange& change);

// Every value among the sizes, samples, seed and means to keep that the study
// gives and that runs as another value, given `settings`, what the window's
// settings step made of the study. A change shared by all three groups is one
// change of "groups.<key>". A search sets sizes and samples itself, so for a
// search only the seed and means to keep are compared.
std::vector<ValueChange> FindValueChanges(const Study& study, const RunSettings& settings);

// The population a uniform group actually draws: uniform on its bounds in
// force, with mean (min + max) / 2 and SD |max - min| / sqrt(12).
struct UniformPopulation {
    int group = 0;  // 1..3
    double minimum = 0.0, maximum = 0.0;
    double enteredMean = 0.0, enteredSd = 0.0;
    double mean = 0.0, sd = 0.0;
    bool derived = false;  // a bound in force is the window's, not given by the study
};

// The uniform groups whose bounds in force move the population's mean or SD
// by more than 0.1% of the entered SD away from the entered mean and SD. The
// SD is the scale for both: power and effect sizes depend on mean
// differences in SD units, and a mean's own size depends on where a score
// scale puts its zero.
std::vector<UniformPopulation> FindMovedUniformPopulations(const Study& study,
                                                           const RunSettings& settings);

// "group 1 runs a uniform population on [827, 1170] (bounds the window derived
// from its mean and sd at three significant digits): mean 998.5 and SD 99.0158,
// not the entered 1000 and 100; give minimum and maximum to set them exactly".
std::string PopulationText(const UniformPopulation& population);

// A text that is the same for two conditions exactly when they run the same
// settings: every value that runs, and as written every value of the study
// not compared through the settings (a search's keys, any other choice).
std::string SettingsFingerprint(const Study& study, const RunSettings& settings);

}  // namespace velmor::batch
