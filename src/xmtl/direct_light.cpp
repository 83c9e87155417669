#include "xmtl/direct_light.h"

#include <algorithm>
#include <cmath>

#include "frame/binding.h"
#include "frame/importance.h"
#include "frame/vector_math.h"
#include "xmtl/indirect_request.h"
#include "xmtl/rough_diffuse.h"
#include "xmtl/weight_models.h"

namespace uvo {

float compress_exponent(float exponent, float cap) {
    return exponent < cap ? exponent : cap + std::sqrt(exponent - cap);
}

float horizon_fade(float d) {
    if (d >= 0.25f)
        return 1.0f;
    const float t = d / 0.25f;
    return (3.0f - 2.0f * t) * t * t;
}

namespace {

struct LightList {
    int32_t count = 0;
    const Tag *tags = nullptr;
};

LightList light_list(ShadingState *state, const MaterialParams *params) {
    const int32_t mode = eval(state, params, params->light_mode);
    LightList list;
    list.count = eval(state, params, params->lights.count);
    const int32_t index = eval(state, params, params->lights.index);
    list.tags = eval_ptr(state, params, &params->lights.elements[0]) + index;
    Tag *host_tags = nullptr;
    switch (mode) {
    case 1:
    case 2:
        // The host is handed the material's own lights and may replace them
        // (it does not write through the array).
        host_tags = const_cast<Tag *>(list.tags);
        if (mode == 1)
            rx_inclusive_lightlist(&list.count, &host_tags, state);
        else
            rx_exclusive_lightlist(&list.count, &host_tags, state);
        list.tags = host_tags;
        break;
    case 3:
        list.count = 0;
        rx_query(UVO_QUERY_LIGHT_COUNT, state, 0, &list.count);
        rx_query(UVO_QUERY_LIGHT_LIST, state, 0, &host_tags);
        list.tags = host_tags;
        break;
    case 4:
        list.count = 0;
        rx_instance_lightlist(&list.count, &host_tags, state);
        list.tags = host_tags;
        break;
    default:
        break;
    }
    if (list.tags == nullptr)
        list.count = 0;
    return list;
}

// What the host's record says about one light.
struct LightFacts {
    bool area = false;
    bool visible = false;
    int32_t low_samples = 0;
};

LightFacts light_facts(ShadingState *state, Tag light) {
    LightFacts facts;
    Tag record_tag = 0;
    if (!rx_query(UVO_QUERY_LIGHT_TAG, state, light, &record_tag))
        return facts;
    const auto *record = static_cast<const HostLight *>(rx_db_access(record_tag));
    if (record != nullptr) {
        facts.area = record->area != 0;
        facts.visible = record->visible != 0;
        // A 16-bit level (see HostLight), so level + 1 cannot overflow.
        facts.low_samples = std::clamp<int32_t>(record->low_samples, INT16_MIN, INT16_MAX);
        rx_db_unpin(record_tag);
    }
    return facts;
}

void reset_per_light(LightLoopInfo *info) {
    info->diffuse_scale = 1.0f;
    info->specular_scale = 1.0f;
    info->physical_light = 0;
    info->force_specular = 0;
}

void add_rgb(Color &to, const Color &c, float s) {
    to.r += c.r * s;
    to.g += c.g * s;
    to.b += c.b * s;
}

}  // namespace

void direct_light(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                  const MaterialParams *params) {
    const float exponent_u = static_cast<float>(glossy_exponent(work->reflection_glossiness));
    const float exponent_v = exponent_u * eval(state, params, params->anisotropy);
    const bool visible_rule =
        work->highlights_only == 0 && eval(state, params, params->skip_visible_light_highlights) != 0;
    const int32_t saved_reflection_depth = state->reflection_depth;
    const int32_t saved_refraction_depth = state->refraction_depth;
    const float indirect_multiplier = eval(state, params, params->indirect_multiplier);
    auto *host_flags = static_cast<HostLightFlags *>(rx_shaderstate_get(state, UVO_KEY_HOST_LIGHT_FLAGS, nullptr));
    const bool highlights_allowed = state->ray_type != UVO_RAY_GATHER && work->bump_suppressed == 0;

    LightLoopInfo fallback{};
    rx_shaderstate_set(state, UVO_KEY_LIGHT_LOOP, &fallback, sizeof fallback, UVO_LIFETIME_RAY);
    auto *info = static_cast<LightLoopInfo *>(rx_shaderstate_get(state, UVO_KEY_LIGHT_LOOP, nullptr));
    if (info == nullptr)
        info = &fallback;

    int importance_class = 0;
    if (is_reduced_ray(state) || work->importance < 0.2f)
        importance_class = -1;
    else if (work->importance > 0.35f)
        importance_class = 1;

    const LightList lights = light_list(state, params);
    info->size = sizeof(LightLoopInfo);
    info->glossiness = work->reflection_glossiness;
    info->importance = work->importance;

    const float highlight_scale = std::sqrt(work->importance);
    for (int32_t k = 0; k < lights.count; ++k) {
        const Tag light = lights.tags[k];
        bool diffuse_on = work->diffuse_weight.a > 0.0f;
        bool highlight_on = highlights_allowed && !(work->reflection_weight.a < 0.0f);
        reset_per_light(info);
        if (host_flags != nullptr)
            host_flags->emit_diffuse = host_flags->emit_specular = 1;

        const LightFacts facts = light_facts(state, light);
        if (facts.area && visible_rule && facts.visible)
            highlight_on = false;  // the light is seen in reflections itself
        const float cap = facts.area ? 24.0f : 80.0f;
        const float eu = compress_exponent(exponent_u, cap);
        const float ev = compress_exponent(exponent_v, cap);
        if (facts.area && facts.low_samples != 0) {
            if (importance_class == 1)
                state->reflection_depth = state->refraction_depth = 0;
            else if (importance_class == -1)
                state->reflection_depth = facts.low_samples + 1;
        }

        Color diffuse_sum{}, irradiance_sum{}, highlight_sum{};
        int32_t samples = 0;
        const Vector3 normal = state->normal;
        for (;;) {
            Color s_color{};
            Vector3 l{};
            float m = 0.0f;
            state->normal = work->entry_normal;
            const Boolean more = rx_sample_light(&s_color, &l, &m, state, light, &samples);
            state->normal = normal;
            if (!more)
                break;
            if (m < 1.0f) {
                const float d = dot(l, work->entry_normal);
                if (d < 0.0f)
                    continue;  // below the unbumped surface
                m = dot(l, work->diffuse_normal) * horizon_fade(d);
            }
            if (host_flags != nullptr) {
                if (host_flags->emit_diffuse == 0)
                    diffuse_on = false;
                if (host_flags->emit_specular == 0)
                    highlight_on = false;
            }
            float specular = info->specular_scale;
            if (visible_rule && info->physical_light != 0 && info->force_specular == 0)
                specular = 1.0f - work->reflection_glossiness;

            if (diffuse_on && info->diffuse_scale > 0.0f) {
                const float roughness = eval(state, params, params->diffuse_roughness);
                const float w = info->diffuse_scale * m;
                if (w > 0.0f) {
                    add_rgb(irradiance_sum, s_color, w);
                    const Color albedo =
                        roughness <= 0.0f ? work->diffuse_weight
                                          : rough_diffuse(l, state->direction, work->diffuse_normal, roughness,
                                                          work->diffuse_weight, w);
                    diffuse_sum.r += s_color.r * w * albedo.r;
                    diffuse_sum.g += s_color.g * w * albedo.g;
                    diffuse_sum.b += s_color.b * w * albedo.b;
                }
            }
            if ((highlight_on || info->force_specular != 0) && specular > 0.0f) {
                auto ward = [&](float a, float b) {
                    return rx_ward_anisglossy(&state->direction, &l, &state->normal, &work->aniso_u, &work->aniso_v,
                                              a, b);
                };
                const float h = ward(eu / 2, ev / 2) + 0.5f * ward(eu, ev) + 1.5f * ward(eu / 4, ev / 4);
                add_rgb(highlight_sum, s_color, specular * m * h * highlight_scale);
            }
        }
        state->reflection_depth = saved_reflection_depth;
        state->refraction_depth = saved_refraction_depth;
        if (samples > 0) {
            const float n = static_cast<float>(samples);
            add_rgb(outputs->direct_diffuse, diffuse_sum, 1.0f / n);
            add_rgb(outputs->irradiance, irradiance_sum, 1.0f / n);
            add_rgb(outputs->highlight_raw, highlight_sum, 1.0f / n);
        }
    }

    outputs->highlight_level.r = work->reflection_weight.r * work->highlight_weight;
    outputs->highlight_level.g = work->reflection_weight.g * work->highlight_weight;
    outputs->highlight_level.b = work->reflection_weight.b * work->highlight_weight;
    outputs->highlight.r = outputs->highlight_raw.r * outputs->highlight_level.r;
    outputs->highlight.g = outputs->highlight_raw.g * outputs->highlight_level.g;
    outputs->highlight.b = outputs->highlight_raw.b * outputs->highlight_level.b;

    if (work->translucency_weight.a > 0.0f) {
        // Light arriving at the back side, for translucency.
        state->normal = negate(work->diffuse_normal);
        if (importance_class == -1)
            state->reflection_depth = 4;
        for (int32_t k = 0; k < lights.count; ++k) {
            reset_per_light(info);
            Color sum{};
            int32_t samples = 0;
            Color s_color{};
            Vector3 l{};
            float m = 0.0f;
            while (rx_sample_light(&s_color, &l, &m, state, lights.tags[k], &samples)) {
                const float w = m * info->diffuse_scale;
                if (w > 0.0f)
                    add_rgb(sum, s_color, w);
            }
            if (samples > 0)
                add_rgb(outputs->translucency_raw, sum, 1.0f / static_cast<float>(samples));
        }
        state->normal = work->shading_normal;
        state->reflection_depth = saved_reflection_depth;

        if (indirect_multiplier > 0.0f && work->indirect_enabled != 0) {
            const IndirectRequest request = indirect_request(state, *work, indirect_multiplier);
            Color back{};
            rx_compute_avg_radiance(&back, state, UVO_FACE_BACK, &request);
            add_rgb(outputs->translucency_raw, back, indirect_multiplier);
        }
        outputs->translucency.r = outputs->translucency_raw.r * work->translucency_weight.r;
        outputs->translucency.g = outputs->translucency_raw.g * work->translucency_weight.g;
        outputs->translucency.b = outputs->translucency_raw.b * work->translucency_weight.b;
    }
    rx_shaderstate_set(state, UVO_KEY_LIGHT_LOOP, nullptr, 0, UVO_LIFETIME_RAY);
}

}  // namespace uvo
