// Cost of one portal light sample (the light-ray call the host makes for each
// sample of the window) against the test host, and of the geometric weight
// alone.  The shader figure includes the test host's bookkeeping (every host
// call is recorded under a lock), so it is an upper bound of what a real host
// sees; the environment is the white of environment 0 and no shadow ray is
// traced, so neither the sky nor the tracer is in it.
//
// Premise, printed and counted: every sampled point lies in front of the
// opening, so every call must return 1 with light (lit_fraction = 1).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "portal/portal_light.h"
#include "portal/portal_model.h"
#include "thread_cells.h"

using namespace uvo;
using uvo_test::host;

namespace {

// Points in front of a 2 x 1 opening: a quarter within the near field
// (r < a + b), the rest out to ten opening sizes away.
std::vector<Vector3> lit_points(int n) {
    std::vector<Vector3> points;
    uint32_t h = 12345;
    auto next = [&h] {
        h = h * 1664525u + 1013904223u;
        return (h >> 8) * (1.0f / 16777216.0f);
    };
    for (int i = 0; i < n; ++i) {
        const float reach = i % 4 == 0 ? 2.5f : 30.0f;
        points.push_back(Vector3{(next() - 0.5f) * reach, (next() - 0.5f) * reach, -0.05f - next() * reach});
    }
    return points;
}

void BM_PortalLightSample(benchmark::State &bench) {
    // The light records below are scripted on the test host.
    uvo_bench::bind_host(uvo_bench::Host::test);
    uvo_test::ThreadCells cells;
    cells.install();
    HostLight light{};
    light.area = UVO_AREA_RECTANGLE;
    light.visible = 1;
    light.direction = Vector3{0, 0, -1};
    light.edge_u = Vector3{0, 2, 0};
    light.edge_v = Vector3{1, 0, 0};
    host().light_records[1] = 100;
    host().database[100] = &light;
    host().script.rx_query = [&, fallback = host().script.rx_query](int32_t code, ShadingState *s, Tag item,
                                                                     void *answer) -> Boolean {
        if (item == 100 && code >= UVO_QUERY_LIGHT_DIRECTION && code <= UVO_QUERY_LIGHT_EDGE_V) {
            *static_cast<Vector3 *>(answer) = code == UVO_QUERY_LIGHT_DIRECTION ? light.direction
                                              : code == UVO_QUERY_LIGHT_EDGE_U  ? light.edge_u
                                                                                : light.edge_v;
            return 1;
        }
        return fallback(code, s, item, answer);
    };

    uvo_test::StateFixture f;
    PortalLightParams p{};
    p.enabled = 1;
    p.intensity_scale = 1.0f;
    p.tint = p.transparency = Color{1, 1, 1, 1};
    f.shader.parameters = &p;
    f.state.light_instance = 1;
    f.state.ray_type = UVO_RAY_LIGHT;
    f.state.origin = Vector3{0.1f, 0.2f, 0};
    Boolean request;
    uvo_portal_light_init(&f.state, &p, &request);

    const std::vector<Vector3> points = lit_points(1024);
    Color result;
    int64_t i = 0, lit = 0;
    for (auto _ : bench) {
        f.state.point = points[i & 1023];
        const Vector3 d = portal::normalized(portal::sub(f.state.point, f.state.origin));
        f.state.direction = d;
        lit += uvo_portal_light(&result, &f.state, &p) == 1 && result.r > 0.0f;
        benchmark::DoNotOptimize(result);
        if ((++i & 1023) == 0)
            host().calls.clear();
    }
    uvo_portal_light_exit(&f.state, &p);
    host().reset();

    const double fraction = i ? double(lit) / double(i) : 0.0;
    bench.counters["lit_fraction"] = fraction;
    std::printf("premise: %lld of %lld samples in front of the opening were lit\n", static_cast<long long>(lit),
                static_cast<long long>(i));
    if (lit != i)
        bench.SkipWithError("a sample in front of the opening got no light");
}
BENCHMARK(BM_PortalLightSample);

void BM_PortalGeometricWeight(benchmark::State &bench) {
    portal::PortalGeometry g{};
    portal::portal_geometry_build(&g, Vector3{0, 2, 0}, Vector3{1, 0, 0}, Vector3{0, 0, -1}, 1, 1);
    const std::vector<Vector3> points = lit_points(1024);
    int64_t i = 0;
    for (auto _ : bench) {
        const float w = portal::portal_geometric_weight(g, points[i++ & 1023]);
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_PortalGeometricWeight);

}  // namespace
