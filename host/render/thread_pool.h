// A small work pool: `threads` workers (the caller being one of them) take
// job numbers 0 .. count-1 from one atomic counter until none are left.  Jobs
// must not depend on which worker runs them or in what order.
#pragma once

#include <functional>

namespace uvo_host {

// Runs job(index, worker) for every index; returns when all are done.
// Workers are numbered 0 .. threads-1 (0 is the calling thread).
void run_jobs(int count, int threads, const std::function<void(int index, int worker)> &job);

// Threads to use for a requested count (0: every core).
int resolve_thread_count(int requested);

}  // namespace uvo_host
