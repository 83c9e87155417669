// uvo_physicalsun: light shader of a directional light that stands for the
// sun.  Its first seven parameters match uvo_physicalsky's.
//
// | slot  | parameter               | type    | meaning                                                  |
// |-------|-------------------------|---------|----------------------------------------------------------|
// | 0     | enabled                 | boolean | off: black light, no photons                             |
// | 1     | intensity               | scalar  | overall multiplier; not positive means off               |
// | 2-5   | rgb_scale               | color   | physical to RGB factors; red <= 0: 1.25e-5 for all       |
// | 6     | haze_level              | scalar  | turbidity T = haze + 2, at least 2                       |
// | 7     | red_blue_tilt           | scalar  | red x (1 + k), blue x (1 - k)                            |
// | 8     | saturation_level        | scalar  | saturation of the colour adjustment                      |
// | 9     | horizon_shift           | scalar  | horizon height in tenths                                 |
// | 10    | penumbra_scale          | scalar  | size of the soft-shadow disc; <= 0 hard shadows          |
// | 11    | shadow_rays             | integer | shadow samples; negative: no shadow test at all          |
// | 12-14 | photon_region_min       | vector  | lower corner of the photon box, light space              |
// | 15-17 | photon_region_max       | vector  | upper corner; a box of no extent covers the whole scene  |
// | 18    | photon_energy_from_area | boolean | photon energy = box area x light colour x pi             |
// | 19    | up_axis_y               | boolean | the scene's up axis is y                                 |
// | 20    | beam_mode               | integer | > 0: sun colour normalised to beam_illuminance (v6 on)   |
// | 21    | beam_illuminance        | scalar  | wanted luminance of the unscaled sun colour (v6 on)      |
//
// Instance record: SkyInstance (module "sky").  In light calls the shader
// tells the material's light loop (LightLoopInfo under rxXMLD) that it is a
// physical light.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/params.h"

namespace uvo {

struct PhysicalSunParams {
    Boolean enabled;
    float intensity;
    Color rgb_scale;
    float haze_level;
    float red_blue_tilt;
    float saturation_level;
    float horizon_shift;
    float penumbra_scale;
    int32_t shadow_rays;
    Vector3 photon_region_min;
    Vector3 photon_region_max;
    Boolean photon_energy_from_area;
    Boolean up_axis_y;
    int32_t beam_mode;
    float beam_illuminance;
};

static_assert(offsetof(PhysicalSunParams, intensity) == 4);
static_assert(offsetof(PhysicalSunParams, rgb_scale) == 8);
static_assert(offsetof(PhysicalSunParams, haze_level) == 24);
static_assert(offsetof(PhysicalSunParams, red_blue_tilt) == 28);
static_assert(offsetof(PhysicalSunParams, saturation_level) == 32);
static_assert(offsetof(PhysicalSunParams, horizon_shift) == 36);
static_assert(offsetof(PhysicalSunParams, penumbra_scale) == 40);
static_assert(offsetof(PhysicalSunParams, shadow_rays) == 44);
static_assert(offsetof(PhysicalSunParams, photon_region_min) == 48);
static_assert(offsetof(PhysicalSunParams, photon_region_max) == 60);
static_assert(offsetof(PhysicalSunParams, photon_energy_from_area) == 72);
static_assert(offsetof(PhysicalSunParams, up_axis_y) == 76);
static_assert(offsetof(PhysicalSunParams, beam_mode) == 80);
static_assert(offsetof(PhysicalSunParams, beam_illuminance) == 84);
static_assert(sizeof(PhysicalSunParams) == 88);

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
