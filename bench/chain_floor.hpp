#pragma once
// The floor of a study's replications: the uniform chain alone. Every
// uniform depends on the one before it, so drawing exactly the uniforms the
// replications consume, with the generator's words in registers
// (FillUniforms), bounds any way of running them from below.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "core/random.hpp"
#include "core/replication.hpp"
#include "support/quiet_console.hpp"
#include "support/reference_replication.hpp"

namespace velmor::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The seed word of the window's default seed.
inline constexpr std::int32_t kDefaultSeedWord = -1432449975;

// Three normal groups of n, the start-up settings otherwise.
inline ReplicationSettings EqualNormalGroups(int n) {
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.distribution = Distribution::Normal;
        group.size = n;
    }
    settings.deviateRows = n;
    return settings;
}

// How many uniforms each of `count` replications from this seed word
// consumes, counted by the reference path (which draws one at a time).
inline std::vector<std::int64_t> UniformsPerReplication(const ReplicationSettings& settings,
                                                        std::int32_t seed, int count) {
    velmor::testing::QuietConsole console;
    reference::ReferenceReplicator plain(console);
    std::vector<std::int64_t> uniforms(static_cast<std::size_t>(count));
    std::int64_t rejections = 0;
    for (int i = 0; i < count; ++i) {
        const std::int64_t before = plain.generators.uniformsDrawn;
        plain.GenerateReplication(settings, seed);
        if (!plain.result().noVariance) plain.TestReplication(settings, rejections);
        uniforms[static_cast<std::size_t>(i)] = plain.generators.uniformsDrawn - before;
    }
    return uniforms;
}

// Draws the counted uniforms, replication by replication, into a buffer
// reused for each (sized for the largest).
class ChainFloor {
  public:
    explicit ChainFloor(std::vector<std::int64_t> uniforms)
        : uniforms_(std::move(uniforms)),
          buffer_(static_cast<std::size_t>(
              std::max<std::int64_t>(1, *std::max_element(uniforms_.begin(), uniforms_.end())))) {}

    std::int64_t uniforms(std::size_t replication) const { return uniforms_[replication]; }
    std::size_t replications() const { return uniforms_.size(); }

    // The chain for one replication's uniforms; returns something of them
    // for the caller to keep alive.
    double draw(std::size_t replication) {
        generators_.FillUniforms(
            seed_, {buffer_.data(), static_cast<std::size_t>(uniforms_[replication])});
        return buffer_[0];
    }

  private:
    std::vector<std::int64_t> uniforms_;
    std::vector<double> buffer_;
    RandomGenerators generators_;
    std::int32_t seed_ = kDefaultSeedWord;
};

}  // namespace velmor::bench
