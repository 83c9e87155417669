// The lens bokeh and the environment blur rendered by the reference host.
// (a) One small bright sphere far behind the plane of focus: its bokeh must
// have the area the thin lens predicts for the six-bladed aperture, and be
// wider along x than along y (a corner on the camera's x axis; the shape
// itself: see the unit tests).  (b) An environment blur of a constant
// environment returns that constant at every blur.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "render_support.h"

using namespace uvo_host;
using namespace uvo_host_test;

namespace {

constexpr int kSize = 96;                       // square frame, pixels
constexpr double kFocus = 2.0, kLight = 8.0;    // distances in front of the camera
constexpr double kLensRadius = 0.4;             // the light sphere (radius 0.12) is small beside its bokeh

const char *kBokehScene = R"({"options": {"samples": 16, "max_depth": 1},
        "camera": {"resolution": [96, 96], "focal": 1, "aperture": 1,
            "lens": [{"shader": "uvo_lens_bokeh", "params": {"focus_distance": 2, "lens_radius": 0.4,
                      "sample_count": 64, "radial_bias": 1, "aperture_sides": 6}}]},
        "objects": [{"name": "light", "type": "sphere", "radius": 0.12, "segments": 32,
                     "transform": {"translate": [0, 0, -8]},
                     "material": {"shader": "constant", "params": {"color": [100, 100, 100]}}}]})";

struct Bokeh {
    int area = 0;           // pixels above half the plateau
    int width = 0, height = 0;  // extent of those pixels along x and y
};

Bokeh measure() {
    auto session = open_session(scratch_dir("bokeh"), kBokehScene, 2);
    session->render(false);
    const Image &frame = session->world().framebuffer;
    // The plateau: the mean of the 7 x 7 pixels round the centre, where the
    // on-axis light's bokeh is; the brightest single pixel would be noise.
    float peak = 0;
    for (int y = kSize / 2 - 3; y <= kSize / 2 + 3; ++y)
        for (int x = kSize / 2 - 3; x <= kSize / 2 + 3; ++x)
            peak += frame.get(x, y).g / 49.0f;
    Bokeh b;
    int x0 = kSize, x1 = -1, y0 = kSize, y1 = -1;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (frame.get(x, y).g > 0.5f * peak) {
                ++b.area;
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    b.width = x1 - x0 + 1;
    b.height = y1 - y0 + 1;
    return b;
}

// Area in pixels of the bokeh of an on-axis point at kLight: rays from the
// lens through the focus point meet it from focal-plane points up to
// R (zo - zf) / zo off axis, the circumradius of a regular hexagon of area
// 3 sqrt(3) / 2 r^2.
double predicted_area() {
    const double pixel = 1.0 * kFocus / kSize;  // aperture / focal x distance / width
    const double radius = kLensRadius * (kLight - kFocus) / kLight / pixel;
    return 1.5 * std::sqrt(3.0) * radius * radius;
}

std::string envblur_scene(double blur) {
    return R"({"options": {"samples": 1},
        "camera": {"resolution": [12, 8], "focal": 1, "aperture": 2,
            "environment": {"shader": "uvo_envblur", "params": {
                "environment_shader": {"shader": "constant", "params": {"color": [0.3, 0.5, 0.7]}},
                "blur_amount": )" +
           std::to_string(blur) + R"(, "map_resolution": 32}}}, "objects": []})";
}

}  // namespace

TEST(LensBokeh, OutOfFocusLightIsAHexagonOfThePredictedArea) {
    const Bokeh hexagon = measure();
    const double predicted = predicted_area();
    EXPECT_NEAR(hexagon.area, predicted, 0.1 * predicted)
        << "measured " << hexagon.area << " px, predicted " << predicted << " px, extent " << hexagon.width << " x "
        << hexagon.height;
    EXPECT_GT(hexagon.width, hexagon.height) << "a corner on x, a flat side on y";
}

TEST(EnvBlur, ConstantEnvironmentStaysConstantAtEveryBlur) {
    // One blur through the host's images (every blur: see the unit tests).
    auto session = open_session(scratch_dir("envblur_constant"), envblur_scene(2.0), 2);
    session->render(false);
    const Image &frame = session->world().framebuffer;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const Color c = frame.get(x, y);
            ASSERT_NEAR(c.r, 0.3f, 1e-5f) << "at " << x << ", " << y;
            ASSERT_NEAR(c.g, 0.5f, 1e-5f) << "at " << x << ", " << y;
            ASSERT_NEAR(c.b, 0.7f, 1e-5f) << "at " << x << ", " << y;
        }
}
