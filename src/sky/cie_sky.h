// uvo_ciesky: environment shader for daylight analysis.  Returns, for rays
// above the horizon, the luminance (cd/m^2) of a blend of the CIE standard
// clear and overcast skies as a grey colour; black below the horizon.
//
// The parameters are listed below, with their slots, ranges, units and
// meanings.
//
// Instance record: SkyInstance (module "sky"), luminance mode 0 (the CIE
// blend), no horizon offset.  Each call marks the ray tree with SKY_IS_HDR.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// X(ctype, name, slot, type, default, range, unit, description): see
// frame/param_list.h.
#define UVO_CIE_SKY_PARAMETERS(X) \
    X(Boolean, enabled, 0, "boolean", "true", "", "", \
      "off: black") \
    X(Color, color_value, 1, "color", "[1, 1, 1, 1]", "[0, inf) per channel", "", \
      "evaluated per lit ray; does not tint the luminance") \
    X(Boolean, estimate_zenith_luminance, 5, "boolean", "false", "", "", \
      "zenith luminance from the sun's elevation instead of the values below") \
    X(float, zenith_luminance, 6, "scalar", "0.0", "[0, inf)", "cd/m2", \
      "zenith luminance Lz, used when diffuse_horizontal_illuminance is 0") \
    X(float, diffuse_horizontal_illuminance, 7, "scalar", "0.0", "[0, inf)", "lux", \
      "when not 0, Lz is derived from it") \
    X(float, overcast_fraction, 8, "scalar", "0.0", "[0, 1]", "", \
      "0 CIE clear sky .. 1 CIE overcast sky, clamped") \
    X(Vector3, sun_vector, 9, "vector", "[0, 0.866, 0.5]", "any non-zero direction", "direction", \
      "direction towards the sun in world space, used when sun is unset (the default is 60 degrees up " \
      "in a y-up scene)") \
    X(Tag, sun, 12, "light", "", "", "", \
      "directional light whose direction the sky follows") \
    X(Boolean, up_axis_y, 13, "boolean", "true", "", "", \
      "the scene's up axis is y (false: z)")

UVO_PARAMETER_BLOCK(CieSkyParams, UVO_CIE_SKY_PARAMETERS);
static_assert(sizeof(CieSkyParams) == 4 * 14);

constexpr int ciesky_version = 1;

UVO_EXPORT int32_t uvo_ciesky_version(void);
// Instance init: sun direction, overcast fraction, the clear-sky
// normalisation and the zenith luminance (user value, from the diffuse
// horizontal illuminance by a 64-sample hemisphere integral, or estimated from
// the sun's elevation), with its messages.
UVO_EXPORT Boolean uvo_ciesky_init(ShadingState *state, CieSkyParams *params, Boolean *request_instance_init);
UVO_EXPORT Boolean uvo_ciesky_exit(ShadingState *state, CieSkyParams *params);
// (L, L, L, 0) with L the sky luminance in the ray direction; always true.
UVO_EXPORT Boolean uvo_ciesky(Color *result, ShadingState *state, CieSkyParams *params);

}  // namespace uvo
