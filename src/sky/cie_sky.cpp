#include "sky/cie_sky.h"

#include <cmath>
#include <numbers>

#include "frame/shader.h"
#include "sky/sky_host.h"
#include "sky/sky_model.h"

namespace uvo {

UVO_EXPORT int32_t uvo_ciesky_version(void) { return ciesky_version; }

UVO_EXPORT Boolean uvo_ciesky_init(ShadingState *state, CieSkyParams *params, Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);

    SkyInstance *instance = UVO_CREATE_INSTANCE_RECORD("sky", SkyInstance, state);
    if (instance == nullptr)
        return 1;
    instance->swap_y_z = eval(state, params, params->up_axis_y);
    instance->horizon_offset = 0.0f;
    instance->luminance_mode = sky_mode_model;
    const Tag sun = eval(state, params, params->sun);
    set_sun_direction(state, instance, sun, params, &params->sun_vector, ciesky_sun_message);

    float o = eval(state, params, params->overcast_fraction);
    instance->overcast_fraction = o < 0.0f ? 0.0f : (o > 1.0f ? 1.0f : o);
    o = instance->overcast_fraction;
    instance->zenith_luminance = 1.0f;
    instance->perez_norm = cie_perez_norm(instance->sun_direction);

    float L;
    if (eval(state, params, params->estimate_zenith_luminance)) {
        L = clear_zenith_luminance(*instance) * (1.0f - o) + overcast_zenith_luminance(*instance) * o;
        const double elevation = std::asin(static_cast<double>(instance->sun_direction.z)) * 180.0 / std::numbers::pi;
        rx_info("Calculated zenith luminance %4.1f cd/m^2 for solar elevation angle of %2.1f degrees",
                static_cast<double>(L), elevation);
    } else {
        const float Lu = eval(state, params, params->zenith_luminance);
        const float E = eval(state, params, params->diffuse_horizontal_illuminance);
        if (Lu > 0.0f && E > 0.0f)
            rx_warning("Redundant user specified zenith_luminance value ignored.");
        if (E == 0.0f) {
            instance->zenith_luminance = Lu;
            return 1;
        }
        // zenith_luminance is still 1: the integral is the illuminance per cd/m^2.
        L = E / illuminance_per_zenith_luminance(state, *instance);
        rx_info("Calculated zenith_luminance %5.1f cd/m^2 from diffuse_horizontal_illuminance %5.1f lux",
                static_cast<double>(L), static_cast<double>(E));
    }
    instance->zenith_luminance = L;
    return 1;
}

UVO_EXPORT Boolean uvo_ciesky_exit(ShadingState *state, CieSkyParams *params) {
    return UVO_INSTANCE_EXIT("sky", SkyInstance, state, params);
}

UVO_EXPORT Boolean uvo_ciesky(Color *result, ShadingState *state, CieSkyParams *params) {
    const Vector3 d0 = state->direction;
    const SkyInstance *instance = instance_record<SkyInstance>(state);
    mark_sky_is_hdr(state);
    if (instance == nullptr) {
        *result = Color{0.0f, 0.0f, 0.0f, 0.0f};
        return 1;
    }
    const Vector3 d = to_sky_frame(*instance, d0);
    if (!eval(state, params, params->enabled) || d.z < 0.0f) {
        *result = Color{0.0f, 0.0f, 0.0f, 0.0f};
        return 1;
    }
    const float L = sky_luminance(*instance, d);
    // Part of the block and evaluated like the other look-ups, but the
    // analysis sky reports plain luminance: it does not tint the result.
    (void)eval(state, params, params->color_value);
    *result = Color{L, L, L, 0.0f};
    return 1;
}

}  // namespace uvo
