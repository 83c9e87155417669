// Photons: light shaders emit them through rx_photon_light.  This host keeps
// no photon map; it records every emitted photon in a list that belongs to
// the current render world, so that emission can be checked and counted.
//
// Emission pass: before rendering, when the scene asks for photons (option
// "photons": N), every light that has a light shader is called N times as a
// photon emitter (call kind UVO_SHADER_PHOTON_EMITTER, ray type
// UVO_RAY_PHOTON_EMIT) on a fresh state that names the light.  The state's
// result holds the light's photon energy (HostLight.energy); the shader sets
// the state's ray origin and direction and calls rx_photon_light (or
// rx_photon_volume_scattering for a photon that starts in a volume).
#pragma once

#include <vector>

#include "render/world.h"

namespace uvo_host {

// One photon as rx_photon_light received it.
struct PhotonRecord {
    Vector3 origin{};       // state's ray origin, internal space
    Vector3 direction{};    // state's ray direction, internal space
    Color energy{};         // the energy handed to rx_photon_light
    Tag light = 0;          // light instance of the emitting state, 0 if none
    int32_t ray_type = 0;   // ray type of the emitting state
    bool volume = false;    // handed to rx_photon_volume_scattering: a volume photon
};

// The photons recorded for the current world (empty for any other world).
std::vector<PhotonRecord> recorded_photons();

// Forgets the photons recorded so far.
void clear_photons();

// Runs the emission pass on `world` (which must be current): `per_light`
// emission calls for every light with a shader.  Returns the number of
// photons recorded by the pass.
size_t emit_photons(World &world, int per_light);

}  // namespace uvo_host
