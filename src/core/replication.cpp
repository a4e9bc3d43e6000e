#include "core/replication.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "core/extended.hpp"
#include "core/fp_faults.hpp"
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

void CheckSizes(const ReplicationSettings& settings) {
    if (settings.deviateRows > kMaxScores) {
        throw std::invalid_argument("deviateRows exceeds the deviate matrix");
    }
    for (const GroupSettings& group : settings.groups) {
        if (group.txtNsize < 2 || group.txtNsize > settings.deviateRows) {
            throw std::invalid_argument("group size outside 2..deviateRows");
        }
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

void Replicator::fillDeviates(const ReplicationSettings& settings, std::int32_t& deviateSeed) {
    const int rows = settings.deviateRows;
    // Three passes, each column 1, 2, 3 over rows 1..deviateRows. Only the
    // third pass's values are used: the first two only advance the generator,
    // so they skip the logarithm and square root of the normal pairs. Runs of
    // skipped deviates of one kind are drawn as one batch.
    int pendingSkips = 0;
    bool pendingUniform = false;
    auto flushSkips = [&] {
        if (pendingUniform) {
            generators_.SkipUniforms(deviateSeed, pendingSkips);
        } else {
            generators_.SkipNormals(deviateSeed, pendingSkips);
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
        for (const GroupSettings& group : settings.groups) skip(group.rdoUniform, rows);
    }
    // Third pass: rows beyond a group's own size are drawn but never read.
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& group = settings.groups[g];
        const std::span<double> column(deviates_.data() + static_cast<std::size_t>(g) * kMaxScores,
                                       static_cast<std::size_t>(group.txtNsize));
        if (pendingSkips > 0) flushSkips();
        if (group.rdoUniform) {
            generators_.FillUniforms(deviateSeed, column);
        } else {
            generators_.FillNormals(deviateSeed, column);
        }
        skip(group.rdoUniform, rows - group.txtNsize);
    }
    if (pendingSkips > 0) flushSkips();
}

Replicator::Outcome Replicator::GenerateReplication(const ReplicationSettings& settings,
                                                    std::int32_t& deviateSeed) {
    CheckSizes(settings);
    std::array<GroupSpread, kGroups> spreads;
    for (int g = 0; g < kGroups; ++g) spreads[g] = ComputeGroupSpread(settings.groups[g]);
    // A spare normal never crosses from one replication to the next.
    generators_.ClearSpareNormal();
    fillDeviates(settings, deviateSeed);

    const BoundsHandling bounds{settings.Resampled1, settings.Winsorized1};
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& group = settings.groups[g];
        sizes_[g] = group.txtNsize;
        const std::span<const double> column(
            deviates_.data() + static_cast<std::size_t>(g) * kMaxScores, sizes_[g]);
        const GroupScoreArrays arrays{trueScores_[g], errorScores_[g], observedScores_[g]};
        if (GenerateGroupScores(group, spreads[g], bounds, column, generators_, deviateSeed, arrays,
                                stopCheck_) == Outcome::Abandoned) {
            RaiseFloatingPointFaults();
            return Outcome::Abandoned;
        }
    }

    for (int g = 0; g < kGroups; ++g) {
        // With errorSD 0 every error is a zero (of either sign): their sum is
        // +0, every squared deviation +0, so the variance is exactly 0.
        double errorVariance = 0.0;
        if (spreads[g].errorSD != 0.0) {
            const Moments errors = Describe(errorScores(g));
            errorVariance = Stored(Ext(errors.sd) * errors.sd);
        }
        const Moments observed = Describe(observedScores(g));
        result_.groupMean[g] = observed.mean;
        result_.groupSD[g] = observed.sd;
        result_.groupVariance[g] = Stored(Ext(observed.sd) * observed.sd);
        result_.groupSS[g] = observed.sumOfSquares;
        result_.sampleReliability[g] =
            result_.groupVariance[g] > 0.0
                ? Stored(1.0L - Ext(errorVariance) / result_.groupVariance[g])
                : std::numeric_limits<double>::quiet_NaN();
    }
    result_.noVariance =
        !(result_.groupSD[0] > 0.0 && result_.groupSD[1] > 0.0 && result_.groupSD[2] > 0.0);
    RaiseFloatingPointFaults();
    return Outcome::Completed;
}

void Replicator::TestReplication(const ReplicationSettings& settings, std::int64_t& rejections) {
    ReplicationResult& r = result_;
    const auto& groups = settings.groups;
    r.totalN = groups[0].txtNsize + groups[1].txtNsize + groups[2].txtNsize;
    r.grandMean = Stored((Ext(groups[0].txtNsize) * r.groupMean[0] +
                          Ext(groups[1].txtNsize) * r.groupMean[1] +
                          Ext(groups[2].txtNsize) * r.groupMean[2]) /
                         r.totalN);
    double ssBetween = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        const double d = Stored(Ext(r.groupMean[g]) - r.grandMean);
        ssBetween = Stored(ssBetween + Ext(groups[g].txtNsize) * d * d);
    }
    r.ssBetween = ssBetween;
    r.ssWithin = Stored(Ext(r.groupSS[0]) + r.groupSS[1] + r.groupSS[2]);
    r.dfBetween = 2.0;
    r.dfTotal = r.totalN - 1;
    r.dfWithin = Stored(Ext(r.dfTotal) - r.dfBetween);
    r.msBetween = Stored(Ext(r.ssBetween) / r.dfBetween);
    r.msWithin = Stored(Ext(r.ssWithin) / r.dfWithin);
    r.fRatio = Stored(Ext(r.msBetween) / r.msWithin);
    r.pValue = FProbability(r.fRatio, r.dfBetween, r.dfWithin, console_, lnGamma_);
    // A probability exactly equal to alpha rejects.
    if (r.pValue <= settings.txtalpha1) ++rejections;
    RaiseFloatingPointFaults();
}

}  // namespace velmor
