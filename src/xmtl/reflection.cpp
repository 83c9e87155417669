#include "xmtl/reflection.h"

#include <cmath>

#include "frame/binding.h"
#include "frame/importance.h"
#include "xmtl/undersampler.h"
#include "xmtl/glossy.h"
#include "xmtl/indirect_request.h"

namespace uvo {

namespace {

// Looks the environment up along `direction` into `*c`, with the hint that
// environment shaders read from their parent state; the state's user record
// is cleared afterwards.  Returns what the host returned.
bool look_up_environment(ShadingState *state, const MaterialWorkRecord *work, const Vector3 &direction, Color *c) {
    GlossyEnvironmentHint hint{UVO_GLOSSY_HINT_MAGIC, work->reflection_glossiness, work->importance};
    state->user = &hint;
    state->user_size = sizeof hint;
    *c = Color{0.0f, 0.0f, 0.0f, 0.0f};
    const bool found = rx_trace_environment(c, state, &direction) != 0;
    state->user = nullptr;
    state->user_size = 0;
    return found;
}

Color environment(ShadingState *state, const MaterialWorkRecord *work, const Vector3 &direction) {
    Color c;
    look_up_environment(state, work, direction, &c);
    return c;
}

// The reflection the chooser decides on: black when reflections from inside
// are suppressed; the instance's undersampler for camera rays that sample in
// full when interpolation is on; else the sampler's.
Color choose_reflection(ShadingState *state, MaterialWorkRecord *work, const MaterialParams *params) {
    Color result{0.0f, 0.0f, 0.0f, 0.0f};
    Vector3 mirror{0.0f, 0.0f, 0.0f};
    rx_reflection_dir(&mirror, state);
    float distance = 0.0f;
    Color falloff{};
    const Color *falloff_color = nullptr;
    if (eval(state, params, params->reflection_falloff_enable)) {
        distance = eval(state, params, params->reflection_falloff_distance);
        if (eval(state, params, params->reflection_falloff_color_enable)) {
            const Vector3 direction = state->direction;
            state->direction = mirror;
            falloff = eval(state, params, params->reflection_falloff_color);
            state->direction = direction;
            falloff_color = &falloff;
        }
    }
    if (!(work->internal_reflection_factor > 0.0f))
        return result;
    Undersampler *undersampler = work->instance != nullptr ? work->instance->reflection_undersampler : nullptr;
    if ((state->ray_type == UVO_RAY_EYE || state->ray_type == UVO_RAY_TRANSPARENT) && !is_reduced_ray(state) &&
        work->reflection_interpolate) {
        const int32_t samples = eval(state, params, params->reflection_interpolation_samples);
        if (undersampler != nullptr) {
            undersampler_interpolate(undersampler, &result, state, work, work->reflection_weight.a, distance,
                                     falloff_color, samples, work->bump_shader, work->reflection_interpolation_smooth,
                                     interpolate_reflection);
            return result;
        }
    }
    reflection_sample(&result, state, work, work->reflection_weight.a, distance, falloff_color, nullptr);
    return result;
}

}  // namespace

void reflection_sample(Color *out, ShadingState *state, const MaterialWorkRecord *work, float weight,
                       float falloff_distance, const Color *falloff_color, float *nearest) {
    int32_t n = work->reflection_samples;
    float g = work->reflection_glossiness;
    float a = work->anisotropy;
    if (n < 1 || g >= 1.0f) {
        n = 1;
        g = 1.0f;
        a = 1.0f;
    }
    ReflectionMarker marker{UVO_REFLECTION_MARKER_MAGIC, weight};
    state->user = &marker;
    state->user_size = sizeof marker;

    Color fallback{};
    if (falloff_color == nullptr && work->reflection_environment_fallback != 0) {
        // One environment look-up for every ray that misses, instead of one each.
        Vector3 mirror{0.0f, 0.0f, 0.0f};
        rx_reflection_dir(&mirror, state);
        fallback = environment(state, work, mirror);
        falloff_color = &fallback;
    }
    const double limit = falloff_distance;
    double start = limit, stop = limit;
    if (falloff_distance > 0.0f)
        rx_ray_falloff(state, &start, &stop);

    ImportanceFrame frame;
    frame.low_samples = 1;
    const float branch = push_importance(state, &frame, &n, weight);

    const bool guard = material_state().invalid_number_reported.load(std::memory_order_relaxed) != 0;
    int32_t taken = 0;
    Color sum{0.0f, 0.0f, 0.0f, 0.0f};
    if (passes_cutoff(state, branch, work->reflection_cutoff, material_state().reflection_skip_count)) {
        double sample[2];
        int32_t instance = 0;
        ShadingState *child = state->child;
        while (rx_sample(sample, &instance, state, 2, &n)) {
            if (child != nullptr)
                child->distance = 0.0;
            ++taken;
            Vector3 direction{0.0f, 0.0f, 0.0f};
            glossy_reflection_dir(&direction, state, work, g, a, sample);
            Color traced{0.0f, 0.0f, 0.0f, 0.0f};
            bool hit = rx_trace_reflection(&traced, state, &direction) != 0;
            if (!hit && state->options != nullptr && state->options->ray_tracing == 0)
                hit = look_up_environment(state, work, direction, &traced);
            if (hit) {
                if (guard && !finite_sum(traced, true))
                    traced = Color{0.0f, 0.0f, 0.0f, 0.0f};
                const float d = child != nullptr ? static_cast<float>(child->distance) : 0.0f;
                if (d <= 0.0f && (child == nullptr || child->hit_object == nullptr))
                    hit = false;
                if (hit) {
                    if (nearest != nullptr && *nearest > d)
                        *nearest = d;
                    if (falloff_distance > 0.0f) {
                        float f = 0.0f;
                        if (!(d > falloff_distance)) {
                            const float t = 1.0f - d / falloff_distance;
                            f = t * t;
                        }
                        const Color fall = falloff_color ? *falloff_color : environment(state, work, direction);
                        sum.r += fall.r * (1.0f - f) + traced.r * f;
                        sum.g += fall.g * (1.0f - f) + traced.g * f;
                        sum.b += fall.b * (1.0f - f) + traced.b * f;
                    } else {
                        sum.r += traced.r;
                        sum.g += traced.g;
                        sum.b += traced.b;
                    }
                    continue;
                }
            }
            const Color missed = falloff_color ? *falloff_color : environment(state, work, direction);
            sum.r += missed.r;
            sum.g += missed.g;
            sum.b += missed.b;
        }
    }
    pop_importance(state, &frame);
    if (falloff_distance > 0.0f)
        rx_ray_falloff(state, &start, &stop);
    if (taken > 0) {
        out->r = sum.r / static_cast<float>(taken);
        out->g = sum.g / static_cast<float>(taken);
        out->b = sum.b / static_cast<float>(taken);
    }
    state->user = nullptr;
    state->user_size = 0;
    guard_invalid_numbers(out, true, "reflection");
}

void reflection_stage(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                      const MaterialParams *params) {
    const Vector3 normal = state->normal;
    Color color{0.0f, 0.0f, 0.0f, 0.0f};
    if (work->highlights_only != 0) {
        // Not traced: what the indirect-light cache holds along the mirror direction.
        if (state->options != nullptr && state->options->final_gather != 0 && work->indirect_enabled != 0) {
            const IndirectRequest request = indirect_request(state, *work, 1.0f);
            Vector3 mirror{0.0f, 0.0f, 0.0f};
            rx_reflection_dir(&mirror, state);
            state->normal = mirror;
            rx_compute_avg_radiance(&color, state, UVO_FACE_FRONT, &request);
            state->normal = normal;
        }
    } else {
        color = choose_reflection(state, work, params);
    }
    outputs->reflection_raw = color;
    const float factor = work->internal_reflection_factor;
    outputs->reflection.r = color.r * work->reflection_weight.r * factor;
    outputs->reflection.g = color.g * work->reflection_weight.g * factor;
    outputs->reflection.b = color.b * work->reflection_weight.b * factor;
}

}  // namespace uvo
