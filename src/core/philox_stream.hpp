#pragma once
// The counter-based generator of large studies: every deviate of every
// replication is a pure function of where it lies, so a replication can be
// drawn on any thread, in any order, or alone on another machine, and comes
// out the same. The generator itself is Random123's Philox4x32-10; nothing
// here is a generator of our own, only the addressing and the conversions.
//
// Key layout. One Philox4x32-10 call maps a 4-word counter and a 2-word key
// (32-bit words) to 4 random words w0..w3:
//
//   key[0]  the study's seed, the 32-bit two's-complement pattern of the
//           seed in effect (the seed field's value after the settings step)
//   key[1]  the condition's index in its grid, from 0 (0 for a single study)
//   ctr[0]  the block number j within the substream, low 32 bits
//   ctr[1]  the replication's index within the run, from 0 (the run's k-th
//           counted replication has index k - 1)
//   ctr[2]  the attempt: 0, or k for the k-th sample drawn in place of one
//           without variance (only when such samples are skipped)
//   ctr[3]  the substream s in bits 0..3, the block number's bits 32 and up
//           in bits 4..31
//
// The substreams of one replication, for groups g = 0, 1, 2:
//   s = g      the group's deviate column, one deviate per case, case k at index k
//   s = 3 + g  the group's error deviates, case k at index k (drawn only when
//              the group's reliability is below 1)
//   s = 6 + g  the true-score deviates of the group's redrawn cases, in the order
//              the redraws happen, from index 0
//   s = 9 + g  the error deviates of those redraws, likewise
//
// Deviate i of a substream is formed from block j = i / 2, its half
// h = i % 2: the 64-bit word u_h = w(2h) + 2^32 w(2h+1).
//   uniform: r123::u01fixedpt<double>(u_h) = (1 | u_h >> 11) 2^-53, an odd
//            multiple of 2^-53, so strictly inside (0, 1): from 2^-53 to
//            1 - 2^-53, exact, with no rounding at all.
//   normal:  r123::boxmuller(u_0, u_1) gives the pair (x, y) of block j;
//            deviate i is x when h = 0 and y when h = 1.
// Box-Muller rather than a ziggurat or the polar method: it is exact (a
// transformation of the uniform pair, not an approximation or a table), it
// has no rejection branch, and it turns exactly one block into exactly two
// normals, so a deviate's place in the stream follows from its index alone.
// That last property is what makes the key layout above reproducible; a
// rejection method would make deviate i depend on every draw before it.
// Its cost, a logarithm, a square root and a sine and cosine per pair, is
// paid only for the deviates a replication uses: nothing is skipped or
// drawn and thrown away.

#include <array>
#include <cstdint>
#include <span>

namespace velmor {

// Where one replication's streams start: see the key layout above.
struct PhiloxReplicationKey {
    std::uint32_t seed = 0;
    std::uint32_t condition = 0;
    std::uint32_t replication = 0;
    std::uint32_t attempt = 0;

    bool operator==(const PhiloxReplicationKey&) const = default;
};

// The seed's word in the key: its two's-complement bit pattern.
inline std::uint32_t PhiloxSeedWord(std::int32_t seed) {
    return static_cast<std::uint32_t>(seed);
}

// The substreams of a replication (see above).
inline constexpr std::uint32_t kPhiloxColumn = 0;
inline constexpr std::uint32_t kPhiloxErrors = 3;
inline constexpr std::uint32_t kPhiloxRedrawnTrue = 6;
inline constexpr std::uint32_t kPhiloxRedrawnErrors = 9;

class PhiloxStream {
  public:
    explicit PhiloxStream(const PhiloxReplicationKey& key) : key_(key) {}
    const PhiloxReplicationKey& key() const { return key_; }

    // The four words of block `block` of `substream`: Philox4x32-10 of the
    // counter and key laid out above.
    std::array<std::uint32_t, 4> Block(std::uint32_t substream, std::uint64_t block) const;

    // Deviates first .. first + out.size() - 1 of the substream.
    void FillUniforms(std::uint32_t substream, std::uint64_t first, std::span<double> out) const;
    void FillNormals(std::uint32_t substream, std::uint64_t first, std::span<double> out) const;
    double Uniform(std::uint32_t substream, std::uint64_t index) const;
    double Normal(std::uint32_t substream, std::uint64_t index) const;

  private:
    PhiloxReplicationKey key_;
};

}  // namespace velmor
