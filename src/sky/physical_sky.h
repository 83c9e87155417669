// uvo_physicalsky: the daylight environment, and aerial perspective when run
// as a lens or volume shader.
//
// Units: the result is pi times the sky's luminance in cd/m2 times rgb_scale
// (and intensity); at the default rgb_scale of 1.25e-5 a value of 1.0 is
// about 25,465 cd/m2 (1 / (pi x 1.25e-5)).  uvo_physicalsun takes the same
// rgb_scale without the pi; uvo_ciesky returns cd/m2 itself.
//
// The parameters are listed below, with their slots, ranges, units and
// meanings.
//
// Instance record: a SkyInstance followed by the sky model's terms for the
// init's sun and haze (module "sky").  Each call that computes a
// colour marks the ray tree with SKY_IS_HDR.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// Slots 1 to 9, shared with uvo_physicalsun: the overall scale and the look
// of the sky's colour.
#define UVO_SKY_SHARED_PARAMETERS(X) \
    X(float, intensity, 1, "scalar", "1.0", "[0, inf)", "", \
      "overall multiplier; not positive switches the shader off") \
    X(Color, rgb_scale, 2, "color", "[0.0000125, 0.0000125, 0.0000125, 1]", "[0, inf) per channel", "1/(cd/m2)", \
      "factors from luminance (cd/m2) to the result (the sky's also times pi); red <= 0 uses 1.25e-5 for " \
      "all, so a sky value of 1.0 is about 25,465 cd/m2") \
    X(float, haze_level, 6, "scalar", "0.0", "[0, inf)", "", \
      "haze; turbidity T = haze + 2, at least 2") \
    X(float, red_blue_tilt, 7, "scalar", "0.0", "[-1, 1]", "", \
      "colour tilt k: red x (1 + k), blue x (1 - k)") \
    X(float, saturation_level, 8, "scalar", "1.0", "[0, inf)", "", \
      "saturation of the colour; 1 keeps it, 0 grey") \
    X(float, horizon_shift, 9, "scalar", "0.0", "any", "tenths", \
      "height of the horizon, in tenths of the sky sphere's radius")

// X(ctype, name, slot, type, default, range, unit, description): see
// frame/param_list.h.
#define UVO_PHYSICAL_SKY_PARAMETERS(X) \
    X(Boolean, enabled, 0, "boolean", "true", "", "", \
      "off: black (environment) or no change (lens, volume)") \
    UVO_SKY_SHARED_PARAMETERS(X) \
    X(float, horizon_softness, 10, "scalar", "0.1", "[0, inf)", "tenths", \
      "width of the sky-to-ground blend below the horizon") \
    X(Color, ground_tint, 11, "color", "[0.2, 0.2, 0.2, 1]", "[0, 1] per channel", "", \
      "reflectance of the ground plane") \
    X(Color, night_minimum, 15, "color", "[0, 0, 0, 1]", "[0, inf) per channel", "result units (1 = 1 / rgb_scale cd/m2)", \
      "lower bound of the sky colour, in the result's units") \
    X(Vector3, sun_vector, 19, "vector", "[0, 0.866, 0.5]", "any non-zero direction", "direction", \
      "direction towards the sun in world space, used when sun is unset (the default is 60 degrees up " \
      "in a y-up scene)") \
    X(Tag, sun, 22, "light", "", "", "", \
      "directional light whose direction the sky follows") \
    X(float, disc_brightness, 23, "scalar", "1.0", "[0, inf)", "", \
      "brightness of the sun disc; 0 hides it") \
    X(float, disc_size, 24, "scalar", "1.0", "[0, inf)", "", \
      "disc and glow reach disc_size x 0.0465 rad from the sun") \
    X(float, glow_brightness, 25, "scalar", "1.0", "[0, inf)", "", \
      "brightness of the glow around the disc") \
    X(Boolean, backdrop_for_camera, 26, "boolean", "false", "", "", \
      "camera rays see backdrop instead of the sky") \
    X(Tag, backdrop, 27, "shader", "", "", "", \
      "what camera rays see with backdrop_for_camera; unset is black") \
    X(float, aerial_distance, 28, "scalar", "0.0", "[0, inf)", "scene units", \
      "visibility distance of aerial perspective (at haze 0 a tenth of the colour is replaced over it); <= 0 off") \
    X(Boolean, up_axis_y, 29, "boolean", "true", "", "", \
      "the scene's up axis is y (false: z)") \
    X(int32_t, model_flags, 30, "integer", "0", "0..3", "", \
      "bit flags of the sky colour model, summed: 0 none, 1 chromaticity weighted by the cosine of the sun " \
      "angle, 2 fixed Perez A for x, 3 both") \
    X(int32_t, luminance_mode, 31, "integer", "0", "0..2", "", \
      "0 turbidity model, 1 user Perez coefficients with zenith_luminance, 2 user Perez coefficients " \
      "with the CIE clear-sky zenith luminance") \
    X(float, zenith_luminance, 32, "scalar", "0.0", "[0, inf)", "cd/m2", \
      "zenith luminance Lz of luminance_mode 1") \
    X(float, diffuse_horizontal_illuminance, 33, "scalar", "0.0", "[0, inf)", "lux", \
      "luminance_mode 1: when not 0, Lz is derived from it") \
    X(float, perez_a, 34, "scalar", "-1.0", "any", "", \
      "Perez coefficient A (darkening towards the horizon), modes 1 and 2") \
    X(float, perez_b, 35, "scalar", "-0.32", "any", "", \
      "Perez coefficient B (gradient of the horizon darkening), modes 1 and 2") \
    X(float, perez_c, 36, "scalar", "10.0", "any", "", \
      "Perez coefficient C (circumsolar brightening), modes 1 and 2") \
    X(float, perez_d, 37, "scalar", "-3.0", "any", "", \
      "Perez coefficient D (width of the circumsolar region), modes 1 and 2") \
    X(float, perez_e, 38, "scalar", "0.45", "any", "", \
      "Perez coefficient E (backscattered light), modes 1 and 2")

UVO_PARAMETER_BLOCK(PhysicalSkyParams, UVO_PHYSICAL_SKY_PARAMETERS);
static_assert(sizeof(PhysicalSkyParams) == 4 * 39);

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
