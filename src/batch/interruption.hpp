#pragma once
// SIGINT and SIGTERM stop the batch as the Stop button stops a run: the
// handler only records the signal, and the study in flight sees it at its
// next replication or resampling stop check (through the platform's event
// pump), keeps none of its files, and the batch writes what was complete.

#include <atomic>
#include <string>

namespace velmor::batch {

// The signal that asked the batch to stop (SIGINT or SIGTERM), or 0. Written
// only by the signal handler; a lock-free atomic is safe to touch there.
class InterruptFlag {
  public:
    static_assert(std::atomic<int>::is_always_lock_free);
    bool raised() const { return signal_.load(std::memory_order_relaxed) != 0; }
    int signal() const { return signal_.load(std::memory_order_relaxed); }
    // For the handler, and for tests that stop a study without a signal.
    void raise(int signal) {
        int none = 0;
        signal_.compare_exchange_strong(none, signal, std::memory_order_relaxed);
    }

  private:
    std::atomic<int> signal_{0};
};

// Installs handlers for SIGINT and SIGTERM that raise `flag` (the first signal
// is the one kept; a signal the process was started ignoring stays ignored),
// without SA_RESTART, so that a write blocked on a pipe
// returns and can give up. SIGPIPE is ignored: a reader that went away is a
// failed write (I/O error 32), reported like any other. `flag` must live as
// long as the process.
void InstallInterruptHandlers(InterruptFlag& flag);

// The exit status of a process that stopped on this signal: 128 + signal.
int InterruptedExitCode(int signal);

// "SIGINT", "SIGTERM", or "a signal" for any other.
const char* SignalName(int signal);

// "stopped by SIGINT": what a study stopped by the raised flag says.
std::string StoppedBy(const InterruptFlag& flag);

}  // namespace velmor::batch
