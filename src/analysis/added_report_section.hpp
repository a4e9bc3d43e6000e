#pragma once
// The section a results report gains after its standard content when the
// run did something the standard report has no words for: tests beside F,
// shaped populations, discarded samples, means the bounds moved. A run that
// did none of these gets no section, so its report stays byte for byte the
// standard one.

#include <string>
#include <vector>

#include "run/run_state.hpp"

namespace velmor {

// The section's lines, heading included; empty when it has nothing to say.
std::vector<std::string> AddedReportLines(const RunState& state);

// One part of the section: appends its lines (none when it does not apply).
// Each part lives in a file of its own.
using AddedReportPart = void (*)(const RunState& state, std::vector<std::string>& lines);

// The parts, each in its own file.
// Equal entered means whose achieved means differ: each group's achieved
// mean with its Monte Carlo error, and that the run measured power.
void AchievedMeansReportPart(const RunState& state, std::vector<std::string>& lines);
// With samples without variance skipped: how many were set aside.
void DiscardedSamplesReportPart(const RunState& state, std::vector<std::string>& lines);
// The tests run beside F: each one's rate, Monte Carlo error, interval and
// verdict; for a run of one sample, each one's statistic, df and p.
void WriteTestsReportPart(const RunState& state, std::vector<std::string>& lines);
// Each shaped group's shape, target and achieved skewness and kurtosis.
void ShapeReportPart(const RunState& state, std::vector<std::string>& lines);

// A stopping rule: what it asked, and where and why the run stopped.
void WriteStoppingReportPart(const RunState& state, std::vector<std::string>& lines);

// Under the counter-based generator: which generator drew the samples, and
// that the window does not reproduce them.
void GeneratorReportPart(const RunState& state, std::vector<std::string>& lines);

}  // namespace velmor
