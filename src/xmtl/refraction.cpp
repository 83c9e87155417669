#include "xmtl/refraction.h"

#include <cmath>

#include "frame/binding.h"
#include "frame/importance.h"
#include "xmtl/undersampler.h"
#include "xmtl/glossy.h"
#include "xmtl/weight_models.h"

namespace uvo {

bool transmitted_direction(Vector3 *direction, ShadingState *state, const MaterialWorkRecord *work, float g,
                           float a, const double *sample) {
    float ior_in = 1.0f, ior_out = 1.0f;
    if (work->thin_walled == 0) {
        if (state->inside != 0)
            ior_in = work->ior;
        else
            ior_out = work->ior;
    }
    if (g >= 1.0f)
        return rx_transmission_dir_specular(direction, state, ior_in, ior_out) != 0;
    if (g <= 0.0f) {
        rx_transmission_dir_diffuse_x(direction, state, sample);
        return true;
    }
    // The exponent is rounded to a float first; the second one is that float
    // times the anisotropy.
    const float e = static_cast<float>(glossy_exponent(g));
    if (std::fabs(a - 1.0f) < 0.01f)
        return rx_transmission_dir_glossy_x(direction, state, ior_in, ior_out, e, sample) != 0;
    return rx_transmission_dir_anisglossy_x(direction, state, ior_in, ior_out, &work->aniso_u, &work->aniso_v, e,
                                            e * a, sample) != 0;
}

void refraction_sample(Color *out, ShadingState *state, const MaterialWorkRecord *work, float weight) {
    int32_t n = work->refraction_samples;
    float g = work->refraction_glossiness;
    float a = work->anisotropy;
    const float reach = work->refraction_falloff_distance;
    const bool falloff = state->inside == 0 && work->refraction_falloff_enable != 0 && reach > 0.0f;
    RefractionFalloffRecord record{};
    if (falloff) {
        record.magic = UVO_REFRACTION_FALLOFF_MAGIC;
        record.color = work->refraction_falloff_color;
        record.distance = reach;
        record.color_enable = work->refraction_falloff_color_enable;
    }
    if (n <= 0 || g >= 1.0f) {
        n = 1;
        g = 1.0f;
        a = 1.0f;
    }
    // Without a colour to fade to, light simply ends at the fall-off distance.
    const bool limited = falloff && work->refraction_falloff_color_enable == 0;
    double start = reach, stop = reach;
    if (limited)
        rx_ray_falloff(state, &start, &stop);

    ImportanceFrame frame;
    frame.low_samples = 1;
    const float branch = push_importance(state, &frame, &n, weight);

    const bool guard = material_state().invalid_number_reported.load(std::memory_order_relaxed) != 0;
    Color sum{0.0f, 0.0f, 0.0f, 0.0f};
    if (passes_cutoff(state, branch, work->refraction_cutoff, material_state().refraction_skip_count)) {
        double sample[2];
        int32_t instance = 0;
        ShadingState *child = state->child;
        // The host may lower the count it is handed; the divisor below stays
        // the count the importance push fixed.
        int32_t remaining = n;
        while (rx_sample(sample, &instance, state, 2, &remaining)) {
            if (child != nullptr)
                child->distance = 0.0;
            Color c{0.0f, 0.0f, 0.0f, 0.0f};
            Vector3 direction{0.0f, 0.0f, 0.0f};
            if (!transmitted_direction(&direction, state, work, g, a, sample)) {
                glossy_reflection_dir(&direction, state, work, g, a, sample);
                rx_trace_reflection(&c, state, &direction);
                sum.r += c.r;
                sum.g += c.g;
                sum.b += c.b;
                sum.a += 1.0f;
                continue;
            }
            if (falloff) {
                record.applied = 0;
                state->user = &record;
                state->user_size = sizeof record;
            } else {
                state->user = nullptr;
                state->user_size = 0;
            }
            if (rx_trace_refraction(&c, state, &direction)) {
                if (guard && !std::isfinite(c.r + c.g + c.b + c.a))
                    c = Color{0.0f, 0.0f, 0.0f, 0.0f};
                const double d = child != nullptr ? child->distance : 0.0;
                if (d <= 0.0 && limited) {
                    sum.a += 1.0f;  // cut off by the limit: black, fully opaque
                } else {
                    // Attenuate here unless the surface hit did it itself.
                    const auto *seen = static_cast<const RefractionFalloffRecord *>(state->user);
                    if (falloff && (seen != &record || seen->magic != UVO_REFRACTION_FALLOFF_MAGIC ||
                                    seen->applied == 0))
                        falloff_attenuation(&c, d, reach, work->refraction_falloff_color,
                                            work->refraction_falloff_color_enable);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                    sum.a += c.a;
                }
            }
            state->user = nullptr;
            state->user_size = 0;
        }
    }
    pop_importance(state, &frame);
    if (n > 0) {
        const float m = static_cast<float>(n);
        *out = Color{sum.r / m, sum.g / m, sum.b / m, sum.a / m};
    }
    if (limited)
        rx_ray_falloff(state, &start, &stop);
    guard_invalid_numbers(out, false, "refraction");
}

void refraction_stage(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                      const MaterialParams *params) {
    // Camera rays that sample in full go through the instance's undersampler
    // when interpolation is on.
    Color result{0.0f, 0.0f, 0.0f, 0.0f};
    Undersampler *undersampler = work->instance != nullptr ? work->instance->refraction_undersampler : nullptr;
    bool interpolated = false;
    if ((state->ray_type == UVO_RAY_EYE || state->ray_type == UVO_RAY_TRANSPARENT) && !is_reduced_ray(state) &&
        work->refraction_interpolate) {
        const int32_t samples = eval(state, params, params->refraction_interpolation_samples);
        if (undersampler != nullptr) {
            undersampler_interpolate(undersampler, &result, state, work, work->refraction_weight.a, 0.0f, nullptr,
                                     samples, work->bump_shader, work->reflection_interpolation_smooth,
                                     interpolate_refraction);
            interpolated = true;
        }
    }
    if (!interpolated)
        refraction_sample(&result, state, work, work->refraction_weight.a);
    outputs->refraction_raw = result;
    outputs->refraction.r = result.r * work->refraction_weight.r;
    outputs->refraction.g = result.g * work->refraction_weight.g;
    outputs->refraction.b = result.b * work->refraction_weight.b;
    outputs->refraction.a = result.a;
}

}  // namespace uvo
