#include "portal/portal_paths.h"

#include "frame/binding.h"
#include "frame/params.h"
#include "sky/sky_host.h"

namespace uvo::portal {

namespace {

// A photon direction is drawn again while it points behind the opening; a
// sampler that kept doing so would never end the loop.
constexpr int photon_direction_tries = 64;

void scale_rgb(Color *c, float s) {
    c->r *= s;
    c->g *= s;
    c->b *= s;
}

}  // namespace

Boolean look_through_opening(Color *result, const PortalCall &call, bool flip, bool direct, Vector3 uv) {
    ShadingState *state = call.state;
    const Vector3 saved_tex = state->tex;
    Vector3 saved_first{};
    state->tex = uv;
    if (state->tex_list != nullptr) {
        saved_first = state->tex_list[0];
        state->tex_list[0] = uv;
    }

    ShadingState copy = *state;
    Boolean seen;
    if (call.environment == 0) {
        result->r = result->g = result->b = 1.0f;
        seen = 1;
    } else {
        if (flip)
            copy.direction = scale(copy.direction, -1.0f);
        if (direct) {
            copy.ray_type = UVO_RAY_GATHER;
            seen = rx_call_shader(result, UVO_SHADER_ENVIRONMENT, &copy, call.environment);
        } else {
            copy.environment = call.environment;
            seen = rx_trace_environment(result, &copy, &copy.direction);
        }
    }
    const Color tint = eval(state, call.params, call.params->tint);
    result->r *= tint.r;
    result->g *= tint.g;
    result->b *= tint.b;

    state->tex = saved_tex;
    if (state->tex_list != nullptr)
        state->tex_list[0] = saved_first;
    return seen;
}

Boolean portal_light_sample(Color *result, const PortalCall &call) {
    ShadingState *state = call.state;
    const PortalLightParams *params = call.params;
    const float offset = eval(state, params, params->shadow_start_offset);
    if (auto *loop = static_cast<LightLoopInfo *>(rx_shaderstate_get(state, UVO_KEY_LIGHT_LOOP, nullptr)))
        loop->physical_light = 1;
    if (call.volume_photons_only)
        return 2;

    const PortalRecord &record = *call.record;
    Vector3 p;
    rx_point_transform(&p, &state->point, record.to_light);
    if (!portal_lit_side(p, call.side))
        return 2;
    const float k = call.intensity_scale * portal_geometric_weight(record.geometry, p);

    Vector3 q;  // the sample's position on the opening
    rx_point_transform(&q, &state->origin, record.to_light);
    look_through_opening(result, call, true, call.call_environment_directly,
                         portal_rect_coordinate(record.geometry, q));
    scale_rgb(result, k);

    if (offset != 0.0f)
        state->origin = sub(state->origin, scale(state->direction, offset));

    const float L = rx_luminance(state, result);
    const float cutoff = eval(state, params, params->luminance_cutoff);
    double u = 0.0;
    if (cutoff_needs_draw(L, cutoff))
        rx_sample(&u, nullptr, state, 1, nullptr);
    const CutoffOutcome outcome = luminance_cutoff(L, cutoff, u);
    if (!outcome.keep)
        return 0;
    if (outcome.scale != 1.0f)
        scale_rgb(result, outcome.scale);

    if (eval(state, params, params->cast_shadows))
        return rx_trace_shadow(result, state);
    return 1;
}

Boolean portal_emit_photon(Color *result, const PortalCall &call) {
    ShadingState *state = call.state;
    const PortalRecord &record = *call.record;
    const PortalGeometry &g = record.geometry;

    Vector3 normal;
    rx_vector_transform(&normal, &g.light_direction, record.from_light);
    state->normal = normal;
    state->normal_geom = normal;

    // Uniform in a cube around the origin, kept on the normal's side.
    Vector3 direction{};
    for (int tries = 0; tries < photon_direction_tries; ++tries) {
        double u[3];
        rx_sample(u, nullptr, state, 3, nullptr);
        direction = normalized(Vector3{static_cast<float>(u[0] - 0.5), static_cast<float>(u[1] - 0.5),
                                       static_cast<float>(u[2] - 0.5)});
        if (dot(direction, normal) >= 0.0f)
            break;
        if (tries + 1 == photon_direction_tries)
            direction = scale(direction, -1.0f);  // the mirror image has the same distribution
    }
    if (call.side < 0.0f)
        direction = scale(direction, -1.0f);
    state->direction = direction;

    Vector3 q;  // where the host put the photon, on the opening
    rx_point_transform(&q, &state->origin, record.to_light);
    Color seen{};
    look_through_opening(&seen, call, true, call.call_environment_directly, portal_rect_coordinate(g, q));
    const float power = call.intensity_scale * 3.1415927f;
    result->r = seen.r * g.length_u * g.length_v * power;
    result->g = seen.g * g.length_u * g.length_v * power;
    result->b = seen.b * g.length_u * g.length_v * power;
    result->a = seen.a * g.length_u * g.length_v * power;

    double m[2];
    rx_sample(m, nullptr, state, 2, nullptr);
    const Vector3 start = portal_photon_origin(g, m[0], m[1]);
    rx_point_transform(&state->origin, &start, record.from_light);
    state->point = state->origin;

    if (call.volume_photons_only)
        return rx_photon_volume_scattering(result, state, &state->direction);
    return rx_photon_light(result, state);
}

Boolean portal_visible_rectangle(Color *result, const PortalCall &call) {
    ShadingState *state = call.state;
    Boolean seen;
    if (!call.visible) {
        state->pass_through = 0;
        seen = rx_trace_transparent(result, state);
    } else {
        Vector3 p;
        rx_point_transform(&p, &state->point, call.record->to_light);
        seen = look_through_opening(result, call, false, false, portal_rect_coordinate(call.record->geometry, p));
        scale_rgb(result, call.intensity_scale);
    }
    mark_sky_is_hdr(state);
    const Color transparency = eval(state, call.params, call.params->transparency);
    result->r *= transparency.r;
    result->g *= transparency.g;
    result->b *= transparency.b;
    return seen;
}

}  // namespace uvo::portal
