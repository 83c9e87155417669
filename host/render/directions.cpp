#include "render/directions.h"

#include <algorithm>
#include <numbers>

namespace uvo_host {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;

Vector3 around(const Vector3 &axis, double cos_theta, double phi) {
    Vector3 u, v;
    orthonormal_basis(axis, u, v);
    const double sin_theta = std::sqrt(std::max(0.0, 1.0 - cos_theta * cos_theta));
    return normalize(u * static_cast<float>(sin_theta * std::cos(phi)) +
                     v * static_cast<float>(sin_theta * std::sin(phi)) + axis * static_cast<float>(cos_theta));
}
}  // namespace

Vector3 cosine_direction(const Vector3 &n, const Vector3 &ng, double u1, double u2) {
    Vector3 d = around(n, std::sqrt(1.0 - u1), kTwoPi * u2);
    const float below = dot(d, ng);
    if (below <= 0.0f && !is_zero(ng))
        d = normalize(d - ng * (2.0f * below));
    return d;
}

Vector3 phong_lobe_direction(const Vector3 &axis, float exponent, double u1, double u2) {
    const double cos_theta = std::pow(1.0 - u1, 1.0 / (std::max(exponent, 0.0f) + 1.0));
    return around(axis, cos_theta, kTwoPi * u2);
}

bool refract(const Vector3 &d, const Vector3 &n, float eta, Vector3 &out) {
    const float cos_i = -dot(d, n);
    const float k = 1.0f - eta * eta * (1.0f - cos_i * cos_i);
    if (k < 0.0f)
        return false;
    out = normalize(d * eta + n * (eta * cos_i - std::sqrt(k)));
    return true;
}

float fresnel_dielectric(float cos_in, float ior_in, float ior_out) {
    cos_in = std::clamp(cos_in, 0.0f, 1.0f);
    const float eta = ior_in / ior_out;
    const float sin_t2 = eta * eta * (1.0f - cos_in * cos_in);
    if (sin_t2 >= 1.0f)
        return 1.0f;
    const float cos_t = std::sqrt(1.0f - sin_t2);
    const float rs = (ior_in * cos_in - ior_out * cos_t) / (ior_in * cos_in + ior_out * cos_t);
    const float rp = (ior_out * cos_in - ior_in * cos_t) / (ior_out * cos_in + ior_in * cos_t);
    return 0.5f * (rs * rs + rp * rp);
}

Vector3 ward_half_vector(const Vector3 &n, const Vector3 &u, const Vector3 &v, float shiny_u, float shiny_v,
                         double u1, double u2) {
    const double ax = 1.0 / std::max(shiny_u, 1e-3f), ay = 1.0 / std::max(shiny_v, 1e-3f);
    double phi = std::atan(ay / ax * std::tan(kTwoPi * u2));
    if (u2 > 0.25 && u2 <= 0.75)
        phi += std::numbers::pi;
    else if (u2 > 0.75)
        phi += kTwoPi;
    const double c = std::cos(phi), s = std::sin(phi);
    const double tan2 = -std::log(std::max(1.0 - u1, 1e-12)) / (c * c / (ax * ax) + s * s / (ay * ay));
    const double cos_theta = 1.0 / std::sqrt(1.0 + tan2);
    const double sin_theta = std::sqrt(std::max(0.0, 1.0 - cos_theta * cos_theta));
    return normalize(u * static_cast<float>(sin_theta * c) + v * static_cast<float>(sin_theta * s) +
                     n * static_cast<float>(cos_theta));
}

}  // namespace uvo_host
