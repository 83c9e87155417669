// The tangent frame of anisotropic reflection: two tangents at the hit, from
// a texture space, the texture-coordinate vector, the derivative list, the
// bump basis or, failing those, the object axes.
#pragma once

#include "uvo/host_interface.h"

namespace uvo {

// anisotropy_channel values below 0 with a meaning of their own.
constexpr int32_t channel_bump_basis = -2;
constexpr int32_t channel_derivatives = -3;
constexpr int32_t channel_texture_vector = -4;

// Tangents along increasing u and v of a triangle's texture mapping.
// `dp1`, `dp2`: edges p1 - p0 and p2 - p0 in internal space; `t0` to `t2`:
// the texture vertices (only x = u and y = v are used).  Writes unit `*U` and
// `*V` (a zero vector stays zero) and returns true; returns false when u or v
// does not change across the triangle in a usable way.
bool texture_space_tangents(Vector3 dp1, Vector3 dp2, Vector3 t0, Vector3 t1, Vector3 t2, Vector3 *U, Vector3 *V);

// Writes two tangents for `channel` (an anisotropy_channel value):
//   0 or more: texture space `channel` of the hit triangle ('t' vectors);
//   -4: the state's texture-coordinate vector made perpendicular to the
//       normal, and v = u x normal (unless it is nearly along the normal);
//   -3: the derivative list's two vectors, from object space;
//   -2: the two bump-basis vectors, from object space;
//   anything else, or a failure above: the first object axis of z, y, x not
//   nearly along the normal gives v, and u = v x normal.
// Tangents are unit length but not yet perpendicular to the state's normal
// (except for -4 and the fallback).
void tangent_frame(ShadingState *state, Vector3 *u, Vector3 *v, int32_t channel);

}  // namespace uvo
