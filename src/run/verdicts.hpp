#pragma once
// The words a run ends with: the robustness or power verdict, the caution
// that replaces it for bounded normal groups, and the single-replication lines.

#include "run/run_state.hpp"
#include "window_model/windows.hpp"

namespace velmor {

// Where a proportion stands against a multiple of alpha. Edges are judged on
// the decimal value the user typed, not on its binary neighbour, so 450 of
// 10000 at alpha .05 sits exactly on 0.9 alpha.
enum class Comparison { Below, Equal, Above };
Comparison CompareProportionWithAlphaMultiple(std::int64_t rejections, std::int64_t replications,
                                              double alpha, int multiplePercent);

// Fills resultLines for a run of more than one replication outside a search
// (robustness or power, then the caution rule). Pure: no window.
void ComposeVerdictLines(RunState& state);
// Writes the verdict step's fields, colours and memo on the main window.
void ShowVerdict(RunState& state, ui::WindowSet& windows);
// The F statistic and significance lines of a one-replication run.
void ShowSingleReplication(RunState& state, ui::WindowSet& windows);

}  // namespace velmor
