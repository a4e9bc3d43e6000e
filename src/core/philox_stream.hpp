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
//   normal:  Boost.Random's ziggurat, boost::random::normal_distribution<double>
//            with mean 0 and SD 1 (128 layers, as in Boost 1.74), drawing
//            from an engine of 64-bit words whose first output is u_h. About
//            one deviate in 36 is rejected at its first try or falls in the
//            tail and asks for more words; those come from the deviate's own
//            overflow blocks k = 0, 1, 2, ..., each giving u_0 then u_1, with
//            ctr[0] = i's low 32 bits and
//            ctr[3] = s | k << 4 | (i >> 32) << 16 | 1 << 31.
// So a deviate's place in the stream follows from its index alone, however
// many words its neighbours took, which is what makes the key layout above
// reproducible: a rejection method drawing from one shared sequence would
// make deviate i depend on every draw before it. The ziggurat rather than
// Box-Muller because it is exact in the same sense (a transformation of
// uniform words, with rejection where the layers overhang the density) and
// costs a table look-up and a comparison for nearly every deviate, where
// Box-Muller pays a logarithm, a square root, a sine and a cosine per pair.
//
// Limits of the layout: primary blocks below 2^59 (bit 31 of ctr[3] tells
// them from overflow blocks), and for the overflow, deviates below 2^47 and
// at most 4096 overflow blocks for one deviate (each attempt is accepted with
// probability above .98, so the last is never reached). A substream read at
// or beyond 2^47 deviates throws std::length_error; it would take a group
// redrawing one replication's cases for days.
//
// Nothing is skipped or drawn and thrown away: a replication pays only for
// the deviates it uses.

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

// Deviates a substream holds (see the limits above).
inline constexpr std::uint64_t kPhiloxSubstreamDeviates = std::uint64_t{1} << 47;

// The substreams of a replication (see above).
inline constexpr std::uint32_t kPhiloxColumn = 0;
inline constexpr std::uint32_t kPhiloxErrors = 3;
inline constexpr std::uint32_t kPhiloxRedrawnTrue = 6;
inline constexpr std::uint32_t kPhiloxRedrawnErrors = 9;

class PhiloxStream {
  public:
    explicit PhiloxStream(const PhiloxReplicationKey& key) : key_(key) {}
    const PhiloxReplicationKey& key() const { return key_; }

    // Deviates first .. first + out.size() - 1 of the substream.
    void FillUniforms(std::uint32_t substream, std::uint64_t first, std::span<double> out) const;
    void FillNormals(std::uint32_t substream, std::uint64_t first, std::span<double> out) const;
    double Uniform(std::uint32_t substream, std::uint64_t index) const;
    double Normal(std::uint32_t substream, std::uint64_t index) const;

  private:
    PhiloxReplicationKey key_;
};

}  // namespace velmor
