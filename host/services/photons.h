// Photon emissions as the host functions received them.  Every photon a
// light shader hands to rx_photon_light or rx_photon_volume_scattering is
// recorded in a list that belongs to the current render world, so that
// emission can be checked and counted; the photon pass (render/photon_pass.h)
// traces them on.
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

}  // namespace uvo_host
