#include "core/astro/Workers.h"

#include <thread>
#include <vector>

namespace astro {

int workerCount(int workers) {
    if (workers > 0)
        return workers;
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void runOnWorkers(int workers, const std::function<void(int)>& job) {
    const int count = workerCount(workers);
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(count - 1));
    for (int w = 1; w < count; ++w)
        threads.emplace_back(job, w);
    job(0);
    for (std::thread& t : threads)
        t.join();
}

} // namespace astro
