#include "lightsurface/light_surface.h"

#include <numbers>

namespace uvo {
namespace {

// Average light output of `lights` as seen from the state (or from
// `sample_position` in each light's space), divided by pi so that a white
// Lambertian patch under the same light would shade to that value.
Color sampled_light_output(ShadingState *state, const LightSurfaceParams *params, const Tag *lights,
                           int32_t count) {
    RenderOptions options = *state->options;
    options.shadow_mode = 0;  // the host samples the lights unshadowed by this surface's mode
    const RenderOptions *saved_options = state->options;
    state->options = &options;

    const Vector3 position = eval(state, params, params->sample_position);
    const bool from_position = position.x != 0.0f || position.y != 0.0f || position.z != 0.0f;

    const Vector3 saved_normal = state->normal;
    const Vector3 saved_normal_geom = state->normal_geom;
    const Vector3 saved_point = state->point;
    const Tag saved_light = state->light_instance;
    state->normal = Vector3{0.0f, 0.0f, 0.0f};

    Color sum{0.0f, 0.0f, 0.0f, 0.0f};
    for (int32_t k = 0; k < count; ++k) {
        const Tag light = lights[k];
        if (from_position) {
            state->light_instance = light;
            rx_point_from_light(state, &state->point, &position);
        }
        Color sample;
        Vector3 direction;
        float cosine = 0.0f;
        int32_t samples = 0;
        Color light_sum{0.0f, 0.0f, 0.0f, 0.0f};
        while (rx_sample_light(&sample, &direction, &cosine, state, light, &samples)) {
            light_sum.r += sample.r;
            light_sum.g += sample.g;
            light_sum.b += sample.b;
            cosine = 1.0f;
        }
        if (samples != 0) {
            sum.r += static_cast<float>(light_sum.r / samples / std::numbers::pi);
            sum.g += static_cast<float>(light_sum.g / samples / std::numbers::pi);
            sum.b += static_cast<float>(light_sum.b / samples / std::numbers::pi);
        }
    }

    state->options = saved_options;
    state->normal = saved_normal;
    state->normal_geom = saved_normal_geom;
    state->point = saved_point;
    state->light_instance = saved_light;
    return sum;
}

}  // namespace

UVO_EXPORT int32_t uvo_light_surface_version(void) { return light_surface_version; }

UVO_EXPORT Boolean uvo_light_surface(Color *result, ShadingState *state, LightSurfaceParams *params) {
    if (state->ray_type == UVO_RAY_DISPLACE)
        return 0;
    if (state->ray_type == UVO_RAY_SHADOW) {
        if (state->options != nullptr && state->options->shadow_mode == UVO_SHADOW_SEGMENTS)
            return rx_trace_shadow_seg(result, state);
        return 1;
    }
    result->r = result->g = result->b = 0.0f;

    float f = 1.0f;
    int32_t reduced = 0;
    rx_query(UVO_QUERY_REDUCED_RAY, state, 0, &reduced);
    if (reduced != 0)
        f = eval(state, params, params->reduced_ray_scale);
    else if (state->ray_type == UVO_RAY_REFLECT)
        f = eval(state, params, params->reflection_ray_scale);
    if (f <= 0.0f)
        return 1;

    const Color color = eval(state, params, params->surface_color);
    *result = color;
    const float glow = f * eval(state, params, params->surface_intensity);
    result->r *= glow;
    result->g *= glow;
    result->b *= glow;

    const int32_t count = eval(state, params, params->lights.count);
    const int32_t index = eval(state, params, params->lights.index);
    const Tag *lights = eval_ptr(state, params, &params->lights.elements[0]);
    if (!eval(state, params, params->add_light_output) || count == 0)
        return 1;
    f *= eval(state, params, params->light_output_scale);
    if (f <= 0.0f)
        return 1;

    const Color output = sampled_light_output(state, params, lights + index, count);
    result->r += color.r * output.r * f;
    result->g += color.g * output.g * f;
    result->b += color.b * output.b * f;
    return 1;
}

}  // namespace uvo
