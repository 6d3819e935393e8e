#include "python/extension/InterruptibleRun.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace py = pybind11;

namespace pymodule {

namespace {

// How long the calling thread waits between two looks for Ctrl+C.
constexpr std::chrono::milliseconds slice{50};

// Waits with the GIL released until ready(), which waits at most a slice, holds. Between two
// slices the GIL is taken to run Python's signal handlers: false when one raised (Ctrl+C gives
// KeyboardInterrupt), the Python error then being set.
template <class Ready> bool waitInterruptibly(Ready ready) {
    while (!ready()) {
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() != 0)
            return false;
    }
    return true;
}

} // namespace

void runInterruptibly(const std::function<void(service::RunControl&)>& job) {
    service::RunControl control;
    std::mutex m;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    bool interrupted = false;
    {
        py::gil_scoped_release release;
        std::thread worker([&] {
            try {
                job(control);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(m);
                done = true;
            }
            finished.notify_all();
        });
        interrupted = !waitInterruptibly([&] {
            std::unique_lock<std::mutex> lock(m);
            return finished.wait_for(lock, slice, [&] { return done; });
        });
        if (interrupted)
            control.cancel();
        worker.join();
    } // the engine is free again before the GIL is taken back
    if (interrupted)
        throw py::error_already_set();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace pymodule
