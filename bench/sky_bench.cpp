// Cost per call of the daylight shaders on the test host (every host call
// recorded under a lock) and on the minimal host (fixed answers, nothing
// recorded: the library's own cost), and of the model's sky_color alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "bench_support.h"
#include "minimal_host.h"
#include "sky/cie_sky.h"
#include "sky/physical_sky.h"
#include "sky/sky_model.h"
#include "test_host.h"

using namespace uvo;
using uvo_bench::Host;
using uvo_test::host;

namespace {

void cosine_hemisphere(Vector3 *d, ShadingState *, const double *s) {
    const double phi = 2.0 * std::numbers::pi * s[0], r = std::sqrt(s[1]);
    *d = Vector3{static_cast<float>(r * std::cos(phi)), static_cast<float>(r * std::sin(phi)),
                 static_cast<float>(std::sqrt(1.0 - s[1]))};
}

// An environment call on either host.
void as_environment(Host on) {
    if (on == Host::test) {
        host().script.rx_reflection_dir_diffuse_x = cosine_hemisphere;
        host().call_kind = UVO_SHADER_ENVIRONMENT;
    } else {
        uvo_bench::minimal_host().call_kind = UVO_SHADER_ENVIRONMENT;
    }
}

// The test host keeps a record of every call; drop it now and then.
inline void trim_host_records(int64_t i) {
    if ((i & 1023) == 0)
        host().calls.clear();
}

// sky_color as the physical sky calls it: the terms of the sun and the haze
// taken once (at init), the direction per call.  BM_SkyColorWholeModel does
// the whole model per call.
void BM_SkyColor(benchmark::State &bench) {
    SkyInstance sky{};
    sky.sun_direction = Vector3{0.0f, 0.5f, 0.8660254f};
    sky.turbidity = 3.0f;
    SkyTerms terms;
    sky_terms(sky.sun_direction, 3.0f, 0, terms);
    std::vector<Vector3> dirs = uvo_bench::sphere_directions(1024);
    for (Vector3 &d : dirs)
        d = lift_above_horizon(d);
    size_t i = 0;
    for (auto _ : bench) {
        const Color c = sky_color(terms, dirs[i++ & 1023], sky);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_SkyColor);

void BM_SkyColorWholeModel(benchmark::State &bench) {
    SkyInstance sky{};
    sky.sun_direction = Vector3{0.0f, 0.5f, 0.8660254f};
    sky.turbidity = 3.0f;
    std::vector<Vector3> dirs = uvo_bench::sphere_directions(1024);
    for (Vector3 &d : dirs)
        d = lift_above_horizon(d);
    size_t i = 0;
    for (auto _ : bench) {
        const Color c = sky_color(sky.sun_direction, dirs[i++ & 1023], 3.0f, 0, sky);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_SkyColorWholeModel);

void BM_PhysicalSkyEnvironment(benchmark::State &bench, Host on) {
    as_environment(on);
    uvo_test::StateFixture f;
    f.state.ray_type = UVO_RAY_REFLECT;
    PhysicalSkyParams p{};
    p.enabled = 1;
    p.intensity = 1.0f;
    p.rgb_scale = Color{1.25e-5f, 1.25e-5f, 1.25e-5f, 1.0f};
    p.haze_level = 1.0f;
    p.saturation_level = 1.0f;
    p.horizon_softness = 0.5f;
    p.ground_tint = Color{0.2f, 0.2f, 0.2f, 1.0f};
    p.sun_vector = Vector3{0.0f, 0.5f, 0.8660254f};
    p.disc_brightness = 1.0f;
    p.disc_size = 1.0f;
    p.glow_brightness = 1.0f;
    f.shader.parameters = &p;
    Boolean request;
    uvo_physicalsky_init(&f.state, &p, &request);
    const std::vector<Vector3> dirs = uvo_bench::sphere_directions(1024);
    Color result;
    int64_t i = 0;
    for (auto _ : bench) {
        f.state.direction = dirs[i & 1023];
        uvo_physicalsky(&result, &f.state, &p);
        benchmark::DoNotOptimize(result);
        trim_host_records(++i);
    }
    uvo_physicalsky_exit(&f.state, &p);
}
UVO_BENCHMARK_ON_BOTH_HOSTS(BM_PhysicalSkyEnvironment);

void BM_CieSky(benchmark::State &bench, Host on) {
    as_environment(on);
    uvo_test::StateFixture f;
    CieSkyParams p{};
    p.enabled = 1;
    p.zenith_luminance = 8000.0f;
    p.overcast_fraction = 0.3f;
    p.sun_vector = Vector3{0.0f, 0.5f, 0.8660254f};
    f.shader.parameters = &p;
    Boolean request;
    uvo_ciesky_init(&f.state, &p, &request);
    const std::vector<Vector3> dirs = uvo_bench::sphere_directions(1024);
    Color result;
    int64_t i = 0;
    for (auto _ : bench) {
        f.state.direction = dirs[i & 1023];
        uvo_ciesky(&result, &f.state, &p);
        benchmark::DoNotOptimize(result);
        trim_host_records(++i);
    }
    uvo_ciesky_exit(&f.state, &p);
}
UVO_BENCHMARK_ON_BOTH_HOSTS(BM_CieSky);

}  // namespace
