// The daylight model on its own: no host involved.
#include <gtest/gtest.h>

#include <cmath>

#include "sky/sky_model.h"
#include "sky_test_support.h"

using namespace uvo;
using sky_test::at_elevation;
using sky_test::unit;
using sky_test::xyz_of;

namespace {

const Vector3 zenith{0.0f, 0.0f, 1.0f};

SkyInstance sun_at(double elevation_deg, float turbidity = 2.0f) {
    SkyInstance s{};
    s.sun_direction = at_elevation(elevation_deg);
    s.turbidity = turbidity;
    return s;
}

}  // namespace

TEST(SkyModel, ZenithLuminanceOfTheTurbidityModel) {
    // Only the tangent term is in kcd/m^2: Yz = tan(chi) 3119.6 + 1.9882.
    const SkyInstance s = sun_at(45.0);
    EXPECT_NEAR(turbidity_zenith_luminance(s.sun_direction.z, 2.0f), 2483.43, 0.05);
    // The sky colour straight up carries exactly that luminance.
    EXPECT_NEAR(perez_ratio(zenith, s.sun_direction, 2.0f), 1.0, 1e-12);
    const Color c = sky_color(s.sun_direction, zenith, 2.0f, 0, s);
    const Vector3 xyz = xyz_of(c);
    EXPECT_NEAR(xyz.y, 2483.43, 0.5) << "colour " << c;
    EXPECT_EQ(c.a, 0.0f);
    // A clear sky's zenith is bluer than daylight white (x, y below 0.3127, 0.329).
    const double sum = xyz.x + xyz.y + xyz.z;
    EXPECT_TRUE(xyz.x / sum < 0.3127 && xyz.y / sum < 0.329) << xyz;
    EXPECT_GT(c.b, c.r) << c;
    // Haze makes the zenith brighter at a high sun.
    EXPECT_GT(turbidity_zenith_luminance(s.sun_direction.z, 6.0f), turbidity_zenith_luminance(s.sun_direction.z, 2.0f));
}

TEST(SkyModel, ChromaticityFlagsActWhereTheySay) {
    const SkyInstance s = sun_at(40.0, 3.0f);
    for (const Vector3 &d : {at_elevation(10.0, 0.0), at_elevation(50.0, 200.0), at_elevation(41.0)}) {
        const Vector3 f0 = sky_xyz(d, s.sun_direction, 3.0f, 1000.0f, 0);
        const Vector3 f1 = sky_xyz(d, s.sun_direction, 3.0f, 1000.0f, sky_flag_blend_chromaticity);
        const Vector3 f2 = sky_xyz(d, s.sun_direction, 3.0f, 1000.0f, sky_flag_fixed_x_a);
        // Y passes through; bit 1 touches only x: the chromaticity y = Y / (X + Y + Z) stays.
        EXPECT_TRUE(f0.y == 1000.0f && f2.y == 1000.0f) << f0 << f2;
        EXPECT_NEAR(f0.y / (f0.x + f0.y + f0.z), f2.y / (f2.x + f2.y + f2.z), 1e-6) << d;
        EXPECT_NE(f0.x, f2.x) << d;
        // Bit 0 pulls the chromaticity towards the zenith's.
        const Vector3 z0 = sky_xyz(zenith, s.sun_direction, 3.0f, 1000.0f, 0);
        auto x_of = [](Vector3 v) { return double(v.x) / (v.x + v.y + v.z); };
        const double xz = x_of(z0), x0 = x_of(f0), x1 = x_of(f1);
        EXPECT_LE(std::fabs(x1 - xz), std::fabs(x0 - xz) + 1e-7) << d;
    }
}

TEST(SkyModel, SunlightColour) {
    SkyInstance s = sun_at(90.0);
    // At the zenith: extraterrestrial irradiance through Rayleigh, aerosol and ozone.
    const Color c = sunlight_color(s, 2.0f);
    EXPECT_TRUE(std::fabs(c.r - 106146.9) < 1.0 && std::fabs(c.b - 85668.3) < 1.0 && c.a == 0.0f) << c;
    // Longer paths redden and dim the sun; haze dims it.
    double last_ratio = c.r / c.b, last_green = c.g;
    for (double e : {60.0, 30.0, 10.0, 2.0}) {
        s.sun_direction = at_elevation(e);
        const Color low = sunlight_color(s, 2.0f);
        EXPECT_TRUE(low.r / low.b > last_ratio && low.g < last_green && low.g > 0.0f) << "elevation " << e << low;
        EXPECT_LT(sunlight_color(s, 6.0f).g, low.g) << "elevation " << e;
        last_ratio = low.r / low.b, last_green = low.g;
    }
    s.sun_direction = unit(0.0, 1.0, 0.0);
    const Color dark = sunlight_color(s, 2.0f);
    EXPECT_TRUE(uvo_test::same_rgb(dark, Color{}) && dark.a == 0.0f) << "sun on the horizon: " << dark;
}

TEST(SkyModel, CieSkiesAndTheirNormalisation) {
    SkyInstance s = sun_at(35.0);
    s.luminance_mode = sky_mode_model, s.zenith_luminance = 5000.0f;
    s.perez_norm = cie_perez_norm(s.sun_direction);
    // The blend is linear in the overcast fraction.
    const Vector3 d = at_elevation(25.0, 10.0);
    auto at = [&](float o) { return s.overcast_fraction = o, sky_luminance(s, d); };
    const float clear = at(0.0f), overcast = at(1.0f);
    EXPECT_NEAR(at(0.25f), 0.75f * clear + 0.25f * overcast, 1e-3f * clear);
    // Unknown modes give no light; a NaN direction gives 0, not NaN.
    EXPECT_EQ(sky_luminance(s, Vector3{NAN, 0.0f, NAN}), 0.0f);
    s.luminance_mode = 7;
    EXPECT_EQ(sky_luminance(s, zenith), 0.0f);
}

TEST(SkyModel, UserPerezCoefficientsReproduceTheTurbidityDistribution) {
    // Given the turbidity model's own coefficients, mode 1 is Lz times perez_ratio.
    const float T = 2.5f;
    SkyInstance s = sun_at(50.0, T);
    s.luminance_mode = sky_mode_perez;
    std::ranges::copy(sky_test::turbidity_perez(T), s.perez);
    s.zenith_luminance = 3000.0f;
    s.perez_norm = user_perez_norm(s.perez, std::acos(s.sun_direction.z), s.sun_direction.z);
    for (const Vector3 &d : {zenith, at_elevation(5.0, 0.0), at_elevation(51.0), at_elevation(20.0, -120.0)}) {
        const double want = 3000.0 * perez_ratio(d, s.sun_direction, T);
        EXPECT_NEAR(sky_luminance(s, d), want, want * 1e-4) << d;
    }
    // The sky colour of mode 1 carries that luminance.
    const Color c = sky_color(s.sun_direction, at_elevation(20.0, -120.0), T, 0, s);
    EXPECT_NEAR(xyz_of(c).y, sky_luminance(s, at_elevation(20.0, -120.0)), 0.5);
    // Overflow becomes 0: a large positive B explodes near the horizon.
    s.perez[1] = 80.0f;
    EXPECT_EQ(sky_luminance(s, at_elevation(0.01, 0.0)), 0.0f);
}

TEST(SkyModel, ZenithLuminanceEstimates) {
    // At the zenith: the clear-sky factor 3.248 times the fitted polynomial, over pi.
    SkyInstance s = sun_at(90.0);
    EXPECT_NEAR(clear_zenith_luminance(s), 16770.4, 0.5);
    // Overcast: 15.175 x 3000/7 / pi at 45 degrees.
    EXPECT_NEAR(overcast_zenith_luminance(s), 2895.80, 0.05);
    s.sun_direction = at_elevation(45.0);
    EXPECT_NEAR(overcast_zenith_luminance(s), 2070.15, 0.05);
    // Both grow with the sun (the clear factor dips near 10 degrees) and are
    // 0 below the horizon.
    float last_clear = 0.0f, last_overcast = 0.0f;
    for (double e = 15.0; e <= 85.0; e += 10.0) {
        s.sun_direction = at_elevation(e);
        const float clear = clear_zenith_luminance(s), overcast = overcast_zenith_luminance(s);
        EXPECT_TRUE(clear > last_clear && overcast > last_overcast) << "elevation " << e << ": " << clear << " " << overcast;
        last_clear = clear, last_overcast = overcast;
    }
    s.sun_direction = unit(0.0, 1.0, -0.01);
    EXPECT_TRUE(clear_zenith_luminance(s) == 0.0f && overcast_zenith_luminance(s) == 0.0f);
}

TEST(SkyModel, HazeSaturationSmoothStepAndLift) {
    for (float sigma : {0.0f, 0.3f, 0.8f, 1.0f}) {
        EXPECT_EQ(haze_saturation(sigma, 2.0f), sigma);
        EXPECT_NEAR(haze_saturation(sigma, 17.0f), sigma * sigma * sigma, 1e-7f);
        // Half-way in turbidity the cube weight is 1/8.
        EXPECT_NEAR(haze_saturation(sigma, 9.5f), 0.875f * sigma + 0.125f * sigma * sigma * sigma, 1e-6f);
    }
    EXPECT_EQ(haze_saturation(1.5f, 17.0f), 1.5f);

    for (auto [x, want] : {std::pair{8.4f, 0.0f}, {9.54f, 1.0f}})
        EXPECT_EQ(smooth_step(8.5f, 9.54f, x), want) << x;
    EXPECT_EQ(smooth_step(2.0f, 6.0f, 3.0f), 0.15625f) << "(3 - 2t) t^2 at t = 1/4";

    const Vector3 above = at_elevation(0.5, 30.0), same = lift_above_horizon(above);
    EXPECT_TRUE(same.x == above.x && same.z == above.z) << same;
    for (const Vector3 &v : {Vector3{0.6f, 0.8f, 0.0f}, at_elevation(-30.0, 10.0), Vector3{0.0f, 0.0f, -1.0f}}) {
        const Vector3 l = lift_above_horizon(v);
        EXPECT_TRUE(std::fabs(sky_test::length(l) - 1.0) < 1e-6 && l.z >= 0.001f * 0.999f &&
                    std::fabs(std::atan2(l.y, l.x) - std::atan2(v.y, v.x)) < 1e-6)
            << v << " -> " << l;
    }
    // Only heights below 0.001 are lifted: a NaN height is not one of them.
    const Vector3 nan_up = lift_above_horizon(Vector3{0.6f, 0.8f, NAN});
    EXPECT_TRUE(nan_up.x == 0.6f && std::isnan(nan_up.z)) << nan_up;
}

TEST(SkyModel, SkyColourStaysFiniteBelowTheHorizon) {
    const SkyInstance s = sun_at(20.0, 4.0f);
    // Unlifted directions below the horizon may blow up; the colour is then black, never NaN.
    for (const Vector3 &d : {at_elevation(-0.001, 0.0), at_elevation(-20.0, 45.0), Vector3{0.0f, 0.0f, 0.0f}}) {
        const Color c = sky_color(s.sun_direction, d, 4.0f, 0, s);
        EXPECT_FALSE(std::isnan(c.r) || std::isnan(c.g) || std::isnan(c.b)) << d << " -> " << c;
    }
}
