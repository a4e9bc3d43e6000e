#pragma once
// Runs the conditions of a batch on several threads and hands their outcomes
// back on the calling thread in condition order, whatever the order they
// finish in. Each task runs on one worker thread from start to end; all
// threads are joined before Run returns.

#include <cstddef>
#include <functional>

#include "batch/interruption.hpp"
#include "batch/study_runner.hpp"

namespace velmor::batch {

struct OrderedPool {
    // Runs one item on worker `worker` (0..jobs-1).
    using Task = std::function<StudyOutcome(std::size_t worker, std::size_t item)>;
    // Receives an item's outcome, in item order, on the calling thread.
    using Deliver = std::function<void(std::size_t item, StudyOutcome& outcome)>;
    // Called on the calling thread after each delivery and about four times
    // a second while it waits.
    using Tick = std::function<void()>;

    // Runs task for items 0..count-1 on `jobs` threads. Once `interrupt` is
    // raised the pool wakes workers blocked in a system call (a write to a
    // FIFO nobody reads) by signalling their threads; the tasks themselves
    // see the flag and return.
    static void Run(std::size_t count, unsigned jobs, const Task& task, const Deliver& deliver,
                    const Tick& tick, const InterruptFlag& interrupt);
};

}  // namespace velmor::batch
