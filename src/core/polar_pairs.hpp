#pragma once
// Values of the polar method's accepted pairs, formed from their two shuffle
// outputs, and the spare deviate a pair leaves waiting. The generators and
// the replay of a producer's outputs (core/deviate_replay.hpp) form every
// normal deviate through these, so both give the same bits.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/extended_log.hpp"
#include "core/uniform_scale.hpp"

namespace velmor::polar {

// One attempt of the polar method from two shuffle outputs, exactly as
// NormalDeviate forms it: x = 2u - 1 and rsq in extended, each stored.
struct Pair {
    double x1;
    double x2;
    double rsq;
};

inline Pair ExactPair(std::int32_t firstOutput, std::int32_t secondOutput) {
    Pair pair;
    pair.x1 = static_cast<double>(2.0L * ScaledOutput(firstOutput) - 1.0L);
    pair.x2 = static_cast<double>(2.0L * ScaledOutput(secondOutput) - 1.0L);
    pair.rsq = static_cast<double>(static_cast<long double>(pair.x1) * pair.x1 +
                                   static_cast<long double>(pair.x2) * pair.x2);
    return pair;
}

// The polar factor sqrt(-2 ln(rsq) / rsq), formed in extended and stored as a double.
inline double Factor(double rsq) {
    const long double r = rsq;
    return static_cast<double>(std::sqrt(-2.0L * ExtendedLog(r) / r));
}

// A shuffle output s stands for the uniform s / M, M = 2147483563.
inline constexpr std::int64_t kOutputModulus = 2147483563;

// The sign of x = 2u - 1 is the sign of 2s - M: |x - (2s - M) / M| < 2^-50
// while |2s - M| / M is at least 1/M, so rounding never moves x across zero.
inline bool NegativeMember(std::int32_t output) {
    return 2 * std::int64_t{output} < kOutputModulus;
}

// +1.0 or -1.0 built from the bits: a select on a sign that is random would
// be compiled into a branch mispredicted every other time.
inline double SignOfOutput(std::int32_t output) {
    constexpr std::uint64_t kOne = 0x3FF0000000000000ULL;
    return std::bit_cast<double>(kOne | static_cast<std::uint64_t>(NegativeMember(output)) << 63);
}

// The second deviate of the last pair, waiting to be returned. A pair whose
// members were only counted or signed leaves it deferred: x1 and rsq are
// kept and the value is formed only if it is drawn.
class SpareNormal {
  public:
    bool waiting() const { return waiting_; }
    void clear() { waiting_ = false; }

    // Returns the waiting deviate (forming a deferred one) and clears it.
    double take() {
        waiting_ = false;
        if (deferred_) {
            deferred_ = false;
            value_ = static_cast<double>(static_cast<long double>(x1_) * Factor(rsq_));
        }
        return value_;
    }
    // The sign (+1.0 or -1.0) of the waiting deviate; clears it. The polar
    // factor is positive, so a deviate has the sign of its x.
    double takeSign() {
        waiting_ = false;
        return std::signbit(deferred_ ? x1_ : value_) ? -1.0 : 1.0;
    }
    void keep(double value) {
        value_ = value;
        deferred_ = false;
        waiting_ = true;
    }
    void defer(double x1, double rsq) {
        x1_ = x1;
        rsq_ = rsq;
        deferred_ = true;
        waiting_ = true;
    }
    // Leaves the first member of the pair with these outputs waiting, deferred.
    void defer(std::int32_t firstOutput, std::int32_t secondOutput) {
        const Pair pair = ExactPair(firstOutput, secondOutput);
        defer(pair.x1, pair.rsq);
    }

  private:
    double value_ = 0.0;
    double x1_ = 0.0;
    double rsq_ = 0.0;
    bool waiting_ = false;
    bool deferred_ = false;
};

// Pairs valued per sweep; the sweeps' arrays live on the stack.
inline constexpr int kPairChunk = 128;

// Values `pairs` (at most kPairChunk) accepted pairs given by their outputs
// (first, second, first, second, ...) into out[k..], second member first;
// a member that finds no room is left waiting in `spare`. Three sweeps rather
// than one pair at a time: the logarithm is a long microcoded instruction
// that nothing overlaps, but the conversions before it and the division and
// square root after it pipeline across pairs once they are not queued behind it.
inline void ValuePairs(const std::int32_t* outputs, int pairs, double* out, std::size_t& k,
                       std::size_t size, SpareNormal& spare) {
    Pair polar[kPairChunk];
    long double logarithm[kPairChunk];
    for (int p = 0; p < pairs; ++p) polar[p] = ExactPair(outputs[2 * p], outputs[2 * p + 1]);
    for (int p = 0; p < pairs; ++p) logarithm[p] = ExtendedLog(polar[p].rsq);
    for (int p = 0; p < pairs; ++p) {
        const Pair& pair = polar[p];
        const long double r = pair.rsq;
        const double fac = static_cast<double>(std::sqrt(-2.0L * logarithm[p] / r));
        out[k++] = static_cast<double>(static_cast<long double>(pair.x2) * fac);
        const double second = static_cast<double>(static_cast<long double>(pair.x1) * fac);
        if (k < size) {
            out[k++] = second;
        } else {
            spare.keep(second);
        }
    }
}

}  // namespace velmor::polar
