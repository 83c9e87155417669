// uvo_ciesky: environment shader for daylight analysis.  Returns, for rays
// above the horizon, the luminance (cd/m^2) of a blend of the CIE standard
// clear and overcast skies as a grey colour; black below the horizon.
//
// | slot  | parameter                      | type    | meaning                                             |
// |-------|--------------------------------|---------|-----------------------------------------------------|
// | 0     | enabled                        | boolean | off: black                                          |
// | 1-4   | color_value                    | color   | evaluated per lit ray; does not tint the luminance  |
// | 5     | estimate_zenith_luminance      | boolean | Lz from the sun's elevation instead of user values  |
// | 6     | zenith_luminance               | scalar  | Lz, cd/m^2                                          |
// | 7     | diffuse_horizontal_illuminance | scalar  | lux; non-zero derives Lz from it                    |
// | 8     | overcast_fraction              | scalar  | 0 CIE clear .. 1 CIE overcast, clamped              |
// | 9-11  | sun_vector                     | vector  | towards the sun, used when `sun` is 0               |
// | 12    | sun                            | light   | directional light the sky follows                   |
// | 13    | up_axis_y                      | boolean | the scene's up axis is y                            |
//
// Instance record: SkyInstance (module "sky"), luminance mode 0 (the CIE
// blend), no horizon offset.  Each call marks the ray tree with SKY_IS_HDR.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/params.h"

namespace uvo {

struct CieSkyParams {
    Boolean enabled;
    Color color_value;
    Boolean estimate_zenith_luminance;
    float zenith_luminance;
    float diffuse_horizontal_illuminance;
    float overcast_fraction;
    Vector3 sun_vector;
    Tag sun;
    Boolean up_axis_y;
};

static_assert(offsetof(CieSkyParams, color_value) == 4);
static_assert(offsetof(CieSkyParams, estimate_zenith_luminance) == 20);
static_assert(offsetof(CieSkyParams, zenith_luminance) == 24);
static_assert(offsetof(CieSkyParams, diffuse_horizontal_illuminance) == 28);
static_assert(offsetof(CieSkyParams, overcast_fraction) == 32);
static_assert(offsetof(CieSkyParams, sun_vector) == 36);
static_assert(offsetof(CieSkyParams, sun) == 48);
static_assert(offsetof(CieSkyParams, up_axis_y) == 52);
static_assert(sizeof(CieSkyParams) == 56);

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
