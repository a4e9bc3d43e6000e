#pragma once
// The exit codes of velmor-batch, a run and a merge alike: 0 when everything
// succeeded, 1 when a condition or a write failed, 2 when the arguments
// contradict themselves (nothing ran), 128 + signal when stopped by SIGINT or
// SIGTERM (InterruptedExitCode).

namespace velmor::batch {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace velmor::batch
