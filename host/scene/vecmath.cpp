#include "scene/vecmath.h"

#include <numbers>

namespace uvo_host {

bool invert(const float *in, float *out) {
    // Gauss-Jordan elimination with partial pivoting, in double precision.
    double a[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            a[i][j] = in[i * 4 + j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-20)
            return false;
        for (int j = 0; j < 8; ++j)
            std::swap(a[col][j], a[pivot][j]);
        const double inv = 1.0 / a[col][col];
        for (int j = 0; j < 8; ++j)
            a[col][j] *= inv;
        for (int r = 0; r < 4; ++r) {
            if (r == col)
                continue;
            const double f = a[r][col];
            for (int j = 0; j < 8; ++j)
                a[r][j] -= f * a[col][j];
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i * 4 + j] = static_cast<float>(a[i][j + 4]);
    return true;
}

Mat4 rotation(Vector3 axis, float degrees) {
    const Vector3 n = normalize(axis);
    const double angle = degrees * std::numbers::pi / 180.0;
    const float c = static_cast<float>(std::cos(angle)), s = static_cast<float>(std::sin(angle));
    const float t = 1.0f - c;
    // Row-vector form: the transpose of the usual column-vector matrix.
    Mat4 r = Mat4::identity();
    r(0, 0) = t * n.x * n.x + c;
    r(1, 0) = t * n.x * n.y - s * n.z;
    r(2, 0) = t * n.x * n.z + s * n.y;
    r(0, 1) = t * n.x * n.y + s * n.z;
    r(1, 1) = t * n.y * n.y + c;
    r(2, 1) = t * n.y * n.z - s * n.x;
    r(0, 2) = t * n.x * n.z - s * n.y;
    r(1, 2) = t * n.y * n.z + s * n.x;
    r(2, 2) = t * n.z * n.z + c;
    return r;
}

Mat4 frame(Vector3 x, Vector3 y, Vector3 z, Vector3 origin) {
    Mat4 r = Mat4::identity();
    const Vector3 rows[4] = {x, y, z, origin};
    for (int i = 0; i < 4; ++i) {
        r(i, 0) = rows[i].x;
        r(i, 1) = rows[i].y;
        r(i, 2) = rows[i].z;
    }
    return r;
}

}  // namespace uvo_host
