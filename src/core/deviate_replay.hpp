#pragma once
// The consumer's side of a replication whose random chain ran on another
// thread: the shuffle outputs that RandomGenerators' Record forms wrote, in
// the order they were written, turned into the very deviates the batch calls
// would have returned. A replay stands in for RandomGenerators in a
// replication's draws (core/replication_draws.hpp): the same calls in the
// same order, with the seed word ignored, since the chain has already run.

#include <cstdint>
#include <span>

#include "core/polar_pairs.hpp"

namespace velmor {

class DeviateReplay {
  public:
    // The outputs must outlive the replay.
    explicit DeviateReplay(std::span<const std::int32_t> outputs)
        : next_(outputs.data()), end_(outputs.data() + outputs.size()) {}

    void ClearSpareNormal() { spare_.clear(); }
    // The calls of RandomGenerators they stand for. Reading past the outputs
    // (calls that do not match the recording) throws std::logic_error.
    void SkipUniforms(std::int32_t&, int) {}
    void SkipNormals(std::int32_t& seed, int count);
    void FillUniforms(std::int32_t& seed, std::span<double> out);
    void FillNormals(std::int32_t& seed, std::span<double> out);
    void FillNormalSigns(std::int32_t& seed, std::span<double> out);

    // True when every output has been used.
    bool finished() const { return next_ == end_; }

  private:
    const std::int32_t* take(std::size_t words);

    const std::int32_t* next_;
    const std::int32_t* end_;
    polar::SpareNormal spare_;
};

// The consumer's side when the producer has also valued the deviates (with a
// DeviateReplay of its own recorded outputs): the values, in the order the
// replication takes them, handed out by the same calls. Skips take nothing,
// since only what the replication reads was valued.
class ValuedReplay {
  public:
    // The values must outlive the replay.
    explicit ValuedReplay(std::span<const double> values)
        : next_(values.data()), end_(values.data() + values.size()) {}

    void ClearSpareNormal() {}
    void SkipUniforms(std::int32_t&, int) {}
    void SkipNormals(std::int32_t&, int) {}
    void FillUniforms(std::int32_t&, std::span<double> out) { copy(out); }
    void FillNormals(std::int32_t&, std::span<double> out) { copy(out); }
    void FillNormalSigns(std::int32_t&, std::span<double> out) { copy(out); }

    bool finished() const { return next_ == end_; }

  private:
    // Reading past the values throws std::logic_error.
    void copy(std::span<double> out);

    const double* next_;
    const double* end_;
};

}  // namespace velmor
