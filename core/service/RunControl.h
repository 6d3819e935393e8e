// What a long computation tells its caller while it goes on, and how the caller stops it. One
// object per run; the computation calls it on its own thread, the caller may cancel from any.
#pragma once

#include <atomic>
#include <cstddef>

namespace service {

class RunControl {
public:
    virtual ~RunControl() = default;

    // Share of the work done, 0 to 100.
    virtual void progress(double /*percent*/) {}
    // The first `rows` result rows are final: a caller may consume them while the run goes on.
    virtual void rowsReady(std::size_t /*rows*/) {}

    // Asks the run to end at its next unit of work (a window, a surrogate series).
    void cancel() { cancelled_.store(true); }
    bool cancelled() const { return cancelled_.load(); }
    const std::atomic<bool>& cancelFlag() const { return cancelled_; }

private:
    std::atomic<bool> cancelled_{false};
};

} // namespace service
