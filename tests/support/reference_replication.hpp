#pragma once
// A deliberately plain replication, kept beside the fast one as its yardstick.
// Every deviate goes through the full uniform and polar transforms, every
// statistic through its own routine, one step after another in the order the
// program's results depend on, with the same precision rules: expressions in
// extended precision, stored as doubles where a value is kept. Nothing here is
// shared with the fast generators except the constants' meaning; the F
// probability is the program's own routine, used as is.
//
// The tests compare the fast replication with this one bit for bit; the
// benchmarks use it as the "before" of every speed figure.

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "core/fprobability.hpp"
#include "core/group_settings.hpp"
#include "core/replication.hpp"

namespace velmor::reference {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the reference path needs 80-bit extended precision");

// The uniform and normal generators, step by step.
class ReferenceGenerators {
  public:
    double UniformDeviate(std::int32_t& seed) {
        ++uniformsDrawn;
        if (seed <= 0) {
            std::int64_t start = -static_cast<std::int64_t>(seed);
            if (start < 1 || start > std::numeric_limits<std::int32_t>::max()) start = 1;
            seed = static_cast<std::int32_t>(start);
            lcgState2 = seed;
            for (int j = 40; j >= 1; --j) {
                seed = AdvanceFirst(seed);
                if (j <= 32) shuffleTable[j] = seed;
            }
            shuffleOutput = shuffleTable[1];
        }
        seed = AdvanceFirst(seed);
        const std::int32_t k = lcgState2 / 52774;
        lcgState2 = 40692 * (lcgState2 - k * 52774) - k * 3791;
        if (lcgState2 < 0) lcgState2 += 2147483399;
        // The slot from the real divisor 67108862.3125, in double precision.
        const int j = static_cast<int>(std::trunc(shuffleOutput / 67108862.3125 + 1.0));
        shuffleOutput = shuffleTable[j] - lcgState2;
        shuffleTable[j] = seed;
        if (shuffleOutput < 1) shuffleOutput += 2147483562;
        const long double r = shuffleOutput * kScale;
        if (r < 0.99999988L) return static_cast<double>(r);
        return 0.99999988;
    }

    double NormalDeviate(std::int32_t& seed) {
        if (hasSpareNormal == 1) {
            hasSpareNormal = 0;
            return spareNormal;
        }
        double x1, x2, rsq;
        do {
            x1 = static_cast<double>(2.0L * UniformDeviate(seed) - 1.0L);
            x2 = static_cast<double>(2.0L * UniformDeviate(seed) - 1.0L);
            rsq = static_cast<double>(static_cast<long double>(x1) * x1 +
                                      static_cast<long double>(x2) * x2);
        } while (!(rsq < 1.0 && rsq > 0.0));
        const long double r = rsq;
        const double fac = static_cast<double>(std::sqrt(-2.0L * std::log(r) / r));
        spareNormal = static_cast<double>(static_cast<long double>(x1) * fac);
        hasSpareNormal = 1;
        return static_cast<double>(static_cast<long double>(x2) * fac);
    }

    std::int32_t lcgState2 = 0;
    std::int32_t shuffleOutput = 0;
    std::array<std::int32_t, 33> shuffleTable{};
    double spareNormal = 0.0;
    std::int32_t hasSpareNormal = 0;
    // How many uniform deviates have been drawn, initialisation aside.
    std::int64_t uniformsDrawn = 0;

  private:
    static constexpr long double kScale = 1.0L / 2147483563.0L;

    static std::int32_t AdvanceFirst(std::int32_t seed) {
        const std::int32_t k = seed / 53668;
        seed = 40014 * (seed - k * 53668) - k * 12211;
        if (seed < 0) seed += 2147483563;
        return seed;
    }
};

// The replication: three fill passes of full deviates, group scores case by
// case, then each statistic from its own routine.
class ReferenceReplicator {
  public:
    explicit ReferenceReplicator(Console& console) : console_(console) {
        deviates_.resize(kMaxScores * kGroups);
        scratch_.resize(kMaxScores);
        for (int g = 0; g < kGroups; ++g) {
            trueScores_[g].resize(kMaxScores);
            errorScores_[g].resize(kMaxScores);
            observedScores_[g].resize(kMaxScores);
        }
    }

    void GenerateReplication(const ReplicationSettings& settings, std::int32_t& seed) {
        std::array<double, kGroups> trueSD{}, errorSD{};
        for (int g = 0; g < kGroups; ++g) {
            const GroupSettings& group = settings.groups[g];
            const double observedSD =
                static_cast<double>(group.sd / std::sqrt(Ext(group.reliability)));
            trueSD[g] =
                static_cast<double>(std::sqrt(Ext(observedSD) * observedSD * group.reliability));
            errorSD[g] = static_cast<double>(
                std::sqrt(Ext(observedSD) * observedSD * (1.0L - group.reliability)));
        }
        generators.hasSpareNormal = 0;
        const int rows = settings.deviateRows;
        for (int pass = 0; pass < 3; ++pass) {
            for (int g = 0; g < kGroups; ++g) {
                for (int row = 0; row < rows; ++row) {
                    deviate(g, row) = settings.groups[g].uniform() ? generators.UniformDeviate(seed)
                                                                   : generators.NormalDeviate(seed);
                }
            }
        }
        for (int g = 0; g < kGroups; ++g) {
            generateGroup(settings, g, trueSD[g], errorSD[g], seed);
        }
        for (int g = 0; g < kGroups; ++g) {
            const int n = settings.groups[g].size;
            sizes_[g] = n;
            const double errorSd = StandardDeviation(errorScores_[g].data(), n);
            const double errVar = static_cast<double>(Ext(errorSd) * errorSd);
            result_.groupMean[g] = Mean(observedScores_[g].data(), n);
            result_.groupSD[g] = StandardDeviation(observedScores_[g].data(), n);
            result_.groupVariance[g] =
                static_cast<double>(Ext(result_.groupSD[g]) * result_.groupSD[g]);
            result_.groupSS[g] = SumOfSquares(observedScores_[g].data(), n);
            if (result_.groupVariance[g] > 0.0) {
                result_.sampleReliability[g] =
                    static_cast<double>(1.0L - Ext(errVar) / result_.groupVariance[g]);
            } else {
                result_.sampleReliability[g] = std::numeric_limits<double>::quiet_NaN();
            }
        }
        result_.noVariance =
            !(result_.groupSD[0] > 0.0 && result_.groupSD[1] > 0.0 && result_.groupSD[2] > 0.0);
    }

    void TestReplication(const ReplicationSettings& settings, std::int64_t& rejections) {
        ReplicationResult& r = result_;
        const std::int32_t n1 = settings.groups[0].size;
        const std::int32_t n2 = settings.groups[1].size;
        const std::int32_t n3 = settings.groups[2].size;
        r.totalN = n1 + n2 + n3;
        r.grandMean = static_cast<double>(
            (Ext(n1) * r.groupMean[0] + Ext(n2) * r.groupMean[1] + Ext(n3) * r.groupMean[2]) /
            r.totalN);
        r.ssBetween = 0.0;
        for (int g = 0; g < kGroups; ++g) {
            const double d = static_cast<double>(Ext(r.groupMean[g]) - r.grandMean);
            r.ssBetween = static_cast<double>(r.ssBetween + Ext(settings.groups[g].size) * d * d);
        }
        r.ssWithin = static_cast<double>(Ext(r.groupSS[0]) + r.groupSS[1] + r.groupSS[2]);
        r.dfBetween = 2.0;
        r.dfTotal = r.totalN - 1;
        r.dfWithin = static_cast<double>(Ext(r.dfTotal) - r.dfBetween);
        r.msBetween = static_cast<double>(Ext(r.ssBetween) / r.dfBetween);
        r.msWithin = static_cast<double>(Ext(r.ssWithin) / r.dfWithin);
        r.fRatio = static_cast<double>(Ext(r.msBetween) / r.msWithin);
        r.pValue = FProbability(r.fRatio, r.dfBetween, r.dfWithin, console_);
        if (r.pValue <= settings.alpha) rejections = rejections + 1;
    }

    const ReplicationResult& result() const { return result_; }
    std::span<const double> trueScores(int g) const { return view(trueScores_[g], g); }
    std::span<const double> errorScores(int g) const { return view(errorScores_[g], g); }
    std::span<const double> observedScores(int g) const { return view(observedScores_[g], g); }

    ReferenceGenerators generators;

  private:
    using Ext = long double;

    double& deviate(int g, int row) {
        return deviates_[static_cast<std::size_t>(g) * kMaxScores + row];
    }
    std::span<const double> view(const std::vector<double>& scores, int g) const {
        return {scores.data(), static_cast<std::size_t>(sizes_[g])};
    }

    void generateGroup(const ReplicationSettings& settings, int g, double trueSD, double errorSD,
                       std::int32_t& seed) {
        const GroupSettings& group = settings.groups[g];
        for (int k = 0; k < group.size; ++k) {
            double trueScore, error, observed;
            if (group.uniform()) {
                trueScore =
                    static_cast<double>((Ext(group.maximum) - group.minimum) * deviate(g, k));
                trueScore = static_cast<double>(Ext(trueScore) + group.minimum);
                error = static_cast<double>(Ext(generators.NormalDeviate(seed)) * errorSD);
                observed = static_cast<double>(Ext(trueScore) + error);
            } else {
                trueScore = static_cast<double>(Ext(deviate(g, k)) * trueSD + group.mean);
                error = static_cast<double>(Ext(generators.NormalDeviate(seed)) * errorSD);
                observed = static_cast<double>(Ext(trueScore) + error);
                if (settings.bounds == BoundsHandling::Resample) {
                    int minOk = 1, maxOk = 1;
                    do {
                        if (group.hasMinimum) {
                            if (observed < group.minimum) {
                                redraw(group, trueSD, errorSD, seed, trueScore, error, observed);
                                minOk = 0;
                            } else {
                                minOk = 1;
                            }
                        }
                        if (group.hasMaximum) {
                            if (observed > group.maximum) {
                                redraw(group, trueSD, errorSD, seed, trueScore, error, observed);
                                maxOk = 0;
                            } else {
                                maxOk = 1;
                            }
                        }
                    } while (!(minOk == 1 && maxOk == 1));
                } else if (settings.bounds == BoundsHandling::Winsorize) {
                    if (group.hasMinimum && observed < group.minimum) observed = group.minimum;
                    if (group.hasMaximum && observed > group.maximum) observed = group.maximum;
                }
            }
            if (group.wholeNumbers) observed = std::nearbyint(observed);
            trueScores_[g][k] = trueScore;
            errorScores_[g][k] = error;
            observedScores_[g][k] = observed;
        }
    }

    void redraw(const GroupSettings& group, double trueSD, double errorSD, std::int32_t& seed,
                double& trueScore, double& error, double& observed) {
        trueScore = static_cast<double>(Ext(generators.NormalDeviate(seed)) * trueSD + group.mean);
        error = static_cast<double>(Ext(generators.NormalDeviate(seed)) * errorSD);
        observed = static_cast<double>(Ext(trueScore) + error);
    }

    static double Mean(const double* values, std::int32_t n) {
        double sum = 0.0;
        for (std::int32_t i = 0; i < n; ++i) sum = static_cast<double>(Ext(sum) + values[i]);
        return static_cast<double>(Ext(sum) / n);
    }

    double StandardDeviation(const double* values, std::int32_t n) {
        const double m = Mean(values, n);
        for (std::int32_t i = 0; i < n; ++i) {
            scratch_[i] = static_cast<double>((Ext(values[i]) - m) * (Ext(values[i]) - m));
        }
        const double q = Mean(scratch_.data(), n);
        return static_cast<double>(std::sqrt(Ext(n) * q / (n - 1)));
    }

    double SumOfSquares(const double* values, std::int32_t n) {
        const double m = Mean(values, n);
        for (std::int32_t i = 0; i < n; ++i) {
            scratch_[i] = static_cast<double>((Ext(values[i]) - m) * (Ext(values[i]) - m));
        }
        double sum = 0.0;
        for (std::int32_t i = 0; i < n; ++i) sum = static_cast<double>(Ext(sum) + scratch_[i]);
        return sum;
    }

    Console& console_;
    std::vector<double> deviates_;
    std::vector<double> scratch_;
    std::array<std::vector<double>, kGroups> trueScores_;
    std::array<std::vector<double>, kGroups> errorScores_;
    std::array<std::vector<double>, kGroups> observedScores_;
    std::array<std::int32_t, kGroups> sizes_{};
    ReplicationResult result_;
};

}  // namespace velmor::reference
