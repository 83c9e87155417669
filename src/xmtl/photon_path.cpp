#include "xmtl/photon_path.h"

#include "frame/binding.h"
#include "frame/shader.h"
#include "xmtl/glossy.h"
#include "xmtl/material_lifecycle.h"
#include "xmtl/normals.h"
#include "xmtl/photon_choice.h"
#include "xmtl/refraction.h"
#include "xmtl/weight_models.h"
#include "xmtl/weights.h"

namespace uvo {

namespace {

enum Component : int32_t { reflection = 0, refraction = 1, diffuse = 2, translucency = 3 };

bool has_ancestor_of_type(const ShadingState *state, int32_t type) {
    for (const ShadingState *s = state->parent; s != nullptr; s = s->parent)
        if (s->ray_type == type)
            return true;
    return false;
}

// Photons straight from a light (type 9, through any chain of type 19) are
// not stored: direct light is computed by the light loop.
bool stores_photons(const ShadingState *state) {
    const ShadingState *s = state;
    while (s->ray_type == UVO_RAY_PHOTON_TRANSPARENT && s->parent != nullptr)
        s = s->parent;
    return s->ray_type != UVO_RAY_PHOTON_EMIT;
}

void send_reflection(Color *energy, ShadingState *state, const MaterialWorkRecord &work, float g, float a,
                     const double *sample) {
    Vector3 direction{0.0f, 0.0f, 0.0f};
    glossy_reflection_dir(&direction, state, &work, g, a, sample);
    if (g <= 0.5f)
        rx_photon_reflection_glossy(energy, state, &direction);
    else
        rx_photon_reflection_specular(energy, state, &direction);
}

void send_refraction(Color *energy, ShadingState *state, const MaterialWorkRecord &work,
                     const MaterialParams *params) {
    if (!eval(state, params, params->refractive_caustics)) {
        rx_photon_transparent(energy, state);
        return;
    }
    double sample[2] = {0.0, 0.0};
    rx_sample(sample, nullptr, state, 2, nullptr);
    const float g = eval(state, params, params->refraction_glossiness);
    const float a = eval(state, params, params->anisotropy);
    Vector3 direction{0.0f, 0.0f, 0.0f};
    const bool transmitted = transmitted_direction(&direction, state, &work, g, a, sample);
    if (!transmitted) {  // total internal reflection
        send_reflection(energy, state, work, g, a, sample);
        return;
    }
    if (g <= 0.5f)
        rx_photon_transmission_glossy(energy, state, &direction);
    else
        rx_photon_transmission_specular(energy, state, &direction);
}

}  // namespace

Boolean shade_photon(Color *result, ShadingState *state, const MaterialParams *params) {
    const bool single = has_ancestor_of_type(state, ray_photon_emit_single);
    MaterialWorkRecord work{};
    work.instance = material_instance(state);
    const float o = eval(state, params, params->cutout_opacity);
    if (o < 0.01f)
        return rx_trace_continue(result, state);

    prepare_normals(state, &work, params);
    evaluate_weights(state, &work, params);

    // Absorbed by the opacity and, inside, by the falloff over the distance run.
    Color keep{o, o, o, o};
    if (state->inside != 0 && work.refraction_falloff_enable != 0 && state->distance > 0.0 &&
        work.refraction_falloff_distance > 0.0f)
        falloff_attenuation(&keep, state->distance, work.refraction_falloff_distance, work.refraction_falloff_color,
                            work.refraction_falloff_color_enable);
    result->r *= keep.r;
    result->g *= keep.g;
    result->b *= keep.b;

    if (work.diffuse_weight.a > 0.0001f && stores_photons(state))
        rx_store_photon(result, state);

    const int32_t n = single ? 2 : (work.translucency_weight.a > 0.0f ? 4 : 3);
    const Color components[4] = {work.reflection_weight, work.refraction_weight, work.diffuse_weight,
                                 work.translucency_weight};
    int32_t count = 1;
    float probability = 1.0f;
    const int32_t choice = choose_photon_component(state, result, &count, &probability, n, components);
    if (probability <= 0.0f)
        return 1;
    if (single) {
        count = 1;
        result->r *= probability;
        result->g *= probability;
        result->b *= probability;
    }

    for (int32_t k = 0; k < count; ++k) {
        Vector3 direction{0.0f, 0.0f, 0.0f};
        switch (choice) {
        case reflection:
            if (work.highlights_only == 0) {
                double sample[2] = {0.0, 0.0};
                rx_sample(sample, nullptr, state, 2, nullptr);
                const float g = eval(state, params, params->reflection_glossiness);
                const float a = eval(state, params, params->anisotropy);
                send_reflection(result, state, work, g, a, sample);
            }
            break;
        case refraction:
            send_refraction(result, state, work, params);
            break;
        case diffuse:
            rx_reflection_dir_diffuse(&direction, state);
            rx_photon_reflection_diffuse(result, state, &direction);
            break;
        case translucency:
            rx_transmission_dir_diffuse(&direction, state);
            rx_photon_transmission_diffuse(result, state, &direction);
            break;
        default:
            break;
        }
    }
    return 1;
}

}  // namespace uvo
