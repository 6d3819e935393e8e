// Long runs on a thread of their own while R's thread looks for Ctrl+C or Esc.
#include "rpackage/Interface.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <exception>
#include <mutex>
#include <thread>

namespace rpackage {

namespace {

// How long R's thread waits between two looks for an interrupt.
constexpr std::chrono::milliseconds slice{50};

// Set by the tests: the next run raises SIGINT once it has made progress, as a user's Ctrl+C
// would, so that the whole path from R's signal handler to the cancelled run is exercised.
std::atomic<bool> interruptRequested{false};

class WatchedRun : public service::RunControl {
public:
    void progress(double /*percent*/) override { progressed.store(true); }
    std::atomic<bool> progressed{false};
};

// False when R has an interrupt pending (it is then taken: R is back to normal).
bool noInterrupt() {
    try {
        Rcpp::checkUserInterrupt();
        return true;
    } catch (const Rcpp::internal::InterruptedException&) {
        return false;
    }
}

} // namespace

void runInterruptibly(const std::function<void(service::RunControl&)>& job) {
    WatchedRun control;
    std::mutex m;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            job(control);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(m);
            done = true;
        }
        finished.notify_all();
    });
    bool interrupted = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m);
            if (finished.wait_for(lock, slice, [&] { return done; }))
                break;
        }
        if (control.progressed.load() && interruptRequested.exchange(false))
            std::raise(SIGINT);
        if (!noInterrupt()) {
            interrupted = true;
            control.cancel();
            break;
        }
    }
    worker.join(); // the engine is free again before R goes on
    if (interrupted)
        throw Rcpp::internal::InterruptedException();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace rpackage

// [[Rcpp::export(name = ".interrupt_next_run")]]
void interruptNextRun() {
    rpackage::interruptRequested.store(true);
}
