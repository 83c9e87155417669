// uvo_lens_bokeh against the test host, whose camera space is internal space.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "lens/lens_bokeh.h"
#include "test_host.h"

using namespace uvo;
using uvo_test::host;

namespace {

// Fine stripes on the plane z = -depth: colour of the point a ray hits;
// rays going away hit nothing.
Boolean stripes(float depth, Color *c, const Vector3 &o, const Vector3 &d) {
    const float t = (-depth - o.z) / d.z, x = o.x + t * d.x, y = o.y + t * d.y;
    *c = Color{0.5f + 0.5f * std::sin(40.0f * x), 0.5f + 0.5f * std::cos(40.0f * y), 1.0f, 1.0f};
    return d.z < 0.0f;
}

struct LensBokeh : ::testing::Test {
    uvo_test::StateFixture f;
    LensBokehParams p{1, 4.0f, 0.5f, 64, 1.0f, 0, 0.0f, 0, 0};
    std::vector<Vector3> lens_points;  // origins of the traced rays

    void SetUp() override {
        f.shader.parameters = &p;
        f.state.origin = Vector3{0.0f, 0.0f, 0.0f};
        const float l = std::sqrt(1.0125f);
        f.state.direction = Vector3{0.1f / l, 0.05f / l, -1.0f / l};
    }
    void scene(float depth) {
        host().script.rx_trace_eye = [this, depth](Color *c, ShadingState *, const Vector3 *o, const Vector3 *d) {
            lens_points.push_back(*o);
            return stripes(depth, c, *o, *d);
        };
    }
    Color shade(Boolean *returned = nullptr) {
        Color c{-1.0f, -1.0f, -1.0f, -1.0f};
        const Boolean r = uvo_lens_bokeh(&c, &f.state, &p);
        if (returned)
            *returned = r;
        return c;
    }
};

}  // namespace

TEST_F(LensBokeh, PinholeAndDisabledLensSeeThePlainEyeRay) {
    scene(7.0f);  // out of focus
    p.lens_radius = 0.0f;
    const Color pinhole = shade();
    p.enabled = 0;
    const Color plain = shade();
    EXPECT_NEAR(pinhole.r, plain.r, 1e-5f);
    EXPECT_NEAR(pinhole.g, plain.g, 1e-5f);
    EXPECT_NEAR(pinhole.a, plain.a, 1e-5f);

    f.state.direction = Vector3{0.0f, 0.0f, 1.0f};  // hits nothing
    Boolean returned = 1;
    shade(&returned);
    EXPECT_EQ(returned, 0) << "disabled: the eye ray's own answer";
}

TEST_F(LensBokeh, HexagonHasACornerOnTheCameraXAxisAndTurnsWithTheRotation) {
    scene(4.0f);
    p.lens_radius = 1.0f;
    p.sample_count = 4096;
    p.aperture_sides = 6;
    // Across its sides the hexagon reaches cos 30 deg on the axis, bulging to
    // 0.874 at 15 deg off it; a sixth of a half turn swaps corners and sides.
    for (float rotation : {0.0f, 1.0f / 6.0f}) {
        p.aperture_rotation = rotation;
        lens_points.clear();
        shade();
        float max_x = 0.0f, max_y = 0.0f, max_r = 0.0f;
        for (const Vector3 &l : lens_points) {
            max_x = std::max(max_x, std::fabs(l.x));
            max_y = std::max(max_y, std::fabs(l.y));
            max_r = std::max(max_r, std::hypot(l.x, l.y));
        }
        const float corner_axis = rotation == 0.0f ? max_x : max_y, side_axis = rotation == 0.0f ? max_y : max_x;
        EXPECT_GT(corner_axis, 0.98f) << "rotation " << rotation;
        EXPECT_GT(side_axis, 0.85f) << "rotation " << rotation;
        EXPECT_LT(side_axis, 0.88f) << "rotation " << rotation;
        EXPECT_LE(max_r, 1.0f);
    }
}

TEST_F(LensBokeh, BlackApertureSamplesAreSkippedGreyOnesWeighByLuminance) {
    const Color constant{0.2f, 0.4f, 0.6f, 1.0f};
    uvo_test::answer(host().script.rx_trace_eye, constant);
    host().script.rx_lookup_color_texture = [&](Color *c, ShadingState *, Tag t, const Vector3 *at) {
        const float g = t == 55 && at->x >= 0.5f ? 0.5f : 0.0f;  // the image's left half is closed
        *c = Color{g, g, g, 1.0f};
        return Boolean{1};
    };
    p.use_aperture_texture = 1;
    p.aperture_texture = 55;
    f.state.origin = Vector3{1.0f, 2.0f, 3.0f};
    const Color seen = shade();

    // A constant scene through a grey aperture is the constant.
    EXPECT_NEAR(seen.r, constant.r, 1e-5f);
    EXPECT_NEAR(seen.b, constant.b, 1e-5f);
}
