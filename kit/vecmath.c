/* Vectors, directions, Fresnel, Ward, luminance and matrices (see uvo/kit.h).
 * Single-precision steps are written as the reference host computed them,
 * with double precision where angles or exponentials need it. */
#include <math.h>

#include "uvo/kit.h"

static const double kPi = 3.14159265358979323846;

static Vector3 v3(float x, float y, float z) {
    Vector3 r;
    r.x = x;
    r.y = y;
    r.z = z;
    return r;
}
static Vector3 add(Vector3 a, Vector3 b) { return v3(a.x + b.x, a.y + b.y, a.z + b.z); }
static Vector3 sub(Vector3 a, Vector3 b) { return v3(a.x - b.x, a.y - b.y, a.z - b.z); }
static Vector3 scale(Vector3 a, float s) { return v3(a.x * s, a.y * s, a.z * s); }
static Vector3 neg(Vector3 a) { return v3(-a.x, -a.y, -a.z); }
static int is_zero(Vector3 a) { return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f; }

float uvo_kit_dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 uvo_kit_cross(Vector3 a, Vector3 b) {
    return v3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

Vector3 uvo_kit_normalize(Vector3 a) {
    const float l = sqrtf(uvo_kit_dot(a, a));
    return l > 0.0f ? scale(a, 1.0f / l) : a;
}

/* Duff et al., "Building an orthonormal basis, revisited" (2017). */
void uvo_kit_orthonormal_basis(Vector3 n, Vector3 *u, Vector3 *v) {
    const float sign = copysignf(1.0f, n.z);
    const float a = -1.0f / (sign + n.z);
    const float b = n.x * n.y * a;
    *u = v3(1.0f + sign * n.x * n.x * a, sign * b, -sign * n.x);
    *v = v3(b, sign + n.y * n.y * a, -n.y);
}

Vector3 uvo_kit_mirror(Vector3 d, Vector3 n) { return sub(d, scale(n, 2.0f * uvo_kit_dot(d, n))); }

Boolean uvo_kit_refract(Vector3 d, Vector3 n, float eta, Vector3 *out) {
    const float cos_i = -uvo_kit_dot(d, n);
    const float k = 1.0f - eta * eta * (1.0f - cos_i * cos_i);
    if (k < 0.0f)
        return 0;
    *out = uvo_kit_normalize(add(scale(d, eta), scale(n, eta * cos_i - sqrtf(k))));
    return 1;
}

float uvo_kit_fresnel_dielectric(float cos_in, float ior_in, float ior_out) {
    float eta, sin_t2, cos_t, rs, rp;
    cos_in = cos_in < 0.0f ? 0.0f : (1.0f < cos_in ? 1.0f : cos_in);
    eta = ior_in / ior_out;
    sin_t2 = eta * eta * (1.0f - cos_in * cos_in);
    if (sin_t2 >= 1.0f)
        return 1.0f;
    cos_t = sqrtf(1.0f - sin_t2);
    rs = (ior_in * cos_in - ior_out * cos_t) / (ior_in * cos_in + ior_out * cos_t);
    rp = (ior_out * cos_in - ior_in * cos_t) / (ior_out * cos_in + ior_in * cos_t);
    return 0.5f * (rs * rs + rp * rp);
}

/* The lobe's widths: alpha = 1 / shininess, bounded away from a division by 0. */
static double ward_alpha(float shiny) { return 1.0 / (shiny < 1e-3f ? 1e-3f : shiny); }

float uvo_kit_ward_brdf(Vector3 in, Vector3 out, Vector3 n, Vector3 u, Vector3 v, float shiny_u, float shiny_v) {
    const Vector3 view = neg(uvo_kit_normalize(in)), light = uvo_kit_normalize(out);
    const Vector3 nn = uvo_kit_normalize(n);
    const float cos_v = uvo_kit_dot(view, nn), cos_l = uvo_kit_dot(light, nn);
    Vector3 h;
    float cos_h;
    double ax, ay, hu, hv, exponent;
    if (cos_v <= 0.0f || cos_l <= 0.0f)
        return 0.0f;
    h = uvo_kit_normalize(add(view, light));
    cos_h = uvo_kit_dot(h, nn);
    if (cos_h <= 0.0f)
        return 0.0f;
    ax = ward_alpha(shiny_u);
    ay = ward_alpha(shiny_v);
    hu = uvo_kit_dot(h, uvo_kit_normalize(u)) / ax;
    hv = uvo_kit_dot(h, uvo_kit_normalize(v)) / ay;
    exponent = -(hu * hu + hv * hv) / ((double)cos_h * cos_h);
    return (float)(exp(exponent) / (4.0 * kPi * ax * ay * sqrtf(cos_v * cos_l)));
}

/* Walter's inversion of Ward's half-vector distribution: the azimuth from
 * the stretched tangent, the polar angle from tan^2 = -log(1 - u1) / (...). */
Vector3 uvo_kit_ward_half_vector(Vector3 n, Vector3 u, Vector3 v, float shiny_u, float shiny_v, double u1,
                                 double u2) {
    const double ax = ward_alpha(shiny_u), ay = ward_alpha(shiny_v);
    double phi = atan(ay / ax * tan(2.0 * kPi * u2));
    double c, s, tan2, cos_theta, sin_theta;
    if (u2 > 0.25 && u2 <= 0.75)
        phi += kPi;
    else if (u2 > 0.75)
        phi += 2.0 * kPi;
    c = cos(phi);
    s = sin(phi);
    tan2 = -log(1.0 - u1 < 1e-12 ? 1e-12 : 1.0 - u1) / (c * c / (ax * ax) + s * s / (ay * ay));
    cos_theta = 1.0 / sqrt(1.0 + tan2);
    sin_theta = sqrt(1.0 - cos_theta * cos_theta > 0.0 ? 1.0 - cos_theta * cos_theta : 0.0);
    return uvo_kit_normalize(add(add(scale(u, (float)(sin_theta * c)), scale(v, (float)(sin_theta * s))),
                                 scale(n, (float)cos_theta)));
}

/* The direction at polar cosine cos_theta and azimuth phi about axis. */
static Vector3 around(Vector3 axis, double cos_theta, double phi) {
    Vector3 u, v;
    const double sin2 = 1.0 - cos_theta * cos_theta;
    const double sin_theta = sqrt(sin2 > 0.0 ? sin2 : 0.0);
    uvo_kit_orthonormal_basis(axis, &u, &v);
    return uvo_kit_normalize(add(add(scale(u, (float)(sin_theta * cos(phi))), scale(v, (float)(sin_theta * sin(phi)))),
                                 scale(axis, (float)cos_theta)));
}

Vector3 uvo_kit_cosine_direction(Vector3 n, Vector3 ng, double u1, double u2) {
    Vector3 d = around(n, sqrt(1.0 - u1), 2.0 * kPi * u2);
    const float below = uvo_kit_dot(d, ng);
    if (below <= 0.0f && !is_zero(ng))
        d = uvo_kit_normalize(sub(d, scale(ng, 2.0f * below)));
    return d;
}

Vector3 uvo_kit_phong_lobe_direction(Vector3 axis, float exponent, double u1, double u2) {
    const double cos_theta = pow(1.0 - u1, 1.0 / ((exponent < 0.0f ? 0.0f : exponent) + 1.0));
    return around(axis, cos_theta, 2.0 * kPi * u2);
}

float uvo_kit_luminance(const Color *color, const Color *weights) {
    float wr = 0.212671f, wg = 0.715160f, wb = 0.072169f;
    if (weights != NULL && (weights->r != 0.0f || weights->g != 0.0f || weights->b != 0.0f)) {
        wr = weights->r;
        wg = weights->g;
        wb = weights->b;
    }
    return color->r * wr + color->g * wg + color->b * wb;
}

void uvo_kit_matrix_identity(float *m) {
    int i;
    for (i = 0; i < 16; ++i)
        m[i] = i % 5 == 0 ? 1.0f : 0.0f;
}

void uvo_kit_matrix_multiply(float *out, const float *a, const float *b) {
    float r[16];
    int i, j, k;
    for (i = 0; i < 4; ++i)
        for (j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (k = 0; k < 4; ++k)
                s += a[i * 4 + k] * b[k * 4 + j];
            r[i * 4 + j] = s;
        }
    for (i = 0; i < 16; ++i)
        out[i] = r[i];
}

/* Gauss-Jordan elimination with partial pivoting, in double precision. */
Boolean uvo_kit_matrix_invert(float *out, const float *in) {
    double a[4][8];
    int i, j, r, col;
    for (i = 0; i < 4; ++i)
        for (j = 0; j < 4; ++j) {
            a[i][j] = in[i * 4 + j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    for (col = 0; col < 4; ++col) {
        int pivot = col;
        double inv;
        for (r = col + 1; r < 4; ++r)
            if (fabs(a[r][col]) > fabs(a[pivot][col]))
                pivot = r;
        if (fabs(a[pivot][col]) < 1e-20)
            return 0;
        for (j = 0; j < 8; ++j) {
            const double t = a[col][j];
            a[col][j] = a[pivot][j];
            a[pivot][j] = t;
        }
        inv = 1.0 / a[col][col];
        for (j = 0; j < 8; ++j)
            a[col][j] *= inv;
        for (r = 0; r < 4; ++r) {
            double f;
            if (r == col)
                continue;
            f = a[r][col];
            for (j = 0; j < 8; ++j)
                a[r][j] -= f * a[col][j];
        }
    }
    for (i = 0; i < 4; ++i)
        for (j = 0; j < 4; ++j)
            out[i * 4 + j] = (float)a[i][j + 4];
    return 1;
}

void uvo_kit_matrix_rotation(float *out, Vector3 axis, float degrees) {
    const Vector3 n = uvo_kit_normalize(axis);
    const double angle = degrees * kPi / 180.0;
    const float c = (float)cos(angle), s = (float)sin(angle);
    const float t = 1.0f - c;
    /* Row-vector form: the transpose of the usual column-vector matrix. */
    uvo_kit_matrix_identity(out);
    out[0] = t * n.x * n.x + c;
    out[4] = t * n.x * n.y - s * n.z;
    out[8] = t * n.x * n.z + s * n.y;
    out[1] = t * n.x * n.y + s * n.z;
    out[5] = t * n.y * n.y + c;
    out[9] = t * n.y * n.z - s * n.x;
    out[2] = t * n.x * n.z - s * n.y;
    out[6] = t * n.y * n.z + s * n.x;
    out[10] = t * n.z * n.z + c;
}

Vector3 uvo_kit_transform_point(const float *m, Vector3 p) {
    const float x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
    const float y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
    const float z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
    const float w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    return (w != 1.0f && w != 0.0f) ? v3(x / w, y / w, z / w) : v3(x, y, z);
}

Vector3 uvo_kit_transform_vector(const float *m, Vector3 v) {
    return v3(v.x * m[0] + v.y * m[4] + v.z * m[8], v.x * m[1] + v.y * m[5] + v.z * m[9],
              v.x * m[2] + v.y * m[6] + v.z * m[10]);
}

Vector3 uvo_kit_transform_normal_by_inverse(const float *inverse, Vector3 n) {
    return v3(n.x * inverse[0] + n.y * inverse[1] + n.z * inverse[2],
              n.x * inverse[4] + n.y * inverse[5] + n.z * inverse[6],
              n.x * inverse[8] + n.y * inverse[9] + n.z * inverse[10]);
}
