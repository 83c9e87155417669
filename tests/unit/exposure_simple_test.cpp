// uvo_exposure_simple: the curve (offset, gain, knee, gamma) and the shader's
// record, lens, output and other calls against the test host.
#include <gtest/gtest.h>

#include <cmath>

#include "tonemap/exposure_simple.h"
#include "tonemap/simple_curve.h"
#include "color_check.h"
#include "test_host.h"

using uvo_test::same;
using uvo_test::host;
using uvo::SimpleCurve;

TEST(SimpleCurve, IdentitySettingsOnlyClampNegatives) {
    const SimpleCurve identity{1.0f, 0.0f, 0.5f, 0.0f, uvo::simple_inverse_gamma(1.0f)};
    for (float k : {0.0f, 1e-6f, 0.3f, 1.0f, 17.25f, 1e20f})
        EXPECT_EQ(uvo::simple_map_channel(identity, k), k);
    for (float k : {-1e-6f, -0.3f, -100.0f})
        EXPECT_EQ(uvo::simple_map_channel(identity, k), 0.0f) << k;
    Color c{-0.5f, 0.25f, 2.0f, -3.0f};
    uvo::simple_map(identity, c);
    EXPECT_TRUE(same(c, Color{0.0f, 0.25f, 2.0f, -3.0f})) << "alpha is never touched";
}

TEST(SimpleCurve, OffsetClampsBeforeTheGainAndGammaFollows) {
    // -0.5 + 0.2 stays negative: 0 before the gain, whatever the gain.
    const SimpleCurve offset{-4.0f, 0.2f, 10.0f, 0.0f, 1.0f};
    EXPECT_EQ(uvo::simple_map_channel(offset, -0.5f), 0.0f);
    EXPECT_FLOAT_EQ(uvo::simple_map_channel(offset, 0.3f), 0.5f * -4.0f);

    const SimpleCurve gamma{2.0f, 0.0f, 100.0f, 0.0f, uvo::simple_inverse_gamma(2.2f)};
    EXPECT_FLOAT_EQ(uvo::simple_map_channel(gamma, 0.25f), float(std::pow(0.5, 1 / 2.2)));
    EXPECT_EQ(uvo::simple_inverse_gamma(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(uvo::simple_inverse_gamma(2.5f), 0.4f);
}

TEST(SimpleCurve, KneeStartsWithSlopeOneAndCompressesLogarithmically) {
    const SimpleCurve knee{1.0f, 0.0f, 0.8f, 2.0f, 1.0f};
    EXPECT_EQ(uvo::simple_map_channel(knee, 0.8f), 0.8f) << "exactly at the level: not compressed";
    EXPECT_EQ(uvo::simple_map_channel(knee, 0.5f), 0.5f);
    const float h = 1e-3f;
    const float slope = (uvo::simple_map_channel(knee, 0.8f + h) - 0.8f) / h;
    EXPECT_NEAR(slope, 1.0f, 3e-3f);
    for (float v : {1.0f, 2.0f, 10.0f, 1000.0f}) {
        const float got = uvo::simple_map_channel(knee, v);
        EXPECT_FLOAT_EQ(got, float(std::log((v - 0.8) * 2.0 + 1.0) / 2.0 + 0.8)) << v;
        EXPECT_LT(got, v);
    }
    // Off with zero compression.
    const SimpleCurve off{1.0f, 0.0f, 0.8f, 0.0f, 1.0f};
    EXPECT_EQ(uvo::simple_map_channel(off, 5.0f), 5.0f);
}

namespace {

struct Simple : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<uvo::ExposureSimpleParams> block;

    void SetUp() override {
        block->black_offset = 0.05f;
        block->exposure_gain = 1.5f;
        block->knee_level = 0.7f;
        block->knee_compression = 3.0f;
        block->output_gamma = 2.0f;
        block.attach(f.shader, true);
    }
    void TearDown() override {
        if (host().user_slot != nullptr)
            uvo::uvo_exposure_simple_exit(&f.state, block.get());
    }
    void init() {
        Boolean request = 0;
        ASSERT_EQ(uvo::uvo_exposure_simple_init(&f.state, block.get(), &request), 1);
    }
    Color mapped(Color c) {
        uvo::simple_map(*static_cast<SimpleCurve *>(host().user_slot), c);
        return c;
    }
    Boolean shade(Color &result) { return uvo::uvo_exposure_simple(&result, &f.state, block.get()); }
};

}  // namespace

TEST_F(Simple, OtherCallKindsMapWhatTheyAreHanded) {
    init();
    for (int32_t kind : {1, 2, 4, 6, 7, 12}) {
        host().call_kind = kind;
        Color result{0.4f, -0.3f, 2.0f, 0.5f};
        EXPECT_EQ(shade(result), 1) << "kind " << kind;
        EXPECT_TRUE(same(result, mapped(Color{0.4f, -0.3f, 2.0f, 0.5f}))) << "kind " << kind;
    }

    // With a texture, the texture's colour replaces the one handed in.
    block->use_source_texture = 1;
    block->source_texture = 5;
    uvo_test::answer(host().script.rx_lookup_color_texture, Color{1.0f, 0.5f, 0.25f, 1});
    host().call_kind = UVO_SHADER_MATERIAL;
    Color result{9, 9, 9, 9};
    EXPECT_EQ(shade(result), 1);
    EXPECT_TRUE(same(result, mapped(Color{1.0f, 0.5f, 0.25f, 1})));
}
