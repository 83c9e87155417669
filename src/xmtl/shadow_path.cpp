#include "xmtl/shadow_path.h"

#include "frame/binding.h"
#include "xmtl/material_lifecycle.h"
#include "xmtl/normals.h"
#include "xmtl/weight_models.h"
#include "xmtl/weights.h"

namespace uvo {

namespace {

bool segment_shadows(const ShadingState *state) {
    return state->options != nullptr && state->options->shadow_mode == UVO_SHADOW_SEGMENTS;
}

}  // namespace

Boolean shade_shadow(Color *result, ShadingState *state, const MaterialParams *params) {
    MaterialWorkRecord work{};
    work.instance = material_instance(state);
    const float o = eval(state, params, params->cutout_opacity);
    const bool segments = segment_shadows(state);
    if (o < 0.01f) {
        if (segments)
            rx_trace_shadow_seg(result, state);
        return 1;
    }
    if (o > 0.999f && eval(state, params, params->transparency) < 0.001f)
        return 0;
    if (eval(state, params, params->refractive_caustics) && state->options != nullptr &&
        state->options->caustics != 0)
        return 0;  // such light arrives as caustic photons instead

    prepare_normals(state, &work, params);
    evaluate_weights(state, &work, params);

    Color t = work.refraction_weight;
    if (state->inside != 0 && work.refraction_falloff_enable != 0) {
        // Without segments the shadow ray cannot tell how far it ran inside:
        // one full falloff distance is assumed.
        const double distance = segments ? state->distance : static_cast<double>(work.refraction_falloff_distance);
        falloff_attenuation(&t, distance, work.refraction_falloff_distance, work.refraction_falloff_color,
                            work.refraction_falloff_color_enable);
    }
    if (segments)
        rx_trace_shadow_seg(result, state);

    const float clear = 1.0f - o;
    result->r *= o * t.r + clear;
    result->g *= o * t.g + clear;
    result->b *= o * t.b + clear;
    result->a *= o * t.a + clear;
    return o * t.a + clear < 0.001f ? 0 : 1;
}

}  // namespace uvo
