// Sky luminance and colour: the Perez distribution of the turbidity model,
// the zenith chromaticity, XYZ to RGB, and the luminance distributions of
// the CIE skies and of user Perez coefficients.
#include "sky/sky_model.h"

#include <cmath>
#include <numbers>

namespace uvo {
namespace {

constexpr double pi = std::numbers::pi;

using Perez = PerezCoefficients;

// F(theta, gamma) for cosine-to-sun c, angle gamma and view height dir_z, and
// F(0, theta_s) for a sun of zenith angle theta_s (height sun_z): their
// quotient is the relative value of the quantity.
double perez_view(const Perez &p, double c, double gamma, double dir_z) {
    return (1.0 + p.C * std::exp(p.D * gamma) + p.E * c * c) * (1.0 + p.A * std::exp(p.B / dir_z));
}
double perez_zenith(const Perez &p, double theta_s, double sun_z) {
    return (1.0 + p.C * std::exp(p.D * theta_s) + p.E * sun_z * sun_z) * (1.0 + p.A * std::exp(p.B));
}

// Cosine to the sun folded back below 1 (2 - c above 1, as rounding may give).
double fold_cosine(double c) { return c > 1.0 ? 2.0 - c : c; }

// Luminance values that are NaN or swallow an added 1 in float are dropped.
float guard_luminance(double value) {
    const float L = static_cast<float>(value);
    if (std::isnan(L) || L + 1.0f == L)
        return 0.0f;
    return L;
}

}  // namespace

void sky_terms(const Vector3 &sun, float turbidity, int32_t flags, SkyTerms &t) {
    t.sun = sun;
    t.turbidity = turbidity;
    t.flags = flags;
    t.zenith_luminance = turbidity_zenith_luminance(sun.z, turbidity);
    const double T = turbidity;
    const double T2 = static_cast<float>(turbidity * turbidity);
    const double ts = std::acos(static_cast<double>(sun.z));
    t.theta_s = ts;
    t.luminance = Perez{0.17872 * T - 1.46303, 0.42749 - 0.3554 * T, 5.32505 - 0.02266 * T, 0.12064 * T - 2.57705,
                        0.37027 - 0.06696 * T};
    const double ax = (flags & sky_flag_fixed_x_a) ? -0.01925 * T - 0.25922
                                                   : -0.01925 * T - (0.29 - 0.09 * std::sqrt(static_cast<double>(sun.z)));
    t.x = Perez{ax, 0.00081 - 0.06651 * T, 0.21247 - 0.00041 * T, -0.06409 * T - 0.89887, 0.04517 - 0.00325 * T};
    t.y = Perez{-0.01669 * T - 0.26078, 0.00921 - 0.09495 * T, 0.21023 - 0.00792 * T, -0.04405 * T - 1.65369,
                0.05291 - 0.01092 * T};
    t.luminance_zenith = perez_zenith(t.luminance, ts, sun.z);
    t.x_zenith = perez_zenith(t.x, ts, sun.z);
    t.y_zenith = perez_zenith(t.y, ts, sun.z);

    // Zenith chromaticity as cubic polynomials in theta_s, quadratic in T.
    const double ts2 = ts * ts, ts3 = ts2 * ts;
    t.xz = T2 * (0.00165 * ts3 - 0.00374 * ts2 + 0.00208 * ts) +
           T * (-0.02902 * ts3 + 0.06377 * ts2 - 0.03202 * ts + 0.00394) +
           (0.11693 * ts3 - 0.21196 * ts2 + 0.06052 * ts + 0.25885);
    t.yz = T2 * (0.00275 * ts3 - 0.0061 * ts2 + 0.00316 * ts) +
           T * (-0.04214 * ts3 + 0.0897 * ts2 - 0.04153 * ts + 0.00515) +
           (0.15346 * ts3 - 0.26756 * ts2 + 0.06669 * ts + 0.26688);
}

bool sky_terms_for(const SkyTerms &t, const Vector3 &sun, float turbidity, int32_t flags) {
    return t.sun.x == sun.x && t.sun.y == sun.y && t.sun.z == sun.z && t.turbidity == turbidity && t.flags == flags;
}

namespace {

// perez_ratio and sky_xyz over the terms.
double ratio_with(const SkyTerms &t, const Vector3 &dir) {
    const Vector3 &sun = t.sun;
    float cf = dir.x * sun.x + dir.y * sun.y + dir.z * sun.z;
    if (cf < 0.0f)
        cf = 0.0f;
    const double c = fold_cosine(cf);
    return perez_view(t.luminance, c, std::acos(c), dir.z) / t.luminance_zenith;
}

Vector3 xyz_with(const SkyTerms &t, const Vector3 &dir, float Y) {
    const Vector3 &sun = t.sun;
    const double c = fold_cosine(static_cast<double>(dir.x) * sun.x + static_cast<double>(dir.y) * sun.y +
                                 static_cast<double>(dir.z) * sun.z);
    const double gamma = std::acos(c);
    const double rx = perez_view(t.x, c, gamma, dir.z) / t.x_zenith;
    const double ry = perez_view(t.y, c, gamma, dir.z) / t.y_zenith;
    const double w = (t.flags & sky_flag_blend_chromaticity) ? (c + 4.0) / 5.0 : 1.0;
    const double x = (w * rx + 1.0 - w) * t.xz;
    const double y = (w * ry + 1.0 - w) * t.yz;
    return Vector3{static_cast<float>(x / y * Y), Y, static_cast<float>((1.0 - x - y) / y * Y)};
}

}  // namespace

double perez_ratio(const Vector3 &dir, const Vector3 &sun, float turbidity) {
    SkyTerms t;
    sky_terms(sun, turbidity, 0, t);
    return ratio_with(t, dir);
}

Vector3 sky_xyz(const Vector3 &dir, const Vector3 &sun, float turbidity, float Y, int32_t flags) {
    SkyTerms t;
    sky_terms(sun, turbidity, flags, t);
    return xyz_with(t, dir, Y);
}

float turbidity_zenith_luminance(float sun_z, float turbidity) {
    const double T = turbidity;
    const double theta_s = std::acos(static_cast<double>(sun_z));
    const double chi = (4.0 / 9.0 - T / 120.0) * (pi - 2.0 * theta_s);
    // Only the tangent term is in kcd/m^2; the two terms after it are not scaled.
    return static_cast<float>(std::tan(chi) * (4.0453 * T - 4.971) * 1000.0 - 0.2155 * T + 2.4192);
}

Color sky_color(const SkyTerms &terms, const Vector3 &dir, const SkyInstance &instance) {
    float Y;
    if (instance.luminance_mode == sky_mode_model)
        Y = static_cast<float>(terms.zenith_luminance * ratio_with(terms, dir));
    else
        Y = sky_luminance(instance, dir);

    const Vector3 xyz = xyz_with(terms, dir, Y);
    const double X = xyz.x, YY = xyz.y, Z = xyz.z;
    const float pi_f = std::numbers::pi_v<float>;
    Color c;
    c.r = static_cast<float>(3.241 * X - 1.537 * YY - 0.499 * Z) * pi_f;
    c.g = static_cast<float>(-0.969 * X + 1.876 * YY + 0.042 * Z) * pi_f;
    c.b = static_cast<float>(0.056 * X - 0.204 * YY + 1.057 * Z) * pi_f;
    c.a = 0.0f;
    if (std::isnan(c.r) || std::isnan(c.g) || std::isnan(c.b))
        c.r = c.g = c.b = 0.0f;
    return c;
}

Color sky_color(const Vector3 &sun, const Vector3 &dir, float turbidity, int32_t flags, const SkyInstance &instance) {
    SkyTerms terms;
    sky_terms(sun, turbidity, flags, terms);
    return sky_color(terms, dir, instance);
}

double cie_clear_relative(const Vector3 &dir, const Vector3 &sun) {
    const double c = fold_cosine(static_cast<double>(dir.x) * sun.x + static_cast<double>(dir.y) * sun.y +
                                 static_cast<double>(dir.z) * sun.z);
    const double gamma = std::acos(c);
    return (10.0 * std::exp(-3.0 * gamma) + 0.91 + 0.45 * c * c) * (1.0 - std::exp(-0.32 / dir.z));
}

float sky_luminance(const SkyInstance &instance, const Vector3 &dir) {
    switch (instance.luminance_mode) {
    case sky_mode_model: {
        // CIE clear sky normalised to 1 at the zenith, blended with the CIE
        // overcast sky 1 + 2 z, which is 3 at the zenith.
        const double o = instance.overcast_fraction;
        const double clear = (1.0 - o) * instance.perez_norm * cie_clear_relative(dir, instance.sun_direction);
        return guard_luminance(instance.zenith_luminance * (clear + o * (1.0 + 2.0 * dir.z)));
    }
    case sky_mode_perez: {
        const Vector3 &s = instance.sun_direction;
        float cf = dir.x * s.x + dir.y * s.y + dir.z * s.z;
        if (cf < 0.0f)
            cf = 0.0f;
        const double c = fold_cosine(cf);
        const double gamma = std::acos(c);
        const float *p = instance.perez;
        const double value = (1.0 + p[2] * std::exp(p[3] * gamma) + p[4] * c * c) *
                             (1.0 + p[0] * std::exp(static_cast<double>(p[1]) / dir.z)) * instance.zenith_luminance *
                             instance.perez_norm;
        return guard_luminance(value);
    }
    default: return 0.0f;
    }
}

float cie_perez_norm(const Vector3 &sun) {
    const double z = sun.z;
    const double theta_s = std::acos(z);
    return static_cast<float>(1.0 / ((10.0 * std::exp(-3.0 * theta_s) + 0.91 + 0.45 * z * z) * (1.0 - std::exp(-0.32))));
}

float user_perez_norm(const float perez[5], float theta_s, float sun_z) {
    const float d_theta = perez[3] * theta_s;
    const double zenith = (1.0 + perez[2] * std::exp(static_cast<double>(d_theta)) +
                           static_cast<double>(perez[4]) * sun_z * sun_z) *
                          (1.0 + perez[0] * std::exp(static_cast<double>(perez[1])));
    return static_cast<float>(1.0 / zenith);
}

}  // namespace uvo
