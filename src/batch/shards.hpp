#pragma once
// Splitting a grid over the tasks of a cluster's array job, and merging their
// summaries back into the one that a single machine would have written.
//
// Shard K of N runs conditions K, K+N, K+2N, ... (from 1). With --summary
// S.csv it writes its part to S.shard-K-of-N.csv beside S:
//
//   #velmor-batch summary part,K,N,<conditions>,<grid digest>,<complete|interrupted>,
//       <body SHA-256>,<row tags>
//   <the summary header>
//   <the rows of its conditions, in order>
//
// The grid digest covers every condition of the grid, its name and row
// cells, so parts of different grids, or of different calls, do not merge.
// The body's SHA-256 covers the header and every row as written. Each row's
// tag (16 hexadecimal digits, one after another) is the start of the SHA-256
// of the grid digest, the row's condition number in the grid and the row:
// an edited, moved, duplicated, renamed or foreign row is found, and named.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velmor::batch {

struct Shard {
    std::uint64_t index = 1;  // K, from 1
    std::uint64_t count = 1;  // N
    // Whether condition i (from 0) is this shard's.
    bool owns(std::size_t i) const { return i % count == index - 1; }
};

// "K/N" with 1 <= K <= N; a message otherwise.
std::variant<Shard, std::string> ParseShard(const std::string& text);
// K and N of a Slurm array task: K = SLURM_ARRAY_TASK_ID -
// SLURM_ARRAY_TASK_MIN + 1, N = SLURM_ARRAY_TASK_COUNT, from the variables
// given (those of the environment that are set). A message when one is
// missing, not a number, or K is not in 1..N.
std::variant<Shard, std::string> SlurmShard(const std::map<std::string, std::string>& environment);

// S.shard-K-of-N.csv for S.csv (S without its .csv), in S's folder.
std::string PartPath(const std::string& summary, const Shard& shard);

// The whole text of a part: its first line, the header and the rows, each
// row with the number (from 0) of its condition in the grid.
std::string PartText(const Shard& shard, std::size_t conditions, std::uint64_t digest,
                     bool complete, const std::string& header,
                     const std::vector<std::pair<std::size_t, std::string>>& rows);

// Merges parts into the one-machine summary. Returns the summary's text, or
// every reason the parts do not make one: not a part, parts of different
// grids or shard counts, a shard twice or missing, a part that was
// interrupted or has the wrong number of rows, a part whose body is not the
// one its first line describes (naming the first row that is not).
std::variant<std::string, std::vector<std::string>> MergeParts(
    const std::vector<std::pair<std::string, std::string>>& parts);  // (path, text)

}  // namespace velmor::batch
