// uvo_ciesky against the test host.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sky/cie_sky.h"
#include "sky/sky_host.h"
#include "sky/sky_model.h"
#include "sky_test_support.h"

using namespace uvo;
using sky_test::at_elevation;
using uvo_test::host;

namespace {

struct CieSky : sky_test::ShaderTest<CieSkyParams, uvo_ciesky_init, uvo_ciesky_exit> {
    void SetUp() override {
        block->enabled = 1, block->zenith_luminance = 4000.0f;
        block->color_value = Color{1.0f, 0.0f, 0.0f, 1.0f};
        block->sun_vector = at_elevation(30.0);
        environment();
    }
    // The shader's grey towards `d` (color_value, red here, never tints it).
    float luminance(Vector3 d) {
        f.state.direction = d;
        EXPECT_EQ(uvo_ciesky(&result, &f.state, block.get()), 1);
        EXPECT_TRUE(result.r == result.g && result.g == result.b && result.a == 0.0f) << result;
        return result.g;
    }
};

}  // namespace

TEST_F(CieSky, OvercastAndClearSkyValues) {
    // Overcast: Lz (1 + 2 z), three times Lz straight up, Lz on the horizon.
    block->overcast_fraction = 1.0f;
    init();
    EXPECT_TRUE(host().messages.empty()) << "a user zenith luminance needs no message";
    for (auto [d, L] :
         {std::pair{Vector3{0, 0, 1}, 12000.0f}, {Vector3{1, 0, 0}, 4000.0f}, {sky_test::unit(1, 0, -1e-4), 0.0f}})
        EXPECT_NEAR(luminance(d), L, 0.01f) << d;
    EXPECT_EQ(host().store.count(UVO_KEY_SKY_IS_HDR), 1u);
    // Fractions outside [0, 1] are clamped.
    block->overcast_fraction = 3.0f;
    init();
    EXPECT_NEAR(luminance(Vector3{0, 0, 1}), 12000.0f, 0.01f);
    block->overcast_fraction = -0.5f;
    init();
    EXPECT_EQ(sky().overcast_fraction, 0.0f);
    // Clear: exactly Lz straight up, more towards the sun, less away from it.
    EXPECT_NEAR(luminance(Vector3{0, 0, 1}), 4000.0f, 4000.0f * 1e-6f);
    EXPECT_TRUE(luminance(at_elevation(31.0)) > 4000.0f && luminance(at_elevation(60.0, -90.0)) < 4000.0f);
    // Switched off: black, but the ray tree is still marked.
    block->enabled = 0;
    host().store.clear();
    EXPECT_TRUE(luminance(Vector3{0, 0, 1}) == 0.0f && host().store.count(UVO_KEY_SKY_IS_HDR) == 1u);
}

TEST_F(CieSky, FollowsALightAndReportsOtherLightKinds) {
    // A light that is not directional: the message, and its direction is used.
    block->sun = 5;
    host().light_records[5] = 50;
    HostLight spot{};
    spot.kind = UVO_LIGHT_SPOT;
    host().database[50] = &spot;
    sky_test::script_query([](int32_t code, Tag item, void *out) -> bool {
        if (code != UVO_QUERY_LIGHT_DIRECTION || item != 5)
            return false;
        *static_cast<Vector3 *>(out) = Vector3{0.0f, 0.0f, -2.0f};
        return true;
    });
    init();
    EXPECT_EQ(host().texts("error"),
              sky_test::Texts{"uvo_ciesky: 'sun' parameter should point to a directional light source"});
    EXPECT_TRUE(sky().sun_direction.z == 1.0f && host().pins == 0) << sky().sun_direction;
}

TEST_F(CieSky, ThreeWaysToTheZenithLuminance) {
    // Estimated from the sun: user values are ignored.
    block->estimate_zenith_luminance = 1, block->overcast_fraction = 0.25f;
    block->diffuse_horizontal_illuminance = 10000.0f;
    init();
    const float L = clear_zenith_luminance(sky()) * 0.75f + overcast_zenith_luminance(sky()) * 0.25f;
    EXPECT_EQ(sky().zenith_luminance, L);
    std::string text = sky_test::format("Calculated zenith luminance %4.1f cd/m^2 for solar elevation angle of %2.1f "
                                        "degrees", static_cast<double>(L), sky_test::elevation_deg(sky().sun_direction));
    EXPECT_EQ(host().texts("info"), sky_test::Texts{text});
    // A sun below the horizon: both estimates are 0, the sky is black.
    block->sun_vector = at_elevation(-5.0);
    init();
    EXPECT_TRUE(sky().zenith_luminance == 0.0f && luminance(Vector3{0, 0, 1}) == 0.0f);
    EXPECT_NE(host().texts("info")[0].find(" 0.0 cd/m^2"), std::string::npos) << host().texts("info")[0];
    // From the diffuse horizontal illuminance: overcast 10000 lux gives
    // Lz = 10000 / (pi x 7/3), up to the error of 64 samples; the user
    // zenith luminance is overridden with a warning.
    block->estimate_zenith_luminance = 0, block->overcast_fraction = 1.0f;
    block->sun_vector = at_elevation(30.0);
    init();
    EXPECT_EQ(host().texts("warning"), sky_test::Texts{"Redundant user specified zenith_luminance value ignored."});
    const double expected = 10000.0 / (std::numbers::pi * 7.0 / 3.0);
    EXPECT_NEAR(sky().zenith_luminance, expected, 0.03 * expected);
    text = sky_test::format("Calculated zenith_luminance %5.1f cd/m^2 from diffuse_horizontal_illuminance %5.1f lux",
                            static_cast<double>(sky().zenith_luminance), 10000.0);
    EXPECT_EQ(host().texts("info"), sky_test::Texts{text});
    // Only the user's value: no message.
    block->diffuse_horizontal_illuminance = 0.0f;
    init();
    EXPECT_TRUE(host().messages.empty() && sky().zenith_luminance == 4000.0f);
}
