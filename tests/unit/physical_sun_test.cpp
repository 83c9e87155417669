// uvo_physicalsun against the test host.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "sky/physical_sun.h"
#include "sky/sky_model.h"
#include "sky_test_support.h"

using namespace uvo;
using sky_test::dot;
using sky_test::operator*;
using uvo_test::host;

namespace {

constexpr Tag light_instance = 9;
constexpr Tag light_record = 90;

struct PhysicalSun : sky_test::ShaderTest<PhysicalSunParams, uvo_physicalsun_init, uvo_physicalsun_exit> {
    HostLight light{};
    Vector3 emission{0.0f, -0.6f, -0.8f};  // the sun at (0, 0.6, 0.8)

    void SetUp() override {
        PhysicalSunParams &p = *block;
        p.enabled = 1;
        p.intensity = p.saturation_level = p.penumbra_scale = 1.0f;
        p.rgb_scale = Color{1.0f, 1.0f, 1.0f, 1.0f};
        p.shadow_rays = 8;
        p.photon_region_min = Vector3{-1.0f, -2.0f, 0.0f};
        p.photon_region_max = Vector3{3.0f, 2.0f, 1.0f};
        block.attach(f.shader, true);
        f.state.light_instance = light_instance, host().light_records[light_instance] = light_record;
        light.kind = UVO_LIGHT_DIRECTIONAL, host().database[light_record] = &light;
        sky_test::script_query([this](int32_t code, Tag item, void *out) -> bool {
            const bool ours = code == UVO_QUERY_LIGHT_DIRECTION && (item == light_instance || item == light_record);
            if (ours)
                *static_cast<Vector3 *>(out) = emission;
            return ours;
        });
    }
    const SkyInstance &sun() const { return sky(); }
    float luminance() const { return 0.299f * result.r + 0.587f * result.g + 0.114f * result.b; }
    Boolean light_call() {
        f.state.ray_type = UVO_RAY_LIGHT;
        host().call_kind = UVO_SHADER_LIGHT;
        result = Color{0.0f, 0.0f, 0.0f, 1.0f};
        host().calls.clear();
        return uvo_physicalsun(&result, &f.state, block.get());
    }
};

}  // namespace

TEST_F(PhysicalSun, InitFollowsTheLightAndReportsOtherLightKinds) {
    init();
    const Vector3 s = sun().sun_direction;
    EXPECT_TRUE(std::fabs(s.y - 0.6f) < 1e-7f && std::fabs(s.z - 0.8f) < 1e-7f) << s;
    EXPECT_TRUE(host().messages.empty() && host().pins == 0);
    // Not a directional light: the message, and init goes on.
    light.kind = UVO_LIGHT_POINT;
    init();
    EXPECT_EQ(host().texts("error"), sky_test::Texts{"uvo_physicalsun: Should be applied to a directional light source"});
    EXPECT_NEAR(sun().sun_direction.z, -emission.z, 1e-6f);
}

TEST_F(PhysicalSun, BeamNormalisationAndDeclarationVersion) {
    block->beam_mode = 1, block->beam_illuminance = 100000.0f;
    init();
    f.state.ray_type = UVO_RAY_EYE;  // neither a light nor a photon call: the colour
    EXPECT_EQ(uvo_physicalsun(&result, &f.state, block.get()), 1);
    EXPECT_TRUE(std::fabs(luminance() - 100000.0f) < 1.0f && result.a == 0.0f) << result;
    // The sun's colour is kept, only scaled.
    const Color raw = sunlight_color(sun(), 2.0f);
    EXPECT_NEAR(result.r / result.b, raw.r / raw.b, 1e-5);
    // Version 5 declarations have no beam parameters.
    host().declaration_version = 5;
    init();
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_TRUE(sun().luminance_mode == 0 && result.g == raw.g) << result;
    // rgb_scale with red 0 uses 1.25e-5 on all three, times the intensity.
    block->rgb_scale = Color{0.0f, 7.0f, 7.0f, 1.0f}, block->intensity = 2.0f;
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_TRUE(uvo_test::same_rgb(result, (1.25e-5f * 2.0f) * raw)) << result;
}

TEST_F(PhysicalSun, LightCallShadowRaysAndImportance) {
    init();
    static_assert(sizeof(LightLoopInfo) == 28);
    sky_test::store(UVO_KEY_LIGHT_LOOP, LightLoopInfo{28, 0.5f, 1.0f, 0.3f, 0.2f, 0, 0});
    const Color raw = sunlight_color(sun(), 2.0f);
    // -1: the light unshadowed, no shadow test at all.
    block->shadow_rays = -1;
    EXPECT_EQ(light_call(), 1);
    EXPECT_TRUE(host().count("rx_trace_shadow") == 0 && result.g == raw.g) << result;
    const LightLoopInfo *seen = reinterpret_cast<const LightLoopInfo *>(host().store[UVO_KEY_LIGHT_LOOP].data());
    EXPECT_TRUE(seen->diffuse_scale == 1.0f && seen->specular_scale == 1.0f && seen->physical_light == 1);
    // 0: one hard shadow ray, and its answer is the call's.
    block->shadow_rays = 0;
    host().script.rx_trace_shadow = [](Color *c, ShadingState *) -> Boolean {
        c->r *= 0.5f, c->g *= 0.5f, c->b *= 0.5f;
        return 0;
    };
    EXPECT_EQ(light_call(), 0);
    EXPECT_TRUE(host().count("rx_trace_shadow") == 1 && result.g == 0.5f * raw.g) << result;
    // No light to give: false, before any shadow test.
    emission = Vector3{0.0f, -0.99f, 0.14f};  // the sun below the horizon
    init();
    host().script.rx_query = nullptr;
    EXPECT_TRUE(light_call() == 0 && host().count("rx_trace_shadow") == 0) << "no shadow test without light";
}

TEST_F(PhysicalSun, SoftShadowDirectionsStayInThePenumbraDisc) {
    init();
    const Vector3 dl = sky_test::unit(0.1, 0.6, 0.8);
    f.state.normal = sky_test::unit(0.0, 0.3, 1.0);
    std::vector<Vector3> dirs;
    int k = 0;  // shadow rays traced
    host().script.rx_trace_shadow = [&](Color *c, ShadingState *s) -> Boolean {
        dirs.push_back(s->direction);
        // Every other sample is blocked; the others arrive dimmed to a half.
        c->r *= 0.5f, c->g *= 0.5f, c->b *= 0.5f;
        return (k++ % 2) == 0;
    };
    for (float haze : {0.0f, 10.0f}) {
        block->haze_level = haze, block->shadow_rays = 16;
        dirs.clear(), k = 0;
        f.state.direction = dl;
        ASSERT_TRUE(light_call() == 1 && dirs.size() == 16u) << dirs.size() << " shadow rays";
        // Half the rays arrive at half strength: a quarter of the light.
        const Color raw = sunlight_color(sun(), haze + 2.0f);
        EXPECT_NEAR(result.g, 0.25f * raw.g, 1e-5f * raw.g) << "haze " << haze;
        // Radius 0.5 (T / 200 + 0.01) x penumbra: 0.01 at haze 0, 0.035 at haze 10.
        const double radius = 0.5 * ((haze + 2.0) / 200.0 + 0.01);
        double widest = 0.0;
        for (const Vector3 &d : dirs) {
            EXPECT_NEAR(sky_test::length(d), 1.0, 1e-6);
            const double off = std::sqrt(std::fmax(0.0, 2.0 - 2.0 * dot(d, dl)));
            EXPECT_LE(off, radius * 1.001) << d << " haze " << haze;
            widest = std::fmax(widest, off);
        }
        EXPECT_GT(widest, 0.6 * radius) << "haze " << haze;
    }
}

TEST_F(PhysicalSun, PhotonEmission) {
    block->photon_energy_from_area = 1;
    init();
    host().call_kind = UVO_SHADER_PHOTON_EMITTER, f.state.ray_type = UVO_RAY_PHOTON_EMIT;
    host().script.rx_sample = [](double *s, int32_t *, ShadingState *, int32_t, int32_t *) -> Boolean {
        s[0] = 0.25, s[1] = 0.75;
        return 1;
    };
    Color energy{};
    Vector3 origin{}, direction{};
    host().script.rx_photon_light = [&](Color *e, ShadingState *s) -> Boolean {
        energy = *e, origin = s->origin, direction = s->direction;
        return 0;
    };
    result = Color{5.0f, 6.0f, 7.0f, 0.5f};  // the host's photon energy
    EXPECT_EQ(uvo_physicalsun(&result, &f.state, block.get()), 1);
    EXPECT_TRUE(origin.x == 0.0f && origin.y == 1.0f && origin.z == 1.0001f) << origin;
    EXPECT_TRUE(direction.y == emission.y && direction.z == emission.z) << direction;
    // Area energy: the 4 x 4 rectangle times the light's colour times pi.
    EXPECT_COLOR_NEAR(energy, (16.0f * std::numbers::pi_v<float>) * result, 1e-6);
    EXPECT_EQ(energy.a, 0.5f);
    // Without area energy the host's energy goes out unchanged.
    block->photon_energy_from_area = 0;
    init();
    result = Color{5.0f, 6.0f, 7.0f, 0.5f};
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_TRUE(energy.r == 5.0f && energy.b == 7.0f) << energy;
}
