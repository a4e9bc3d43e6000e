#pragma once
// The program's own random streams. Seed words are owned by the caller and
// passed by reference; everything else lives in this object.

#include <array>
#include <cstdint>
#include <span>

#include "core/polar_pairs.hpp"
#include "core/uniform_scale.hpp"

namespace velmor {

// Where a producer of a replication's deviates writes the shuffle outputs
// that their values are formed from (see the Record forms below). The
// writer stays within [next, end).
struct OutputSink {
    std::int32_t* next;
    std::int32_t* end;
};

// The state of the uniform and normal streams: everything a replication's
// draws change (the seed word aside, which the caller holds). The seed
// stream's table is not part of it.
struct DeviateStreamState {
    std::int32_t lcgState2 = 0;
    std::int32_t shuffleOutput = 0;
    std::array<std::int32_t, 33> shuffleTable{};
    polar::SpareNormal spare;
};

class RandomGenerators {
  public:
    // Next uniform deviate in (0, 1); (re)initialises when seed <= 0.
    double UniformDeviate(std::int32_t& seed);
    // Next standard normal deviate (polar method, pairs; the spare is returned first).
    double NormalDeviate(std::int32_t& seed);
    // Next value in [0, 1) of the subtractive generator; (re)initialises when seed < 0.
    double SeedDeviate(std::int32_t& seed);
    // Drops a waiting spare normal deviate (done at the start of every replication).
    void ClearSpareNormal() { spare_.clear(); }
    std::int32_t shuffleOutput() const { return shuffleOutput_; }

    // Advance the streams exactly as UniformDeviate / NormalDeviate would, for
    // deviates whose values are thrown away (the first two fill passes of a
    // replication). SkipNormal keeps an accepted pair's spare in a deferred
    // form, so a later NormalDeviate still returns its exact value.
    void SkipUniform(std::int32_t& seed) { nextShuffleOutput(seed); }
    void SkipNormal(std::int32_t& seed);
    // Advances exactly as NormalDeviate and returns only the sign of the
    // deviate it would return (+1.0 or -1.0): enough to form deviate * 0 with
    // its exact sign when the multiplier is zero (reliability 1).
    double NormalDeviateSign(std::int32_t& seed);

    // Batch forms of the calls above: the same deviates in the same order,
    // leaving exactly the state that drawing them one call at a time leaves.
    // A batch keeps the generator's words in registers and decides the polar
    // method's acceptance from the two shuffle outputs without waiting for
    // their conversion, so it runs close to the speed of the uniform chain.
    // SkipNormals and FillNormalSigns compute no logarithm or square root;
    // a spare they leave behind is valued only if it is drawn later.
    void SkipUniforms(std::int32_t& seed, int count);
    void FillUniforms(std::int32_t& seed, std::span<double> out);
    void SkipNormals(std::int32_t& seed, int count);
    void FillNormals(std::int32_t& seed, std::span<double> out);
    // Each entry is the sign (+1.0 or -1.0) of the deviate NormalDeviate would return.
    void FillNormalSigns(std::int32_t& seed, std::span<double> out);

    // The batches' two decisions from shuffle outputs, exposed for tests:
    // whether the polar attempt with these two outputs is accepted (exactly
    // as NormalDeviate's test on the converted pair decides), and whether the
    // pair member from this output is negative.
    static bool PolarPairAccepted(std::int32_t firstOutput, std::int32_t secondOutput);
    static bool PolarMemberNegative(std::int32_t output);

    // The shuffle-table slot (1..32) that a shuffle output selects:
    // trunc(shuffleOutput / 67108862.3125 + 1). Defined for 0..2147483562.
    static int ShuffleSlot(std::int32_t shuffleOutput) {
        // 67108862.3125 = 1073741797 / 16, so the quotient is 16 * output /
        // 1073741797, and exact integer division gives the same slot as the
        // floating-point quotient (proven for every output by the tests).
        // The slot is on the generator's dependency chain, so the division is
        // done without one: with 1073741797 = 2^30 - 27, the quotient is
        // q0 = 16 * output / 2^30 = output >> 26, or q0 + 1 exactly when
        // 16 * output >= (q0 + 1) (2^30 - 27), that is when the low 30 bits of
        // 16 * output plus 27 (q0 + 1) reach 2^30 (the sum stays below 2^31).
        const auto output = static_cast<std::uint32_t>(shuffleOutput);
        const std::uint32_t q0 = output >> 26;
        const std::uint32_t low = (output & 0x3FFFFFFU) << 4;
        const std::uint32_t carry = (low + 27U * (q0 + 1U)) >> 30;
        return static_cast<int>(q0 + 1U + carry);
    }

    // A shuffle output (1..2147483562) scaled into (0, 1): output * 1/2147483563
    // in extended, rounded to double, or kUniformCeiling when the extended
    // product is not below kUniformClamp.
    static double ScaleShuffleOutput(std::int32_t shuffleOutput) {
        return ScaledOutput(shuffleOutput);
    }

    // Producer forms, for a replication whose deviates are valued on another
    // thread (core/deviate_replay.hpp): each advances the streams exactly as
    // the batch call named leaves them for `count` deviates, but instead of
    // forming values it appends to `sink` the shuffle outputs that the replay
    // needs to form the same values. RecordUniforms stands for FillUniforms
    // (one output per deviate); RecordNormals for FillNormals and
    // FillNormalSigns alike (the outputs of every pair drawn, a waiting spare
    // is the replay's own); RecordSkipNormals for SkipNormals (the outputs of
    // a pair whose first member it leaves waiting). A sink too small for the
    // outputs throws std::logic_error before anything is drawn.
    void RecordUniforms(std::int32_t& seed, int count, OutputSink& sink);
    void RecordNormals(std::int32_t& seed, int count, OutputSink& sink);
    void RecordSkipNormals(std::int32_t& seed, int count, OutputSink& sink);

    // The uniform and normal streams' state, to hand a replication's end
    // state from one generator object to another.
    DeviateStreamState deviateStreams() const {
        return {lcgState2_, shuffleOutput_, shuffleTable_, spare_};
    }
    void restoreDeviateStreams(const DeviateStreamState& streams) {
        lcgState2_ = streams.lcgState2;
        shuffleOutput_ = streams.shuffleOutput;
        shuffleTable_ = streams.shuffleTable;
        spare_ = streams.spare;
    }

  private:
    // Advances both congruential generators and the shuffle; returns the new
    // shuffle output (1..2147483562).
    std::int32_t nextShuffleOutput(std::int32_t& seed);
    void initialiseUniform(std::int32_t& seed);
    // SkipNormals, recording into the sink when there is one.
    void skipNormals(std::int32_t& seed, int count, OutputSink* sink);
    // Draws uniform pairs until one falls strictly inside the unit circle.
    void drawPolarPair(std::int32_t& seed, double& x1, double& x2, double& rsq);
    void initialiseSeedTable(std::int32_t& seed);

    std::int32_t lcgState2_ = 0;
    std::int32_t shuffleOutput_ = 0;
    std::array<std::int32_t, 33> shuffleTable_{};  // slots 1..32
    polar::SpareNormal spare_;
    std::array<double, 56> seedTable_{};  // entries 1..55
    std::int32_t seedNext_ = 0;
    std::int32_t seedNextP_ = 0;
};

}  // namespace velmor
