// Primary rays per second on one core: camera rays through every pixel of a
// 256 x 256 image at a sphere of about 100 000 triangles that fills most of
// the frame, nearest hit only (no shading), through the host's Tracer and
// through bare Embree single-ray calls on the same triangles and rays.  The
// ratio of the two is the cost of the Tracer's wrapper (the check of each
// ray, the conversion of the hit).
//
// Premise, checked and printed: most rays hit (hit_fraction >= 0.5), and
// both paths find the same number of hits.
#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <cstdio>
#include <string>

#include "bench_main.h"
#include "render/renderer.h"
#include "render/tracer.h"
#include "scene/geometry.h"

using namespace uvo_host;

namespace {

struct Rays {
    World world;
    std::vector<Vector3> origins, directions;

    Rays() {
        Scene &scene = world.scene;
        Object &ball = scene.objects.emplace_back();
        ball.mesh = make_sphere(1.0f, 316);
        place_object(ball);
        scene.camera.camera.x_resolution = 256;
        scene.camera.camera.y_resolution = 256;
        scene.camera.camera.focal = 1.0f;
        scene.camera.camera.aperture = 0.8f;
        scene.camera.camera.aspect = 1.0f;
        scene.camera.to_world = translation(Vector3{0, 0, 2.5f});
        world.tracer = std::make_unique<Tracer>(scene);
        Renderer renderer(world);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                Vector3 o, d;
                renderer.camera_ray(x + 0.5f, y + 0.5f, o, d);
                origins.push_back(o);
                directions.push_back(d);
            }
    }
};

Rays &rays() {
    static Rays instance;
    return instance;
}

// Counters, the printed premise line, and an error when most rays miss.
void report(benchmark::State &state, const char *name, int64_t hits, size_t per_iteration) {
    const double fraction = static_cast<double>(hits) / (static_cast<double>(state.iterations()) * per_iteration);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(per_iteration));
    state.counters["triangles"] = static_cast<double>(rays().world.scene.objects[0].mesh.triangle_count());
    state.counters["hit_fraction"] = fraction;
    char line[160];
    std::snprintf(line, sizeof line, "premise, %s: hit fraction %.4f (at least 0.5 expected)%s", name, fraction,
                  fraction >= 0.5 ? "" : "  PREMISE FAILED");
    uvo_bench::print_after_run(name, line);
    if (fraction < 0.5)
        state.SkipWithError("premise failed: fewer than half of the rays hit");
}

void BM_PrimaryRays100kTriangles(benchmark::State &state) {
    Rays &r = rays();
    int64_t hits = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < r.origins.size(); ++i)
            hits += r.world.tracer->intersect(r.origins[i], r.directions[i], 0.0f).hit ? 1 : 0;
    }
    benchmark::DoNotOptimize(hits);
    report(state, "tracer", hits, r.origins.size());
}
BENCHMARK(BM_PrimaryRays100kTriangles)->Unit(benchmark::kMillisecond);

// The same triangles in a scene built as the Tracer builds it, and the same
// rays through rtcIntersect1 with nothing around it.
void BM_PrimaryRays100kTrianglesBareEmbree(benchmark::State &state) {
    Rays &r = rays();
    const Object &ball = r.world.scene.objects[0];
    RTCDevice device = rtcNewDevice("threads=1");
    RTCScene scene = rtcNewScene(device);
    rtcSetSceneBuildQuality(scene, RTC_BUILD_QUALITY_HIGH);
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto *vertices = static_cast<float *>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), ball.world_positions.size()));
    for (size_t i = 0; i < ball.world_positions.size(); ++i) {
        vertices[3 * i] = ball.world_positions[i].x;
        vertices[3 * i + 1] = ball.world_positions[i].y;
        vertices[3 * i + 2] = ball.world_positions[i].z;
    }
    auto *indices = static_cast<unsigned *>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), ball.mesh.triangle_count()));
    std::copy(ball.mesh.indices.begin(), ball.mesh.indices.end(), indices);
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(scene);

    int64_t hits = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < r.origins.size(); ++i) {
            RTCIntersectContext context;
            rtcInitIntersectContext(&context);
            RTCRayHit rh;
            rh.ray.org_x = r.origins[i].x;
            rh.ray.org_y = r.origins[i].y;
            rh.ray.org_z = r.origins[i].z;
            rh.ray.dir_x = r.directions[i].x;
            rh.ray.dir_y = r.directions[i].y;
            rh.ray.dir_z = r.directions[i].z;
            rh.ray.tnear = 0.0f;
            rh.ray.tfar = std::numeric_limits<float>::infinity();
            rh.ray.time = 0.0f;
            rh.ray.mask = 0xffffffffu;
            rh.ray.id = 0;
            rh.ray.flags = 0;
            rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
            rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
            rtcIntersect1(scene, &context, &rh);
            hits += rh.hit.geomID != RTC_INVALID_GEOMETRY_ID ? 1 : 0;
        }
    }
    benchmark::DoNotOptimize(hits);
    rtcReleaseScene(scene);
    rtcReleaseDevice(device);
    report(state, "bare Embree", hits, r.origins.size());
}
BENCHMARK(BM_PrimaryRays100kTrianglesBareEmbree)->Unit(benchmark::kMillisecond);

}  // namespace
