#pragma once
// The order in which one replication draws its deviates, written once for
// every kind of generator: RandomGenerators drawing and valuing them on one
// thread, RandomGenerators recording the outputs on a producer thread, and a
// DeviateReplay valuing them on the consumer's thread. Results reproduce from
// a seed only if all three issue exactly these calls in exactly this order.
//
// A Draws type provides:
//   ClearSpareNormal();
//   SkipUniforms(count); SkipNormals(count);   deviates only advanced
//   FillColumn(g, uniform, count);             deviate matrix column g, rows 1..count
//   FillErrors(g, signsOnly, count);           error deviates of group g

#include <array>

#include "core/group_scores.hpp"
#include "core/group_settings.hpp"

namespace velmor {

// True when some group redraws cases that fall outside its bounds: then how
// many deviates the replication draws depends on the scores themselves.
inline bool AnyGroupRedraws(const ReplicationSettings& settings) {
    const BoundsHandling bounds = settings.bounds;
    for (const GroupSettings& group : settings.groups) {
        if (RedrawsCases(group, bounds)) return true;
    }
    return false;
}

// The deviate matrix: three passes, each column 1, 2, 3 over rows
// 1..deviateRows. Only the third pass's values are used: the first two only
// advance the generator, so they skip the logarithm and square root of the
// normal pairs. Runs of skipped deviates of one kind are drawn as one batch.
// A spare normal never crosses from one replication to the next.
//
// A column's kind is the kind of deviate its group's true scores take
// (GroupSettings::drawsUniform): normal for a normal group and for the shapes
// that transform a normal deviate (fleishman, g-and-h, lognormal), uniform for
// a uniform group and for the shapes drawn through their quantile
// (exponential, chi-square, t, contaminated). A shape takes one deviate per
// score and draws nothing beyond the matrix and the errors, so a shaped
// group's draws are those of a normal or a uniform group, in the same order.
// The uniform generator's values lie in [1/2147483563, 0.99999988]
// (core/uniform_scale.hpp), strictly inside (0, 1): a quantile shape never
// meets 0 or 1, so no deviate is adjusted or redrawn for it.
template <class Draws>
void DrawDeviateMatrix(const ReplicationSettings& settings, Draws& draws) {
    draws.ClearSpareNormal();
    const int rows = settings.deviateRows;
    int pendingSkips = 0;
    bool pendingUniform = false;
    auto flushSkips = [&] {
        if (pendingUniform) {
            draws.SkipUniforms(pendingSkips);
        } else {
            draws.SkipNormals(pendingSkips);
        }
        pendingSkips = 0;
    };
    auto skip = [&](bool uniform, int count) {
        if (count == 0) return;
        if (pendingSkips > 0 && uniform != pendingUniform) flushSkips();
        pendingUniform = uniform;
        pendingSkips += count;
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const GroupSettings& group : settings.groups) skip(group.drawsUniform(), rows);
    }
    // Third pass: rows beyond a group's own size are drawn but never read.
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& group = settings.groups[g];
        if (pendingSkips > 0) flushSkips();
        draws.FillColumn(g, group.drawsUniform(), group.size);
        skip(group.drawsUniform(), rows - group.size);
    }
    if (pendingSkips > 0) flushSkips();
}

// The error deviates of groups 1, 2, 3 when no group redraws cases: each case
// takes exactly one, so each group's errors are one batch. With errorSD 0
// only their signs matter (the error is a zero of the deviate's sign).
template <class Draws>
void DrawGroupErrors(const ReplicationSettings& settings,
                     const std::array<GroupSpread, kGroups>& spreads, Draws& draws) {
    for (int g = 0; g < kGroups; ++g) {
        draws.FillErrors(g, spreads[g].errorSD == 0.0, settings.groups[g].size);
    }
}

// The most shuffle outputs a producer records for one replication of these
// settings: a column or a group's errors take at most one pair beyond their
// count, a skipped run one pair, and there are at most ten skipped runs.
inline int MostRecordedOutputs(const ReplicationSettings& settings) {
    int words = 0;
    for (const GroupSettings& group : settings.groups) words += 2 * (group.size + 2);
    return words + 2 * 10;
}

}  // namespace velmor
