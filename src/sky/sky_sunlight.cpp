// Direct sunlight through the atmosphere and the zenith luminance estimates
// from the sun's elevation.
#include <cmath>
#include <numbers>

#include "sky/sky_model.h"

namespace uvo {
namespace {

// One colour channel of the sun: wavelength (um), ozone absorption
// coefficient and extraterrestrial irradiance.
struct SunChannel {
    float lambda;
    float ozone;
    float irradiance;
};

constexpr SunChannel sun_channels[3] = {
    {0.61f, 12.0f, 129074.71f},  // red
    {0.55f, 8.5f, 128042.12f},   // green
    {0.47f, 0.9f, 117587.06f},   // blue
};

// CIE clear-sky factor of the zenith luminance against the elevation (degrees).
constexpr float clear_elevation[10] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90};
constexpr float clear_factor[10] = {0.452f, 0.435f, 0.446f, 0.491f, 0.581f,
                                    0.734f, 0.985f, 1.398f, 2.086f, 3.248f};

// Transmittance exp(-tau), the exponential in double, rounded to float.
float transmittance(double tau) { return static_cast<float>(std::exp(-tau)); }

}  // namespace

Color sunlight_color(const SkyInstance &instance, float turbidity) {
    const float z = instance.sun_direction.z;
    if (z <= 0.0f)
        return Color{0.0f, 0.0f, 0.0f, 0.0f};

    const float theta_deg = std::acos(z) * 180.0f / std::numbers::pi_v<float>;
    // Relative optical air mass, with the horizon correction of the curved atmosphere.
    const float m = 1.0f / (z + 0.15f * std::pow(93.885f - theta_deg, -1.253f));
    const float beta = 0.04608f * turbidity - 0.04586f;

    float channel[3];
    for (int i = 0; i < 3; ++i) {
        const double lambda = sun_channels[i].lambda;
        const float rayleigh = transmittance(0.008735 * std::pow(lambda, -4.08) * m);
        const float aerosol = transmittance(beta * std::pow(lambda, -1.3) * m);
        const float ozone = transmittance(0.0035 * sun_channels[i].ozone * m);
        channel[i] = rayleigh * aerosol * ozone * sun_channels[i].irradiance;
    }
    return Color{channel[0], channel[1], channel[2], 0.0f};
}

float sun_elevation_degrees(const SkyInstance &instance) {
    return static_cast<float>(std::asin(static_cast<double>(instance.sun_direction.z)) * 180.0 / std::numbers::pi);
}

namespace {
// The elevation the zenith-luminance fits take: at most 90 degrees, negative
// when the sun is below the horizon (no zenith luminance then).
float zenith_fit_elevation(const SkyInstance &instance) {
    const float h = sun_elevation_degrees(instance);
    return h > 90.0f ? 90.0f : h;
}
}  // namespace

float clear_zenith_luminance(const SkyInstance &instance) {
    const float h = zenith_fit_elevation(instance);
    if (h < 0.0f)
        return 0.0f;

    float f = 0.0f;
    for (int i = 0; i < 9; ++i) {
        if (clear_elevation[i] <= h && h <= clear_elevation[i + 1]) {
            f = clear_factor[i] + (h - clear_elevation[i]) / (clear_elevation[i + 1] - clear_elevation[i]) *
                                      (clear_factor[i + 1] - clear_factor[i]);
            break;
        }
    }

    const double u = (static_cast<double>(instance.sun_direction.z) - 0.62904646180082) / 0.33180570193191;
    const double u2 = u * u, u3 = u2 * u, u4 = u2 * u2, u5 = u4 * u, u6 = u3 * u3, u7 = u6 * u, u8 = u4 * u4,
                 u9 = u8 * u;
    const float P = static_cast<float>(0.18275333715803 * u9 + 0.33054093616833 * u8 - 0.47022631832596 * u7 -
                                       0.89872592491631 * u6 + 0.50737119868181 * u5 + 0.77297356478531 * u4 -
                                       0.18289701631419 * u3 - 0.71505395264448 * u2 + 3.31589445528545 * u +
                                       13.04553100259018);
    return P * (f * 1000.0f) / std::numbers::pi_v<float>;
}

float overcast_zenith_luminance(const SkyInstance &instance) {
    const float h = zenith_fit_elevation(instance);
    if (h < 0.0f)
        return 0.0f;
    const float u = (h - 45.0f) / 28.1366f;
    const double ud = u, u2 = ud * ud;
    const float poly =
        static_cast<float>(0.080236 * u2 * u2 - 0.22009 * u2 * ud - 1.9845 * u2 + 7.1929 * ud + 15.175);
    return poly * (3000.0f / 7.0f) / std::numbers::pi_v<float>;
}

}  // namespace uvo
