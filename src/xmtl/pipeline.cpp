#include "xmtl/pipeline.h"

#include <cmath>
#include <cstring>

#include "frame/binding.h"
#include "frame/importance.h"
#include "frame/shader.h"
#include "frame/vector_math.h"
#include "xmtl/api_record.h"
#include "xmtl/material_lifecycle.h"
#include "xmtl/direct_light.h"
#include "xmtl/indirect_light.h"
#include "xmtl/normals.h"
#include "xmtl/photon_path.h"
#include "xmtl/reflection.h"
#include "xmtl/refraction.h"
#include "xmtl/shadow_path.h"
#include "xmtl/weight_models.h"
#include "xmtl/weights.h"

namespace uvo {

namespace {

constexpr Color black{0.0f, 0.0f, 0.0f, 0.0f};
constexpr Color opaque_white{1.0f, 1.0f, 1.0f, 1.0f};

// Cut out: the ray goes on through the surface and nothing else is shaded.
Boolean shade_cut_out(MaterialOutputs *outputs, ShadingState *state) {
    std::memset(outputs, 0, sizeof *outputs);
    rx_trace_continue(&outputs->result, state);
    outputs->cutout = outputs->result;
    outputs->cutout_behind = outputs->result;
    if (state->distance > 0.0) {
        Vector3 camera{};
        rx_point_to_camera(state, &camera, &state->point);
        state->distance = length(camera);
    } else {
        state->aux = Vector3{0.0f, 0.0f, 0.0f};
    }
    return 1;
}

Color attenuation(ShadingState *state, const MaterialWorkRecord &work) {
    Color a = opaque_white;
    if (auto *fog = parent_record<RefractionFalloffRecord>(state, UVO_REFRACTION_FALLOFF_MAGIC)) {
        falloff_attenuation(&a, state->distance, fog->distance, fog->color, fog->color_enable);
        fog->applied = 1;
    } else if (state->inside != 0 && work.refraction_falloff_enable != 0) {
        falloff_attenuation(&a, state->distance, work.refraction_falloff_distance, work.refraction_falloff_color,
                            work.refraction_falloff_color_enable);
    }
    return a;
}

void run(MaterialStage stage, MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
         const MaterialParams *params) {
    if (stage != nullptr)
        stage(outputs, state, work, params);
}

}  // namespace

Boolean shade_main(MaterialOutputs *outputs, ShadingState *state, const MaterialParams *params,
                   const MaterialStages &stages) {
    MaterialWorkRecord work{};
    work.instance = material_instance(state);

    outputs->cutout_opacity = eval(state, params, params->cutout_opacity);
    float opacity = outputs->cutout_opacity;
    if (eval(state, params, params->backface_cull) && state->inside != 0)
        opacity = 0.0f;
    outputs->result = Color{0.0f, 0.0f, 0.0f, 1.0f};
    if (opacity < 0.01f)
        return shade_cut_out(outputs, state);

    MaterialApiRecord *api = claim_api_record(state);
    prepare_normals(state, &work, params);
    evaluate_weights(state, &work, params);

    const Color att = attenuation(state, work);
    ImportanceFrame frame;
    frame.low_samples = 1;
    work.importance = push_importance(state, &frame, nullptr, rx_luminance(state, &att) * opacity);

    // Reflection rays of reduced quality gather indirect light only as often
    // as their importance says.
    if (work.indirect_query_failed != 0 && state->ray_type == UVO_RAY_REFLECT &&
        parent_record<ReflectionMarker>(state, UVO_REFLECTION_MARKER_MAGIC) != nullptr) {
        double u = 0.0;
        rx_sample(&u, nullptr, state, 1, nullptr);
        work.indirect_enabled = work.importance >= static_cast<float>(u * 0.95 + 0.05) ? 1 : 0;
    }

    outputs->diffuse_level = work.diffuse_weight;
    outputs->translucency_level = work.translucency_weight;
    outputs->highlight_level = work.reflection_weight;
    outputs->irradiance = outputs->direct_diffuse = black;
    outputs->translucency_raw = outputs->translucency = black;
    outputs->highlight_raw = outputs->highlight = black;
    if (work.diffuse_weight.a > 0.0f || work.highlight_weight * work.reflection_weight.a > 0.0f ||
        work.translucency_weight.a > 0.0f)
        run(stages.direct_light, outputs, state, &work, params);

    outputs->indirect_gathered = outputs->indirect = black;
    outputs->occlusion = opaque_white;
    if (work.diffuse_weight.a > 0.0f)
        run(stages.indirect_light, outputs, state, &work, params);

    outputs->reflection_level = work.reflection_weight;
    outputs->reflection_raw = outputs->reflection = black;
    if (work.reflection_weight.a > 0.0f)
        run(stages.reflection, outputs, state, &work, params);

    outputs->refraction_level = work.refraction_weight;
    outputs->refraction_raw = outputs->refraction = black;
    if (work.refraction_weight.a > 0.0f)
        run(stages.refraction, outputs, state, &work, params);

    Color &result = outputs->result;
    const Color *parts[6] = {&outputs->indirect,     &outputs->direct_diffuse, &outputs->highlight,
                             &outputs->translucency, &outputs->reflection,     &outputs->refraction};
    for (const Color *part : parts) {
        result.r += part->r;
        result.g += part->g;
        result.b += part->b;
    }

    if (eval(state, params, params->propagate_alpha)) {
        const float t = work.refraction_weight.a;
        result.a = (1.0f - t) * result.a + t * outputs->refraction.a;
    } else {
        result.a = 1.0f;
    }

    outputs->additional = eval(state, params, params->additional_color);
    if (outputs->additional.r > 0.0f)
        result.r += outputs->additional.r;
    if (outputs->additional.g > 0.0f)
        result.g += outputs->additional.g;
    if (outputs->additional.b > 0.0f)
        result.b += outputs->additional.b;

    result.r *= att.r * opacity;
    result.g *= att.g * opacity;
    result.b *= att.b * opacity;
    result.a = (att.a * result.a + 1.0f - att.a) * opacity;

    pop_importance(state, &frame);

    if (opacity < 0.999f) {
        ImportanceFrame behind;
        behind.low_samples = 1;
        push_importance(state, &behind, nullptr, 1.0f - opacity);
        Color seen = black;
        rx_trace_transparent(&seen, state);
        pop_importance(state, &behind);
        outputs->cutout_behind = seen;
        const Color scaled = scale4(seen, 1.0f - opacity);
        result.r += scaled.r;
        result.g += scaled.g;
        result.b += scaled.b;
        result.a += scaled.a;
        outputs->cutout = scaled;
    } else {
        outputs->cutout = outputs->cutout_behind = black;
    }

    if (api != nullptr)
        fill_api_record(api, state, *outputs, work, opacity);
    return 1;
}

const MaterialStages &material_stages() {
    static const MaterialStages stages = [] {
        MaterialStages built;
        built.direct_light = direct_light;
        built.indirect_light = indirect_light;
        built.reflection = reflection_stage;
        built.refraction = refraction_stage;
        built.shadow = shade_shadow;
        built.photon = shade_photon;
        return built;
    }();
    return stages;
}

Boolean material_dispatch(Color *result, ShadingState *state, const MaterialParams *params, bool extended,
                          const MaterialStages &stages) {
    if (state->ray_type == UVO_RAY_SHADOW)
        return stages.shadow != nullptr ? stages.shadow(result, state, params) : 0;
    if (is_photon_ray(state->ray_type))
        return stages.photon != nullptr ? stages.photon(result, state, params) : 0;
    if (state->ray_type == UVO_RAY_DISPLACE)
        return 0;

    if (extended && eval(state, params, params->multiple_outputs)) {
        int32_t private_only = 0;
        rx_query(UVO_QUERY_PRIVATE_OUTPUTS, state, 0, &private_only);
        if (private_only == 0)
            return shade_main(reinterpret_cast<MaterialOutputs *>(result), state, params, stages);
    }
    MaterialOutputs outputs{};
    shade_main(&outputs, state, params, stages);
    *result = outputs.result;
    return 1;
}

}  // namespace uvo
