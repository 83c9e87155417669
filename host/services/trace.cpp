// Host functions: tracing and calling shaders.
#include <cmath>

#include "render/camera_shaders.h"
#include "render/photon_pass.h"
#include "render/ray_falloff.h"
#include "render/shading.h"

using namespace uvo_host;

extern "C" Boolean rx_trace_eye(Color *result, ShadingState *state, const Vector3 *origin,
                                const Vector3 *direction) {
    if (result == nullptr || state == nullptr || origin == nullptr || direction == nullptr)
        return 0;
    return trace_eye(state, *origin, *direction, result);
}

extern "C" Boolean rx_trace_reflection(Color *result, ShadingState *state, const Vector3 *direction) {
    if (result == nullptr || state == nullptr || direction == nullptr)
        return 0;
    return trace_and_shade(state, UVO_RAY_REFLECT, offset_origin(state, *direction), *direction, result);
}

extern "C" Boolean rx_trace_refraction(Color *result, ShadingState *state, const Vector3 *direction) {
    if (result == nullptr || state == nullptr || direction == nullptr)
        return 0;
    return trace_and_shade(state, UVO_RAY_REFRACT, offset_origin(state, *direction), *direction, result);
}

extern "C" Boolean rx_trace_transparent(Color *result, ShadingState *state) {
    if (result == nullptr || state == nullptr)
        return 0;
    const Vector3 direction = state->direction;
    return trace_and_shade(state, UVO_RAY_TRANSPARENT, offset_origin(state, direction), direction, result);
}

extern "C" Boolean rx_trace_environment(Color *result, ShadingState *state, const Vector3 *direction) {
    if (result == nullptr || state == nullptr || direction == nullptr)
        return 0;
    return shade_environment(state, UVO_RAY_ENVIRONMENT, *direction, result);
}

extern "C" Boolean rx_trace_probe(ShadingState *state, const Vector3 *direction, const Vector3 *origin) {
    ThreadContext *context = context_of(state);
    if (context == nullptr || direction == nullptr || origin == nullptr)
        return 0;
    ShadingState *child = context->push(state);
    if (child == nullptr)
        return 0;
    child->ray_type = UVO_RAY_TRANSPARENT;
    child->origin = *origin;
    child->direction = normalize(*direction);
    ++context->rays;
    // Ends at the caller's fall-off limit; never meets the primitive the
    // caller's state is on (a planar triangle cannot be met again by a ray
    // that leaves it).
    const float limit = falloff_limit(state);
    const Tracer &tracer = *world_of(state)->tracer;
    RayHit hit = tracer.intersect(*origin, child->direction, 0.0f, limit);
    for (int guard = 0; hit.hit && guard < 8 && state->primitive != nullptr && state->primitive == handle_of(hit);
         ++guard)
        hit = tracer.intersect(*origin, child->direction, std::nextafter(hit.distance, limit), limit);
    if (!hit.hit)
        return 0;
    fill_hit(child, hit);
    return 1;
}

extern "C" Boolean rx_trace_continue(Color *result, ShadingState *state) {
    if (result == nullptr || state == nullptr)
        return 0;
    if (state->ray_type == UVO_RAY_SHADOW)
        return continue_shadow(state, result);
    if (photon_pass_active() && state->ray_type >= UVO_RAY_PHOTON_EMIT && state->ray_type != UVO_RAY_DISPLACE &&
        state->ray_type != UVO_RAY_OUTPUT && state->ray_type != UVO_RAY_GATHER)
        return photon_pass_send(state, *result, state->ray_type, state->direction) ? 1 : 0;
    return continue_and_shade(state, result);
}

extern "C" Boolean rx_trace_shadow(Color *result, ShadingState *state) {
    if (result == nullptr || state == nullptr)
        return 0;
    return trace_shadow(state, result);
}

extern "C" Boolean rx_trace_shadow_seg(Color *result, ShadingState *state) {
    if (result == nullptr || state == nullptr)
        return 0;
    return continue_shadow(state, result);
}

extern "C" Boolean rx_call_shader(Color *result, int32_t kind, ShadingState *state, Tag shader) {
    World *world = world_of(state);
    if (world == nullptr || state == nullptr || result == nullptr)
        return 0;
    ShaderInstance *instance = world->db.get<ShaderInstance>(shader, ElementKind::Shader);
    if (instance == nullptr)
        return 0;
    return call_shader_instance(instance, result, state, kind);
}
