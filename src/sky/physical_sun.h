// uvo_physicalsun: light shader of a directional light that stands for the
// sun.  Its parameters in slots 0 to 9 match uvo_physicalsky's
// (UVO_SKY_SHARED_PARAMETERS).
//
// The parameters are listed below, with their slots, ranges, units and
// meanings.
//
// Instance record: SkyInstance (module "sky").  In light calls the shader
// tells the material's light loop (LightLoopInfo under rxXMLD) that it is a
// physical light.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"
#include "sky/physical_sky.h"

namespace uvo {

// X(ctype, name, slot, type, default, range, unit, description): see
// frame/param_list.h.
#define UVO_PHYSICAL_SUN_PARAMETERS(X) \
    X(Boolean, enabled, 0, "boolean", "true", "", "", \
      "off: black light, no photons") \
    UVO_SKY_SHARED_PARAMETERS(X) \
    X(float, penumbra_scale, 10, "scalar", "1.0", "[0, inf)", "", \
      "size of the soft-shadow disc; <= 0 hard shadows") \
    X(int32_t, shadow_rays, 11, "integer", "8", "-1..", "rays", \
      "shadow samples; negative: no shadow test at all") \
    X(Vector3, photon_region_min, 12, "vector", "[0, 0, 0]", "any", "scene units", \
      "lower corner of the photon box, light space") \
    X(Vector3, photon_region_max, 15, "vector", "[0, 0, 0]", "any", "scene units", \
      "upper corner of the photon box; a box of no extent covers the whole scene") \
    X(Boolean, photon_energy_from_area, 18, "boolean", "false", "", "", \
      "photon energy = box area x light colour x pi instead of the host's") \
    X(Boolean, up_axis_y, 19, "boolean", "true", "", "", \
      "the scene's up axis is y (false: z)") \
    X(int32_t, beam_mode, 20, "integer", "0", "0..", "", \
      "0 sun colour from the atmosphere model, above 0 normalised to beam_illuminance") \
    X(float, beam_illuminance, 21, "scalar", "0.0", "[0, inf)", "cd/m2", \
      "luminance of the sun colour before rgb_scale with beam_mode on")

UVO_PARAMETER_BLOCK(PhysicalSunParams, UVO_PHYSICAL_SUN_PARAMETERS);
static_assert(sizeof(PhysicalSunParams) == 4 * 22);

constexpr int physicalsun_version = 6;
// Declarations older than this carry no beam_mode / beam_illuminance.
constexpr int physicalsun_beam_version = 6;

UVO_EXPORT int32_t uvo_physicalsun_version(void);
// Instance init: sun direction from the light the state names, tangents of
// the soft-shadow disc, the photon box and plane, the beam normalisation.
UVO_EXPORT Boolean uvo_physicalsun_init(ShadingState *state, PhysicalSunParams *params, Boolean *request_instance_init);
UVO_EXPORT Boolean uvo_physicalsun_exit(ShadingState *state, PhysicalSunParams *params);
// Light call (ray type 4): `result` becomes the shadowed sun colour; false
// when the sun gives no light, the hard shadow ray's answer on reduced rays or
// with fewer than one sample, else true.  Photon emission call (kind 10):
// starts one photon from the photon plane; true.  Any other call: the
// unshadowed colour; true.
UVO_EXPORT Boolean uvo_physicalsun(Color *result, ShadingState *state, PhysicalSunParams *params);

}  // namespace uvo
