#pragma once
// `velmor-batch merge`: the summary of a sharded grid, made from its parts.

#include <iosfwd>
#include <string>
#include <vector>

namespace velmor::batch {

// `velmor-batch merge OUT.csv PART.csv...`: writes the one-machine summary
// from the parts of all shards, or refuses (writing nothing) and says why.
// Messages go to `err`; the exit codes are those of exit_codes.hpp.
int MergeSummaries(const std::string& out, const std::vector<std::string>& parts,
                   std::ostream& err);

}  // namespace velmor::batch
