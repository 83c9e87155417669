// Sensors per second on the daylight factor reference room: its 18 sensors
// measured to 1 % relative standard error (the scene's own target) on one
// thread.  The premise is printed with the figures: the sky gives E_out, and
// every sensor reached the target (largest relative error at most 1 %).
#include <benchmark/benchmark.h>

#include "analysis/daylight_analysis.h"
#include "session.h"

using namespace uvo_host;

static void BM_ReferenceRoomSensorsAtOnePercent(benchmark::State &state) {
    SessionOptions options;
    options.scene = std::string(UVO_SOURCE_DIR) + "/scenes/daylight_factor_room.json";
    options.library = UVO_SHADERS_PATH;
    options.declarations = std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders";
    RenderSession session(options);
    const AnalysisPlan &plan = *session.world().scene.analysis;
    const IlluminanceSettings settings = analysis_settings(plan, 0, 1);
    AnalysisResult result;
    size_t sensors = 0;
    for (auto _ : state) {
        result = run_analysis(session.world(), plan, settings);
        sensors += result.grids[0].readings.size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(sensors));
    state.counters["E_out_lux"] = result.outside_lux;
    state.counters["max_rel_error_pct"] = result.grids[0].max_relative_error * 100.0;
    state.counters["samples_per_sensor"] =
        static_cast<double>(result.stats.samples) / static_cast<double>(result.grids[0].readings.size());
    state.counters["rays_per_s"] = static_cast<double>(result.stats.rays) / result.stats.seconds;
    if (!(result.outside_lux > 0.0) || result.grids[0].max_relative_error > 0.0101)
        state.SkipWithError("premise failed: no sky, or a sensor missed the 1 % target");
}
BENCHMARK(BM_ReferenceRoomSensorsAtOnePercent)->Unit(benchmark::kSecond)->Iterations(1);

BENCHMARK_MAIN();
