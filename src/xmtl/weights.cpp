#include "xmtl/weights.h"

#include "frame/binding.h"
#include "frame/vector_math.h"
#include "xmtl/material_lifecycle.h"
#include "xmtl/weight_models.h"

namespace uvo {

namespace {

// Colour with its luminance in the fourth channel.
Color with_luminance(ShadingState *state, Color c) {
    c.a = rx_luminance(state, &c);
    return c;
}

// Reflectivity factor of the surface for this ray.
float reflectance(ShadingState *state, const MaterialWorkRecord *work, const MaterialParams *params) {
    if (eval(state, params, params->fresnel_from_ior)) {
        // The first index is that of the side the ray comes from.
        const bool from_inside =
            state->inside != 0 && work->thin_walled == 0 && state->ray_type != UVO_RAY_SHADOW;
        float f = from_inside ? rx_fresnel_reflection(state, work->ior, 1.0f)
                              : rx_fresnel_reflection(state, 1.0f, work->ior);
        if (!(f >= 0.0f))  // also catches NaN
            f = 0.0f;
        if (f > 1.0f)
            f = 1.0f;
        return f;
    }
    const float r0 = eval(state, params, params->reflectance_normal);
    const float r90 = eval(state, params, params->reflectance_grazing);
    const float k = eval(state, params, params->reflectance_curve);
    return custom_reflectance(state->dot_nd, r0, r90, k);
}

void copy_reflection_stage(ShadingState *state, MaterialWorkRecord *work, const MaterialParams *params) {
    work->reflection_interpolation_smooth = 0.0f;
    if (!(work->reflection_weight.a > 0.0f))
        return;
    work->highlight_weight = eval(state, params, params->highlight_weight);
    work->reflection_glossiness = eval(state, params, params->reflection_glossiness);
    work->reflection_samples = eval(state, params, params->reflection_samples);
    work->reflection_cutoff = eval(state, params, params->reflection_cutoff);
    if (eval(state, params, params->reflection_interpolation_smooth_enable))
        work->reflection_interpolation_smooth = eval(state, params, params->reflection_interpolation_smooth);
}

void copy_refraction_stage(ShadingState *state, MaterialWorkRecord *work, const MaterialParams *params) {
    if (!(work->refraction_weight.a > 0.0f)) {
        work->refraction_falloff_enable = 0;
        work->refraction_falloff_color_enable = 0;
        return;
    }
    work->refraction_glossiness = eval(state, params, params->refraction_glossiness);
    work->refraction_samples = eval(state, params, params->refraction_samples);
    work->refraction_cutoff = eval(state, params, params->refraction_cutoff);
    work->refraction_falloff_enable = eval(state, params, params->refraction_falloff_enable);
    if (work->refraction_falloff_enable == 0) {
        work->refraction_falloff_distance = 0.0f;
        return;
    }
    work->refraction_falloff_distance = eval(state, params, params->refraction_falloff_distance);
    work->refraction_falloff_color_enable = eval(state, params, params->refraction_falloff_color_enable);
    if (work->refraction_falloff_color_enable != 0) {
        Color c = eval(state, params, params->refraction_falloff_color);
        c.r = c.r < 0.0f ? 0.0f : c.r;
        c.g = c.g < 0.0f ? 0.0f : c.g;
        c.b = c.b < 0.0f ? 0.0f : c.b;
        work->refraction_falloff_color = with_luminance(state, c);
    }
}

}  // namespace

void evaluate_weights(ShadingState *state, MaterialWorkRecord *work, const MaterialParams *params) {
    const Boolean conserve_energy = eval(state, params, params->conserve_energy);

    int32_t context = 0;
    work->indirect_query_failed = rx_query(UVO_QUERY_GATHER_CONTEXT, state, 0, &context) ? 0 : 1;
    work->indirect_enabled = 1;

    work->highlights_only = eval(state, params, params->reflection_highlights_only) != 0;
    work->anisotropy = eval(state, params, params->anisotropy);
    const int32_t highlights_depth = eval(state, params, params->reflection_depth_highlights_only);
    if (highlights_depth >= 1 && state->reflection_depth >= highlights_depth)
        work->highlights_only = 1;

    float dw = eval(state, params, params->diffuse_weight);
    float refl = eval(state, params, params->reflectivity);
    float tr = eval(state, params, params->transparency);
    work->reflection_weight = eval(state, params, params->reflection_color);
    work->refraction_weight = eval(state, params, params->refraction_color);
    work->diffuse_weight = eval(state, params, params->diffuse_color);
    work->ior = eval(state, params, params->refraction_ior);

    const int32_t thin_walled_mode = eval(state, params, params->thin_walled_mode);
    work->thin_walled = thin_walled_mode;
    if (thin_walled_mode == 2 || thin_walled_mode == 3) {
        state->inside = inside_from_ray_history(state, thin_walled_mode) ? 1 : 0;
        work->thin_walled = 0;
    }

    work->reflection_environment_fallback = eval(state, params, params->reflection_environment_fallback);

    refl *= reflectance(state, work, params);

    work->internal_reflection_factor = 1.0f;
    if (state->inside != 0 && work->thin_walled == 0 && eval(state, params, params->skip_internal_reflections))
        work->internal_reflection_factor = internal_reflection_factor(refl);

    if (eval(state, params, params->metal_material)) {
        // A metal takes its reflection colour from the diffuse colour, and
        // what it reflects no longer scatters diffusely.
        const float l = rx_luminance(state, &work->reflection_weight);
        dw *= 1.0f - l * refl;
        if (dw < 0.0f)
            dw = 0.0f;
        work->reflection_weight.r *= work->diffuse_weight.r;
        work->reflection_weight.g *= work->diffuse_weight.g;
        work->reflection_weight.b *= work->diffuse_weight.b;
    }

    work->reflection_weight = with_luminance(state, work->reflection_weight);
    work->refraction_weight = with_luminance(state, work->refraction_weight);
    work->diffuse_weight = with_luminance(state, work->diffuse_weight);
    work->reflection_weight = scale4(work->reflection_weight, refl);

    if (conserve_energy) {
        // Reflection takes its share from refraction and diffuse, refraction
        // from diffuse.
        float a = tr * work->refraction_weight.a;
        float b = work->reflection_weight.a;
        a = a > 1.0f ? 1.0f : a;
        b = b > 1.0f ? 1.0f : b;
        tr *= 1.0f - b;
        dw *= (1.0f - a) * (1.0f - b);
    }

    const int32_t depth_limit = eval(state, params, params->refraction_depth_limit);
    if (state->ray_type != UVO_RAY_SHADOW && depth_limit >= 1 && state->refraction_depth >= depth_limit)
        tr = 0.0f;

    work->translucency_weight = Color{0.0f, 0.0f, 0.0f, 0.0f};
    if ((state->inside != 0 || eval(state, params, params->thin_walled_mode) != 0) &&
        eval(state, params, params->translucency_enable)) {
        const float w = eval(state, params, params->translucency_weight);
        const Color tc = eval(state, params, params->translucency_color);
        const Color &rc = work->refraction_weight;  // the plain refraction colour, not yet times tr
        Color t{tr * rc.r * w * tc.r, tr * rc.g * w * tc.g, tr * rc.b * w * tc.b, 0.0f};
        work->translucency_weight = with_luminance(state, t);
        tr *= 1.0f - w;
    }

    work->refraction_weight = scale4(work->refraction_weight, tr);

    // Reflected energy that is not traced goes to the diffuse component.
    if (work->highlights_only != 0 && (state->options == nullptr || state->options->final_gather == 0))
        dw += work->reflection_weight.a;
    work->diffuse_weight = scale4(work->diffuse_weight, dw);

    work->ao_mode = eval(state, params, params->ao_mode);
    if (work->ao_mode != 0) {
        work->ao_detail_mode = eval(state, params, params->ao_detail_mode);
        work->ao_distance = eval(state, params, params->ao_distance);
        work->ao_samples = eval(state, params, params->ao_samples);
    }

    copy_reflection_stage(state, work, params);
    copy_refraction_stage(state, work, params);

    if (!contour_rendering(state)) {
        work->reflection_interpolate = eval(state, params, params->reflection_interpolate);
        work->refraction_interpolate = eval(state, params, params->refraction_interpolate);
    } else {
        work->reflection_interpolate = 0;
        work->refraction_interpolate = 0;
    }

    const float quality_weight = eval(state, params, params->indirect_quality_weight);
    const float quality = eval(state, params, params->indirect_quality);
    work->indirect_quality = indirect_quality_factor(quality, quality_weight);
}

}  // namespace uvo
