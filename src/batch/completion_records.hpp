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
//
// A record lists each file it vouches for with its size and SHA-256, and ends
// with the SHA-256 of everything before it, so that --resume keeps a
// condition only when its files are exactly the ones recorded and the record
// itself is as written. A condition's record is removed, durably, before any
// of its files is replaced: a run killed between the renames of one
// condition's files leaves no record vouching for the mix.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/sha256.hpp"

namespace velmor::batch {

inline constexpr const char* kRecordFolder = ".velmor-batch";

class CompletionRecords {
  public:
    explicit CompletionRecords(std::filesystem::path outDir);

    struct RecordedFile {
        std::string name;  // without its folder
        FileDigest digest;
    };
    struct Record {
        std::string name;
        std::uint64_t fingerprint = 0;
        std::vector<RecordedFile> files;
        std::string resultCells;
    };

    // What --resume makes of a condition: its result cells when it is
    // complete (a regular, intact record made for the same fingerprint, and
    // every file it lists of the size and hash recorded); otherwise why not,
    // empty when there is no record at all.
    struct Verdict {
        std::optional<std::string> cells;
        std::string why;
    };
    Verdict check(const std::string& name, std::uint64_t fingerprint) const;

    // Removes the records of conditions about to run (whatever they are: a
    // FIFO or a folder put there is removed too, or refused) and makes the
    // removal durable before returning, so that no record outlives the files
    // it vouched for. Throws WriteError.
    void forget(const std::vector<std::string>& names) const;
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
// With `onlyOfEndedProcesses`, only those whose process (the id in their
// name) no longer runs: where no lock keeps a second writer away, a live
// one's file stays.
void RemoveTemporaryFiles(const std::filesystem::path& folder,
                          const std::vector<std::string>& fileNames,
                          bool onlyOfEndedProcesses = false);

}  // namespace velmor::batch
