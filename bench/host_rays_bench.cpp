// Primary rays per second on one core: camera rays through every pixel of a
// 256 x 256 image at a sphere of about 100 000 triangles that fills most of
// the frame, nearest hit only (no shading).
#include <benchmark/benchmark.h>

#include "scene/geometry.h"
#include "render/renderer.h"
#include "render/tracer.h"

using namespace uvo_host;

static void BM_PrimaryRays100kTriangles(benchmark::State &state) {
    World world;
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
    std::vector<Vector3> origins, directions;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            Vector3 o, d;
            renderer.camera_ray(x + 0.5f, y + 0.5f, o, d);
            origins.push_back(o);
            directions.push_back(d);
        }
    int64_t hits = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < origins.size(); ++i)
            hits += world.tracer->intersect(origins[i], directions[i], 0.0f).hit ? 1 : 0;
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(origins.size()));
    state.counters["triangles"] = static_cast<double>(ball.mesh.triangle_count());
    state.counters["hit_fraction"] =
        static_cast<double>(hits) / (static_cast<double>(state.iterations()) * origins.size());
}
BENCHMARK(BM_PrimaryRays100kTriangles)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
