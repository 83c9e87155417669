// uvo_lens_bokeh against the test host (whose camera space is internal space):
// the pinhole limit, the plane of focus, the blade polygon's orientation, the
// spread of samples, and image-shaped apertures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "lens/aperture.h"
#include "lens/lens_bokeh.h"
#include "test_host.h"

using namespace uvo;
using uvo_test::host;

namespace {

Vector3 unit(float x, float y, float z) {
    const float l = std::sqrt(x * x + y * y + z * z);
    return Vector3{x / l, y / l, z / l};
}

// The plane z = -depth under a fine pattern of stripes, as rx_trace_eye sees
// it: colour of the point hit, black and no hit for rays that go away.
struct StripedPlane {
    float depth;
    Boolean trace(Color *c, const Vector3 &o, const Vector3 &d) const {
        if (d.z >= 0.0f) {
            *c = Color{0.0f, 0.0f, 0.0f, 0.0f};
            return 0;
        }
        const float t = (-depth - o.z) / d.z;
        const float x = o.x + t * d.x, y = o.y + t * d.y;
        *c = Color{0.5f + 0.5f * std::sin(40.0f * x), 0.5f + 0.5f * std::cos(40.0f * y), 1.0f, 1.0f};
        return 1;
    }
};

struct LensBokeh : ::testing::Test {
    uvo_test::StateFixture f;
    LensBokehParams p{};
    std::vector<Vector3> lens_points;  // origins of the traced rays
    int null_hit_objects = 0;

    void SetUp() override {
        p.enabled = 1;
        p.focus_distance = 4.0f;
        p.lens_radius = 0.5f;
        p.sample_count = 64;
        p.radial_bias = 1.0f;
        f.shader.parameters = &p;
        f.state.origin = Vector3{0.0f, 0.0f, 0.0f};
        f.state.direction = unit(0.1f, 0.05f, -1.0f);
    }
    void scene(StripedPlane plane) {
        host().script.rx_trace_eye = [this, plane](Color *c, ShadingState *s, const Vector3 *o, const Vector3 *d) {
            lens_points.push_back(*o);
            null_hit_objects += s->hit_object == nullptr;
            return plane.trace(c, *o, *d);
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

void expect_near(const Color &a, const Color &b, float tolerance, const char *what) {
    EXPECT_NEAR(a.r, b.r, tolerance) << what;
    EXPECT_NEAR(a.g, b.g, tolerance) << what;
    EXPECT_NEAR(a.b, b.b, tolerance) << what;
    EXPECT_NEAR(a.a, b.a, tolerance) << what;
}

}  // namespace

TEST_F(LensBokeh, PinholeEqualsThePlainEyeRayAndDisabledIsThePlainEyeRay) {
    scene(StripedPlane{7.0f});  // out of focus
    p.lens_radius = 0.0f;
    const Color pinhole = shade();
    p.enabled = 0;
    Boolean returned = 1;
    const Color plain = shade(&returned);
    expect_near(pinhole, plain, 1e-5f, "radius 0 against the unchanged ray");
    EXPECT_EQ(returned, 1);

    f.state.direction = Vector3{0.0f, 0.0f, 1.0f};  // a ray that hits nothing
    shade(&returned);
    EXPECT_EQ(returned, 0) << "disabled: the eye ray's own answer";
}

TEST_F(LensBokeh, PointsOnThePlaneOfFocusStaySharpOthersBlur) {
    int dummy;
    f.state.hit_object = &dummy;
    Color straight;
    for (float depth : {4.0f, 8.0f}) {
        SCOPED_TRACE(depth);
        scene(StripedPlane{depth});
        StripedPlane{depth}.trace(&straight, f.state.origin, f.state.direction);
        const Color seen = shade();
        const float error = std::fabs(seen.r - straight.r) + std::fabs(seen.g - straight.g);
        if (depth == p.focus_distance)
            EXPECT_LT(error, 1e-4f) << "radius " << p.lens_radius;
        else
            EXPECT_GT(error, 0.2f) << "a plane twice as far must blur";
    }
    EXPECT_EQ(null_hit_objects, static_cast<int>(lens_points.size())) << "hit object cleared before each ray";
}

TEST_F(LensBokeh, HexagonHasACornerOnTheCameraXAxisAndTurnsWithTheRotation) {
    scene(StripedPlane{4.0f});
    p.lens_radius = 1.0f;
    p.sample_count = 4096;
    p.aperture_sides = 6;
    // Rotation 0: corners at 0 and 180 degrees, flat-ish sides across the y
    // axis (cos 30 deg there, bulging to 0.874 at 75 deg).  A sixth of a half
    // turn puts corners on the y axis instead.
    for (float rotation : {0.0f, 1.0f / 6.0f}) {
        SCOPED_TRACE(rotation);
        p.aperture_rotation = rotation;
        lens_points.clear();
        shade();
        ASSERT_EQ(lens_points.size(), 4096u);
        float max_x = 0.0f, max_y = 0.0f, max_r = 0.0f;
        for (const Vector3 &l : lens_points) {
            max_x = std::max(max_x, std::fabs(l.x));
            max_y = std::max(max_y, std::fabs(l.y));
            max_r = std::max(max_r, std::hypot(l.x, l.y));
        }
        const float corner_axis = rotation == 0.0f ? max_x : max_y;
        const float side_axis = rotation == 0.0f ? max_y : max_x;
        EXPECT_GT(corner_axis, 0.98f);
        EXPECT_GT(side_axis, 0.85f);
        EXPECT_LT(side_axis, 0.88f);
        EXPECT_LE(max_r, 1.0f);
    }
}

TEST(Aperture, RadialBiasOneSpreadsSamplesEvenlyOverTheArea) {
    const ApertureShape disc = aperture_shape(1.0f, 1.0f, 0, 0.0f);
    const int n = 20000;
    int within_half = 0, within_08 = 0;
    for (int i = 0; i < n; ++i) {
        // Hammersley points: stratified in s1, base-2 radical inverse in s2.
        double s2 = 0.0, f = 0.5;
        for (unsigned k = static_cast<unsigned>(i); k; k >>= 1, f *= 0.5)
            s2 += (k & 1) * f;
        const LensOffset o = aperture_offset(disc, (i + 0.5) / n, s2);
        const double r = std::hypot(o.x, o.y);
        within_half += r < 0.5;
        within_08 += r < 0.8;
    }
    EXPECT_NEAR(within_half / double(n), 0.25, 0.005) << "area fraction of the inner half radius";
    EXPECT_NEAR(within_08 / double(n), 0.64, 0.005);
}

TEST_F(LensBokeh, BlackApertureSamplesAreSkippedAndGreyOnesWeighByLuminance) {
    const Color constant{0.2f, 0.4f, 0.6f, 1.0f};
    host().script.rx_trace_eye = [&](Color *c, ShadingState *, const Vector3 *o, const Vector3 *) {
        lens_points.push_back(*o);
        *c = constant;
        return Boolean{1};
    };
    int lookups = 0;
    host().script.rx_lookup_color_texture = [&](Color *c, ShadingState *, Tag t, const Vector3 *at) {
        ++lookups;
        EXPECT_EQ(t, 55u);
        const float g = at->x < 0.5f ? 0.0f : 0.5f;  // left half of the image closed
        *c = Color{g, g, g, 1.0f};
        return Boolean{1};
    };
    p.use_aperture_texture = 1;
    p.aperture_texture = 55;
    f.state.origin = Vector3{1.0f, 2.0f, 3.0f};
    const Color seen = shade();

    EXPECT_EQ(lookups, p.sample_count);
    EXPECT_GT(lens_points.size(), 16u);
    EXPECT_LT(lens_points.size(), 48u) << "only the open half traces";
    for (const Vector3 &l : lens_points)
        EXPECT_GE(l.x, f.state.origin.x) << "a ray from the closed half";
    // A constant scene seen through a grey aperture is the constant.
    EXPECT_NEAR(seen.r, constant.r, 1e-5f);
    EXPECT_NEAR(seen.g, constant.g, 1e-5f);
    EXPECT_NEAR(seen.b, constant.b, 1e-5f);
}
