// Long computations run on a thread of their own, so that the interpreter stays responsive and
// Ctrl+C can stop them.
#pragma once

#include "core/service/RunControl.h"

#include <functional>

namespace pymodule {

// Runs job(control) on a thread of its own while the calling thread, the GIL released, looks
// for Ctrl+C; on Ctrl+C the run is cancelled through its control (the analysis service stops
// at its next unit of work, or while it waits for its turn at the engine), the job waited for,
// and the pending Python error thrown (KeyboardInterrupt). An exception of the job is thrown
// again in the caller.
void runInterruptibly(const std::function<void(service::RunControl& control)>& job);

} // namespace pymodule
