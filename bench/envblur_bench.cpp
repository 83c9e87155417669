// One uvo_envblur look-up on a 256 x 256 map, at a small blur (a disc of 2.6
// texels on level 0), at the widest disc the level choice allows (16 texels on
// level 3) and at a huge blur (which ends on the 1 x 1 level).
//
// The image and database functions are defined here, in the executable, over
// in-memory pyramids, so the figures hold the shader's own work plus one
// plain function call per texel.  Premise, checked and printed per benchmark: the
// environment is constant, so every look-up must return it, and the texels
// read per look-up stay within 32 x 32.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "envblur/envblur.h"
#include "image_store.h"

extern "C" void rxSetModuleHandle(void *module);

namespace {

uvo_test::ImageStore store;
const Color constant{0.25f, 0.5f, 0.75f, 1.0f};

}  // namespace

#define BENCH_HOST extern "C" __attribute__((visibility("default")))

BENCH_HOST HostImage *rx_img_image_dbcreate(const HostImageDesc *desc, Tag *tag) { return store.create(desc, tag); }
BENCH_HOST HostImage *rx_img_pyramid_get_level(HostImage *image, int32_t level, int32_t *width, int32_t *height) {
    return store.level(image, level, width, height);
}
BENCH_HOST void rx_img_get_color(const HostImage *image, Color *color, int32_t x, int32_t y) {
    store.get(image, color, x, y);
}
BENCH_HOST void rx_img_put_color(HostImage *image, const Color *color, int32_t x, int32_t y) {
    store.put(image, color, x, y);
}
BENCH_HOST void *rx_db_access(Tag tag) { return store.access(tag); }
BENCH_HOST void rx_db_unpin(Tag tag) { store.unpin(tag); }
BENCH_HOST void rx_db_delete(Tag tag) { store.erase(tag); }
BENCH_HOST void rx_scene_edit_end(Tag) {}
BENCH_HOST Boolean rx_trace_environment(Color *result, ShadingState *, const Vector3 *) {
    *result = constant;
    return 1;
}
BENCH_HOST void *rx_mem_int_allocate(const char *, int32_t, size_t size) { return std::calloc(1, size); }
BENCH_HOST void rx_mem_int_release(const char *, int32_t, void *memory) { std::free(memory); }
BENCH_HOST void rx_progress(const char *, ...) {}
BENCH_HOST void rx_vector_to_camera(ShadingState *, Vector3 *out, const Vector3 *in) { *out = *in; }
BENCH_HOST void rx_vector_from_camera(ShadingState *, Vector3 *out, const Vector3 *in) { *out = *in; }

namespace {

void *user_slot = nullptr;
std::map<int64_t, std::string> premises;  // per argument, printed after the run

}  // namespace

BENCH_HOST Boolean rx_query(int32_t code, ShadingState *, Tag, void *answer) {
    if (code != UVO_QUERY_USER_DATA_SLOT)
        return 0;
    *static_cast<void ***>(answer) = &user_slot;
    return 1;
}

namespace {

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

// Argument: blur_amount x 10.
void BM_EnvBlurLookup(benchmark::State &bench) {
    ShadingState state{};
    Camera camera{};
    ShaderRecord shader{};
    state.camera = &camera;
    state.shader = &shader;
    state.direction = Vector3{0.0f, 0.0f, 1.0f};
    uvo::EnvBlurParams params{};
    params.map_resolution = 256;
    params.blur_amount = static_cast<float>(bench.range(0)) / 10.0f;
    Boolean request;
    uvo::uvo_envblur_init(&state, &params, &request);

    const std::vector<Vector3> dirs = sphere_directions(1024);
    const long reads_before = store.reads;
    int64_t lookups = 0, wrong = 0;
    for (auto _ : bench) {
        state.direction = dirs[lookups++ & 1023];
        Color result{0.0f, 0.0f, 0.0f, 1.0f};
        uvo::uvo_envblur(&result, &state, &params);
        wrong += std::fabs(result.r - constant.r) > 1e-5f || std::fabs(result.b - constant.b) > 1e-5f;
        benchmark::DoNotOptimize(result);
    }
    const double texels = static_cast<double>(store.reads - reads_before) / static_cast<double>(lookups);
    uvo::uvo_envblur_exit(&state, &params);

    bench.counters["texels_per_lookup"] = texels;
    char line[200];
    std::snprintf(line, sizeof line,
                  "premise, blur_amount %g: %lld of %lld look-ups returned the constant environment, %.1f texels "
                  "read per look-up (bound 1024)%s",
                  params.blur_amount, static_cast<long long>(lookups - wrong), static_cast<long long>(lookups),
                  texels, wrong == 0 && texels <= 1024.0 ? "" : "  PREMISE FAILED");
    premises[bench.range(0)] = line;  // the last, longest run of each argument is kept
    if (wrong != 0 || texels > 1024.0)
        bench.SkipWithError("premise failed: wrong colour or too many texels");
}
BENCHMARK(BM_EnvBlurLookup)->ArgName("blur_x10")->Arg(1)->Arg(50)->Arg(10000);

}  // namespace

int main(int argc, char **argv) {
    rxSetModuleHandle(dlopen(nullptr, RTLD_NOW));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto &[arg, line] : premises)
        std::printf("%s\n", line.c_str());
    return 0;
}
