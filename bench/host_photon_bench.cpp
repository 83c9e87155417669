// Photons per second on one core through the caustics scene: each photon
// leaves the sun through its light shader, is shaded by the materials it
// meets (the glass sphere, the glass of water, the floor) and is stored and
// scattered to the end; the maps are built at the end of each pass.  The
// counters check the premise: photons do meet surfaces and are stored, and
// some reach the caustic map.
#include <benchmark/benchmark.h>

#include "render/photon_pass.h"
#include "session.h"

using namespace uvo_host;

static void BM_CausticsScenePhotons(benchmark::State &state) {
    set_verbosity(1);
    SessionOptions options;
    options.scene = std::string(UVO_SOURCE_DIR) + "/scenes/caustics.json";
    options.library = UVO_SHADERS_PATH;
    options.declarations = std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders";
    options.photons = static_cast<int>(state.range(0));
    RenderSession session(options);
    PhotonStats stats;
    for (auto _ : state)
        stats = run_photon_pass(session.world(), false);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(stats.emitted));
    const double emitted = static_cast<double>(stats.emitted);
    state.counters["photon_rays_per_photon"] = static_cast<double>(stats.traced) / emitted;
    state.counters["stored_per_photon"] = static_cast<double>(stats.stored) / emitted;
    state.counters["caustic_per_photon"] = static_cast<double>(stats.caustic) / emitted;
    state.counters["escaped_share"] = stats.escaped_power / stats.emitted_power;
    if (stats.stored == 0 || stats.caustic == 0)
        state.SkipWithError("no photon was stored: the scene does not exercise the pass");
}
BENCHMARK(BM_CausticsScenePhotons)->Arg(20000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
