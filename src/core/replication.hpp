#pragma once
// One Monte Carlo replication: draw the deviate matrix and the three samples,
// describe them, and run the one-way analysis of variance F test.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "core/deviate_replay.hpp"
#include "core/f_critical_band.hpp"
#include "core/fprobability.hpp"
#include "core/group_scores.hpp"
#include "core/group_settings.hpp"
#include "core/philox_stream.hpp"
#include "core/random.hpp"

namespace velmor {

// What one replication leaves behind; groups are indexed 0..2.
struct ReplicationResult {
    std::array<double, kGroups> groupMean{};
    std::array<double, kGroups> groupSD{};        // divisor n - 1
    std::array<double, kGroups> groupVariance{};  // groupSD squared
    std::array<double, kGroups> groupSS{};        // sum of squared deviations from the mean
    // 1 - error variance / observed variance; NaN for a group without variance
    // (no division is made, and such a replication is discarded).
    std::array<double, kGroups> sampleReliability{};
    bool noVariance = false;  // some group's SD is not above 0: do not test
    std::int32_t totalN = 0;
    double grandMean = 0.0;
    double ssBetween = 0.0;
    double ssWithin = 0.0;
    double dfBetween = 0.0;
    double dfWithin = 0.0;
    double dfTotal = 0.0;
    double msBetween = 0.0;
    double msWithin = 0.0;
    double fRatio = 0.0;
    double pValue = 0.0;
};

// Owns the replication's working storage, allocated once at full capacity;
// a replication allocates nothing.
//
// Both calls end by checking the floating-point fault flags and throw
// FloatingPointFault when one is set; the command that drives replications
// clears the flags when it starts (ClearFloatingPointFaults).
class Replicator {
  public:
    using Outcome = GenerationOutcome;

    // The generators and console must outlive the replicator.
    Replicator(RandomGenerators& generators, Console& console);

    // Consulted every kRedrawsPerStopCheck redraws of one resampled case;
    // returning true abandons the replication. Without a check a case whose
    // bounds are practically unreachable redraws for ever.
    void setStopCheck(std::function<bool()> check) { stopCheck_ = std::move(check); }

    // Draws the deviate matrix (three passes over rows 1..deviateRows, column
    // by column), the scores of groups 1, 2, 3, and describes each group.
    // Throws std::invalid_argument unless 2 <= size <= deviateRows <= 4000.
    // After Abandoned the scores and result are incomplete and must not be used.
    Outcome GenerateReplication(const ReplicationSettings& settings, std::int32_t& deviateSeed);
    // The same replication with its deviates formed from a producer's
    // recorded outputs instead of drawn (see core/replication_pipeline.hpp);
    // the generators and seed word are not touched. Only for settings where
    // no group redraws cases (AnyGroupRedraws false); otherwise, or when the
    // outputs do not match the settings, throws std::logic_error.
    Outcome GenerateReplication(const ReplicationSettings& settings, DeviateReplay& replay);
    // The same with the deviates valued already, in the order the
    // replication takes them; the same conditions, and std::logic_error when
    // the values do not match the settings.
    Outcome GenerateReplication(const ReplicationSettings& settings, ValuedReplay& replay);

    // The same replication drawn from the counter-based generator instead:
    // each group's column and, when its reliability is below 1, its errors
    // from the stream's substreams (core/philox_stream.hpp), nothing skipped,
    // and redraws from the same stream. The generators and seed word are not
    // touched, so replicators on several threads may each draw their own.
    Outcome GenerateReplication(const ReplicationSettings& settings, const PhiloxStream& stream);

    // Whether GenerateReplication accepts the group sizes of these settings.
    static bool SizesFit(const ReplicationSettings& settings);

    // F test on the described groups (call only when noVariance is false);
    // counts a rejection when the probability is at most alpha. IoError
    // from the probability's diagnostics propagates.
    void TestReplication(const ReplicationSettings& settings, std::int64_t& rejections);
    // The counter-based generator's F test: the ratio formed in double
    // arithmetic, as its groups are described, and decided through the run's
    // critical band. The probability is evaluated only where the band leaves
    // the decision open (always, with a band that decides nothing), and
    // pValue is NaN where it is not (the ratio and its parts are set).
    void TestReplication(const ReplicationSettings& settings, const FCriticalBand& band,
                         std::int64_t& rejections);

    const ReplicationResult& result() const { return result_; }
    Console& console() const { return console_; }

    // Scores of the last replication generated, group g in 0..2, as many as
    // that group's size.
    std::span<const double> trueScores(int g) const { return scores(trueScores_, g); }
    std::span<const double> errorScores(int g) const { return scores(errorScores_, g); }
    std::span<const double> observedScores(int g) const { return scores(observedScores_, g); }

  private:
    using ScoreArrays = std::array<std::vector<double>, kGroups>;
    std::span<const double> scores(const ScoreArrays& arrays, int g) const {
        return {arrays[g].data(), static_cast<std::size_t>(sizes_[g])};
    }
    template <class Generators>
    Outcome generate(const ReplicationSettings& settings, Generators& generators,
                     std::int32_t& deviateSeed);
    // The groups' spreads (ComputeGroupSpread), worked out again only for a
    // group whose SD or reliability differs, bit for bit, from the last
    // call's (a run's replications share them), or whose spread overflowed.
    const std::array<GroupSpread, kGroups>& spreadsOf(const ReplicationSettings& settings);
    // The F ratio and its parts, from the described groups, with
    // intermediate results in Real (extended or double).
    template <class Real>
    void formFRatio(const ReplicationSettings& settings);
    // The F ratio's probability, and a rejection when it is at most alpha.
    void decideByProbability(const ReplicationSettings& settings, std::int64_t& rejections);
    // Describes the groups whose scores the last generation formed, in the
    // arithmetic of Description (extended or double).
    template <class Description>
    Outcome describe(const std::array<GroupSpread, kGroups>& spreads);
    template <class Generators>
    friend class ArrayDraws;
    friend class PhiloxDraws;

    RandomGenerators& generators_;
    Console& console_;
    LnGammaMemo lnGamma_;  // the F test's log-gamma terms, fixed for a run
    std::function<bool()> stopCheck_;
    // The deviate matrix, stored by column: column g starts at g * kMaxScores.
    std::vector<double> deviates_;
    ScoreArrays trueScores_;
    ScoreArrays errorScores_;
    ScoreArrays observedScores_;
    std::array<std::int32_t, kGroups> sizes_{};  // of the last replication generated
    ReplicationResult result_;
    using SpreadInputs = std::array<std::uint64_t, 2>;  // the bits of SD and reliability
    std::array<SpreadInputs, kGroups> spreadInputs_{};
    std::array<GroupSpread, kGroups> spreads_{};
    std::array<bool, kGroups> spreadKnown_{};
};

}  // namespace velmor
