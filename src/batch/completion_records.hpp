#pragma once
// What makes a batch resumable. A condition is complete once its files are
// in place and its completion record is written: a small file in the output
// folder's ".velmor-batch" folder. Records are written after the files they
// vouch for are on disk: the conditions that completed in the last second or
// so are recorded together, after one syncfs has made everything before it
// durable. Killed at any moment, or on a power loss, a condition therefore
// either has a record and all its files, or is run again. A record also keeps
// the condition's result cells, so that a resumed summary is the one an
// uninterrupted run writes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmor::batch {

inline constexpr const char* kRecordFolder = ".velmor-batch";

class CompletionRecords {
  public:
    explicit CompletionRecords(std::filesystem::path outDir);

    // The result cells of a complete condition: its record exists, was made
    // for the same fingerprint, and every file it lists is in the folder.
    std::optional<std::string> complete(const std::string& name, std::uint64_t fingerprint) const;

    struct Record {
        std::string name;
        std::uint64_t fingerprint = 0;
        std::vector<std::string> files;  // named without their folder
        std::string resultCells;
    };
    // Records conditions whose files are in place: flushes the output
    // folder's file system to disk first, then writes each record under a
    // fresh name and renames it. Throws WriteError; the records not written
    // then stand for conditions that run again on --resume.
    void record(const std::vector<Record>& records) const;

    // Removes the temporary files that a killed run left for these outputs
    // (and their records): ".<file>.velmor-<pid>-<n>.tmp". Files of other
    // names, another shard's among them, are not touched.
    void removeLeftovers(const std::vector<std::string>& files,
                         const std::vector<std::string>& names) const;

  private:
    std::filesystem::path recordPath(const std::string& name) const;

    std::filesystem::path outDir_;
    std::filesystem::path folder_;
};

// Flushes everything written to the file system that holds `folder` to
// disk: data, new names, renames. Throws WriteError.
void SyncFileSystem(const std::filesystem::path& folder);

// Removes, in one folder, the temporary files left for the given file names.
void RemoveTemporaryFiles(const std::filesystem::path& folder,
                          const std::vector<std::string>& fileNames);

}  // namespace velmor::batch
