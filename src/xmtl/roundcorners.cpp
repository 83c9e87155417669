#include "xmtl/roundcorners.h"

#include <cmath>
#include <numbers>

#include "frame/shader.h"
#include "frame/vector_math.h"
#include "xmtl/bump_vector.h"

namespace uvo {

namespace {

// Shadow, photon and related passes: no rounding there.
bool skips_rounding(int32_t ray_type) {
    return ray_type == UVO_RAY_SHADOW || ray_type == UVO_RAY_DISPLACE || is_photon_ray(ray_type);
}

// A unit tangent of the surface from the first object axis (y, z, x) that is
// not nearly along the geometric normal; false when none qualifies.
bool probe_tangent(ShadingState *state, Vector3 ng, Vector3 *t) {
    const Vector3 axes[3] = {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}};
    for (const Vector3 &axis : axes) {
        Vector3 v = axis;
        rx_vector_from_object(state, &v, &axis);
        v = normalized(v);
        if (std::fabs(dot(v, ng)) < 0.99f) {
            *t = normalized(reject(v, ng));
            return true;
        }
    }
    return false;
}

// The interpolated, object-to-internal converted vertex normal of the face a
// probe hit, or false when it is degenerate.
bool hit_normal(ShadingState *hit, Vector3 *n) {
    Vector3 *a = nullptr, *b = nullptr, *c = nullptr;
    if (!rx_tri_vectors(hit, 'n', 0, &a, &b, &c) || !a || !b || !c)
        return false;
    const Vector3 w = hit->bary;
    const Vector3 object = add(add(scale(*a, w.x), scale(*b, w.y)), scale(*c, w.z));
    Vector3 internal = object;
    rx_normal_from_object(hit, &internal, &object);
    const float squared = dot(internal, internal);
    if (squared <= 0.0f)
        return false;
    if (std::fabs(squared - 1.0f) > 0.1f)
        internal = scale(internal, 1.0f / std::sqrt(squared));
    *n = internal;
    return true;
}

// Six probes in the tangent plane from just under the surface; each face met
// within the radius pulls the state's normal towards its own.
void round_normal(ShadingState *state, float radius, bool include_other_materials) {
    double start = radius, stop = radius;
    rx_ray_falloff(state, &start, &stop);
    const Vector3 saved_point = state->point;
    const Vector3 ng = state->normal_geom;
    state->point = sub(state->point, scale(ng, 0.02f * radius));

    Vector3 t{};
    if (probe_tangent(state, ng, &t)) {
        const Vector3 b = cross(t, ng);
        const void *saved_primitive = state->primitive;
        state->primitive = nullptr;  // the probes may hit the face they start from
        for (int k = 0; k < 6; ++k) {
            const double angle = k * std::numbers::pi / 3.0;
            const Vector3 direction =
                add(scale(b, static_cast<float>(std::cos(angle))), scale(t, static_cast<float>(std::sin(angle))));
            ShadingState *hit = state->child;
            if (hit != nullptr)
                hit->distance = 0.0;
            const Vector3 origin = state->point;
            if (!rx_trace_probe(state, &direction, &origin) || hit == nullptr || !(hit->distance > 0.0))
                continue;
            if (hit->material != state->material && !include_other_materials)
                continue;
            if (hit->distance > radius)
                continue;
            Vector3 n{};
            if (!hit_normal(hit, &n))
                continue;
            const float w = roundcorners_weight(dot(state->normal, n), hit->distance, radius);
            state->normal = add(state->normal, scale(n, w));
        }
        state->primitive = saved_primitive;
    }

    state->normal = normalized(state->normal);
    state->dot_nd = dot(state->normal, state->direction);
    rx_ray_falloff(state, &start, &stop);
    state->point = saved_point;
}

}  // namespace

float roundcorners_weight(float q, double d, float radius) {
    if (!(d <= radius) || radius <= 0.0f)
        return 0.0f;
    const float w = (1.0f - std::fabs(q)) * (1.0f - static_cast<float>(d / radius));
    return w * w;
}

UVO_EXPORT int32_t uvo_roundcorners_version(void) { return roundcorners_version; }

UVO_EXPORT Boolean uvo_roundcorners_init(ShadingState *, RoundCornersParams *params,
                                         Boolean *request_instance_init) {
    if (params == nullptr)
        return uvo::request_instance_init(request_instance_init);
    return 1;
}

UVO_EXPORT Boolean uvo_roundcorners(Vector3 *result, ShadingState *state, RoundCornersParams *params) {
    const float radius = eval(state, params, params->radius);
    const Boolean include_other_materials = eval(state, params, params->include_other_materials);
    const Tag chained = eval(state, params, params->chained_shader);
    const int32_t mode = eval(state, params, params->vector_mode);
    const Vector3 entry_normal = state->normal;
    const float entry_dot_nd = state->dot_nd;

    if (radius > 0.0f && !skips_rounding(state->ray_type))
        round_normal(state, radius, include_other_materials != 0);

    if (mode == 0) {
        *result = Vector3{0.0f, 0.0f, 0.0f};
        if (chained != 0)
            rx_call_shader(reinterpret_cast<Color *>(result), UVO_SHADER_TEXTURE, state, chained);
        return 1;
    }

    apply_bump_vector(state, mode, &state->normal, eval(state, params, params->perturb_vector));
    Vector3 out = state->normal;
    if (mode >= 1 && mode <= 4)
        out = sub(out, entry_normal);
    *result = to_mode_space(state, mode, out);
    state->normal = entry_normal;
    state->dot_nd = entry_dot_nd;
    return 1;
}

}  // namespace uvo
