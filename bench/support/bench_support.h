// What the shader benchmarks share: binding the library to one host or the
// other, registering a benchmark on both, directions over the sphere, and
// the premise lines printed once every benchmark has run (bench_main.h).
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_main.h"
#include "uvo/host_interface.h"

namespace uvo_bench {

// Which host the library is bound to: the test host (libuvo_testhost.so,
// every call recorded under a lock) or the minimal host of this executable
// (minimal_host.h).  Binding resets the chosen host's defaults.
enum class Host { test, minimal };
void bind_host(Host host);

// Registers `run` as "<name>/test_host" and "<name>/minimal_host", binding
// the host before each run.
using BothHostsRun = void (*)(benchmark::State &, Host);
void register_on_both_hosts(const char *name, BothHostsRun run);
#define UVO_BENCHMARK_ON_BOTH_HOSTS(run) \
    [[maybe_unused]] static const int run##_registered = (uvo_bench::register_on_both_hosts(#run, run), 0)

// Directions over the whole sphere (a golden-angle spiral), so that every
// region of an environment is visited.
std::vector<Vector3> sphere_directions(int n);

}  // namespace uvo_bench
