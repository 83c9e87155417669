// Shaded pixel samples per second on one core for the default scene: whole
// camera samples (eye ray, materials, light samples, shadow and gather rays,
// the light surface of the lamp) at every eighth pixel of every eighth row,
// so the mix of surfaces is the frame's.
#include <benchmark/benchmark.h>

#include "session.h"

using namespace uvo_host;

static void BM_DefaultSceneShadedSamples(benchmark::State &state) {
    set_verbosity(1);
    SessionOptions options;
    options.scene = std::string(UVO_SOURCE_DIR) + "/scenes/default.json";
    options.library = UVO_SHADERS_PATH;
    options.declarations = std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders";
    RenderSession session(options);
    const Scene &scene = session.world().scene;
    ThreadContext context(0);
    set_current_context(&context);
    const int width = scene.camera.camera.x_resolution, height = scene.camera.camera.y_resolution;
    double sum = 0.0;
    for (auto _ : state)
        for (int y = 4; y < height; y += 8)
            for (int x = 4; x < width; x += 8)
                sum += session.renderer().render_pixel(context, x, y).r;
    benchmark::DoNotOptimize(sum);
    const int64_t pixels = static_cast<int64_t>((height + 3) / 8) * ((width + 3) / 8);
    state.SetItemsProcessed(state.iterations() * pixels * scene.settings.samples);
    state.counters["rays_per_sample"] =
        static_cast<double>(context.rays) / (static_cast<double>(state.iterations()) * pixels * scene.settings.samples);
    set_current_context(nullptr);
}
BENCHMARK(BM_DefaultSceneShadedSamples)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
