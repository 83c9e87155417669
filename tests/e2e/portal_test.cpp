// A room lit through its window by the physical sky, rendered twice with the
// reference host: (a) with the sky alone, which reaches the back wall only
// through gather rays that leave by the window, and (b) with a portal light
// in the opening, which samples the window as an area light (gather rays
// find black at the portal, so its light is not counted twice).  Both must
// converge to the same image; at equal sample counts the portal must be far
// less noisy.  Only the back wall reflects light, so one bounce is the whole
// answer and the two estimators meet exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "daylight_support.h"

using namespace uvo_host;
using namespace uvo_host_test;

namespace {

constexpr int kWidth = 32, kHeight = 20;

struct Render {
    int samples = 1;        // per pixel
    int gather_rays = 1;    // per pixel sample, at the back wall
    int light_samples = 1;  // portal samples per pixel sample
    int seed = 0;
    const char *portal = R"({"visible": true})";  // the portal's parameters
};

std::string box(const char *name, float sx, float sy, float sz, float x, float y, float z, const char *material) {
    char text[512];
    std::snprintf(text, sizeof text,
                  R"({"name": "%s", "type": "box", "transform": {"scale": [%g, %g, %g], "translate": [%g, %g, %g]},
                      "material": %s})",
                  name, sx, sy, sz, x, y, z, material);
    return text;
}

// Room x in [-2, 2], y in [0, 2.5], z in [-2, 2], walls 0.1 thick outside it;
// window in the left wall, z in [-1.5, -0.3], y in [0.8, 2.0].  The camera
// sees only the back wall (z = -2), the one surface that is not black.
std::string room(bool portal, const Render &r) {
    const char *black = R"({"shader": "uvo_material", "params": {"diffuse_color": [0, 0, 0], "reflectivity": 0}})";
    const char *white =
        R"({"shader": "uvo_material", "params": {"diffuse_color": [0.8, 0.8, 0.8], "reflectivity": 0}})";
    std::string objects = box("floor", 4.2f, 0.1f, 4.2f, 0, -0.05f, 0, black) + "," +
                          box("ceiling", 4.2f, 0.1f, 4.2f, 0, 2.55f, 0, black) + "," +
                          box("back", 4.2f, 2.5f, 0.1f, 0, 1.25f, -2.05f, white) + "," +
                          box("front", 4.2f, 2.5f, 0.1f, 0, 1.25f, 2.05f, black) + "," +
                          box("right", 0.1f, 2.5f, 4.0f, 2.05f, 1.25f, 0, black) + "," +
                          box("below", 0.1f, 1.1f, 4.0f, -2.05f, 0.55f, 0, black) + "," +
                          box("above", 0.1f, 0.8f, 4.0f, -2.05f, 2.1f, 0, black) + "," +
                          box("behind", 0.1f, 0.6f, 0.8f, -2.05f, 1.4f, -1.6f, black) + "," +
                          box("before", 0.1f, 0.6f, 2.6f, -2.05f, 1.4f, 0.7f, black);
    std::string lights;
    if (portal)
        lights = R"(, "lights": [{"name": "window", "type": "rectangle", "size": [0.6, 0.6], "visible": true,
            "samples": )" + std::to_string(r.light_samples) +
                 R"(, "transform": {"look_at": {"from": [-2.1, 1.4, -0.9], "to": [0, 1.4, -0.9], "up": [0, 1, 0]}},
            "shader": {"shader": "uvo_portal_light", "params": )" +
                 r.portal + "}}]";
    return R"({"options": {"samples": )" + std::to_string(r.samples) + R"(, "seed": )" + std::to_string(r.seed) +
           R"(, "final_gather": true, "gather_rays": )" + std::to_string(r.gather_rays) +
           R"(, "max_depth": 3},
        "camera": {"resolution": [)" +
           std::to_string(kWidth) + ", " + std::to_string(kHeight) + R"(], "focal": 1, "aperture": 0.9,
            "transform": {"look_at": {"from": [0, 1.25, 1.9], "to": [0, 1.25, -2], "up": [0, 1, 0]}},
            "environment": {"shader": "uvo_physicalsky", "params": {"up_axis_y": true, "haze_level": 1,
                            "disc_brightness": 0, "sun_vector": [-0.6, 0.5, 0.3]}}},
        "objects": [)" +
           objects + "]" + lights + "}";
}

// Green channel of every pixel.
std::vector<double> render(const std::string &name, bool portal, const Render &r) {
    const std::string dir = scratch_dir(name);
    auto session = open_session(dir, room(portal, r), 2);
    session->render(false);
    const Image &frame = session->world().framebuffer;
    std::vector<double> green;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            green.push_back(frame.get(x, y).g);
    return green;
}

// Means of 4 x 4 pixel blocks.
std::vector<double> block_means(const std::vector<double> &image) {
    std::vector<double> means;
    for (int by = 0; by < kHeight; by += 4)
        for (int bx = 0; bx < kWidth; bx += 4) {
            double sum = 0.0;
            for (int y = by; y < by + 4; ++y)
                for (int x = bx; x < bx + 4; ++x)
                    sum += image[static_cast<size_t>(y * kWidth + x)];
            means.push_back(sum / 16.0);
        }
    return means;
}

double mean(const std::vector<double> &v) {
    double sum = 0.0;
    for (double x : v)
        sum += x;
    return sum / static_cast<double>(v.size());
}

// Per-pixel noise variance from two renders that differ only in their seed.
double noise_variance(const std::vector<double> &a, const std::vector<double> &b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum / (2.0 * static_cast<double>(a.size()));
}

}  // namespace

TEST(PortalLight, WindowSkyAndPortalAgreeAndThePortalIsLessNoisy) {
    // Converged: 1024 gather rays per pixel through the bare window against 64
    // portal samples per pixel.
    const std::vector<double> sky = render("portal_sky", false, {64, 64, 1, 1});
    const std::vector<double> portal = render("portal_portal", true, {16, 1, 4, 1});
    const double sky_mean = mean(sky), portal_mean = mean(portal);
    ASSERT_GT(sky_mean, 0.0) << "the sky lights the back wall through the window";
    // The portal weighs a sample by the window's size as seen from its centre,
    // which overestimates the window's projected solid angle by a few percent
    // at two to four window sizes: the wall's mean agrees within 10 percent
    // (a missing cosine, area or pi is far outside), and the light's shape
    // over the wall (4 x 4 block means over the wall's mean) within 6 percent
    // RMS, about twice the sky's own block noise.
    EXPECT_NEAR(portal_mean / sky_mean, 1.0, 0.1) << "sky " << sky_mean << ", portal " << portal_mean;
    const std::vector<double> sky_blocks = block_means(sky), portal_blocks = block_means(portal);
    double squares = 0.0;
    for (size_t i = 0; i < sky_blocks.size(); ++i)
        squares += std::pow((portal_blocks[i] / portal_mean) / (sky_blocks[i] / sky_mean) - 1.0, 2.0);
    const double shape = std::sqrt(squares / static_cast<double>(sky_blocks.size()));
    EXPECT_LT(shape, 0.08);

    // Turned to face out of the room, the portal answers 2 (no light) for the
    // whole wall, and the host adds nothing of its own.
    Render reversed{1, 1, 4, 1};
    reversed.portal = R"({"visible": true, "reverse_side": true})";
    EXPECT_EQ(mean(render("portal_reversed", true, reversed)), 0.0);

    // Equal sample counts, 4 rays towards the window per pixel: gather rays
    // through the opening against portal samples.
    const double sky_noise =
        noise_variance(render("portal_sky_1", false, {1, 4, 1, 11}), render("portal_sky_2", false, {1, 4, 1, 12}));
    const double portal_noise =
        noise_variance(render("portal_portal_1", true, {1, 1, 4, 11}), render("portal_portal_2", true, {1, 1, 4, 12}));
    EXPECT_GT(sky_noise, 4.0 * portal_noise) << "sky " << sky_mean << ", portal " << portal_mean << ", shape " << shape;
}
