#pragma once
// Everything one call of the batch runs, as one numbered list of conditions:
// the conditions of each study file (one, or a grid's) and of a design, in
// the order given. A file that could not be read is one condition that
// fails with its errors.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "batch/design_file.hpp"
#include "batch/output_names.hpp"
#include "batch/study_file.hpp"

namespace velmor::batch {

struct BatchInput {
    std::string file;  // as given: the summary's file column
    std::variant<std::vector<StudyError>, StudyGrid, Design> source;
};

class ConditionList {
  public:
    explicit ConditionList(std::vector<BatchInput> inputs);

    std::size_t size() const { return total_; }
    const std::string& file(std::size_t i) const { return inputs_[locate(i).first].file; }
    // The condition's index within its own input's grid or design, from 0.
    std::size_t indexInInput(std::size_t i) const { return locate(i).second; }
    // The name the condition's outputs take.
    std::string name(std::size_t i) const;
    // The errors of an input that could not be read; empty for a condition
    // that can run.
    const std::vector<StudyError>& errors(std::size_t i) const;
    Study study(std::size_t i) const;
    // The varied keys of all inputs, in the order met, and a condition's cells.
    const std::vector<std::string>& factorColumns() const { return columns_; }
    std::vector<std::string> factorCells(std::size_t i) const;
    // What the condition runs and writes, as a 64-bit digest: its study's
    // values (not their lines), its name, the files asked for, the
    // summary's columns and the program's version. Equal digests mean equal outputs.
    std::uint64_t fingerprint(std::size_t i, const OutputOptions& output) const;

  private:
    std::pair<std::size_t, std::size_t> locate(std::size_t i) const;

    std::vector<BatchInput> inputs_;
    std::vector<std::size_t> starts_;  // the first condition of each input
    std::size_t total_ = 0;
    std::vector<std::string> columns_;
};

// FNV-1a, 64 bits: the same digest on every machine, so that the shards of a
// cluster agree on what a grid is.
// The seed of condition `index` (from 0) of a grid or design whose study
// asks for independent seeds, from the study's seed as written.
std::int32_t ConditionSeed(std::string_view studySeed, std::size_t index);

// The window's seed when a study gives none.
inline constexpr std::string_view kDefaultSeedText = "1432449975";

class Digest {
  public:
    void add(std::string_view text);
    std::uint64_t value() const { return hash_; }
    // 16 hexadecimal digits.
    static std::string hex(std::uint64_t value);

  private:
    std::uint64_t hash_ = 14695981039346656037ull;
};

}  // namespace velmor::batch
