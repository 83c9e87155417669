#include "render/thread_pool.h"

#include <atomic>
#include <thread>
#include <vector>

namespace uvo_host {

int resolve_thread_count(int requested) {
    if (requested > 0)
        return requested;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

void run_jobs(int count, int threads, const std::function<void(int, int)> &job) {
    std::atomic<int> next{0};
    auto worker = [&](int id) {
        for (int index = next.fetch_add(1); index < count; index = next.fetch_add(1))
            job(index, id);
    };
    std::vector<std::thread> pool;
    const int extra = std::max(0, std::min(threads, count) - 1);
    pool.reserve(static_cast<size_t>(extra));
    for (int id = 1; id <= extra; ++id)
        pool.emplace_back(worker, id);
    worker(0);
    for (std::thread &t : pool)
        t.join();
}

}  // namespace uvo_host
