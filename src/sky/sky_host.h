// The parts of the sky model that need the host: the sun direction set-up of
// the inits, the two hemisphere integrals of the inits, the colour adjustment
// (luminance through the host), the SKY_IS_HDR mark and the SkyInstance's
// life in the user-data slot.
#pragma once

#include <cstdint>
#include <type_traits>

#include "frame/params.h"
#include "frame/shader.h"
#include "sky/sky_instance.h"

namespace uvo {

// Messages of the sun set-up when the followed light is not directional.
inline constexpr const char *physicalsky_sun_message =
    "uvo_physicalsky: 'sun' parameter should point to a directional light source";
inline constexpr const char *ciesky_sun_message =
    "uvo_ciesky: 'sun' parameter should point to a directional light source";
inline constexpr const char *physicalsun_sun_message =
    "uvo_physicalsun: Should be applied to a directional light source";

// The common start of the physical sky's and the sun's instance init, whose
// blocks hold `up_axis_y` and `horizon_shift` alike: the instance's
// declaration version (query 89) into `version`, a new SkyInstance in the
// user-data slot, and its swap_y_z and horizon_offset.  Null when the host
// gives no slot.  A shader that keeps more per instance names a Record that
// begins with the SkyInstance (derives from it).
template <class Record = SkyInstance, class Params>
Record *begin_sky_instance(ShadingState *state, Params *params, int32_t *version, int line) {
    static_assert(std::is_base_of_v<SkyInstance, Record>);
    *version = 0;
    rx_query(UVO_QUERY_DECLARATION_VERSION, nullptr, state->shader ? state->shader->declaration : 0, version);
    Record *instance = create_instance_record<Record>(state, "sky", line);
    if (instance == nullptr)
        return nullptr;
    instance->swap_y_z = eval(state, params, params->up_axis_y);
    instance->horizon_offset = eval(state, params, params->horizon_shift) / 10.0f;
    return instance;
}

// Sun set-up, first half: when `sun` is non-zero, sun_direction becomes the
// negated direction of that light (query 32, to world space, normalised) and
// `message` goes to rx_error when the light's record (query 7, rx_db_access)
// is not a directional light; otherwise, when `sun_vector` is given, the
// evaluated parameter `sun_vector` of `block`, normalised.  With neither the
// direction is left alone.  Reads neither swap_y_z nor horizon_offset.
void locate_sun(ShadingState *state, SkyInstance *instance, Tag sun, const void *block, const Vector3 *sun_vector,
                const char *message);

// Sun set-up, second half: sun_direction into the sky frame (swap_y_z and
// horizon_offset must be filled).
void orient_sun(SkyInstance *instance);

// The whole sun set-up: locate_sun, then orient_sun.
void set_sun_direction(ShadingState *state, SkyInstance *instance, Tag sun, const void *block,
                       const Vector3 *sun_vector, const char *message);

// Mean sky colour over the upper hemisphere: 64 cosine-distributed samples of
// sky_color (sun lifted above the horizon, sample directions as the host gives
// them) on a private copy of `state` with normals (0, 0, 1) and a cleared
// sampling context; the sum is divided by 64 whatever the host delivered.
// Needs turbidity, sun_direction and the luminance fields.  Alpha 0.
Color hemisphere_mean_color(ShadingState *state, const SkyInstance &instance, int32_t flags);

// Horizontal illuminance (lux) of sky_luminance over the hemisphere, pi times
// the cosine-weighted mean of 64 samples taken as above.  Called while
// zenith_luminance is 1, it is the illuminance per cd/m^2 of zenith luminance.
float illuminance_per_zenith_luminance(ShadingState *state, const SkyInstance &instance);

// Saturation and red/blue shift of an RGB colour, in place (alpha untouched):
// channels move towards the host luminance by `saturation` (grey at or below
// 0), negative channels are clamped, then red x (1 + shift), blue x (1 - shift).
void adjust_color(ShadingState *state, Color *color, float saturation, float shift);

// Marks the ray tree: SKY_IS_HDR = 1 (stored with size 4, lifetime 2 when absent).
void mark_sky_is_hdr(ShadingState *state);

}  // namespace uvo
