// Entry of the benchmarks that run the library against the test host: bind
// the host functions to it, then run the registered benchmarks.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

extern "C" void rxSetModuleHandle(void *module);

int main(int argc, char **argv) {
    void *module = dlopen("libuvo_testhost.so", RTLD_NOW | RTLD_NOLOAD);
    if (module == nullptr)
        return 1;
    rxSetModuleHandle(module);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
