#include "core/group_scores.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "core/extended.hpp"

namespace velmor {

namespace {

// Cases drawn on speculation when bounds are resampled (see below).
constexpr int kFirstSpeculation = 16;
constexpr int kShortestSpeculation = 4;
constexpr int kLongestSpeculation = 1024;

struct Case {
    double trueScore;
    double error;
    double observed;
};

// Redraws the case until it lies inside the group's bounds: passes until one
// redraws nothing, so the maximum test sees a score just redrawn by the
// minimum test. Bounds are strict: a score equal to a bound is kept. Every
// kRedrawsPerStopCheck redraws (counted in `redraws`) the stop check is
// consulted; false when it asks to abandon the replication.
template <class Redraw>
bool RedrawUntilInside(const GroupSettings& group, Case& c, Redraw& redraw, std::int64_t& redraws,
                       const std::function<bool()>& stopCheck) {
    for (;;) {
        bool redrawn = false;
        if (group.hasMinimum && c.observed < group.minimum) {
            redraw(c);
            redrawn = true;
            if (++redraws % kRedrawsPerStopCheck == 0 && stopCheck && stopCheck()) return false;
        }
        if (group.hasMaximum && c.observed > group.maximum) {
            redraw(c);
            redrawn = true;
            if (++redraws % kRedrawsPerStopCheck == 0 && stopCheck && stopCheck()) return false;
        }
        if (!redrawn) return true;
    }
}

}  // namespace

GroupSpread ComputeGroupSpread(const GroupSettings& group) {
    const Ext reliability = group.reliability;
    GroupSpread spread;
    spread.observedSD = Stored(group.sd / std::sqrt(reliability));
    const Ext observedVariance = Ext(spread.observedSD) * spread.observedSD;
    spread.trueSD = Stored(std::sqrt(observedVariance * reliability));
    spread.errorSD = Stored(std::sqrt(observedVariance * (1.0L - reliability)));
    return spread;
}

bool RedrawsCases(const GroupSettings& group, const BoundsHandling& bounds) {
    return !group.uniform() && bounds == BoundsHandling::Resample &&
           (group.hasMinimum || group.hasMaximum);
}

namespace {

// The scores as FormGroupScores describes them, with the intermediate
// results of each score's arithmetic held in Real: extended, rounded once to
// double where stored, for the classic generator; double for the
// counter-based one (RedrawGroupScores), where an error that is exactly zero
// is +0 whatever its deviate, so none is drawn or read.
template <class Real>
void FormScores(const GroupSettings& group, const GroupSpread& spread, const BoundsHandling& bounds,
                std::span<const double> deviateColumn, const GroupScoreArrays& scores) {
    const auto n = static_cast<std::size_t>(group.size);
    const bool winsorize = !group.uniform() && bounds == BoundsHandling::Winsorize;
    const double lowest = group.minimum;
    const double highest = group.maximum;
    // Case by case the scores are independent, so each step runs as its own
    // sweep over the group: the stores and reloads of the extended results
    // then overlap from case to case.
    const std::span<double> trueScores = scores.trueScores.first(n);
    const std::span<double> errors = scores.errorScores.first(n);
    const std::span<double> observed = scores.observedScores.first(n);
    if (group.uniform()) {
        const Real uniformRange = Real(group.maximum) - group.minimum;
        for (std::size_t k = 0; k < n; ++k) {
            const double scaled = Stored(uniformRange * deviateColumn[k]);
            trueScores[k] = Stored(Real(scaled) + lowest);
        }
    } else if (group.shaped()) {
        // The standardised shape scaled as a normal deviate is: the deviate
        // is z or u as the group's column holds it (drawsUniform).
        const ShapeTransform& shape = *group.shape;
        for (std::size_t k = 0; k < n; ++k) {
            trueScores[k] = Stored(Real(shape(deviateColumn[k])) * spread.trueSD + group.mean);
        }
    } else {
        for (std::size_t k = 0; k < n; ++k) {
            trueScores[k] = Stored(Real(deviateColumn[k]) * spread.trueSD + group.mean);
        }
    }
    if (std::is_same_v<Real, double> && spread.errorSD == 0.0) {
        // In double an error that is exactly zero is +0 whatever its deviate,
        // so none was drawn, and none is read.
        for (std::size_t k = 0; k < n; ++k) {
            errors[k] = 0.0;
            observed[k] = trueScores[k] + 0.0;
        }
    } else {
        for (std::size_t k = 0; k < n; ++k) {
            errors[k] = Stored(Real(errors[k]) * spread.errorSD);
            observed[k] = Stored(Real(trueScores[k]) + errors[k]);
        }
    }
    if (winsorize && group.hasMinimum) {
        for (double& score : observed) score = score < lowest ? lowest : score;
    }
    if (winsorize && group.hasMaximum) {
        for (double& score : observed) score = score > highest ? highest : score;
    }
    // Rounding comes after the bounds, so a bound that is not whole is rounded too.
    if (group.wholeNumbers) {
        for (double& score : observed) score = RoundHalfEven(score);
    }
}

}  // namespace

void FormGroupScores(const GroupSettings& group, const GroupSpread& spread,
                     const BoundsHandling& bounds, std::span<const double> deviateColumn,
                     const GroupScoreArrays& scores) {
    FormScores<Ext>(group, spread, bounds, deviateColumn, scores);
}

GenerationOutcome GenerateGroupScores(const GroupSettings& group, const GroupSpread& spread,
                                      const BoundsHandling& bounds,
                                      std::span<const double> deviateColumn,
                                      RandomGenerators& generators, std::int32_t& deviateSeed,
                                      const GroupScoreArrays& scores,
                                      const std::function<bool()>& stopCheck) {
    const int n = group.size;
    const double mean = group.mean;
    const double lowest = group.minimum;
    const double highest = group.maximum;

    // The error deviate is drawn even when errorSD is 0; its product with 0
    // is then a zero carrying the deviate's sign, which needs no logarithm.
    const bool errorless = spread.errorSD == 0.0;
    const std::span<double> errors = scores.errorScores.first(static_cast<std::size_t>(n));
    if (!RedrawsCases(group, bounds)) {
        // Without redraws every case takes exactly one error deviate, so the
        // group's errors are one batch drawn ahead of the cases; they wait in
        // errorScores until each case scales its own.
        if (errorless) {
            generators.FillNormalSigns(deviateSeed, errors);
        } else {
            generators.FillNormals(deviateSeed, errors);
        }
        FormGroupScores(group, spread, bounds, deviateColumn, scores);
        return GenerationOutcome::Completed;
    }

    auto drawError = [&] {
        const double deviate = errorless ? generators.NormalDeviateSign(deviateSeed)
                                         : generators.NormalDeviate(deviateSeed);
        return Stored(Ext(deviate) * spread.errorSD);
    };
    // A true score from its deviate: a normal group's deviate is the
    // standardised score itself, a shaped group's goes through its transform.
    const ShapeTransform* shape = group.shaped() ? &*group.shape : nullptr;
    const bool uniformDeviates = group.drawsUniform();
    auto trueScoreOf = [&](double deviate) {
        const double standard = shape ? (*shape)(deviate) : deviate;
        return Stored(Ext(standard) * spread.trueSD + mean);
    };
    // A redraw replaces the whole case: true score first, then its error. A
    // shaped group's true score takes the kind of deviate its column holds.
    auto redraw = [&](Case& c) {
        c.trueScore = trueScoreOf(uniformDeviates ? generators.UniformDeviate(deviateSeed)
                                                  : generators.NormalDeviate(deviateSeed));
        c.error = drawError();
        c.observed = Stored(Ext(c.trueScore) + c.error);
    };

    // Resampling. Until a case falls outside the bounds, every case takes
    // exactly one error deviate, as without redraws; with sensible bounds
    // that is nearly every case. So a run of cases is drawn as one batch on
    // speculation, with a copy of the generators kept. At the first case that
    // must be redrawn the copy is put back and the generators advance by
    // exactly the errors up to and including that case's first; its redraws
    // then come one deviate at a time, as written. A run grows while no case
    // is redrawn and shrinks to about twice the last distance between
    // redraws, so narrow bounds waste few speculative deviates.
    auto outOfBounds = [&](double observed) {
        return (group.hasMinimum && observed < lowest) || (group.hasMaximum && observed > highest);
    };
    int speculation = kFirstSpeculation;
    for (int k = 0; k < n;) {
        const int count = std::min(speculation, n - k);
        const RandomGenerators saved = generators;
        const std::int32_t savedSeed = deviateSeed;
        const std::span<double> batch = errors.subspan(static_cast<std::size_t>(k), count);
        if (errorless) {
            generators.FillNormalSigns(deviateSeed, batch);
        } else {
            generators.FillNormals(deviateSeed, batch);
        }
        int first = k;  // the first case out of bounds, if any
        for (; first < k + count; ++first) {
            // Only normal and shaped groups are resampled.
            const double trueScore = trueScoreOf(deviateColumn[first]);
            const double error = Stored(Ext(errors[first]) * spread.errorSD);
            const double observed = Stored(Ext(trueScore) + error);
            scores.trueScores[first] = trueScore;
            errors[first] = error;
            scores.observedScores[first] = observed;
            if (outOfBounds(observed)) break;
        }
        if (first == k + count) {
            k = first;
            speculation = std::min(2 * speculation, kLongestSpeculation);
            continue;
        }
        generators = saved;
        deviateSeed = savedSeed;
        generators.SkipNormals(deviateSeed, first - k + 1);
        speculation = std::max(kShortestSpeculation, 2 * (first - k));

        Case c{scores.trueScores[first], errors[first], scores.observedScores[first]};
        std::int64_t redraws = 0;
        if (!RedrawUntilInside(group, c, redraw, redraws, stopCheck)) {
            return GenerationOutcome::Abandoned;
        }
        scores.trueScores[first] = c.trueScore;
        errors[first] = c.error;
        scores.observedScores[first] = c.observed;
        k = first + 1;
    }
    // Rounding comes after the bounds, so a bound that is not whole is rounded too.
    if (group.wholeNumbers) {
        for (double& score : scores.observedScores.first(static_cast<std::size_t>(n))) {
            score = RoundHalfEven(score);
        }
    }
    return GenerationOutcome::Completed;
}

GenerationOutcome RedrawGroupScores(int g, const GroupSettings& group, const GroupSpread& spread,
                                    const BoundsHandling& bounds,
                                    std::span<const double> deviateColumn,
                                    const PhiloxStream& stream, const GroupScoreArrays& scores,
                                    const std::function<bool()>& stopCheck) {
    const auto n = static_cast<std::size_t>(group.size);
    if (!RedrawsCases(group, bounds)) {
        FormScores<double>(group, spread, bounds, deviateColumn, scores);
        return GenerationOutcome::Completed;
    }
    const bool errorless = spread.errorSD == 0.0;
    const ShapeTransform* shape = group.shaped() ? &*group.shape : nullptr;
    const bool uniformDeviates = group.drawsUniform();
    const auto g32 = static_cast<std::uint32_t>(g);
    auto trueScoreOf = [&](double deviate) {
        const double standard = shape ? (*shape)(deviate) : deviate;
        return standard * spread.trueSD + group.mean;
    };
    std::uint64_t redrawIndex = 0;  // the group's redraws so far
    auto redraw = [&](Case& c) {
        const std::uint64_t r = redrawIndex++;
        c.trueScore = trueScoreOf(uniformDeviates ? stream.Uniform(kPhiloxRedrawnTrue + g32, r)
                                                  : stream.Normal(kPhiloxRedrawnTrue + g32, r));
        c.error = errorless ? 0.0 : stream.Normal(kPhiloxRedrawnErrors + g32, r) * spread.errorSD;
        c.observed = c.trueScore + c.error;
    };
    std::int64_t redraws = 0;
    for (std::size_t k = 0; k < n; ++k) {
        Case c;
        c.trueScore = trueScoreOf(deviateColumn[k]);
        c.error = errorless ? 0.0 : scores.errorScores[k] * spread.errorSD;
        c.observed = c.trueScore + c.error;
        if (!RedrawUntilInside(group, c, redraw, redraws, stopCheck)) {
            return GenerationOutcome::Abandoned;
        }
        scores.trueScores[k] = c.trueScore;
        scores.errorScores[k] = c.error;
        scores.observedScores[k] = c.observed;
    }
    if (group.wholeNumbers) {
        for (double& score : scores.observedScores.first(n)) score = RoundHalfEven(score);
    }
    return GenerationOutcome::Completed;
}

}  // namespace velmor
