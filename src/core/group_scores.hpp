#pragma once
// One group's sample: true score plus normal measurement error, optionally
// kept within a minimum/maximum (by redrawing or clamping) and rounded to
// whole numbers. The order of draws is part of the behaviour: results for a
// seed reproduce only if every deviate is taken in the order given here.

#include <cstdint>
#include <functional>
#include <span>

#include "core/group_settings.hpp"
#include "core/philox_stream.hpp"
#include "core/random.hpp"

namespace velmor {

// The three spreads derived from a group's SD and reliability, each stored as
// a double in this order: observedSD, trueSD, errorSD.
struct GroupSpread {
    double observedSD = 0.0;
    double trueSD = 0.0;
    double errorSD = 0.0;  // 0 at reliability 1 (the error deviate is still drawn)
};

GroupSpread ComputeGroupSpread(const GroupSettings& group);

// The three output arrays of a group; each holds at least size entries.
struct GroupScoreArrays {
    std::span<double> trueScores;
    std::span<double> errorScores;
    std::span<double> observedScores;
};

enum class GenerationOutcome { Completed, Abandoned };

// True when a case of this group outside its bounds is redrawn (a normal or
// shaped group, resampling, some bound in force): the group's draws then depend on
// its scores.
bool RedrawsCases(const GroupSettings& group, const BoundsHandling& bounds);

// The scores of a group that redraws no case (RedrawsCases false), from its
// deviate column and its raw error deviates, which wait in
// scores.errorScores (one per case; with errorSD 0 only their signs count)
// and are replaced by the scaled errors. Cases 1..size; draws nothing.
// Intermediate results are extended, each rounded to double once where it
// is stored, as the window's runs need them to the bit.
void FormGroupScores(const GroupSettings& group, const GroupSpread& spread,
                     const BoundsHandling& bounds, std::span<const double> deviateColumn,
                     const GroupScoreArrays& scores);

// A redraw loop consults the stop check after every this many redraws of one
// case; the check never draws, so streams of cases that finish are unchanged.
inline constexpr std::int64_t kRedrawsPerStopCheck = 65536;

// Fills cases 1..size of the three arrays in case order. A normal group
// reads deviateColumn as standard normal deviates, a uniform group
// as uniform deviates, a shaped group as the deviates its shape takes (a
// redraw of its true score takes one fresh deviate of that kind); each case then draws its error
// from NormalDeviate, and a resampled case draws whole fresh cases until it lies within the bounds.
// Returns Abandoned (with the arrays partly filled) only when stopCheck, called
// every kRedrawsPerStopCheck redraws of one case, returns true; an empty
// stopCheck is never called.
GenerationOutcome GenerateGroupScores(const GroupSettings& group, const GroupSpread& spread,
                                      const BoundsHandling& bounds,
                                      std::span<const double> deviateColumn,
                                      RandomGenerators& generators, std::int32_t& deviateSeed,
                                      const GroupScoreArrays& scores,
                                      const std::function<bool()>& stopCheck);

// The same for the counter-based generator (core/philox_stream.hpp), group g
// of the replication whose stream it is. The raw error deviates wait in
// scores.errorScores as for FormGroupScores (none when errorSD is 0: an
// error that is exactly zero is +0, drawn and read for no case). Cases go in order; a
// case outside the bounds is redrawn whole, its true-score deviate taken from
// substream kPhiloxRedrawnTrue + g and, when errorSD is not 0, its error from
// kPhiloxRedrawnErrors + g, the group's redraws numbered 0, 1, 2, ... in the
// order they happen. Stop checks and Abandoned as for GenerateGroupScores.
// Every score is formed in double arithmetic: such a run reproduces only
// itself, and its sweeps over a group then vectorise.
GenerationOutcome RedrawGroupScores(int g, const GroupSettings& group, const GroupSpread& spread,
                                    const BoundsHandling& bounds,
                                    std::span<const double> deviateColumn,
                                    const PhiloxStream& stream, const GroupScoreArrays& scores,
                                    const std::function<bool()>& stopCheck);

}  // namespace velmor
