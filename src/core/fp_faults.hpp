#pragma once
// Floating-point faults are errors, not silent infinities. The hardware keeps
// sticky flags for overflow, division by zero and invalid operations; a
// command clears them when it starts and checks them at each point where a
// fault must abandon it (once per replication is cheap: two status reads).

namespace velmor {

// Clears the overflow, division-by-zero and invalid-operation flags.
void ClearFloatingPointFaults() noexcept;

// Throws FloatingPointFault when one of the three flags is set, clearing the
// flags first so that the next command starts clean. When several are set the
// message names the one most likely to have come first: an overflow can lead to
// a division by zero (1/(1/huge)), and either can lead to an invalid operation
// (inf - inf, 0 * inf), but not the other way round.
void RaiseFloatingPointFaults();

// The flags are the calling thread's own. A thread whose arithmetic serves a
// command on another thread hands its faults over: it takes them (reads and
// clears the three flags, returning them as a bit set) and the command's
// thread sets them on itself, where RaiseFloatingPointFaults sees them.
int TakeFloatingPointFaults() noexcept;
void SetFloatingPointFaults(int faults) noexcept;

}  // namespace velmor
