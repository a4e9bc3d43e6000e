#pragma once
// How many processors this process may run on.

namespace velmor {

// The cores in the process's affinity mask (a cgroup or taskset may confine
// it to fewer than the machine has), else the hardware's count; at least 1.
unsigned UsableCores();

}  // namespace velmor
