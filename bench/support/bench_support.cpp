// Host binding, registration on both hosts, and the main of the benchmark
// executables without one of their own.
#include "bench_support.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "minimal_host.h"
#include "test_host.h"

extern "C" void rxSetModuleHandle(void *module);

namespace uvo_bench {

void bind_host(Host host) {
    if (host == Host::test) {
        uvo_test::host().reset();
        rxSetModuleHandle(dlopen("libuvo_testhost.so", RTLD_NOW | RTLD_NOLOAD));
    } else {
        reset_minimal_host();
        // This executable's own exports come first in its global scope.
        rxSetModuleHandle(dlopen(nullptr, RTLD_NOW));
    }
}

void register_on_both_hosts(const char *name, BothHostsRun run) {
    benchmark::RegisterBenchmark((std::string(name) + "/test_host").c_str(), [run](benchmark::State &state) {
        bind_host(Host::test);
        run(state, Host::test);
    });
    benchmark::RegisterBenchmark((std::string(name) + "/minimal_host").c_str(), [run](benchmark::State &state) {
        bind_host(Host::minimal);
        run(state, Host::minimal);
    });
}

std::vector<Vector3> sphere_directions(int n) {
    std::vector<Vector3> dirs;
    const double golden = std::numbers::pi * (3.0 - std::sqrt(5.0));
    for (int i = 0; i < n; ++i) {
        const double z = 1.0 - 2.0 * (i + 0.5) / n, r = std::sqrt(1.0 - z * z), phi = golden * i;
        dirs.push_back(Vector3{static_cast<float>(r * std::cos(phi)), static_cast<float>(r * std::sin(phi)),
                               static_cast<float>(z)});
    }
    return dirs;
}

}  // namespace uvo_bench
