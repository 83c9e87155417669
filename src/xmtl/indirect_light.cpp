#include "xmtl/indirect_light.h"

#include <cmath>

#include "frame/binding.h"
#include "frame/importance.h"
#include "frame/texture_spaces.h"
#include "frame/vector_math.h"
#include "xmtl/indirect_request.h"

namespace uvo {

namespace {

// Shades the surface an occlusion probe met (the state's child after
// rx_trace_probe) with its own material shader, as a gather ray one
// reflection deeper; black when it has none.  The child is put back after.
Color occluder_color(ShadingState *state) {
    Color color{0.0f, 0.0f, 0.0f, 0.0f};
    ShadingState *hit = state->child;
    const ShadingState copy = *hit;
    Tag shader = 0;
    if (!rx_query(UVO_QUERY_MATERIAL_SHADER, state, hit->material, &shader) || shader == 0)
        return color;
    Vector3 tex[max_texture_spaces];
    ShadingState scratch_child = copy;
    hit->ray_type = UVO_RAY_GATHER;
    hit->child = &scratch_child;
    fill_texture_spaces(hit, tex);
    hit->reflection_depth = state->reflection_depth + 1;
    rx_call_shader(&color, UVO_SHADER_MATERIAL, hit, shader);
    *hit = copy;  // nothing of this call's stack stays reachable from the host's state
    return color;
}

}  // namespace

int32_t occlusion_probe_count(ShadingState *state, const MaterialWorkRecord &work, bool bleeding) {
    int32_t n = sample_count(static_cast<float>(work.ao_samples) * work.importance);
    if (n < 1)
        n = 1;
    const RenderOptions *options = state->options;
    if (is_reduced_ray(state)) {
        n = bleeding ? 0 : 1;
    } else if (options != nullptr && options->final_gather == 0 && bleeding && state->ray_type == UVO_RAY_GATHER) {
        n = state->reflection_depth <= static_cast<int32_t>(options->depth_limit) &&
                    work.reflection_cutoff <= state->importance
                ? 1
                : 0;
    }
    return n;
}

namespace {

// Ambient occlusion on top of the gathered light `*indirect` (see the
// header); writes the openness into the occlusion output.
void apply_occlusion(MaterialOutputs *outputs, ShadingState *state, const MaterialWorkRecord *work,
                     const MaterialParams *params, Color *indirect_io) {
    Color &indirect = *indirect_io;
    const bool bleeding = work->ao_mode == 2 || work->ao_detail_mode == 2;
    const int32_t n = occlusion_probe_count(state, *work, bleeding);

    // The colours may be textures that look at the direction: give
    // them the normal, kept just off the pole.
    const Vector3 direction = state->direction;
    state->direction = state->normal;
    if (std::fabs(state->direction.z) > 0.999f)
        state->direction.z = state->direction.z > 0.0f ? 0.999f : -0.999f;
    const Color dark = eval(state, params, params->ao_dark_color);
    Color ambient = eval(state, params, params->ao_ambient_color);
    state->direction = direction;

    if (work->ao_detail_mode != 0 || bleeding) {
        ambient.r += indirect.r;
        ambient.g += indirect.g;
        ambient.b += indirect.b;
        indirect.r = indirect.g = indirect.b = 0.0f;
    }
    if (!(rx_luminance(state, &ambient) > 0.0f) && !bleeding)
        return;

    const float reach = work->ao_distance;
    double start = reach, stop = reach;
    rx_ray_falloff(state, &start, &stop);
    ImportanceFrame frame;
    frame.low_samples = 1;
    if (bleeding)  // n may be 0: nothing is traced then, and the weight stays finite
        push_importance(state, &frame, nullptr, work->diffuse_weight.a / static_cast<float>(n > 0 ? n : 1));

    int32_t probes = 0;
    float occluded = 0.0f;
    Color bleed{0.0f, 0.0f, 0.0f, 0.0f};
    if (n > 0) {
        double sample[2];
        int32_t instance = 0, count = n;
        while (rx_sample(sample, &instance, state, 2, &count)) {
            ++probes;
            Vector3 diffuse{0.0f, 0.0f, 0.0f};
            rx_reflection_dir_diffuse_x(&diffuse, state, sample);
            const Vector3 probe = normalized(add(scale(state->normal, 0.25f), scale(diffuse, 0.75f)));
            if (state->child != nullptr)
                state->child->distance = 0.0;
            const Vector3 origin = state->point;
            rx_trace_probe(state, &probe, &origin);
            const double d = state->child != nullptr ? state->child->distance : 0.0;
            if (!(d > 0.0 && (reach <= 0.0f || d < reach)))
                continue;  // open sky
            const Color tint = bleeding ? occluder_color(state) : Color{};
            float w = 1.0f;
            if (reach > 0.0f) {
                w = static_cast<float>(1.0 - d / reach);
                if (!bleeding)
                    w *= w;
            }
            occluded += w;
            bleed.r += w * tint.r;
            bleed.g += w * tint.g;
            bleed.b += w * tint.b;
            bleed.a += w * tint.a;
        }
    }
    if (bleeding)
        pop_importance(state, &frame);
    if (probes > 0) {
        if (bleeding && occluded > 0.0f)
            bleed = scale4(bleed, 1.0f / occluded);
        occluded /= static_cast<float>(probes);
    }
    const float open = 1.0f - occluded;
    auto blend = [&](float &out, float k, float a, float b) {
        if (bleeding)
            out += (1.0f - k) * b * occluded + open * a;
        else if (k <= 0.0f)  // no dark colour: occluded light is simply lost
            out += open * a;
        else
            out += k * a * occluded + open * a;
    };
    blend(indirect.r, dark.r, ambient.r, bleed.r);
    blend(indirect.g, dark.g, ambient.g, bleed.g);
    blend(indirect.b, dark.b, ambient.b, bleed.b);
    blend(indirect.a, dark.a, ambient.a, bleed.a);
    outputs->occlusion.r = outputs->occlusion.g = outputs->occlusion.b = open;
    rx_ray_falloff(state, &start, &stop);
}

}  // namespace

void indirect_light(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                    const MaterialParams *params) {
    Color indirect{0.0f, 0.0f, 0.0f, 0.0f};
    const float multiplier = eval(state, params, params->indirect_multiplier);
    if (multiplier > 0.0f && work->indirect_enabled != 0) {
        const IndirectRequest request = indirect_request(state, *work, multiplier);
        const Vector3 normal = state->normal;
        state->normal = work->diffuse_normal;
        Color gathered{};
        rx_compute_avg_radiance(&gathered, state, UVO_FACE_FRONT, &request);
        state->normal = normal;
        indirect.r = gathered.r * multiplier;
        indirect.g = gathered.g * multiplier;
        indirect.b = gathered.b * multiplier;
    }
    outputs->indirect_gathered = indirect;

    if (work->ao_mode != 0)
        apply_occlusion(outputs, state, work, params, &indirect);

    outputs->occlusion_ambient = indirect;
    outputs->indirect.r += indirect.r * work->diffuse_weight.r;
    outputs->indirect.g += indirect.g * work->diffuse_weight.g;
    outputs->indirect.b += indirect.b * work->diffuse_weight.b;
}

}  // namespace uvo
