// uvo_physicalsky against the test host.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "sky/physical_sky.h"
#include "sky/sky_host.h"
#include "sky/sky_model.h"
#include "sky_test_support.h"

using namespace uvo;
using sky_test::at_elevation;
using sky_test::mix;
using sky_test::operator*;
using sky_test::operator+;
using uvo_test::host;

namespace {

constexpr std::ptrdiff_t at_intensity = offsetof(PhysicalSkyParams, intensity);

struct PhysicalSky : sky_test::ShaderTest<PhysicalSkyParams, uvo_physicalsky_init, uvo_physicalsky_exit> {
    void SetUp() override {
        PhysicalSkyParams &p = *block;
        p.enabled = 1;
        p.intensity = p.saturation_level = p.disc_brightness = p.disc_size = p.glow_brightness = 1.0f;
        p.rgb_scale = Color{1.0f, 1.0f, 1.0f, 1.0f};
        p.ground_tint = Color{0.2f, 0.3f, 0.4f, 1.0f};
        p.sun_vector = at_elevation(45.0);
        environment();
    }
    Boolean shade(Vector3 direction) {
        f.state.direction = direction;
        return uvo_physicalsky(&result, &f.state, block.get());
    }
    // The scaled sky colour of the model for `d`, without disc and ground.
    Color model_sky(Vector3 d, float T = 2.0f) {
        const Vector3 sun = sky().sun_direction;
        const float q = sun.z < 0.0f ? sun.z + 1.0f : 1.0f;
        const Color c = sky_color(lift_above_horizon(sun), lift_above_horizon(d), T, block->model_flags, sky());
        return sky_test::clip(q * c * block->rgb_scale);  // the colour adjustment clips negative channels
    }
    // The scaled ground colour: the light of the sun and the mean sky, scaled
    // like the sky (rgb_scale x intensity), times the tint.
    Color model_ground() {
        const SkyInstance &k = sky();
        const Color light = k.sun_direction.z * k.sun_color + k.mean_sky_color;
        return block->ground_tint * (light * (block->intensity * block->rgb_scale));
    }
    // Copies the state into `seen` whenever `slot` is evaluated.
    ShadingState seen{};
    void watch(std::ptrdiff_t slot) {
        host().script.rx_phen_eval = [this, slot](ShadingState *s, const void *p) -> void * {
            const std::ptrdiff_t o = static_cast<const char *>(p) - reinterpret_cast<const char *>(block.get());
            if (o == slot)
                seen = *s;
            return const_cast<void *>(p);
        };
    }
};

// Turned up by `angle` radians in the vertical plane through v.
Vector3 rotate_towards_zenith(const Vector3 &v, double angle) {
    return at_elevation((std::asin(v.z) + angle) * 180 / std::numbers::pi, std::atan2(v.y, v.x) * 180 / std::numbers::pi);
}

}  // namespace

TEST_F(PhysicalSky, InitFillsTheRecord) {
    // y is the scene's up axis.
    block->up_axis_y = 1;
    block->sun_vector = Vector3{0.0f, 0.8f, 0.6f};
    block->haze_level = -3.0f;  // T below 2 is raised to 2
    init();
    EXPECT_TRUE(sky().sun_direction.y == 0.6f && sky().sun_direction.z == 0.8f) << sky().sun_direction;
    EXPECT_TRUE(sky().turbidity == 2.0f && sky().luminance_mode == 0) << sky().turbidity;
    EXPECT_TRUE(uvo_test::same_rgb(sky().sun_color, sunlight_color(sky(), 2.0f))) << sky().sun_color;
    // A clear sky is blue on average, and of daylight strength: the sky's
    // horizontal illuminance pi x mean Y lies between 5 and 40 klx.
    const Color mean = sky().mean_sky_color;
    EXPECT_GT(mean.b, mean.r) << mean;
    const double E = std::numbers::pi * sky_test::xyz_of(mean).y;
    EXPECT_TRUE(E > 5000.0 && E < 40000.0) << mean;
}

TEST_F(PhysicalSky, LuminanceModesAndTheirMessages) {
    const std::array<float, 5> p = sky_test::turbidity_perez(2.0f);
    block->perez_a = p[0], block->perez_b = p[1], block->perez_c = p[2], block->perez_d = p[3], block->perez_e = p[4];
    // Mode 2: CIE clear-sky zenith luminance, logged once, then mode 1.
    block->luminance_mode = 2;
    init();
    const float Lz = clear_zenith_luminance(sky());
    EXPECT_TRUE(sky().luminance_mode == 1 && sky().zenith_luminance == Lz) << sky().zenith_luminance;
    EXPECT_NEAR(sky_luminance(sky(), Vector3{0, 0, 1}), Lz, 1e-4 * Lz) << "straight up the sky is Lz";
    std::string text = sky_test::format("uvo_physicalsky: Luminance based on CIE Clearsky model, %5.1f cd/m^2 for solar "
                                        "elevation angle of %2.1f degrees",
                                        static_cast<double>(Lz), sky_test::elevation_deg(sky().sun_direction));
    ASSERT_EQ(host().messages.size(), 1u);
    EXPECT_EQ(host().texts("info"), sky_test::Texts{text});
    // Mode 1 with a user zenith luminance: no message.
    block->luminance_mode = 1, block->zenith_luminance = 8000.0f;
    init();
    EXPECT_TRUE(host().messages.empty() && sky().zenith_luminance == 8000.0f);
    // Both given: the illuminance wins with a warning, and the sky then gives
    // that illuminance on a horizontal plane.
    block->diffuse_horizontal_illuminance = 20000.0f;
    init();
    EXPECT_EQ(host().texts("warning"),
              sky_test::Texts{"rx_physicalsky: Redundant user specified zenith_luminance value ignored."});
    text = sky_test::format("rx_physicalsky: Calculated zenith_luminance %5.1f cd/m^w from diffuse_horizontal_illuminance "
                            "%5.1f lux", static_cast<double>(sky().zenith_luminance), 20000.0);
    EXPECT_EQ(host().texts("info"), sky_test::Texts{text});
    const SkyInstance &k = sky();
    const double E = sky_test::integrate_cosine_weighted([&](const Vector3 &d) { return sky_luminance(k, d); });
    EXPECT_NEAR(E, 20000.0, 0.03 * 20000.0) << "Lz " << k.zenith_luminance;
    // A declaration older than version 5 has no luminance mode.
    host().declaration_version = 4, block->luminance_mode = 2;
    init();
    EXPECT_TRUE(sky().luminance_mode == 0 && host().messages.empty());
}

TEST_F(PhysicalSky, EnvironmentCallSeesTheSkyWithSkyTextureCoordinates) {
    init();
    f.state.tex = Vector3{5, 5, 5}, f.state.point = Vector3{1, 2, 3};
    watch(at_intensity);
    const Vector3 d{0.6f, 0.0f, 0.8f};
    ASSERT_EQ(shade(d), 1);
    EXPECT_COLOR_NEAR(result, model_sky(d), 1e-6);
    EXPECT_TRUE(result.a == 0.0f && host().store.count(UVO_KEY_SKY_IS_HDR) == 1u);
    // u = atan2(x, y) / -2 pi, v = elevation / (pi / 2); the point is the direction.
    const Vector3 tex = seen.tex;
    const float v = static_cast<float>(std::asin(0.8) / (std::numbers::pi / 2));
    EXPECT_TRUE(uvo_test::near(tex, Vector3{-0.25f, v, 0.0f}, 1e-6f));
    EXPECT_TRUE(tex.z == 0.0f && seen.point.x == 0.6f) << tex << seen.point;
    // The per-call haze is the turbidity of the colour.
    block->haze_level = 6.0f;
    shade(d);
    EXPECT_COLOR_NEAR(result, model_sky(d, 8.0f), 1e-6);
}

TEST_F(PhysicalSky, BackdropForCameraRays) {
    block->backdrop_for_camera = 1;
    init();
    // A camera ray: black when no backdrop is given.
    ASSERT_EQ(shade(at_elevation(30.0)), 1);
    EXPECT_TRUE(result.r == 0.0f && result.a == 0.0f && host().store.count(UVO_KEY_SKY_IS_HDR) == 0u) << result;
    // Through a transparency continuation: the backdrop shader, and what it returned.
    block->backdrop = 77;
    ShadingState camera = f.state;
    f.state.ray_type = UVO_RAY_TRANSPARENT, f.state.parent = &camera;
    uvo_test::answer(host().script.rx_call_shader, Color{0.1f, 0.2f, 0.3f, 1.0f}, 0);
    EXPECT_EQ(shade(at_elevation(30.0)), 0);
    EXPECT_TRUE(result.g == 0.2f && result.a == 1.0f) << result;
    // A reflection anywhere on the way: the sky.
    ShadingState reflection = camera;
    reflection.ray_type = UVO_RAY_REFLECT, reflection.parent = &camera;
    f.state.parent = &reflection;
    EXPECT_EQ(shade(at_elevation(30.0)), 1);
    EXPECT_COLOR_NEAR(result, model_sky(at_elevation(30.0)), 1e-6);
}

TEST_F(PhysicalSky, SunDiscAndGlow) {
    init();
    const Vector3 sun = sky().sun_direction;
    const Color sc = sky().sun_color;
    const double R = 0.0465;
    // What the disc and glow add to the sky towards `d`.
    auto disc_part = [&](Vector3 d) {
        const float kept = std::exchange(block->disc_brightness, 0.0f);
        shade(d);
        const Color base = result;
        block->disc_brightness = kept;
        shade(d);
        return result + -1.0f * base;
    };
    // alpha = 0: t = 10, the full 100 x disc_brightness (T <= 25) plus 2 x glow.
    EXPECT_COLOR_NEAR(disc_part(sun), 102.0f * sc, 1e-4);
    // t = 9, on the disc's soft edge (8.5 to T / 50 + 9.5): 47.117 of disc and 1.458 of glow.
    EXPECT_COLOR_NEAR(disc_part(rotate_towards_zenith(sun, 0.1 * R)), 48.575f * sc, 2e-2);  // steep: float angles
    block->disc_brightness = 2.0f;
    block->glow_brightness = 3.0f;
    EXPECT_COLOR_NEAR(disc_part(sun), 206.0f * sc, 1e-4);
    // From alpha = 0.15 R on only the glow: (t / 10)^3 x 2 x glow.
    EXPECT_COLOR_NEAR(disc_part(rotate_towards_zenith(sun, 0.15 * R)), (0.85f * 0.85f * 0.85f * 6.0f) * sc, 2e-3);
    // A glossy reflection sees the disc dimmed by glossiness^2 x importance.
    GlossyEnvironmentHint hint{UVO_GLOSSY_HINT_MAGIC, 0.5f, 0.4f};
    ShadingState material = f.state;
    material.user = &hint, material.user_size = sizeof hint;
    f.state.parent = &material, f.state.ray_type = UVO_RAY_REFLECT;
    EXPECT_COLOR_NEAR(disc_part(sun), 20.6f * sc, 1e-4);
    // Gather rays and reduced rays see no disc.
    f.state.parent = nullptr, f.state.ray_type = UVO_RAY_GATHER;
    EXPECT_EQ(disc_part(sun).g, 0.0f);
    f.state.ray_type = UVO_RAY_REFLECT;
    f.options.final_gather = host().reduced_ray = 1;
    EXPECT_EQ(disc_part(sun).g, 0.0f);
}

TEST_F(PhysicalSky, GroundAndHorizonBlend) {
    block->night_minimum = Color{1e9f, 1e9f, 1e9f, 1.0f};
    init();
    // Straight down without softness: the ground alone, and no night minimum.
    ASSERT_EQ(shade(Vector3{0.0f, 0.0f, -1.0f}), 1);
    EXPECT_COLOR_NEAR(result, model_ground(), 1e-6);
    // Just below with softness 1 (a tenth): half way, smooth_step(0, 1, 0.5) = 0.5,
    // and the night minimum weighs by the remaining sky weight 0.5.
    block->horizon_softness = 1.0f, block->night_minimum = Color{0.0f, 0.0f, 0.0f, 0.0f};
    const Vector3 d = sky_test::unit(std::sqrt(1.0 - 0.05 * 0.05), 0.0, -0.05);
    shade(d);
    const float b = smooth_step(0.0f, 1.0f, -d.z / 0.1f);
    EXPECT_NEAR(b, 0.5f, 1e-3f);
    EXPECT_COLOR_NEAR(result, mix(model_sky(d), model_ground(), b), 1e-5);
    block->night_minimum = Color{1e9f, 2e9f, 3e9f, 1.0f};
    shade(d);
    EXPECT_TRUE(std::fabs(result.r - 1e9f * (1 - b)) < 1e3f && std::fabs(result.b - 3e9f * (1 - b)) < 1e3f) << result;
    // Above the horizon the full minimum.
    shade(Vector3{0.0f, 0.0f, 1.0f});
    EXPECT_EQ(result.g, 2e9f);
}

TEST_F(PhysicalSky, SunBelowTheHorizonAndSwitchingOff) {
    block->sun_vector = sky_test::unit(0.0, std::sqrt(1.0 - 0.01), -0.1);
    init();
    EXPECT_EQ(sky().sun_color.g, 0.0f);
    // The sky dims by 0.9, and even towards the (lifted) sun there is no disc.
    const Vector3 up{0, 0, 1}, lifted = lift_above_horizon(sky().sun_direction);
    shade(up);
    EXPECT_COLOR_NEAR(result, 0.9f * sky_color(lifted, up, 2.0f, 0, sky()), 1e-5);
    shade(lifted);
    EXPECT_COLOR_NEAR(result, model_sky(lifted), 1e-5);
    // The ground is lit by the sky alone.
    shade(Vector3{0.0f, 0.0f, -1.0f});
    EXPECT_COLOR_NEAR(result, block->ground_tint * sky().mean_sky_color, 1e-5);
    // intensity 0 or enabled false: black, alpha 0.
    for (int off = 0; off < 2; ++off) {
        block->intensity = off == 0 ? 0.0f : 1.0f, block->enabled = off == 0 ? 1 : 0;
        result = Color{1, 1, 1, 1};
        EXPECT_TRUE(shade(up) == 1 && uvo_test::same_rgb(result, Color{}) && result.a == 0.0f) << off << ": " << result;
    }
}
