#include "xmtl/tangent_frame.h"

#include <cmath>

#include "frame/binding.h"
#include "frame/vector_math.h"

namespace uvo {

bool texture_space_tangents(Vector3 dp1, Vector3 dp2, Vector3 t0, Vector3 t1, Vector3 t2, Vector3 *U, Vector3 *V) {
    const float du1 = t1.x - t0.x, dv1 = t1.y - t0.y;
    const float du2 = t2.x - t0.x, dv2 = t2.y - t0.y;
    const float d = dv1 * du2 - dv2 * du1;
    if (d != 0.0f) {
        Vector3 u = scale(sub(scale(dp2, dv1), scale(dp1, dv2)), 1.0f / d);
        Vector3 v = scale(sub(scale(dp1, du2), scale(dp2, du1)), 1.0f / d);
        if (d < 0.0f) {
            u = negate(u);
            v = negate(v);
        }
        *U = normalized(u);
        *V = normalized(v);
        return true;
    }
    // Degenerate parameterisation: take each tangent along an edge on which
    // its coordinate changes at all.
    bool ok = true;
    if (du1 != 0.0f)
        *U = normalized(scale(dp1, 1.0f / du1));
    else if (du2 != 0.0f)
        *U = normalized(scale(dp2, 1.0f / du2));
    else {
        *U = Vector3{0.0f, 0.0f, 0.0f};
        ok = false;
    }
    if (dv1 != 0.0f)
        *V = normalized(scale(dp1, 1.0f / dv1));
    else if (dv2 != 0.0f)
        *V = normalized(scale(dp2, 1.0f / dv2));
    else {
        *V = Vector3{0.0f, 0.0f, 0.0f};
        ok = false;
    }
    return ok;
}

namespace {

Vector3 from_object(ShadingState *state, Vector3 in) {
    Vector3 out = in;
    rx_vector_from_object(state, &out, &in);
    return out;
}

// `p`: the triangle's three positions, object space.
bool from_texture_space(ShadingState *state, Vector3 *const *p, int32_t channel, Vector3 *u, Vector3 *v) {
    Vector3 *t[3] = {nullptr, nullptr, nullptr};
    if (!rx_tri_vectors(state, 't', channel, &t[0], &t[1], &t[2]) || !t[0] || !t[1] || !t[2])
        return false;
    const Vector3 dp1 = from_object(state, sub(*p[1], *p[0]));
    const Vector3 dp2 = from_object(state, sub(*p[2], *p[0]));
    return texture_space_tangents(dp1, dp2, *t[0], *t[1], *t[2], u, v);
}

void from_object_axes(ShadingState *state, Vector3 *u, Vector3 *v) {
    const Vector3 n = state->normal;
    const Vector3 axes[3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    Vector3 axis{};
    for (int k = 0; k < 3; ++k) {
        axis = normalized(from_object(state, axes[k]));
        if (std::fabs(dot(axis, n)) <= 0.999f)
            break;
    }
    *v = normalized(reject(axis, n));
    *u = cross(*v, n);
}

}  // namespace

void tangent_frame(ShadingState *state, Vector3 *u, Vector3 *v, int32_t channel) {
    const Vector3 n = state->normal;
    Vector3 *p[3] = {nullptr, nullptr, nullptr};
    const bool positions = rx_tri_vectors(state, 'p', 0, &p[0], &p[1], &p[2]) && p[0] && p[1] && p[2];
    if (channel >= 0) {
        if (positions && from_texture_space(state, p, channel, u, v))
            return;
    } else if (channel == channel_texture_vector) {
        const Vector3 t = normalized(state->tex);
        if (std::fabs(dot(t, n)) <= 0.999f) {
            *u = normalized(reject(t, n));
            *v = cross(*u, n);
            return;
        }
    } else if (channel == channel_derivatives && state->derivs != nullptr) {
        *u = normalized(from_object(state, state->derivs[0]));
        *v = normalized(from_object(state, state->derivs[1]));
        return;
    } else if (channel == channel_bump_basis && state->bump_x != nullptr && state->bump_y != nullptr) {
        *u = normalized(from_object(state, *state->bump_x));
        *v = normalized(from_object(state, *state->bump_y));
        return;
    }
    from_object_axes(state, u, v);
}

}  // namespace uvo
