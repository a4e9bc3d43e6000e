#include "core/philox_stream.hpp"

#include <Random123/philox.h>

#include <Random123/boxmuller.hpp>
#include <Random123/uniform.hpp>

namespace velmor {

namespace {

using Philox = r123::Philox4x32_R<10>;

std::uint64_t Half(const std::array<std::uint32_t, 4>& w, int h) {
    return static_cast<std::uint64_t>(w[2 * h]) | (static_cast<std::uint64_t>(w[2 * h + 1]) << 32);
}

double UniformOf(std::uint64_t word) {
    return r123::u01fixedpt<double>(word);
}

}  // namespace

std::array<std::uint32_t, 4> PhiloxStream::Block(std::uint32_t substream,
                                                 std::uint64_t block) const {
    const Philox::ctr_type counter = {{static_cast<std::uint32_t>(block), key_.replication,
                                       key_.attempt,
                                       substream | static_cast<std::uint32_t>(block >> 32) << 4}};
    const Philox::key_type key = {{key_.seed, key_.condition}};
    const Philox::ctr_type words = Philox()(counter, key);
    return {words[0], words[1], words[2], words[3]};
}

void PhiloxStream::FillUniforms(std::uint32_t substream, std::uint64_t first,
                                std::span<double> out) const {
    std::size_t k = 0;
    std::uint64_t index = first;
    if (index % 2 == 1 && k < out.size()) {
        out[k++] = UniformOf(Half(Block(substream, index / 2), 1));
        ++index;
    }
    for (; k + 1 < out.size(); k += 2, index += 2) {
        const std::array<std::uint32_t, 4> w = Block(substream, index / 2);
        out[k] = UniformOf(Half(w, 0));
        out[k + 1] = UniformOf(Half(w, 1));
    }
    if (k < out.size()) out[k] = UniformOf(Half(Block(substream, index / 2), 0));
}

void PhiloxStream::FillNormals(std::uint32_t substream, std::uint64_t first,
                               std::span<double> out) const {
    auto pair = [&](std::uint64_t block) {
        const std::array<std::uint32_t, 4> w = Block(substream, block);
        return r123::boxmuller(Half(w, 0), Half(w, 1));
    };
    std::size_t k = 0;
    std::uint64_t index = first;
    if (index % 2 == 1 && k < out.size()) {
        out[k++] = pair(index / 2).y;
        ++index;
    }
    for (; k + 1 < out.size(); k += 2, index += 2) {
        const r123::double2 z = pair(index / 2);
        out[k] = z.x;
        out[k + 1] = z.y;
    }
    if (k < out.size()) out[k] = pair(index / 2).x;
}

double PhiloxStream::Uniform(std::uint32_t substream, std::uint64_t index) const {
    double value = 0.0;
    FillUniforms(substream, index, {&value, 1});
    return value;
}

double PhiloxStream::Normal(std::uint32_t substream, std::uint64_t index) const {
    double value = 0.0;
    FillNormals(substream, index, {&value, 1});
    return value;
}

}  // namespace velmor
