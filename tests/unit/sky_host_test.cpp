// The sky model's host-facing pieces against the test host.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sky/sky_host.h"
#include "sky/sky_model.h"
#include "sky_test_support.h"

using namespace uvo;
using sky_test::at_elevation;
using uvo_test::host;

namespace {

struct SunBlock { Vector3 sun_vector; };

struct SkyHost : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<SunBlock> block;
    SkyInstance sky{};

    void SetUp() override { block.attach(f.shader, true); }
};

}  // namespace

TEST_F(SkyHost, SunFromVectorIsNormalisedSwappedAndShifted) {
    auto sun = [&](Vector3 v, int swap_y_z = 0, float horizon_offset = 0.0f) {
        sky = SkyInstance{};
        sky.swap_y_z = swap_y_z, sky.horizon_offset = horizon_offset;
        block->sun_vector = v;
        set_sun_direction(&f.state, &sky, 0, block.get(), &block->sun_vector, physicalsky_sun_message);
        return sky.sun_direction;
    };
    auto near = [](Vector3 a, Vector3 b, float tol) { return std::fabs(a.y - b.y) < tol && std::fabs(a.z - b.z) < tol; };
    EXPECT_TRUE(near(sun(Vector3{0.0f, 3.0f, 4.0f}), Vector3{0, 0.6f, 0.8f}, 1e-7f)) << sky.sun_direction;
    // y up: y and z exchange; a horizon shift then lowers the sun and renormalises.
    EXPECT_TRUE(near(sun(Vector3{0.0f, 3.0f, 4.0f}, 1, 0.2f), sky_test::unit(0.0, 0.8, 0.6 - 0.2), 1e-6f))
        << sky.sun_direction;
    // A zero vector stays zero, silently.
    EXPECT_TRUE(sun(Vector3{0.0f, 0.0f, 0.0f}).z == 0.0f && host().messages.empty());
}

TEST_F(SkyHost, HemisphereIntegralOfTheOvercastSky) {
    sky_test::script_cosine_hemisphere();
    int seen = 0;
    host().script.rx_sample = [&](double *s, int32_t *instance, ShadingState *, int32_t, int32_t *count) -> Boolean {
        if (*instance >= *count)
            return 0;
        ++seen;
        s[0] = (*instance % 8 + 0.5) / 8.0, s[1] = (*instance / 8 + 0.5) / 8.0;  // a stratified 8 x 8 grid
        ++*instance;
        return 1;
    };
    // Overcast CIE sky with Lz = 1: the illuminance per cd/m^2 is pi x 7/3.
    sky.luminance_mode = sky_mode_model;
    sky.overcast_fraction = sky.zenith_luminance = 1.0f;
    sky.sun_direction = at_elevation(40.0);
    sky.perez_norm = cie_perez_norm(sky.sun_direction);
    const float E = illuminance_per_zenith_luminance(&f.state, sky);
    EXPECT_NEAR(E, std::numbers::pi * 7.0 / 3.0, 0.02 * E);
    EXPECT_EQ(seen, 64);
}

TEST_F(SkyHost, AdjustColourSaturationAndShift) {
    const float L = 0.299f * -1.0f + 0.587f + 0.114f, L2 = 0.299f * 0.1f + 0.587f + 0.114f;
    struct Case {
        Color in;
        float sigma, shift;
        Color want;
        int exact;  // channels (bits r, g, b, a) that must match bit for bit
    };
    const Case cases[] = {
        // sigma = 0: grey at the luminance taken before clamping; alpha kept.
        {{-1.0f, 1.0f, 1.0f, 0.7f}, 0.0f, 0.0f, {L, L, L, 0.7f}, 8},
        // sigma = 1: only the negative channel changes.
        {{-1.0f, 0.5f, 2.0f, 0.0f}, 1.0f, 0.0f, {0.0f, 0.5f, 2.0f, 0.0f}, 15},
        // sigma = 2 pushes a weak channel below 0 (2 x 0.1 - L), where it is clipped.
        {{0.1f, 1.0f, 1.0f, 0.0f}, 2.0f, 0.0f, {0.0f, 2.0f - L2, 2.0f - L2, 0.0f}, 9},
        // The shift tilts red against blue and leaves green.
        {{1.0f, 1.0f, 1.0f, 0.0f}, 1.0f, 0.25f, {1.25f, 1.0f, 0.75f, 0.0f}, 8},
    };
    for (const Case &c : cases) {
        Color got = c.in;
        adjust_color(&f.state, &got, c.sigma, c.shift);
        const float g[4] = {got.r, got.g, got.b, got.a}, w[4] = {c.want.r, c.want.g, c.want.b, c.want.a};
        for (int i = 0; i < 4; ++i)  // exact channels bit for bit, the others to a few ulps
            EXPECT_TRUE(c.exact & (1 << i) ? g[i] == w[i] : std::fabs(g[i] - w[i]) <= 4e-7f * std::fabs(w[i]))
                << "channel " << i << " of " << c.in << " sigma " << c.sigma << " shift " << c.shift << " -> " << got;
    }
}

TEST_F(SkyHost, SkyIsHdrMarkIsSetOrStored) {
    mark_sky_is_hdr(&f.state);
    ASSERT_EQ(host().store.count(UVO_KEY_SKY_IS_HDR), 1u);
    // Present already: set to 1.
    sky_test::store(UVO_KEY_SKY_IS_HDR, int32_t{0});
    mark_sky_is_hdr(&f.state);
    EXPECT_EQ(*reinterpret_cast<int32_t *>(host().store[UVO_KEY_SKY_IS_HDR].data()), 1);
}
