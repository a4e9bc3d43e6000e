#include "core/deviate_replay.hpp"

#include <algorithm>
#include <stdexcept>

#include "core/uniform_scale.hpp"

namespace velmor {

const std::int32_t* DeviateReplay::take(std::size_t words) {
    if (static_cast<std::size_t>(end_ - next_) < words) {
        throw std::logic_error("deviate replay ran past its recorded outputs");
    }
    const std::int32_t* taken = next_;
    next_ += words;
    return taken;
}

void ValuedReplay::copy(std::span<double> out) {
    if (static_cast<std::size_t>(end_ - next_) < out.size()) {
        throw std::logic_error("valued replay ran past its values");
    }
    std::copy(next_, next_ + out.size(), out.begin());
    next_ += out.size();
}

void DeviateReplay::SkipNormals(std::int32_t&, int count) {
    if (count <= 0) return;
    if (spare_.waiting()) {
        spare_.clear();
        if (--count == 0) return;
    }
    // Only a pair whose first member is left waiting was recorded.
    if (count % 2 == 1) {
        const std::int32_t* pair = take(2);
        spare_.defer(pair[0], pair[1]);
    }
}

void DeviateReplay::FillUniforms(std::int32_t&, std::span<double> out) {
    const std::int32_t* outputs = take(out.size());
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = ScaledOutput(outputs[k]);
}

void DeviateReplay::FillNormals(std::int32_t&, std::span<double> out) {
    std::size_t k = 0;
    if (!out.empty() && spare_.waiting()) out[k++] = spare_.take();
    while (k < out.size()) {
        const std::size_t wanted = out.size() - k;
        const int pairs =
            static_cast<int>(std::min<std::size_t>(polar::kPairChunk, (wanted + 1) / 2));
        const std::int32_t* outputs = take(2 * static_cast<std::size_t>(pairs));
        polar::ValuePairs(outputs, pairs, out.data(), k, out.size(), spare_);
    }
}

void DeviateReplay::FillNormalSigns(std::int32_t&, std::span<double> out) {
    std::size_t k = 0;
    if (!out.empty() && spare_.waiting()) out[k++] = spare_.takeSign();
    const std::size_t pairs = (out.size() - k + 1) / 2;
    const std::int32_t* outputs = take(2 * pairs);
    for (std::size_t p = 0; p < pairs; ++p) {
        out[k++] = polar::SignOfOutput(outputs[2 * p + 1]);
        if (k < out.size()) {
            out[k++] = polar::SignOfOutput(outputs[2 * p]);
        } else {
            // The first member of the last pair waits as the spare.
            spare_.defer(outputs[2 * p], outputs[2 * p + 1]);
        }
    }
}

}  // namespace velmor
