// Small vector and colour helpers shared by the modules.  All single
// precision, as the host's records are.  Where two modules round differently
// (normalising by a reciprocal or by division) the functions have different
// names, so neither changes the other's results.
#pragma once

#include <cmath>

#include "uvo/host_interface.h"

namespace uvo {

inline Vector3 vec(float x, float y, float z) { return Vector3{x, y, z}; }
inline Vector3 add(Vector3 a, Vector3 b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 sub(Vector3 a, Vector3 b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 scale(Vector3 a, float s) { return Vector3{a.x * s, a.y * s, a.z * s}; }
inline Vector3 negate(Vector3 a) { return Vector3{-a.x, -a.y, -a.z}; }
inline float dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector3 cross(Vector3 a, Vector3 b) {
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vector3 a) { return std::sqrt(dot(a, a)); }

// Unit vector along `a`, each component times 1 / length; a zero vector is
// returned unchanged.  The material's rounding.
inline Vector3 normalized(Vector3 a) {
    const float l = length(a);
    return l != 0.0f ? scale(a, 1.0f / l) : a;
}

// Unit vector along `a`, each component divided by the length; a zero vector
// is returned unchanged.  The sky's rounding.
inline Vector3 normalized_by_division(Vector3 a) {
    const float l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return l != 0.0f ? Vector3{a.x / l, a.y / l, a.z / l} : a;
}

// `a` with its component along the unit vector `n` removed.
inline Vector3 reject(Vector3 a, Vector3 n) { return sub(a, scale(n, dot(a, n))); }

inline Color scale4(Color c, float s) { return Color{c.r * s, c.g * s, c.b * s, c.a * s}; }

}  // namespace uvo
