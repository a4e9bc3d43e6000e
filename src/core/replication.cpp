#include "core/replication.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "core/extended.hpp"
#include "core/fp_faults.hpp"
#include "core/replication_draws.hpp"
#include "core/stored_sum.hpp"

namespace velmor {

namespace {

struct Moments {
    double mean;
    double sumOfSquares;  // of deviations from the mean
    double sd;            // divisor n - 1
};

// Mean, sum of squares and standard deviation in one pass over the squared
// deviations. The standard deviation is sqrt(n q / (n - 1)) with q the mean of
// the squared deviations, and that mean's numerator is the very sum of squares,
// so both come from the same accumulation. Each squared deviation and each
// partial sum is rounded to double as it would be when stored.
Moments Describe(std::span<const double> values) {
    const auto n = static_cast<std::int32_t>(values.size());
    double sum = 0.0;
    for (const double v : values) sum = AddStored(sum, v);
    const double mean = Stored(Ext(sum) / n);
    double sumOfSquares = 0.0;
    for (const double v : values) {
        const Ext deviation = Ext(v) - mean;
        const double squared = Stored(deviation * deviation);
        sumOfSquares = AddStored(sumOfSquares, squared);
    }
    const double q = Stored(Ext(sumOfSquares) / n);
    const double sd = Stored(std::sqrt(Ext(n) * q / (n - 1)));
    return {mean, sumOfSquares, sd};
}

// The same moments in double arithmetic, for the counter-based generator's
// runs: each sum is kept in four parts, part l over the values at positions
// l, l + 4, l + 8, ..., and the parts added pairwise at the end. The order
// depends on positions alone, so the result is the same on every thread;
// four parts let the additions overlap (the compiler vectorises them) where
// one running sum waits on each addition in turn.
Moments DescribeInDouble(std::span<const double> values) {
    const std::size_t n = values.size();
    const std::size_t whole = n - n % 4;
    std::array<double, 4> part{};
    for (std::size_t k = 0; k < whole; k += 4) {
        for (std::size_t l = 0; l < 4; ++l) part[l] += values[k + l];
    }
    for (std::size_t k = whole; k < n; ++k) part[k - whole] += values[k];
    const double mean = ((part[0] + part[1]) + (part[2] + part[3])) / static_cast<double>(n);
    part = {};
    for (std::size_t k = 0; k < whole; k += 4) {
        for (std::size_t l = 0; l < 4; ++l) {
            const double deviation = values[k + l] - mean;
            part[l] += deviation * deviation;
        }
    }
    for (std::size_t k = whole; k < n; ++k) {
        const double deviation = values[k] - mean;
        part[k - whole] += deviation * deviation;
    }
    const double sumOfSquares = (part[0] + part[1]) + (part[2] + part[3]);
    return {mean, sumOfSquares, std::sqrt(sumOfSquares / static_cast<double>(n - 1))};
}

// The two arithmetics of a replication's description: extended for the
// classic generator, double for the counter-based one (as its scores are
// formed, core/group_scores.hpp).
struct ExtendedDescription {
    using Real = Ext;
    static Moments Of(std::span<const double> values) { return Describe(values); }
};
struct DoubleDescription {
    using Real = double;
    static Moments Of(std::span<const double> values) { return DescribeInDouble(values); }
};

void CheckSizes(const ReplicationSettings& settings) {
    if (!Replicator::SizesFit(settings)) {
        throw std::invalid_argument("group size outside 2..deviateRows, or deviateRows too large");
    }
}

}  // namespace

Replicator::Replicator(RandomGenerators& generators, Console& console)
    : generators_(generators), console_(console), deviates_(kGroups * kMaxScores) {
    for (int g = 0; g < kGroups; ++g) {
        trueScores_[g].resize(kMaxScores);
        errorScores_[g].resize(kMaxScores);
        observedScores_[g].resize(kMaxScores);
    }
}

bool Replicator::SizesFit(const ReplicationSettings& settings) {
    if (settings.deviateRows > kMaxScores) return false;
    for (const GroupSettings& group : settings.groups) {
        if (group.size < 2 || group.size > settings.deviateRows) return false;
    }
    return true;
}

// The replication's draws into its own storage: the deviate matrix by
// column (column g starts at g * kMaxScores) and each group's errors.
template <class Generators>
class ArrayDraws {
  public:
    ArrayDraws(Replicator& replicator, Generators& generators, std::int32_t& seed)
        : r_(replicator), generators_(generators), seed_(seed) {}

    void ClearSpareNormal() { generators_.ClearSpareNormal(); }
    void SkipUniforms(int count) { generators_.SkipUniforms(seed_, count); }
    void SkipNormals(int count) { generators_.SkipNormals(seed_, count); }
    void FillColumn(int g, bool uniform, int count) {
        const std::span<double> column(
            r_.deviates_.data() + static_cast<std::size_t>(g) * kMaxScores,
            static_cast<std::size_t>(count));
        if (uniform) {
            generators_.FillUniforms(seed_, column);
        } else {
            generators_.FillNormals(seed_, column);
        }
    }
    void FillErrors(int g, bool signsOnly, int count) {
        const std::span<double> errors(r_.errorScores_[g].data(), static_cast<std::size_t>(count));
        if (signsOnly) {
            generators_.FillNormalSigns(seed_, errors);
        } else {
            generators_.FillNormals(seed_, errors);
        }
    }

  private:
    Replicator& r_;
    Generators& generators_;
    std::int32_t& seed_;
};

Replicator::Outcome Replicator::GenerateReplication(const ReplicationSettings& settings,
                                                    std::int32_t& deviateSeed) {
    return generate(settings, generators_, deviateSeed);
}

Replicator::Outcome Replicator::GenerateReplication(const ReplicationSettings& settings,
                                                    DeviateReplay& replay) {
    if (AnyGroupRedraws(settings)) {
        throw std::logic_error("a replication that redraws cases cannot be replayed");
    }
    std::int32_t unusedSeed = 0;
    const Outcome outcome = generate(settings, replay, unusedSeed);
    if (!replay.finished()) throw std::logic_error("deviate replay left outputs unused");
    return outcome;
}

Replicator::Outcome Replicator::GenerateReplication(const ReplicationSettings& settings,
                                                    ValuedReplay& replay) {
    if (AnyGroupRedraws(settings)) {
        throw std::logic_error("a replication that redraws cases cannot be replayed");
    }
    std::int32_t unusedSeed = 0;
    const Outcome outcome = generate(settings, replay, unusedSeed);
    if (!replay.finished()) throw std::logic_error("valued replay left values unused");
    return outcome;
}

// The replication's draws from the counter-based generator: the deviate
// matrix's skipped passes draw nothing, a column is its group's own
// substream, and an error that is exactly zero draws nothing either.
class PhiloxDraws {
  public:
    PhiloxDraws(Replicator& replicator, const PhiloxStream& stream)
        : r_(replicator), stream_(stream) {}

    void ClearSpareNormal() {}
    void SkipUniforms(int) {}
    void SkipNormals(int) {}
    void FillColumn(int g, bool uniform, int count) {
        const std::span<double> column(
            r_.deviates_.data() + static_cast<std::size_t>(g) * kMaxScores,
            static_cast<std::size_t>(count));
        const auto substream = kPhiloxColumn + static_cast<std::uint32_t>(g);
        if (uniform) {
            stream_.FillUniforms(substream, 0, column);
        } else {
            stream_.FillNormals(substream, 0, column);
        }
    }
    void FillErrors(int g, bool signsOnly, int count) {
        // With errorSD 0 the error is +0 whatever deviate it would scale:
        // nothing to draw.
        if (signsOnly) return;
        const std::span<double> errors(r_.errorScores_[g].data(), static_cast<std::size_t>(count));
        stream_.FillNormals(kPhiloxErrors + static_cast<std::uint32_t>(g), 0, errors);
    }

  private:
    Replicator& r_;
    const PhiloxStream& stream_;
};

Replicator::Outcome Replicator::GenerateReplication(const ReplicationSettings& settings,
                                                    const PhiloxStream& stream) {
    CheckSizes(settings);
    const std::array<GroupSpread, kGroups>& spreads = spreadsOf(settings);
    for (int g = 0; g < kGroups; ++g) sizes_[g] = settings.groups[g].size;
    PhiloxDraws draws(*this, stream);
    DrawDeviateMatrix(settings, draws);
    DrawGroupErrors(settings, spreads, draws);
    for (int g = 0; g < kGroups; ++g) {
        const GroupScoreArrays arrays{trueScores_[g], errorScores_[g], observedScores_[g]};
        const std::span<const double> column(
            deviates_.data() + static_cast<std::size_t>(g) * kMaxScores,
            static_cast<std::size_t>(sizes_[g]));
        if (RedrawGroupScores(g, settings.groups[g], spreads[g], settings.bounds, column, stream,
                              arrays, stopCheck_) == Outcome::Abandoned) {
            RaiseFloatingPointFaults();
            return Outcome::Abandoned;
        }
    }
    return describe<DoubleDescription>(spreads);
}

const std::array<GroupSpread, kGroups>& Replicator::spreadsOf(const ReplicationSettings& settings) {
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& group = settings.groups[g];
        const SpreadInputs inputs = {std::bit_cast<std::uint64_t>(group.sd),
                                     std::bit_cast<std::uint64_t>(group.reliability)};
        if (!spreadKnown_[g] || inputs != spreadInputs_[g]) {
            spreads_[g] = ComputeGroupSpread(group);
            spreadInputs_[g] = inputs;
            // A spread that overflowed raised its fault flag while being
            // worked out; it is worked out again next time, so that every
            // replication of these settings raises the fault again.
            const GroupSpread& spread = spreads_[g];
            spreadKnown_[g] = std::isfinite(spread.observedSD) && std::isfinite(spread.trueSD) &&
                              std::isfinite(spread.errorSD);
        }
    }
    return spreads_;
}

template <class Generators>
Replicator::Outcome Replicator::generate(const ReplicationSettings& settings,
                                         Generators& generators, std::int32_t& deviateSeed) {
    CheckSizes(settings);
    const std::array<GroupSpread, kGroups>& spreads = spreadsOf(settings);
    ArrayDraws<Generators> draws(*this, generators, deviateSeed);
    DrawDeviateMatrix(settings, draws);

    const BoundsHandling bounds = settings.bounds;
    auto column = [&](int g) {
        return std::span<const double>(deviates_.data() + static_cast<std::size_t>(g) * kMaxScores,
                                       static_cast<std::size_t>(sizes_[g]));
    };
    for (int g = 0; g < kGroups; ++g) sizes_[g] = settings.groups[g].size;
    if (!AnyGroupRedraws(settings)) {
        // Every case takes exactly one error deviate: all errors are drawn
        // first, group by group, and the scores formed from them.
        DrawGroupErrors(settings, spreads, draws);
        for (int g = 0; g < kGroups; ++g) {
            const GroupScoreArrays arrays{trueScores_[g], errorScores_[g], observedScores_[g]};
            FormGroupScores(settings.groups[g], spreads[g], bounds, column(g), arrays);
        }
    } else if constexpr (std::is_same_v<Generators, RandomGenerators>) {
        // Redraws interleave with the errors, case by case.
        for (int g = 0; g < kGroups; ++g) {
            const GroupScoreArrays arrays{trueScores_[g], errorScores_[g], observedScores_[g]};
            if (GenerateGroupScores(settings.groups[g], spreads[g], bounds, column(g), generators,
                                    deviateSeed, arrays, stopCheck_) == Outcome::Abandoned) {
                RaiseFloatingPointFaults();
                return Outcome::Abandoned;
            }
        }
    }

    return describe<ExtendedDescription>(spreads);
}

template <class Description>
Replicator::Outcome Replicator::describe(const std::array<GroupSpread, kGroups>& spreads) {
    using Real = typename Description::Real;
    for (int g = 0; g < kGroups; ++g) {
        // With errorSD 0 every error is a zero (of either sign): their sum is
        // +0, every squared deviation +0, so the variance is exactly 0.
        double errorVariance = 0.0;
        if (spreads[g].errorSD != 0.0) {
            const Moments errors = Description::Of(errorScores(g));
            errorVariance = Stored(Real(errors.sd) * errors.sd);
        }
        const Moments observed = Description::Of(observedScores(g));
        result_.groupMean[g] = observed.mean;
        result_.groupSD[g] = observed.sd;
        result_.groupVariance[g] = Stored(Real(observed.sd) * observed.sd);
        result_.groupSS[g] = observed.sumOfSquares;
        result_.sampleReliability[g] =
            result_.groupVariance[g] > 0.0
                ? Stored(Real(1) - Real(errorVariance) / result_.groupVariance[g])
                : std::numeric_limits<double>::quiet_NaN();
    }
    result_.noVariance =
        !(result_.groupSD[0] > 0.0 && result_.groupSD[1] > 0.0 && result_.groupSD[2] > 0.0);
    RaiseFloatingPointFaults();
    return Outcome::Completed;
}

void Replicator::TestReplication(const ReplicationSettings& settings, std::int64_t& rejections) {
    formFRatio<Ext>(settings);
    decideByProbability(settings, rejections);
    RaiseFloatingPointFaults();
}

void Replicator::TestReplication(const ReplicationSettings& settings, const FCriticalBand& band,
                                 std::int64_t& rejections) {
    formFRatio<double>(settings);
    const FCriticalBand::Side side = band.side(result_.fRatio);
    if (side == FCriticalBand::Side::Undecided) {
        decideByProbability(settings, rejections);
    } else {
        result_.pValue = std::numeric_limits<double>::quiet_NaN();
        if (side == FCriticalBand::Side::Rejects) ++rejections;
    }
    RaiseFloatingPointFaults();
}

void Replicator::decideByProbability(const ReplicationSettings& settings,
                                     std::int64_t& rejections) {
    ReplicationResult& r = result_;
    r.pValue = FProbability(r.fRatio, r.dfBetween, r.dfWithin, console_, lnGamma_);
    // A probability exactly equal to alpha rejects.
    if (r.pValue <= settings.alpha) ++rejections;
}

template <class Real>
void Replicator::formFRatio(const ReplicationSettings& settings) {
    ReplicationResult& r = result_;
    const auto& groups = settings.groups;
    r.totalN = groups[0].size + groups[1].size + groups[2].size;
    r.grandMean =
        Stored((Real(groups[0].size) * r.groupMean[0] + Real(groups[1].size) * r.groupMean[1] +
                Real(groups[2].size) * r.groupMean[2]) /
               r.totalN);
    double ssBetween = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        const double d = Stored(Real(r.groupMean[g]) - r.grandMean);
        ssBetween = Stored(ssBetween + Real(groups[g].size) * d * d);
    }
    r.ssBetween = ssBetween;
    r.ssWithin = Stored(Real(r.groupSS[0]) + r.groupSS[1] + r.groupSS[2]);
    r.dfBetween = 2.0;
    r.dfTotal = r.totalN - 1;
    r.dfWithin = Stored(Real(r.dfTotal) - r.dfBetween);
    r.msBetween = Stored(Real(r.ssBetween) / r.dfBetween);
    r.msWithin = Stored(Real(r.ssWithin) / r.dfWithin);
    r.fRatio = Stored(Real(r.msBetween) / r.msWithin);
}

}  // namespace velmor
