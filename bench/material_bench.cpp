// Cost of one uvo_material_x main-path call (a camera ray) for a diffuse-only
// material and for a fully layered one, with every host service answering at
// once: one light sample per light, traces that hit at once with a fixed
// colour, an indirect-light answer without work, occlusion probes that miss.
//
// Each runs on the test host, which records every host call (a lock and a
// push of two strings), and on the minimal host, which gives the same
// answers without recording: the second figure is the library's own time.
// BM_RecordedHostCall times one recorded no-op host call, and the test-host
// runs report their host calls per shading call ("host_calls").
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstddef>

#include "bench_support.h"
#include "frame/binding.h"
#include "minimal_host.h"
#include "test_host.h"
#include "xmtl/material_records.h"
#include "xmtl/material_shader.h"

using namespace uvo;
using uvo_bench::Host;
using uvo_test::host;

namespace {

// The block followed by room for light Tags past its array.
struct Block {
    MaterialParams p;
    Tag more[4];
};

void set_lights(Block &b, int32_t count) {
    b.p.lights.index = 0;
    b.p.lights.count = count;
    Tag *at = reinterpret_cast<Tag *>(reinterpret_cast<char *>(&b) + offsetof(MaterialParams, lights.elements));
    for (int32_t k = 0; k < count; ++k)
        at[k] = static_cast<Tag>(5 + k);
}

void diffuse_only(MaterialParams &p) {
    p.diffuse_weight = 1.0f;
    p.diffuse_color = Color{0.7f, 0.7f, 0.7f, 1.0f};
    p.reflection_color = Color{1.0f, 1.0f, 1.0f, 1.0f};
    p.refraction_color = Color{1.0f, 1.0f, 1.0f, 1.0f};
    p.refraction_ior = 1.5f;
    p.anisotropy = 1.0f;
    p.reflectance_normal = 0.2f;
    p.reflectance_grazing = 1.0f;
    p.reflectance_curve = 5.0f;
    p.cutout_opacity = 1.0f;
    p.highlight_weight = 1.0f;
    p.indirect_multiplier = 1.0f;
    p.indirect_quality = 1.0f;
}

// Glossy anisotropic reflection (4 rays), glossy refraction (4 rays) with
// falloff, translucency, both bump vectors, ambient occlusion (4 probes),
// Fresnel, energy conservation, additional colour and propagated alpha.
void layered(MaterialParams &p) {
    diffuse_only(p);
    p.diffuse_roughness = 0.3f;
    p.reflectivity = 0.8f;
    p.reflection_glossiness = 0.6f;
    p.reflection_samples = 4;
    p.transparency = 0.5f;
    p.refraction_glossiness = 0.8f;
    p.refraction_samples = 4;
    p.translucency_enable = 1;
    p.translucency_color = Color{0.9f, 0.8f, 0.7f, 1.0f};
    p.translucency_weight = 0.3f;
    p.anisotropy = 0.5f;
    p.anisotropy_rotation = 0.125f;
    p.fresnel_from_ior = 1;
    p.conserve_energy = 1;
    p.refraction_falloff_enable = 1;
    p.refraction_falloff_distance = 2.0f;
    p.refraction_falloff_color_enable = 1;
    p.refraction_falloff_color = Color{0.5f, 0.6f, 0.7f, 1.0f};
    p.ao_mode = 1;
    p.ao_samples = 4;
    p.ao_distance = 1.0f;
    p.ao_dark_color = Color{0.1f, 0.1f, 0.1f, 1.0f};
    p.ao_ambient_color = Color{0.2f, 0.2f, 0.2f, 1.0f};
    p.thin_walled_mode = 1;
    p.propagate_alpha = 1;
    p.additional_color = Color{0.01f, 0.01f, 0.01f, 0.0f};
    p.bump_mode = 1;
    p.overall_bump = Vector3{0.05f, 0.02f, 0.0f};
    p.standard_bump = Vector3{0.01f, 0.03f, 0.0f};
    p.multiple_outputs = 1;
}

// Host services that answer at once.
void script_instant_host(ShadingState *child) {
    auto &s = host().script;
    s.rx_sample_light = [](Color *c, Vector3 *d, float *m, ShadingState *, Tag light, int32_t *count) -> Boolean {
        if (light == 0 || *count >= 1)
            return 0;
        *c = Color{1.0f, 1.0f, 1.0f, 1.0f};
        *d = Vector3{0.0f, 0.6f, 0.8f};
        *m = 0.8f;
        ++*count;
        return 1;
    };
    static int hit_object = 0;
    auto hit = [child](Color *c) -> Boolean {
        *c = Color{0.3f, 0.4f, 0.5f, 1.0f};
        child->distance = 1.0;
        child->hit_object = &hit_object;
        return 1;
    };
    s.rx_trace_reflection = [hit](Color *c, ShadingState *, const Vector3 *) { return hit(c); };
    s.rx_trace_refraction = [hit](Color *c, ShadingState *, const Vector3 *) { return hit(c); };
    s.rx_trace_environment = [](Color *c, ShadingState *, const Vector3 *) -> Boolean {
        *c = Color{0.1f, 0.2f, 0.3f, 1.0f};
        return 1;
    };
    s.rx_compute_avg_radiance = [](Color *c, ShadingState *, int32_t, const IndirectRequest *) -> Boolean {
        *c = Color{0.05f, 0.05f, 0.05f, 1.0f};
        return 1;
    };
    s.rx_fresnel_reflection = [](ShadingState *, float, float) { return 0.04f; };
    s.rx_ward_anisglossy = [](const Vector3 *, const Vector3 *, const Vector3 *, const Vector3 *, const Vector3 *,
                              float, float) { return 0.5f; };
    auto lobe = [](Vector3 *d, ShadingState *st) { *d = Vector3{-st->direction.x, -st->direction.y, -st->direction.z}; };
    s.rx_reflection_dir_glossy_x = [lobe](Vector3 *d, ShadingState *st, float, const double *) { lobe(d, st); };
    s.rx_reflection_dir_anisglossy_x = [lobe](Vector3 *d, ShadingState *st, const Vector3 *, const Vector3 *, float,
                                              float, const double *) { lobe(d, st); };
    s.rx_transmission_dir_anisglossy_x = [](Vector3 *d, ShadingState *st, float, float, const Vector3 *,
                                            const Vector3 *, float, float, const double *) -> Boolean {
        *d = st->direction;
        return 1;
    };
    s.rx_transmission_dir_glossy_x = [](Vector3 *d, ShadingState *st, float, float, float, const double *) -> Boolean {
        *d = st->direction;
        return 1;
    };
}

void run_material(benchmark::State &bench, Host on, void (*configure)(MaterialParams &)) {
    uvo_test::StateFixture f;
    ShadingState child{};
    f.state.child = &child;
    uvo_test::ParamBlock<Block> block;
    block.attach(f.shader, false);  // plain values: no evaluation calls
    configure(block->p);
    set_lights(*block, 1);
    script_instant_host(&child);  // the minimal host answers so by itself
    host().declaration_version = material_x_version;
    uvo_bench::minimal_host().declaration_version = material_x_version;
    Boolean request = 0;
    uvo_material_x_init(&f.state, nullptr, &request);
    uvo_material_x_init(&f.state, &block->p, &request);

    MaterialOutputs outputs{};
    host().calls.clear();
    uvo_material_x(&outputs.result, &f.state, &block->p);
    const double calls_per_shade = static_cast<double>(host().calls.size());

    int64_t i = 0;
    for (auto _ : bench) {
        uvo_material_x(&outputs.result, &f.state, &block->p);
        benchmark::DoNotOptimize(outputs);
        if ((++i & 255) == 0)
            host().calls.clear();
    }
    if (on == Host::test)
        bench.counters["host_calls"] = calls_per_shade;
    uvo_material_x_exit(&f.state, &block->p);
    uvo_material_x_exit(&f.state, nullptr);
}

void BM_MaterialDiffuseOnly(benchmark::State &bench, Host on) { run_material(bench, on, diffuse_only); }
UVO_BENCHMARK_ON_BOTH_HOSTS(BM_MaterialDiffuseOnly);

void BM_MaterialLayered(benchmark::State &bench, Host on) { run_material(bench, on, layered); }
UVO_BENCHMARK_ON_BOTH_HOSTS(BM_MaterialLayered);

// One host call that does nothing but what the test host does for every call:
// look up its script, record the call.
void BM_RecordedHostCall(benchmark::State &bench) {
    uvo_bench::bind_host(Host::test);
    int64_t i = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(uvo::rx_par_aborted());
        if ((++i & 255) == 0)
            host().calls.clear();
    }
    host().reset();
}
BENCHMARK(BM_RecordedHostCall);

}  // namespace
