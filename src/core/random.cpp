#include "core/random.hpp"

#include <bit>
#include <cmath>

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

// The polar factor sqrt(-2 ln(rsq) / rsq), formed in extended and stored as a double.
inline double PolarFactor(double rsq) {
    const long double r = rsq;
    return static_cast<double>(std::sqrt(-2.0L * std::log(r) / r));
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
    if (hasSpareNormal_ == 1) {
        hasSpareNormal_ = 0;
        if (spareDeferred_) {
            spareDeferred_ = false;
            spareNormal_ = static_cast<double>(static_cast<long double>(deferredX1_) *
                                               PolarFactor(deferredRsq_));
        }
        return spareNormal_;
    }
    double x1, x2, rsq;
    drawPolarPair(seed, x1, x2, rsq);
    const double fac = PolarFactor(rsq);
    spareNormal_ = static_cast<double>(static_cast<long double>(x1) * fac);
    spareDeferred_ = false;
    hasSpareNormal_ = 1;
    return static_cast<double>(static_cast<long double>(x2) * fac);
}

void RandomGenerators::SkipNormal(std::int32_t& seed) {
    if (hasSpareNormal_ == 1) {
        hasSpareNormal_ = 0;
        return;
    }
    // Only the acceptance test decides how many uniforms a pair consumes; the
    // logarithm and square root are left until a spare is actually returned.
    double x2;
    drawPolarPair(seed, deferredX1_, x2, deferredRsq_);
    spareDeferred_ = true;
    hasSpareNormal_ = 1;
}

double RandomGenerators::NormalDeviateSign(std::int32_t& seed) {
    // The polar factor is positive, so a deviate has the sign of its x.
    if (hasSpareNormal_ == 1) {
        hasSpareNormal_ = 0;
        return std::signbit(spareDeferred_ ? deferredX1_ : spareNormal_) ? -1.0 : 1.0;
    }
    double x2;
    drawPolarPair(seed, deferredX1_, x2, deferredRsq_);
    spareDeferred_ = true;
    hasSpareNormal_ = 1;
    return std::signbit(x2) ? -1.0 : 1.0;
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
