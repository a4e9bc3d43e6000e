#include "core/fp_faults.hpp"

#include <cfenv>

#include "core/errors.hpp"

namespace velmor {

namespace {
constexpr int kFaultFlags = FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID;
}

void ClearFloatingPointFaults() noexcept {
    std::feclearexcept(kFaultFlags);
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
