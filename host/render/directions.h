// Direction sampling shared by the host functions and the built-in shaders.
// All directions are unit vectors in internal space; normals face the ray
// (the hemisphere around the normal is the side the ray came from).
#pragma once

#include "scene/vecmath.h"

namespace uvo_host {

// Cosine-weighted direction about n from (u1, u2) in [0, 1)^2.  A direction
// that falls below the geometric surface ng (possible where n is an
// interpolated normal) is mirrored back above it.
Vector3 cosine_direction(const Vector3 &n, const Vector3 &ng, double u1, double u2);

// Direction about `axis` with density proportional to cos^exponent.
Vector3 phong_lobe_direction(const Vector3 &axis, float exponent, double u1, double u2);

// Mirror direction of d about n.
inline Vector3 mirror(const Vector3 &d, const Vector3 &n) { return d - n * (2.0f * dot(d, n)); }

// Refraction of d through n (facing d's origin) with eta = ior_in / ior_out;
// false on total internal reflection.
bool refract(const Vector3 &d, const Vector3 &n, float eta, Vector3 &out);

// Unpolarised Fresnel reflectance of a dielectric for the cosine of the
// incidence angle, ior_in on the incident side.
float fresnel_dielectric(float cos_in, float ior_in, float ior_out);

// Ward anisotropic half vector about n with tangent u, v and roughness
// 1 / shiny_u, 1 / shiny_v.
Vector3 ward_half_vector(const Vector3 &n, const Vector3 &u, const Vector3 &v, float shiny_u, float shiny_v,
                         double u1, double u2);

}  // namespace uvo_host
