// Long computations run on a thread of their own, one at a time in the process, so that the
// interpreter stays responsive and Ctrl+C can stop them.
#pragma once

#include <atomic>
#include <functional>

namespace pymodule {

// Runs job(cancel) on a thread of its own, one job at a time in the process (the engine's
// working storage is static), while the calling thread, the GIL released, looks for Ctrl+C; on
// Ctrl+C the cancel flag is raised, the job waited for, and the pending Python error thrown
// (KeyboardInterrupt). An exception of the job is thrown again in the caller.
void runInterruptibly(const std::function<void(const std::atomic<bool>& cancel)>& job);

} // namespace pymodule
