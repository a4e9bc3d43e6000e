#include "core/fp_faults.hpp"

#include <cfenv>

#include "core/errors.hpp"

namespace velmor {

namespace {
constexpr int kFaultFlags = FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID;
}

void ClearFloatingPointFaults() noexcept {
    // Reading the flags is cheap; clearing rewrites the whole x87 environment.
    // The run loop clears once per replication, nearly always with nothing set.
    if (std::fetestexcept(kFaultFlags) != 0) std::feclearexcept(kFaultFlags);
}

int TakeFloatingPointFaults() noexcept {
    const int raised = std::fetestexcept(kFaultFlags);
    if (raised != 0) std::feclearexcept(kFaultFlags);
    return raised;
}

void SetFloatingPointFaults(int faults) noexcept {
    // Only sets the flags: no fault traps are enabled.
    if ((faults & kFaultFlags) != 0) std::feraiseexcept(faults & kFaultFlags);
}

void RaiseFloatingPointFaults() {
    const int raised = std::fetestexcept(kFaultFlags);
    if (raised == 0) return;
    std::feclearexcept(kFaultFlags);
    if (raised & FE_OVERFLOW) throw FloatingPointFault("Floating point overflow");
    if (raised & FE_DIVBYZERO) throw FloatingPointFault("Floating point division by zero");
    throw FloatingPointFault("Invalid floating point operation");
}

}  // namespace velmor
