// Cost of the lazy binding: a host call through a bound stub against a direct
// call of the same function, and one importance push/pop pair.
//
// The host functions are defined here, in the executable, and exported so the
// stubs bind to them through dlopen(NULL).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstring>

#include "frame/binding.h"
#include "frame/importance.h"

extern "C" void rxSetModuleHandle(void *module);

namespace {
float stored_value;
bool stored = false;
}  // namespace

extern "C" __attribute__((visibility("default"), noinline)) float rx_luminance(ShadingState *, const Color *c) {
    return 0.299f * c->r + 0.587f * c->g + 0.114f * c->b;
}

extern "C" __attribute__((visibility("default"))) void *rx_shaderstate_get(ShadingState *, const char *, int32_t *size) {
    if (size != nullptr)
        *size = sizeof stored_value;
    return stored ? &stored_value : nullptr;
}

extern "C" __attribute__((visibility("default"))) void *rx_shaderstate_set(ShadingState *, const char *,
                                                                           const void *value, int32_t size, int32_t) {
    stored = value != nullptr && size == sizeof stored_value;
    if (stored)
        std::memcpy(&stored_value, value, sizeof stored_value);
    return stored ? &stored_value : nullptr;
}

namespace {

void bind_to_this_program() { rxSetModuleHandle(dlopen(nullptr, RTLD_NOW)); }

void BM_DirectCall(benchmark::State &state) {
    // Through a volatile pointer, so the compiler cannot inline the host function.
    float (*volatile direct)(ShadingState *, const Color *) = &::rx_luminance;
    Color c{0.5f, 0.25f, 0.125f, 1.0f};
    for (auto _ : state) {
        benchmark::DoNotOptimize(c);
        benchmark::DoNotOptimize(direct(nullptr, &c));
    }
}
BENCHMARK(BM_DirectCall);

void BM_BoundStubCall(benchmark::State &state) {
    bind_to_this_program();
    Color c{0.5f, 0.25f, 0.125f, 1.0f};
    uvo::rx_luminance(nullptr, &c);  // binds the slot
    for (auto _ : state) {
        benchmark::DoNotOptimize(c);
        benchmark::DoNotOptimize(uvo::rx_luminance(nullptr, &c));
    }
}
BENCHMARK(BM_BoundStubCall);

void BM_PushPopImportance(benchmark::State &state) {
    bind_to_this_program();
    ShadingState s{};
    RenderOptions options{};
    s.options = &options;
    stored = false;
    for (auto _ : state) {
        uvo::ImportanceFrame frame;
        int32_t count = 16;
        benchmark::DoNotOptimize(uvo::push_importance(&s, &frame, &count, 0.25f));
        uvo::pop_importance(&s, &frame);
    }
}
BENCHMARK(BM_PushPopImportance);

}  // namespace

BENCHMARK_MAIN();
