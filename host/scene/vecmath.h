// Small vector and matrix helpers over the contract's Vector3, Color and
// Matrix (row-major 4x4, row vectors: p' = p * M, row 3 = translation):
// operators for the host's own code over the integrator kit's functions.
#pragma once

#include <cmath>

#include "uvo/host_interface.h"
#include "uvo/kit.h"

namespace uvo_host {

inline Vector3 v3(float x, float y, float z) { return Vector3{x, y, z}; }
inline Vector3 operator+(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 operator-(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 operator-(Vector3 a) { return {-a.x, -a.y, -a.z}; }
inline Vector3 operator*(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vector3 operator*(float s, Vector3 a) { return a * s; }
inline float dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector3 cross(Vector3 a, Vector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vector3 a) { return std::sqrt(dot(a, a)); }
// Inline for the hot paths; the same steps as uvo_kit_normalize.
inline Vector3 normalize(Vector3 a) {
    const float l = length(a);
    return l > 0.0f ? a * (1.0f / l) : a;
}
inline bool is_zero(Vector3 a) { return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f; }

// Any two unit vectors that complete n (unit) to a right-handed frame.
inline void orthonormal_basis(Vector3 n, Vector3 &u, Vector3 &v) { uvo_kit_orthonormal_basis(n, &u, &v); }

inline Color rgba(float r, float g, float b, float a = 1.0f) { return Color{r, g, b, a}; }
inline Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a}; }
inline Color operator*(Color a, float s) { return {a.r * s, a.g * s, a.b * s, a.a * s}; }
inline Color operator*(Color a, Color b) { return {a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a}; }

// 4x4 matrices as plain arrays, same convention as the contract's Matrix.
struct Mat4 {
    float m[16];
    static Mat4 identity() {
        Mat4 r{};
        r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
        return r;
    }
    float operator()(int row, int col) const { return m[row * 4 + col]; }
    float &operator()(int row, int col) { return m[row * 4 + col]; }
};

// a then b: p * a * b.
inline Mat4 operator*(const Mat4 &a, const Mat4 &b) {
    Mat4 r;
    uvo_kit_matrix_multiply(r.m, a.m, b.m);
    return r;
}

inline Vector3 transform_point(const float *m, Vector3 p) { return uvo_kit_transform_point(m, p); }
inline Vector3 transform_vector(const float *m, Vector3 v) { return uvo_kit_transform_vector(m, v); }
// Normals go through the inverse transpose: with the inverse matrix at hand,
// n' = inverse * n (column use of the inverse).
inline Vector3 transform_normal_by_inverse(const float *inverse, Vector3 n) {
    return uvo_kit_transform_normal_by_inverse(inverse, n);
}

// General 4x4 inverse; false when singular (out is then left unchanged).
inline bool invert(const float *in, float *out) { return uvo_kit_matrix_invert(out, in) != 0; }

inline Mat4 translation(Vector3 t) {
    Mat4 r = Mat4::identity();
    r(3, 0) = t.x, r(3, 1) = t.y, r(3, 2) = t.z;  // row vectors: the last row moves points
    return r;
}
inline Mat4 scaling(Vector3 s) {
    Mat4 r = Mat4::identity();
    r(0, 0) = s.x;
    r(1, 1) = s.y;
    r(2, 2) = s.z;
    return r;
}
// Rotation by `degrees` about an axis (right-handed).
inline Mat4 rotation(Vector3 axis, float degrees) {
    Mat4 r;
    uvo_kit_matrix_rotation(r.m, axis, degrees);
    return r;
}
// Frame whose rows are the given axes and origin (local to world).
Mat4 frame(Vector3 x, Vector3 y, Vector3 z, Vector3 origin);

}  // namespace uvo_host
