#include "xmtl/rough_diffuse.h"
#include "frame/vector_math.h"

#include <algorithm>
#include <cmath>
#include <numbers>


namespace uvo {

Color rough_diffuse(Vector3 L, Vector3 V, Vector3 N, float roughness, const Color &albedo, float cosine) {
    const double pi = std::numbers::pi;
    const double s2 = static_cast<double>(roughness) * roughness;
    double theta_i = cosine < 0.9999f ? std::acos(static_cast<double>(cosine)) : 0.0;
    theta_i = std::min(theta_i, 1.5393804);
    float cr = dot(N, V);
    if (cr < 0.0f) {
        cr = -cr;
        V = negate(V);
    }
    const double theta_r = cr < 0.9999f ? std::acos(static_cast<double>(cr)) : 0.0;
    const double alpha = std::max(theta_i, theta_r);
    const double beta = std::min(theta_i, theta_r);

    const Vector3 lp = sub(L, scale(N, cosine));
    const Vector3 vp = sub(V, scale(N, cr));
    const double lengths = static_cast<double>(length(lp)) * length(vp);
    double cos_phi = 1.0;
    if (!(lengths < 0.0001))
        cos_phi = std::clamp(static_cast<double>(dot(lp, vp)) / lengths, -1.0, 1.0);

    const double a = s2 / (s2 + 0.09);
    const double c1 = 1.0 - 0.5 * s2 / (s2 + 0.33);
    const double b3 = std::pow(2.0 * beta / pi, 3.0);
    const double c2 = 0.45 * a * (cos_phi < 0.0 ? std::sin(alpha) - b3 : std::sin(alpha) + b3);
    const double c3 = 0.125 * a * std::pow(4.0 * alpha * beta / (pi * pi), 2.0);
    const double tan_beta = std::clamp(std::tan(beta), -100.0, 100.0);
    const double tan_mean = std::clamp(std::tan((alpha + beta) / 2.0), -100.0, 100.0);
    const double l1 = c1 + cos_phi * c2 * tan_beta + (1.0 - std::fabs(cos_phi)) * c3 * tan_mean;
    const double l2 = 0.17 * s2 / (s2 + 0.13) * (1.0 - cos_phi * std::pow(2.0 * beta / pi, 2.0));

    auto channel = [&](float rho) {
        return static_cast<float>(std::min(1.0, rho * l1 + static_cast<double>(rho) * rho * l2));
    };
    return Color{channel(albedo.r), channel(albedo.g), channel(albedo.b), albedo.a};
}

}  // namespace uvo
