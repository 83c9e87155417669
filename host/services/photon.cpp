// Host functions rx_photon_light and rx_photon_volume_scattering, and the
// photon emission pass (photons.h).
#include <mutex>

#include "services/photons.h"
#include "render/shading.h"
#include "render/sobol.h"

using namespace uvo_host;

namespace {

std::mutex g_photons_lock;
const World *g_photons_world = nullptr;  // the world the list belongs to
std::vector<PhotonRecord> g_photons;

// The list of `world`, emptied first when it held another world's photons.
std::vector<PhotonRecord> &photons_of(const World *world) {
    if (g_photons_world != world) {
        g_photons.clear();
        g_photons_world = world;
    }
    return g_photons;
}

}  // namespace

namespace uvo_host {

std::vector<PhotonRecord> recorded_photons() {
    std::lock_guard<std::mutex> guard(g_photons_lock);
    return photons_of(current_world());
}

void clear_photons() {
    std::lock_guard<std::mutex> guard(g_photons_lock);
    photons_of(current_world()).clear();
}

size_t emit_photons(World &world, int per_light) {
    const size_t before = recorded_photons().size();
    if (per_light <= 0)
        return 0;
    Scene &scene = world.scene;
    ThreadContext context(0);
    context.world = &world;
    ThreadContext *saved = current_context();
    set_current_context(&context);
    uint32_t light_index = 0;
    for (Light &light : scene.lights) {
        ++light_index;
        if (light.shader == nullptr)
            continue;
        // Each call of a light is one sample of its own sequence, so the
        // photons of a light are stratified over the emission region.
        context.sampling.pixel_seed = hash_combine(hash_u32(scene.settings.seed ^ 0x70686f74u), light_index);
        context.sampling.samples = static_cast<uint32_t>(per_light);
        for (int k = 0; k < per_light && !world.aborted.load(std::memory_order_relaxed); ++k) {
            context.sampling.sample = static_cast<uint32_t>(k);
            context.sampling.ordinal = 0;
            context.sampling.next_loop = 0;
            for (auto &loop : context.sampling.loops)
                loop = PixelSampling::Loop{};
            ShadingState *state = context.root(scene);
            state->ray_type = UVO_RAY_PHOTON_EMIT;
            state->origin = light.position;
            state->direction = light.direction;
            state->light_instance = light.instance_tag;
            ext_of(state)->light = &light;
            Color energy = light.record.energy;
            call_shader_instance(light.shader, &energy, state, UVO_SHADER_PHOTON_EMITTER);
            context.pop(state);
        }
    }
    set_current_context(saved);
    return recorded_photons().size() - before;
}

}  // namespace uvo_host

namespace {

Boolean record_photon(Color *energy, ShadingState *state, const Vector3 &direction, bool volume) {
    World *world = world_of(state);
    if (world == nullptr || energy == nullptr || state == nullptr)
        return 0;
    PhotonRecord photon;
    photon.origin = state->origin;
    photon.direction = direction;
    photon.energy = *energy;
    photon.light = state->light_instance;
    photon.ray_type = state->ray_type;
    photon.volume = volume;
    std::lock_guard<std::mutex> guard(g_photons_lock);
    photons_of(world).push_back(photon);
    return 1;
}

}  // namespace

// Records the photon leaving the state's ray origin along its direction.
extern "C" Boolean rx_photon_light(Color *energy, ShadingState *state) {
    return state != nullptr ? record_photon(energy, state, state->direction, false) : 0;
}

// Records a volume photon leaving the state's ray origin along `direction`
// (the state's direction when null).
extern "C" Boolean rx_photon_volume_scattering(Color *energy, ShadingState *state, const Vector3 *direction) {
    if (state == nullptr)
        return 0;
    return record_photon(energy, state, direction != nullptr ? *direction : state->direction, true);
}
