// uvo_envblur against the test host with in-memory images.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "envblur/blur_model.h"
#include "envblur/envblur.h"
#include "frame/vector_math.h"
#include "image_store.h"

using namespace uvo;
using uvo_test::host;

namespace {

Vector3 unit(float x, float y, float z) { return normalized_by_division(Vector3{x, y, z}); }

// An environment that varies with direction, so blurs tell apart.
Color sky(const Vector3 &d) { return Color{0.5f + 0.5f * d.x, 0.5f + 0.5f * d.y, 0.5f + 0.5f * d.z, 1.0f}; }

struct EnvBlur : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ImageStore store;
    EnvBlurParams p{};
    Tag environment_seen = 0;

    void SetUp() override {
        uvo_test::script_images(store);
        environment(sky);
        f.camera.environment = 31;
        f.state.parent = &f.parent;
    }
    template <class F>
    void environment(F colour) {
        host().script.rx_trace_environment = [this, colour](Color *c, ShadingState *s, const Vector3 *d) {
            environment_seen = s->environment;
            *c = colour(*d);
            return Boolean{1};
        };
    }
    void init(int32_t resolution) {
        p.map_resolution = resolution;
        Boolean request = 0;
        uvo_envblur_init(&f.state, &p, &request);
    }
    void TearDown() override { uvo_envblur_exit(&f.state, &p); }
    Color look(Vector3 d, float blur) {
        p.blur_amount = blur;
        f.state.direction = d;
        Color c{0.0f, 0.0f, 0.0f, 0.25f};
        EXPECT_EQ(uvo_envblur(&c, &f.state, &p), 1);
        return c;
    }
};

double mean(const HostImage &level) {
    double sum = 0.0;
    for (const Color &c : level.texels)
        sum += c.r + c.g + c.b;
    return sum / level.texels.size();
}

}  // namespace

TEST_F(EnvBlur, TinyResolutionsGiveA256MapWhosePyramidKeepsTheMean) {
    for (int32_t resolution : {1, 2}) {
        host().messages.clear();
        init(resolution);
        EXPECT_EQ(store.last_desc.width, 256);
        EXPECT_EQ(store.last_desc.height, 256);
        EXPECT_EQ(environment_seen, 31u) << "the camera's environment stands in for an unset one";
        const auto progress = host().texts("progress");
        ASSERT_EQ(progress.size(), 240u) << "every row but each 16th";
        EXPECT_EQ(progress.front(), "Rasterizing env for blur: 1");
        const std::vector<HostImage> &levels = *store.images.rbegin()->second;
        for (const HostImage &level : levels)
            EXPECT_NEAR(mean(level), mean(levels[0]), 1e-5) << level.width << " texels wide";
        uvo_envblur_exit(&f.state, &p);
    }
    EXPECT_EQ(store.out_of_bounds, 0);
}

TEST_F(EnvBlur, BlurZeroAndGlossinessOnePassThroughBitForBitGlossinessZeroIsTheWidest) {
    init(16);
    // Bits a weighted average of texels could not reproduce.
    const Color odd{std::nextafter(0.3f, 1.0f), 1e-30f, 0.6f, std::nextafter(0.7f, 0.0f)};
    environment([odd](const Vector3 &) { return odd; });
    const Vector3 d = unit(0.3f, -0.2f, 0.9f);
    Color seen = look(d, 0.0f);
    EXPECT_EQ(std::memcmp(&seen, &odd, sizeof seen), 0) << "blur 0";

    GlossyEnvironmentHint hint{UVO_GLOSSY_HINT_MAGIC, 1.0f, 1.0f};
    f.parent.user = &hint;
    p.follow_glossiness = 1;
    seen = look(d, 5.0f);
    EXPECT_EQ(std::memcmp(&seen, &odd, sizeof seen), 0) << "glossiness 1";

    hint.glossiness = 0.0f;
    const Color roughest = look(d, 0.0f);
    hint.glossiness = 0.9f;
    const Color glossy = look(d, 0.0f);
    p.follow_glossiness = 0;
    const Color widest = look(d, 5.0f);  // half the map's width
    EXPECT_EQ(std::memcmp(&roughest, &widest, sizeof roughest), 0) << "glossiness 0 is blur 0.5";
    EXPECT_GT(std::fabs(roughest.b - glossy.b), 0.05f) << "glossiness 0.9 blurs far less";
    for (float g = 0.0f; g <= 1.0f; g += 0.125f)
        EXPECT_LE(glossy_blur(g), glossy_blur(0.0f)) << "g " << g;
}

TEST(AngularMap, PlusZReadsTheCentreMinusZTheRimTexelsRoundTrip) {
    const MapPosition front = angular_position(Vector3{0.0f, 0.0f, 1.0f});
    EXPECT_EQ(front.u, 0.5);
    EXPECT_EQ(front.v, 0.5);
    for (Vector3 back : {Vector3{0.0f, 0.0f, -1.0f}, unit(0.0f, 1e-3f, -1.0f), unit(-1e-3f, 0.0f, -1.0f)}) {
        const MapPosition at = angular_position(back);
        EXPECT_NEAR(std::hypot(at.u - 0.5, at.v - 0.5), 0.5, 1e-3) << back.x << " " << back.y;
    }
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            if (std::hypot(x - 4.0, y - 4.0) > 3.8)
                continue;  // the rim squeezes the angle: no round trip there
            const MapPosition at = angular_position(angular_direction(x, y, 9));
            EXPECT_NEAR(at.u * 8, x, 1e-4) << x << "," << y;
            EXPECT_NEAR(at.v * 8, y, 1e-4) << x << "," << y;
        }
}

TEST_F(EnvBlur, ConstantEnvironmentStaysConstantAtEveryBlur) {
    const Color constant{0.3f, 0.5f, 0.7f, 1.0f};
    environment([constant](const Vector3 &) { return constant; });
    init(64);  // blur 5 averages a disc of radius 16 on its 32-texel level 1
    for (float blur : {1e-3f, 0.05f, 0.6f, 2.5f, 5.0f, 10.0f, 1e3f, std::numeric_limits<float>::infinity()})
        for (Vector3 d : {Vector3{0, 0, 1}, Vector3{0, 0, -1}, unit(1, 0, 0), unit(-0.3f, 0.8f, 0.2f)}) {
            const Color seen = look(d, blur);
            EXPECT_NEAR(seen.r, constant.r, 1e-6f) << "blur " << blur << " direction z " << d.z;
            EXPECT_NEAR(seen.b, constant.b, 1e-6f) << "blur " << blur << " direction z " << d.z;
            EXPECT_EQ(seen.a, 0.25f) << "alpha is left alone";
        }
}
