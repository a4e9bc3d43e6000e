#pragma once
// The program's own random streams. Seed words are owned by the caller and
// passed by reference; everything else lives in this object.

#include <array>
#include <cstdint>

namespace velmor {

class RandomGenerators {
public:
    // Next uniform deviate in (0, 1); (re)initialises when seed <= 0.
    double UniformDeviate(std::int32_t& seed);
    // Next standard normal deviate (polar method, pairs; the spare is returned first).
    double NormalDeviate(std::int32_t& seed);
    // Next value in [0, 1) of the subtractive generator; (re)initialises when seed < 0.
    double SeedDeviate(std::int32_t& seed);
    // Drops a waiting spare normal deviate (done at the start of every replication).
    void ClearSpareNormal() { hasSpareNormal_ = 0; }
    std::int32_t shuffleOutput() const { return shuffleOutput_; }

private:
    std::int32_t lcgState2_ = 0;
    std::int32_t shuffleOutput_ = 0;
    std::array<std::int32_t, 33> shuffleTable_{};  // slots 1..32
    double spareNormal_ = 0.0;
    std::int32_t hasSpareNormal_ = 0;
    std::array<double, 56> seedTable_{};  // entries 1..55
    std::int32_t seedNext_ = 0;
    std::int32_t seedNextP_ = 0;
};

}  // namespace velmor
