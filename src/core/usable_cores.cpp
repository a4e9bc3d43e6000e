#include "core/usable_cores.hpp"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace velmor {

unsigned UsableCores() {
    unsigned cores = std::thread::hardware_concurrency();
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const auto allowed = static_cast<unsigned>(CPU_COUNT(&set));
        if (allowed > 0 && (cores == 0 || allowed < cores)) cores = allowed;
    }
#endif
    return std::max(1u, cores);
}

}  // namespace velmor
