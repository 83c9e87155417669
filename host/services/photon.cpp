// Host functions of photons: emission (rx_photon_light,
// rx_photon_volume_scattering), sending a photon on from a surface
// (rx_photon_reflection_*, rx_photon_transmission_*, rx_photon_transparent)
// and storing it (rx_store_photon).  While the photon pass runs
// (render/photon_pass.h) they trace and store; outside it they only record
// emissions (photons.h).
#include <mutex>

#include "render/photon_pass.h"
#include "services/photons.h"

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

Boolean send(Color *energy, ShadingState *state, int32_t type, const Vector3 *direction) {
    if (energy == nullptr || state == nullptr || direction == nullptr)
        return 0;
    return photon_pass_send(state, *energy, type, *direction) ? 1 : 0;
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

}  // namespace uvo_host

// Records the photon leaving the state's ray origin along its direction and,
// in the photon pass, traces it.
extern "C" Boolean rx_photon_light(Color *energy, ShadingState *state) {
    if (state == nullptr || !record_photon(energy, state, state->direction, false))
        return 0;
    photon_pass_emit(state, *energy);
    return 1;
}

// Records a volume photon leaving the state's ray origin along `direction`
// (the state's direction when null).  This host has no participating media:
// the photon is not traced further.
extern "C" Boolean rx_photon_volume_scattering(Color *energy, ShadingState *state, const Vector3 *direction) {
    if (state == nullptr)
        return 0;
    return record_photon(energy, state, direction != nullptr ? *direction : state->direction, true);
}

// The six transfers differ only in the ray type the photon goes on with.
#define UVO_PHOTON_TRANSFER(name, ray_type)                                                  \
    extern "C" Boolean name(Color *energy, ShadingState *state, const Vector3 *direction) { \
        return send(energy, state, ray_type, direction);                                   \
    }
UVO_PHOTON_TRANSFER(rx_photon_reflection_specular, UVO_RAY_PHOTON_REFLECT_SPECULAR)
UVO_PHOTON_TRANSFER(rx_photon_reflection_glossy, UVO_RAY_PHOTON_REFLECT_GLOSSY)
UVO_PHOTON_TRANSFER(rx_photon_reflection_diffuse, UVO_RAY_PHOTON_REFLECT_DIFFUSE)
UVO_PHOTON_TRANSFER(rx_photon_transmission_specular, UVO_RAY_PHOTON_TRANSMIT_SPECULAR)
UVO_PHOTON_TRANSFER(rx_photon_transmission_glossy, UVO_RAY_PHOTON_TRANSMIT_GLOSSY)
UVO_PHOTON_TRANSFER(rx_photon_transmission_diffuse, UVO_RAY_PHOTON_TRANSMIT_DIFFUSE)
#undef UVO_PHOTON_TRANSFER

// The photon goes on through the surface unchanged in direction.
extern "C" Boolean rx_photon_transparent(Color *energy, ShadingState *state) {
    if (state == nullptr)
        return 0;
    const Vector3 direction = state->direction;
    return send(energy, state, UVO_RAY_PHOTON_TRANSPARENT, &direction);
}

extern "C" Boolean rx_store_photon(Color *energy, ShadingState *state) {
    if (energy == nullptr || state == nullptr)
        return 0;
    return photon_pass_store(state, *energy) ? 1 : 0;
}
