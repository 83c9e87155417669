// uvo_physicalsky: the daylight environment, and aerial perspective when run
// as a lens or volume shader.
//
// | slot  | parameter                      | type    | meaning                                              |
// |-------|--------------------------------|---------|------------------------------------------------------|
// | 0     | enabled                        | boolean | off: black (environment) or no change (lens, volume) |
// | 1     | intensity                      | scalar  | overall multiplier; not positive means off           |
// | 2-5   | rgb_scale                      | color   | physical to RGB factors; red <= 0: 1.25e-5 for all   |
// | 6     | haze_level                     | scalar  | turbidity T = haze + 2, at least 2                   |
// | 7     | red_blue_tilt                  | scalar  | red x (1 + k), blue x (1 - k)                        |
// | 8     | saturation_level               | scalar  | saturation of the colour adjustment                  |
// | 9     | horizon_shift                  | scalar  | horizon height in tenths                             |
// | 10    | horizon_softness               | scalar  | sky-to-ground blend width below the horizon, tenths  |
// | 11-14 | ground_tint                    | color   | reflectance of the ground plane                      |
// | 15-18 | night_minimum                  | color   | lower bound of the sky colour, weighted by the sky   |
// | 19-21 | sun_vector                     | vector  | towards the sun, used when `sun` is 0                |
// | 22    | sun                            | light   | directional light the sky follows                    |
// | 23    | disc_brightness                | scalar  | brightness of the sun disc                           |
// | 24    | disc_size                      | scalar  | disc and glow reach disc_size x 0.0465 rad           |
// | 25    | glow_brightness                | scalar  | brightness of the glow around the disc               |
// | 26    | backdrop_for_camera            | boolean | camera rays see `backdrop` instead of the sky        |
// | 27    | backdrop                       | shader  | what those rays see; 0 is black                      |
// | 28    | aerial_distance                | scalar  | visibility distance of aerial perspective; <= 0 off  |
// | 29    | up_axis_y                      | boolean | the scene's up axis is y                             |
// | 30    | model_flags                    | integer | SkyModelFlags of sky_xyz                             |
// | 31    | luminance_mode                 | integer | 0 turbidity, 1 user Perez, 2 Perez + CIE clear Lz;   |
// |       |                                |         | read from declarations of version 5 on               |
// | 32    | zenith_luminance               | scalar  | Lz, cd/m^2, mode 1                                   |
// | 33    | diffuse_horizontal_illuminance | scalar  | lux; non-zero derives Lz from it in mode 1           |
// | 34-38 | perez_a .. perez_e             | scalar  | Perez coefficients of modes 1 and 2                  |
//
// Instance record: SkyInstance (module "sky").  Each call that computes a
// colour marks the ray tree with SKY_IS_HDR.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/params.h"

namespace uvo {

struct PhysicalSkyParams {
    Boolean enabled;
    float intensity;
    Color rgb_scale;
    float haze_level;
    float red_blue_tilt;
    float saturation_level;
    float horizon_shift;
    float horizon_softness;
    Color ground_tint;
    Color night_minimum;
    Vector3 sun_vector;
    Tag sun;
    float disc_brightness;
    float disc_size;
    float glow_brightness;
    Boolean backdrop_for_camera;
    Tag backdrop;
    float aerial_distance;
    Boolean up_axis_y;
    int32_t model_flags;
    int32_t luminance_mode;
    float zenith_luminance;
    float diffuse_horizontal_illuminance;
    float perez_a;
    float perez_b;
    float perez_c;
    float perez_d;
    float perez_e;
};

static_assert(offsetof(PhysicalSkyParams, intensity) == 4);
static_assert(offsetof(PhysicalSkyParams, rgb_scale) == 8);
static_assert(offsetof(PhysicalSkyParams, haze_level) == 24);
static_assert(offsetof(PhysicalSkyParams, red_blue_tilt) == 28);
static_assert(offsetof(PhysicalSkyParams, saturation_level) == 32);
static_assert(offsetof(PhysicalSkyParams, horizon_shift) == 36);
static_assert(offsetof(PhysicalSkyParams, horizon_softness) == 40);
static_assert(offsetof(PhysicalSkyParams, ground_tint) == 44);
static_assert(offsetof(PhysicalSkyParams, night_minimum) == 60);
static_assert(offsetof(PhysicalSkyParams, sun_vector) == 76);
static_assert(offsetof(PhysicalSkyParams, sun) == 88);
static_assert(offsetof(PhysicalSkyParams, disc_brightness) == 92);
static_assert(offsetof(PhysicalSkyParams, disc_size) == 96);
static_assert(offsetof(PhysicalSkyParams, glow_brightness) == 100);
static_assert(offsetof(PhysicalSkyParams, backdrop_for_camera) == 104);
static_assert(offsetof(PhysicalSkyParams, backdrop) == 108);
static_assert(offsetof(PhysicalSkyParams, aerial_distance) == 112);
static_assert(offsetof(PhysicalSkyParams, up_axis_y) == 116);
static_assert(offsetof(PhysicalSkyParams, model_flags) == 120);
static_assert(offsetof(PhysicalSkyParams, luminance_mode) == 124);
static_assert(offsetof(PhysicalSkyParams, zenith_luminance) == 128);
static_assert(offsetof(PhysicalSkyParams, diffuse_horizontal_illuminance) == 132);
static_assert(offsetof(PhysicalSkyParams, perez_a) == 136);
static_assert(offsetof(PhysicalSkyParams, perez_e) == 152);
static_assert(sizeof(PhysicalSkyParams) == 156);

constexpr int physicalsky_version = 5;
// Declarations older than this carry no luminance_mode (mode 0 is used).
constexpr int physicalsky_luminance_mode_version = 5;

UVO_EXPORT int32_t uvo_physicalsky_version(void);
// Shader level (params null): asks for instance init.  Instance: fills the
// SkyInstance: sun direction, turbidity, luminance mode and its zenith
// luminance, sun colour and mean sky colour (64 host samples).
UVO_EXPORT Boolean uvo_physicalsky_init(ShadingState *state, PhysicalSkyParams *params, Boolean *request_instance_init);
UVO_EXPORT Boolean uvo_physicalsky_exit(ShadingState *state, PhysicalSkyParams *params);
// Environment call: sky, disc, ground and night minimum for the ray direction
// (or the backdrop for camera rays).  Lens call (kind 0): traces the eye ray
// and blends it with the sky colour by distance; volume call (kind 5): blends
// the colour already in `result`.  Returns true, or on the backdrop path what
// rx_call_shader returned.
UVO_EXPORT Boolean uvo_physicalsky(Color *result, ShadingState *state, PhysicalSkyParams *params);

}  // namespace uvo
