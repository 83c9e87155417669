// One uvo_envblur look-up on a 256 x 256 map, at a small blur (a disc of 2.6
// texels on level 0), at the widest disc the level choice allows (16 texels on
// level 3) and at a huge blur (which ends on the 1 x 1 level), on the test
// host and on the minimal host.
//
// Images live in in-memory pyramids (image_store.h) that either host hands
// out, so the minimal host's figures hold the shader's own work plus one
// plain function call per texel.  Premise, checked and printed per benchmark:
// the environment is constant, so every look-up must return it, and the
// texels read per look-up stay within 32 x 32.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "envblur/envblur.h"
#include "image_store.h"
#include "minimal_host.h"

using uvo_bench::Host;

namespace {

const Color constant{0.25f, 0.5f, 0.75f, 1.0f};

// Argument: blur_amount x 10.
void run_lookup(benchmark::State &bench, Host on, int64_t blur_x10) {
    uvo_test::ImageStore store;
    if (on == Host::test) {
        uvo_test::script_images(store);
        uvo_test::host().script.rx_trace_environment = [](Color *result, ShadingState *, const Vector3 *) {
            *result = constant;
            return Boolean(1);
        };
    } else {
        uvo_bench::minimal_host().images = &store;
        uvo_bench::minimal_host().environment_color = constant;
    }
    ShadingState state{};
    Camera camera{};
    ShaderRecord shader{};
    state.camera = &camera;
    state.shader = &shader;
    state.direction = Vector3{0.0f, 0.0f, 1.0f};
    uvo::EnvBlurParams params{};
    params.map_resolution = 256;
    params.blur_amount = static_cast<float>(blur_x10) / 10.0f;
    Boolean request;
    uvo::uvo_envblur_init(&state, &params, &request);

    const std::vector<Vector3> dirs = uvo_bench::sphere_directions(1024);
    const long reads_before = store.reads;
    int64_t lookups = 0, wrong = 0;
    for (auto _ : bench) {
        state.direction = dirs[lookups++ & 1023];
        Color result{0.0f, 0.0f, 0.0f, 1.0f};
        uvo::uvo_envblur(&result, &state, &params);
        wrong += std::fabs(result.r - constant.r) > 1e-5f || std::fabs(result.b - constant.b) > 1e-5f;
        benchmark::DoNotOptimize(result);
        if (on == Host::test && (lookups & 1023) == 0)
            uvo_test::host().calls.clear();
    }
    const double texels = static_cast<double>(store.reads - reads_before) / static_cast<double>(lookups);
    uvo::uvo_envblur_exit(&state, &params);
    uvo_bench::minimal_host().images = nullptr;

    bench.counters["texels_per_lookup"] = texels;
    char line[240];
    std::snprintf(line, sizeof line,
                  "premise, blur_amount %g, %s host: %lld of %lld look-ups returned the constant environment, "
                  "%.1f texels read per look-up (bound 1024)%s",
                  params.blur_amount, on == Host::test ? "test" : "minimal", static_cast<long long>(lookups - wrong),
                  static_cast<long long>(lookups), texels, wrong == 0 && texels <= 1024.0 ? "" : "  PREMISE FAILED");
    uvo_bench::print_after_run(std::to_string(blur_x10) + (on == Host::test ? "t" : "m"), line);
    if (wrong != 0 || texels > 1024.0)
        bench.SkipWithError("premise failed: wrong colour or too many texels");
}

void BM_EnvBlurLookup_blur0_1(benchmark::State &bench, Host on) { run_lookup(bench, on, 1); }
void BM_EnvBlurLookup_blur5(benchmark::State &bench, Host on) { run_lookup(bench, on, 50); }
void BM_EnvBlurLookup_blur1000(benchmark::State &bench, Host on) { run_lookup(bench, on, 10000); }
UVO_BENCHMARK_ON_BOTH_HOSTS(BM_EnvBlurLookup_blur0_1);
UVO_BENCHMARK_ON_BOTH_HOSTS(BM_EnvBlurLookup_blur5);
UVO_BENCHMARK_ON_BOTH_HOSTS(BM_EnvBlurLookup_blur1000);

}  // namespace
