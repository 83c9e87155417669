// SkyInstance: the per-instance record of the three daylight shaders
// (uvo_physicalsky, uvo_physicalsun, uvo_ciesky).
//
// Allocated from the host (module "sky") by each shader's instance init,
// stored in the instance's user-data slot (query 51) and released by its
// instance exit.  Each init fills only the fields its shader uses; the others
// stay as the host allocator gave them (zero) and are never read.  After init
// the record is only read, by all render threads at once, without locks.
//
// Frame: directions are unit vectors in world space after the optional y/z
// exchange, so that z points up; a direction whose z equals horizon_offset
// lies on the shifted horizon (the shaders apply the same exchange and shift
// to every ray direction they look up).
#pragma once

#include <cstddef>
#include <cstdint>

#include "uvo/host_interface.h"

namespace uvo {

// Values of SkyInstance::luminance_mode as the sky functions read them.
enum SkyLuminanceMode : int32_t {
    sky_mode_model = 0,  // physical sky: turbidity model; CIE sky: clear/overcast blend
    sky_mode_perez = 1,  // user Perez coefficients scaled to zenith_luminance
    sky_mode_perez_cie_zenith = 2  // physical sky parameter only: becomes 1 in init
};

struct SkyInstance {
    Vector3 sun_direction;      // unit, towards the sun, sky frame (all three inits)
    Color sun_color;            // direct sunlight colour, alpha 0 (sky init)
    Boolean swap_y_z;           // scene up axis is y: y and z are exchanged (all inits)
    float horizon_offset;       // horizon shift = horizon parameter / 10; 0 for the CIE sky
    float turbidity;            // T = haze + 2, at least 2 (sky init)
    Color mean_sky_color;       // mean sky colour over the upper hemisphere, rgb used (sky init)
    Boolean photon_area_energy; // photon energy from the emitting area (sun init)
    Vector3 photon_min;         // lower corner of the photon box, light space (sun init)
    Vector3 photon_max;         // upper corner of the photon box, light space (sun init)
    float photon_plane;         // light-space z where photons start (sun init)
    Vector3 tangent_v;          // tangent_u x sun_direction (sun init)
    Vector3 tangent_u;          // unit, perpendicular to sun_direction (sun init)
    int32_t luminance_mode;     // SkyLuminanceMode; sun: > 0 normalises to beam_illuminance
    float zenith_luminance;     // Lz, cd/m^2 (sky init in mode 1, CIE sky init)
    float beam_illuminance;     // wanted luminance of the sun's beam (sun init)
    float perez_norm;           // 1 / relative luminance of the zenith of the active distribution
    float overcast_fraction;    // 0 CIE clear .. 1 CIE overcast, clamped (CIE sky init)
    float perez[5];             // user Perez coefficients A, B, C, D, E (sky init, mode 1)
};

static_assert(offsetof(SkyInstance, sun_color) == 12);
static_assert(offsetof(SkyInstance, mean_sky_color) == 40);
static_assert(offsetof(SkyInstance, luminance_mode) == 112);
static_assert(offsetof(SkyInstance, perez) == 132);
static_assert(sizeof(SkyInstance) == 152);

}  // namespace uvo
