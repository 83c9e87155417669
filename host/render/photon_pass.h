// The photon pass: before the frame, every light sends photons into the
// scene; the materials they meet store and scatter them through the photon
// host functions (services/photon.cpp), which call into this pass; the
// stored photons end in the world's photon maps (render/photon_map.h).
//
// Emission: a light with a light shader is called `photons` times as a
// photon emitter (call kind UVO_SHADER_PHOTON_EMITTER, ray type
// UVO_RAY_PHOTON_EMIT, result: the light's photon energy); the shader places
// the photon and hands it to rx_photon_light.  A light without a shader is
// emitted by the host: a point (or spot) light uniformly over the sphere with
// power 4 pi times its intensity; a rectangle from its front face, cosine
// distributed, with power pi times radiance times area; a directional light
// from a disc over the scene's bounding sphere with power pi R^2 times its
// irradiance.  Every photon of a light carries its energy / `photons`.
//
// Tracing: a photon ray of type t is shaded at its hit by the material as
// call kind UVO_SHADER_PHOTON in a state of ray type t; what it sends on is
// traced the same way, up to `photon_depth` interactions.  A built-in host
// shader does not take photons: they are absorbed there.  Light that is
// neither sent on nor escaping is counted as absorbed.
#pragma once

#include <cstdint>

#include "render/photon_map.h"
#include "render/world.h"

namespace uvo_host {

// Runs the pass on `world` (the current world) on the calling thread and
// installs its maps as world.photon_maps.  Returns the statistics, also kept
// in the maps.  With `progress`, reports each light's progress with
// rx_progress-style messages.
PhotonStats run_photon_pass(World &world, bool progress);

// --- called by the photon host functions -------------------------------------

// Whether a photon pass is running on this thread.
bool photon_pass_active();

// A photon leaves its light: `energy` (the light's photon energy) is scaled
// to the photon's share and traced from the state's origin along its
// direction as ray type UVO_RAY_PHOTON_EMIT.
void photon_pass_emit(ShadingState *state, const Color &energy);

// The material of `state` sends a photon of `energy` as ray type `type`
// from its hit along `direction`.  Returns true when the photon was traced.
bool photon_pass_send(ShadingState *state, const Color &energy, int32_t type, const Vector3 &direction);

// The material of `state` stores a photon of `energy` at its hit.
bool photon_pass_store(ShadingState *state, const Color &energy);

}  // namespace uvo_host
