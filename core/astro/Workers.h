// Running one job on several threads at once, and how the long astronomical computations are
// told how many threads to use, when to stop and how to report progress: everything travels
// with the call, so two computations in one process never share settings.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

namespace astro {

struct Execution {
    int workers = 1; // threads; 0: one per core
    // When set and it becomes true, the computation stops at its next surrogate, window or rate
    // and says it was cancelled.
    const std::atomic<bool>* cancel = nullptr;
    // Called with the units done and the units in all (surrogates or windows), from the
    // workers, never two calls at once.
    std::function<void(std::size_t done, std::size_t total)> progress;

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
};

// The number of threads `workers` asks for (0: one per core), at least 1.
int workerCount(int workers);

// job(worker) on workerCount(workers) threads, the calling thread one of them; returns when
// all have returned.
void runOnWorkers(int workers, const std::function<void(int worker)>& job);

} // namespace astro
