#include "lens/lens_bokeh.h"

#include <cmath>

#include "lens/aperture.h"

namespace uvo {

UVO_EXPORT int32_t uvo_lens_bokeh_version(void) { return lens_bokeh_version; }

UVO_EXPORT Boolean uvo_lens_bokeh(Color *result, ShadingState *state, LensBokehParams *params) {
    const float focus_distance = eval(state, params, params->focus_distance);
    const float lens_radius = eval(state, params, params->lens_radius);
    int32_t sample_count = eval(state, params, params->sample_count);
    const float radial_bias = eval(state, params, params->radial_bias);
    const float rotation = eval(state, params, params->aperture_rotation);
    const int32_t sides = eval(state, params, params->aperture_sides);
    const bool use_texture = eval(state, params, params->use_aperture_texture) != 0;
    const Tag texture = use_texture ? eval(state, params, params->aperture_texture) : 0;
    const ApertureShape shape = aperture_shape(lens_radius, radial_bias, sides, rotation);
    if (!eval(state, params, params->enabled))
        return rx_trace_eye(result, state, &state->origin, &state->direction);

    Vector3 origin, direction;
    rx_point_to_camera(state, &origin, &state->origin);
    rx_vector_to_camera(state, &direction, &state->direction);
    const Vector3 focus = focus_point(origin, direction, focus_distance);

    Color sum{0.0f, 0.0f, 0.0f, 0.0f};
    double total = 0.0;
    double s[2];
    int32_t counter = 0;
    while (rx_sample(s, &counter, state, 2, &sample_count)) {
        Color weight{1.0f, 1.0f, 1.0f, 0.0f};
        LensOffset offset;
        if (use_texture) {
            // A texture the host cannot look up leaves the sample white.
            const Vector3 at{static_cast<float>(s[0]), static_cast<float>(s[1]), 0.0f};
            rx_lookup_color_texture(&weight, state, texture, &at);
            const float luminance = rx_luminance(state, &weight);
            if (!(luminance > 0.0f))
                continue;  // closed here: the sample neither traces nor counts
            offset = aperture_image_offset(lens_radius, s[0], s[1]);
            total += luminance;
        } else {
            offset = aperture_offset(shape, s[0], s[1]);
            total += 1.0;
        }

        const Vector3 lens{origin.x + static_cast<float>(offset.x), origin.y + static_cast<float>(offset.y),
                           origin.z};
        const Vector3 towards{focus.x - lens.x, focus.y - lens.y, focus.z - lens.z};
        Vector3 from, along;
        rx_point_from_camera(state, &from, &lens);
        rx_vector_from_camera(state, &along, &towards);
        const float length = std::sqrt(along.x * along.x + along.y * along.y + along.z * along.z);
        if (length != 0.0f)
            along = Vector3{along.x / length, along.y / length, along.z / length};

        // The host must not take the new ray for a continuation of a hit.
        state->hit_object = nullptr;
        rx_trace_eye(result, state, &from, &along);
        sum.r += weight.r * result->r;
        sum.g += weight.g * result->g;
        sum.b += weight.b * result->b;
        sum.a += result->a;
    }

    if (total > 0.0) {
        *result = Color{static_cast<float>(sum.r / total), static_cast<float>(sum.g / total),
                        static_cast<float>(sum.b / total), static_cast<float>(sum.a / total)};
    } else {
        *result = Color{0.0f, 0.0f, 0.0f, 0.0f};
    }
    return 1;
}

}  // namespace uvo
