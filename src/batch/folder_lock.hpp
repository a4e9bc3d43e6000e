#pragma once
// One run per output folder. A run holds a lock on DIR/.velmor-batch/lock for
// as long as it runs; the kernel releases it when the process ends, however
// it ends (SIGKILL, a power loss), so a lock is never left behind.
//
// The lock is a POSIX record lock (fcntl) on one byte per condition of the
// grid: a whole run locks them all, shard K of N only its own conditions. So
// the shards of an array job share a folder, while a second run of the same
// conditions (a shard run twice, a whole run beside a shard) is refused at
// once, before it writes anything, with the holder's process id.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velmor::batch {

class FolderLock {
  public:
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&&) = delete;
    FolderLock(const FolderLock&) = delete;
    ~FolderLock();

    // Locks the conditions (numbers in the grid) in `outDir`; all of them
    // when `all`. A message when another run holds any of them or the lock
    // cannot be taken. A file system without record locks (an NFS mount
    // without its lock service) gives an unlocked FolderLock and a `warning`
    // to show: refusing every run there would leave a cluster without the
    // batch.
    static std::variant<FolderLock, std::string> Take(const std::filesystem::path& outDir,
                                                      const std::vector<std::size_t>& conditions,
                                                      bool all, std::string& warning);

  private:
    explicit FolderLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace velmor::batch
