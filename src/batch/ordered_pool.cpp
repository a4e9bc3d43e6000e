#include "batch/ordered_pool.hpp"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace velmor::batch {

namespace {

// Whether the process catches the signal; sending it otherwise would end the
// process (the flag may also be raised without a signal, by a caller).
bool Handled(int signal) {
    struct sigaction action {};
    if (sigaction(signal, nullptr, &action) != 0) return false;
    return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

}  // namespace

void OrderedPool::Run(std::size_t count, unsigned jobs, const Task& task, const Deliver& deliver,
                      const Tick& tick, const InterruptFlag& interrupt) {
    if (count == 0) return;
    if (jobs == 0) jobs = 1;
    if (jobs > count) jobs = static_cast<unsigned>(count);

    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::optional<StudyOutcome>> outcomes(count);
    std::atomic<std::size_t> next{0};
    std::vector<std::atomic<bool>> busy(jobs);

    auto work = [&](unsigned worker) {
        for (;;) {
            const std::size_t item = next.fetch_add(1);
            if (item >= count) break;
            busy[worker] = true;
            StudyOutcome outcome = task(worker, item);
            busy[worker] = false;
            {
                std::lock_guard lock(mutex);
                outcomes[item] = std::move(outcome);
            }
            finished.notify_one();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(jobs);
    for (unsigned w = 0; w < jobs; ++w) threads.emplace_back(work, w);

    for (std::size_t item = 0; item < count; ++item) {
        std::unique_lock lock(mutex);
        while (!outcomes[item]) {
            finished.wait_for(lock, std::chrono::milliseconds(250));
            if (outcomes[item]) break;
            lock.unlock();
            if (tick) tick();
            if (interrupt.raised() && Handled(interrupt.signal()))
                for (unsigned w = 0; w < jobs; ++w)
                    if (busy[w]) pthread_kill(threads[w].native_handle(), interrupt.signal());
            lock.lock();
        }
        StudyOutcome outcome = std::move(*outcomes[item]);
        outcomes[item].reset();
        lock.unlock();
        deliver(item, outcome);
        if (tick) tick();
    }
    for (std::thread& thread : threads) thread.join();
}

}  // namespace velmor::batch
