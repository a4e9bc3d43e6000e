#include "core/random.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "core/extended_log.hpp"

namespace velmor {

namespace {

// First congruential generator (Schrage's decomposition keeps every product
// inside 32 bits).
constexpr std::int32_t kMultiplier1 = 40014;
constexpr std::int32_t kQuotient1 = 53668;
constexpr std::int32_t kRemainder1 = 12211;
constexpr std::int32_t kModulus1 = 2147483563;
// Second congruential generator.
constexpr std::int32_t kMultiplier2 = 40692;
constexpr std::int32_t kQuotient2 = 52774;
constexpr std::int32_t kRemainder2 = 3791;
constexpr std::int32_t kModulus2 = 2147483399;
constexpr std::int32_t kShuffleWrap = 2147483562;  // kModulus1 - 1
constexpr int kTableSize = 32;
constexpr int kWarmUpSteps = 8;

// Subtractive generator, held in doubles.
constexpr double kSeedModulus = 4000000.0;
constexpr double kSeedBig = 1618033.0;
constexpr long double kSeedScale = 2.5e-7L;  // 1 / kSeedModulus, as an extended constant

static_assert(std::bit_cast<std::uint64_t>(kUniformCeiling) == 0x3FEFFFFFBF935359ULL);
static_assert(static_cast<double>(kUniformClamp) == kUniformCeiling);

inline std::int32_t AdvanceFirst(std::int32_t state) {
    const std::int32_t k = state / kQuotient1;
    state = kMultiplier1 * (state - k * kQuotient1) - k * kRemainder1;
    if (state < 0) state += kModulus1;
    return state;
}

inline std::int32_t AdvanceSecond(std::int32_t state) {
    const std::int32_t k = state / kQuotient2;
    state = kMultiplier2 * (state - k * kQuotient2) - k * kRemainder2;
    if (state < 0) state += kModulus2;
    return state;
}

// The uniform generator's words held in locals for a batch, so that they live
// in registers; only the shuffle table stays in memory.
struct Chain {
    std::int32_t first;   // the caller's seed word
    std::int32_t second;  // lcgState2
    std::int32_t output;  // shuffleOutput
    std::int32_t* table;

    std::int32_t next() {
        first = AdvanceFirst(first);
        second = AdvanceSecond(second);
        const int j = RandomGenerators::ShuffleSlot(output);
        output = table[j] - second;
        table[j] = first;
        if (output < 1) output += kShuffleWrap;
        return output;
    }
};

using polar::ExactPair;
using polar::SignOfOutput;

inline bool Accepted(const polar::Pair& pair) {
    return pair.rsq < 1.0 && pair.rsq > 0.0;
}

// A shuffle output s stands for the uniform s / M, M = 2147483563, and
// x = 2u - 1 for (2s - M) / M. The stored uniform is within 2^-52 of s / M
// (scale, product and double rounding), so each stored x is within 2^-50 of
// (2s - M) / M and the stored rsq within 2^-47 of
//   ((2s1 - M)^2 + (2s2 - M)^2) / M^2 = 1 + d / M^2.
// Whenever |d| >= 2^24 (far beyond M^2 * 2^-47, about 2^15) the sign of d
// alone decides rsq < 1. rsq > 0 always holds: 2s - M is odd, so |x| is at
// least 1/M, far above its error. Outputs near the top may be clamped to
// kUniformCeiling, which the estimate does not describe; they, and the
// undecided band, take the exact path. (Checked over every seventh first
// output: the pairs the sign of d alone would misjudge all have |d| <= 905.)
// All integer products fit in 63 bits.
constexpr std::int64_t kOutputModulus = polar::kOutputModulus;
constexpr std::int64_t kUndecidedBand = std::int64_t{1} << 24;
// ScaleShuffleOutput(2147483000) is about 0.99999974, below the clamp.
constexpr std::int32_t kLargestUnclampedOutput = 2147483000;

inline bool AcceptsPair(std::int32_t firstOutput, std::int32_t secondOutput) {
    const std::int64_t dx = 2 * std::int64_t{firstOutput} - kOutputModulus;
    const std::int64_t dy = 2 * std::int64_t{secondOutput} - kOutputModulus;
    const std::int64_t d = dx * dx + dy * dy - kOutputModulus * kOutputModulus;
    if ((d > -kUndecidedBand && d < kUndecidedBand) || firstOutput > kLargestUnclampedOutput ||
        secondOutput > kLargestUnclampedOutput) [[unlikely]] {
        return Accepted(ExactPair(firstOutput, secondOutput));
    }
    return d < 0;
}

// Runs polar attempts until `pairs` are accepted, writing the shuffle outputs
// of the accepted ones to outputs[0 .. 2 * pairs). A rejected attempt is
// written too and overwritten by the next, so no branch waits on the test.
inline void DrawAcceptedPairs(Chain& chain, int pairs, std::int32_t* outputs) {
    int accepted = 0;
    while (accepted < pairs) {
        const std::int32_t a = chain.next();
        const std::int32_t b = chain.next();
        outputs[2 * accepted] = a;
        outputs[2 * accepted + 1] = b;
        accepted += AcceptsPair(a, b) ? 1 : 0;
    }
}

// Runs polar attempts until `pairs` (at least 1) are accepted and leaves the
// outputs of the last accepted one in last[0..1]. Each attempt is written to
// the slot of the count of pairs accepted so far, two slots used in turn, so
// an accepted pair survives the rejected attempts after it without a branch
// on the test (a select would be compiled into one).
inline void DrawLastAcceptedPair(Chain& chain, int pairs, std::int32_t (&last)[2]) {
    std::int32_t recent[2][2] = {{0, 0}, {0, 0}};
    int accepted = 0;
    while (accepted < pairs) {
        const std::int32_t a = chain.next();
        const std::int32_t b = chain.next();
        recent[accepted & 1][0] = a;
        recent[accepted & 1][1] = b;
        accepted += AcceptsPair(a, b) ? 1 : 0;
    }
    last[0] = recent[(accepted - 1) & 1][0];
    last[1] = recent[(accepted - 1) & 1][1];
}

// A recording call checks its room before it draws anything, so a sink that
// is too small leaves the generators as they were.
inline void Reserve(const OutputSink& sink, int words) {
    if (sink.end - sink.next < words) throw std::logic_error("output sink too small");
}

}  // namespace

void RandomGenerators::initialiseUniform(std::int32_t& seed) {
    // Negating in 64 bits: -(-2147483648) does not fit and, like 0, restarts
    // from 1, so a seed and its negative give the same stream.
    std::int64_t start = -static_cast<std::int64_t>(seed);
    if (start < 1 || start > std::numeric_limits<std::int32_t>::max()) start = 1;
    seed = static_cast<std::int32_t>(start);
    lcgState2_ = seed;
    // 8 warm-up steps, then slots 32 down to 1.
    for (int j = kTableSize + kWarmUpSteps; j >= 1; --j) {
        seed = AdvanceFirst(seed);
        if (j <= kTableSize) shuffleTable_[j] = seed;
    }
    shuffleOutput_ = shuffleTable_[1];
}

std::int32_t RandomGenerators::nextShuffleOutput(std::int32_t& seed) {
    if (seed <= 0) initialiseUniform(seed);
    seed = AdvanceFirst(seed);
    lcgState2_ = AdvanceSecond(lcgState2_);
    const int j = ShuffleSlot(shuffleOutput_);
    shuffleOutput_ = shuffleTable_[j] - lcgState2_;
    shuffleTable_[j] = seed;
    if (shuffleOutput_ < 1) shuffleOutput_ += kShuffleWrap;
    return shuffleOutput_;
}

double RandomGenerators::UniformDeviate(std::int32_t& seed) {
    // The largest outputs scale to values above the clamp; they all return the
    // same double so that no deviate reaches 1.
    return ScaleShuffleOutput(nextShuffleOutput(seed));
}

void RandomGenerators::drawPolarPair(std::int32_t& seed, double& x1, double& x2, double& rsq) {
    do {
        x1 = static_cast<double>(2.0L * UniformDeviate(seed) - 1.0L);
        x2 = static_cast<double>(2.0L * UniformDeviate(seed) - 1.0L);
        rsq = static_cast<double>(static_cast<long double>(x1) * x1 +
                                  static_cast<long double>(x2) * x2);
    } while (!(rsq < 1.0 && rsq > 0.0));
}

double RandomGenerators::NormalDeviate(std::int32_t& seed) {
    if (spare_.waiting()) return spare_.take();
    double x1, x2, rsq;
    drawPolarPair(seed, x1, x2, rsq);
    const double fac = polar::Factor(rsq);
    spare_.keep(static_cast<double>(static_cast<long double>(x1) * fac));
    return static_cast<double>(static_cast<long double>(x2) * fac);
}

void RandomGenerators::SkipNormal(std::int32_t& seed) {
    if (spare_.waiting()) {
        spare_.clear();
        return;
    }
    // Only the acceptance test decides how many uniforms a pair consumes; the
    // logarithm and square root are left until a spare is actually returned.
    double x1, x2, rsq;
    drawPolarPair(seed, x1, x2, rsq);
    spare_.defer(x1, rsq);
}

double RandomGenerators::NormalDeviateSign(std::int32_t& seed) {
    if (spare_.waiting()) return spare_.takeSign();
    double x1, x2, rsq;
    drawPolarPair(seed, x1, x2, rsq);
    spare_.defer(x1, rsq);
    return std::signbit(x2) ? -1.0 : 1.0;
}

bool RandomGenerators::PolarPairAccepted(std::int32_t firstOutput, std::int32_t secondOutput) {
    return AcceptsPair(firstOutput, secondOutput);
}

bool RandomGenerators::PolarMemberNegative(std::int32_t output) {
    return polar::NegativeMember(output);
}

void RandomGenerators::SkipUniforms(std::int32_t& seed, int count) {
    if (count <= 0) return;
    if (seed <= 0) initialiseUniform(seed);
    Chain chain{seed, lcgState2_, shuffleOutput_, shuffleTable_.data()};
    for (int i = 0; i < count; ++i) chain.next();
    seed = chain.first;
    lcgState2_ = chain.second;
    shuffleOutput_ = chain.output;
}

void RandomGenerators::FillUniforms(std::int32_t& seed, std::span<double> out) {
    if (out.empty()) return;
    if (seed <= 0) initialiseUniform(seed);
    Chain chain{seed, lcgState2_, shuffleOutput_, shuffleTable_.data()};
    // The conversion hangs off the chain: nothing in the next step waits for it.
    for (double& value : out) value = ScaleShuffleOutput(chain.next());
    seed = chain.first;
    lcgState2_ = chain.second;
    shuffleOutput_ = chain.output;
}

void RandomGenerators::SkipNormals(std::int32_t& seed, int count) {
    skipNormals(seed, count, nullptr);
}

void RandomGenerators::skipNormals(std::int32_t& seed, int count, OutputSink* sink) {
    if (count <= 0) return;
    if (spare_.waiting()) {
        spare_.clear();
        if (--count == 0) return;
    }
    // With an odd count the last pair's first member is left waiting.
    const bool spareLeft = count % 2 == 1;
    if (sink != nullptr && spareLeft) Reserve(*sink, 2);
    if (seed <= 0) initialiseUniform(seed);
    Chain chain{seed, lcgState2_, shuffleOutput_, shuffleTable_.data()};
    std::int32_t last[2];
    DrawLastAcceptedPair(chain, (count + 1) / 2, last);
    seed = chain.first;
    lcgState2_ = chain.second;
    shuffleOutput_ = chain.output;
    if (!spareLeft) return;
    spare_.defer(last[0], last[1]);
    if (sink != nullptr) {
        *sink->next++ = last[0];
        *sink->next++ = last[1];
    }
}

void RandomGenerators::FillNormals(std::int32_t& seed, std::span<double> out) {
    std::size_t k = 0;
    if (!out.empty() && spare_.waiting()) out[k++] = spare_.take();
    if (k == out.size()) return;
    if (seed <= 0) initialiseUniform(seed);
    Chain chain{seed, lcgState2_, shuffleOutput_, shuffleTable_.data()};
    std::int32_t outputs[2 * polar::kPairChunk];
    while (k < out.size()) {
        // Draw a chunk of pairs first, then value them: the logarithms do not
        // overlap the chain anyway, and the draws then never wait on them.
        const std::size_t wanted = out.size() - k;
        const int pairs =
            static_cast<int>(std::min<std::size_t>(polar::kPairChunk, (wanted + 1) / 2));
        DrawAcceptedPairs(chain, pairs, outputs);
        polar::ValuePairs(outputs, pairs, out.data(), k, out.size(), spare_);
    }
    seed = chain.first;
    lcgState2_ = chain.second;
    shuffleOutput_ = chain.output;
}

void RandomGenerators::FillNormalSigns(std::int32_t& seed, std::span<double> out) {
    std::size_t k = 0;
    if (!out.empty() && spare_.waiting()) out[k++] = spare_.takeSign();
    if (k == out.size()) return;
    if (seed <= 0) initialiseUniform(seed);
    Chain chain{seed, lcgState2_, shuffleOutput_, shuffleTable_.data()};
    // The signs go straight to their places: each attempt writes the signs
    // of its two members where the next accepted pair belongs (second member
    // first), so a rejected attempt is overwritten by the next, and no branch
    // waits on the test. Only whole pairs are written so; an odd last
    // deviate comes from one more pair whose first member is left waiting.
    double* const place = out.data() + k;
    const auto wholePairs = static_cast<int>((out.size() - k) / 2);
    int accepted = 0;
    while (accepted < wholePairs) {
        const std::int32_t a = chain.next();
        const std::int32_t b = chain.next();
        place[2 * accepted] = SignOfOutput(b);
        place[2 * accepted + 1] = SignOfOutput(a);
        accepted += AcceptsPair(a, b) ? 1 : 0;
    }
    const bool spareLeft = (out.size() - k) % 2 == 1;
    std::int32_t last[2] = {0, 0};
    if (spareLeft) {
        DrawAcceptedPairs(chain, 1, last);
        out.back() = SignOfOutput(last[1]);
    }
    seed = chain.first;
    lcgState2_ = chain.second;
    shuffleOutput_ = chain.output;
    if (spareLeft) spare_.defer(last[0], last[1]);
}

void RandomGenerators::RecordUniforms(std::int32_t& seed, int count, OutputSink& sink) {
    if (count <= 0) return;
    Reserve(sink, count);
    if (seed <= 0) initialiseUniform(seed);
    Chain chain{seed, lcgState2_, shuffleOutput_, shuffleTable_.data()};
    for (int i = 0; i < count; ++i) sink.next[i] = chain.next();
    sink.next += count;
    seed = chain.first;
    lcgState2_ = chain.second;
    shuffleOutput_ = chain.output;
}

void RandomGenerators::RecordNormals(std::int32_t& seed, int count, OutputSink& sink) {
    if (count <= 0) return;
    if (spare_.waiting()) {
        spare_.clear();
        if (--count == 0) return;
    }
    const int pairs = (count + 1) / 2;
    Reserve(sink, 2 * pairs);
    if (seed <= 0) initialiseUniform(seed);
    Chain chain{seed, lcgState2_, shuffleOutput_, shuffleTable_.data()};
    // Straight into the sink: a rejected attempt is overwritten by the next.
    DrawAcceptedPairs(chain, pairs, sink.next);
    sink.next += 2 * pairs;
    seed = chain.first;
    lcgState2_ = chain.second;
    shuffleOutput_ = chain.output;
    if (count % 2 == 1) spare_.defer(sink.next[-2], sink.next[-1]);
}

void RandomGenerators::RecordSkipNormals(std::int32_t& seed, int count, OutputSink& sink) {
    skipNormals(seed, count, &sink);
}

void RandomGenerators::initialiseSeedTable(std::int32_t& seed) {
    double mj = kSeedBig + seed;  // 1618033 - |seed|
    if (mj >= 0.0) {
        mj = mj - std::trunc(mj / kSeedModulus) * kSeedModulus;
    } else {
        mj = (kSeedModulus - std::fabs(mj)) +
             std::trunc(std::fabs(mj) / kSeedModulus) * kSeedModulus;
    }
    seedTable_[55] = mj;
    double mk = 1.0;
    for (int i = 1; i <= 54; ++i) {
        const int ii = (21 * i) % 55;
        seedTable_[ii] = mk;
        mk = mj - mk;
        if (mk < 0.0) mk += kSeedModulus;
        mj = seedTable_[ii];
    }
    for (int round = 1; round <= 4; ++round) {
        for (int i = 1; i <= 55; ++i) {
            seedTable_[i] -= seedTable_[1 + (i + 30) % 55];
            if (seedTable_[i] < 0.0) seedTable_[i] += kSeedModulus;
        }
    }
    seedNext_ = 0;
    seedNextP_ = 31;
    seed = 1;
}

double RandomGenerators::SeedDeviate(std::int32_t& seed) {
    if (seed < 0) initialiseSeedTable(seed);
    if (++seedNext_ == 56) seedNext_ = 1;
    if (++seedNextP_ == 56) seedNextP_ = 1;
    double mj = seedTable_[seedNext_] - seedTable_[seedNextP_];
    if (mj < 0.0) mj += kSeedModulus;
    seedTable_[seedNext_] = mj;
    return static_cast<double>(mj * kSeedScale);
}

}  // namespace velmor
