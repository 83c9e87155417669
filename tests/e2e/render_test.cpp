// End-to-end renders in-process with the real shader library: direct light
// from point and rectangle lights against closed forms, shadows through
// surfaces that let light pass, the light surface as a visible lamp, shaders
// and image textures through connections, and determinism across thread
// counts.  Furnace renders: see the material-render tests.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "render_support.h"

using namespace uvo_host;
using uvo_host_test::mean_channel;
using uvo_host_test::render_in_process;
using uvo_host_test::scratch_dir;
using uvo_host_test::top_camera;

namespace {

const double kPi = std::numbers::pi;

// A white Lambert floor that only sees direct light.
const char *kFloor = R"({"name": "floor", "type": "plane", "size": 40,
    "material": {"shader": "lambert", "params": {"diffuse": [1, 1, 1], "samples": 0}}})";

Color pixel(const Image &image, int x, int y) { return image.get(x, y); }

}  // namespace

TEST(Render, PointLightMatchesInverseSquareCosineLaw) {
    const std::string dir = scratch_dir("point");
    const double intensity = 8.0, h = 2.0;
    const std::string scene = "{" + top_camera(2.0, 5) +
                              R"(, "options": {"samples": 64},
        "lights": [{"name": "bulb", "type": "point", "intensity": 8, "transform": {"translate": [0, 2, 0]}}],
        "objects": [)" + kFloor + "]}";
    const Image image = render_in_process(dir, scene);
    // Centre pixel: E = I / h^2, radiance E / pi (the pixel's footprint of
    // 0.4 x 0.4 units lowers its average by about 1 %).
    const double centre = intensity / (kPi * h * h);
    EXPECT_NEAR(pixel(image, 2, 2).g, centre * 0.99, centre * 0.01);
    // Corner pixel centre at (+-0.8, 0, +-0.8): E = I h / d^3 there (the
    // footprint average stays within 1 % of it).
    const double d = std::sqrt(0.8 * 0.8 * 2 + h * h);
    const double corner = intensity * h / (d * d * d) / kPi;
    EXPECT_NEAR(pixel(image, 0, 0).g, corner, corner * 0.01);
}

TEST(Render, LightShaderDecidesTheLightsColourAndShadow) {
    const std::string dir = scratch_dir("light_shader");
    // The light's shader replaces the host's colour: a constant 2 whatever
    // the distance, and no shadow since it traces none.
    const std::string scene = "{" + top_camera(0.01, 1) + R"(, "options": {"samples": 1},
        "lights": [{"name": "bulb", "type": "point", "intensity": 8, "transform": {"translate": [0, 2, 0]},
                    "shader": {"shader": "constant", "params": {"color": [2, 1, 0.5]}}}],
        "objects": [)" + std::string(kFloor) + R"(, {"type": "plane", "size": 0.2, "transform": {"translate": [0.25, 1, 0]},
            "material": "lambert"}]})";
    // Look at the floor at (0.5, 0, 0), whose line to the light crosses the
    // small Lambert blocker.
    std::string beside = scene;
    const std::string centre = R"("from": [0, 5, 0], "to": [0, 0, 0])";
    beside.replace(beside.find(centre), centre.size(), R"("from": [0.5, 5, 0], "to": [0.5, 0, 0])");
    const Image image = render_in_process(dir, beside);
    // At (0.5, 0, 0) the light arrives at cos = 2 / sqrt(4.25); a light
    // shader's answer is already the irradiance over pi: radiance colour cos.
    const double c = 2.0 / std::sqrt(4.25);
    EXPECT_NEAR(pixel(image, 0, 0).r, 2.0 * c, 2e-3);
    EXPECT_NEAR(pixel(image, 0, 0).b, 0.5 * c, 2e-3);
}

TEST(Render, RectangleLightMatchesItsFormFactor) {
    const std::string dir = scratch_dir("rectangle");
    const double radiance = 5.0, a = 1.0, b = 0.5, h = 1.0;
    const std::string scene = "{" + top_camera(0.01, 1) +
                              R"(, "options": {"samples": 64},
        "lights": [{"name": "panel", "type": "rectangle", "size": [1, 0.5], "intensity": 5, "samples": 4,
                    "transform": {"look_at": {"from": [0, 1, 0], "to": [0, 0, 0], "up": [0, 0, -1]}}}],
        "objects": [)" + kFloor + "]}";
    const Image image = render_in_process(dir, scene);
    // Point below the centre of an a x b rectangle at height h: four corner
    // quadrants of A x B, each with form factor
    //   F = (A/sqrt(A^2+h^2) atan(B/sqrt(A^2+h^2)) + B/sqrt(B^2+h^2) atan(A/sqrt(B^2+h^2))) / (2 pi);
    // a white Lambert floor then has radiance L * 4F.
    const double A = a / 2, B = b / 2;
    const double ra = std::sqrt(A * A + h * h), rb = std::sqrt(B * B + h * h);
    const double F = (A / ra * std::atan(B / ra) + B / rb * std::atan(A / rb)) / (2 * kPi);
    EXPECT_NEAR(pixel(image, 0, 0).r, radiance * 4 * F, radiance * 4 * F * 0.02);
}

TEST(Render, ShadowRaysStopAtLambertAndPassTheLightSurface) {
    const std::string dir = scratch_dir("shadow");
    // Light off to the side, a small blocker half way to the floor's centre,
    // outside the camera's view.
    auto scene = [](const std::string &mode, const std::string &blocker_material) {
        return "{" + top_camera(0.2, 3) + R"(, "options": {"samples": 1, "shadow": ")" + mode + R"("},
            "lights": [{"name": "bulb", "type": "point", "intensity": 8, "transform": {"translate": [2, 2, 0]}}],
            "objects": [)" + std::string(kFloor) +
               R"(, {"type": "plane", "size": 0.4, "transform": {"rotate": [0, 0, 1, -45], "translate": [1, 1, 0]},
                     "material": )" + blocker_material + "}]}";
    };
    const double lit = 8.0 / 8.0 * std::cos(kPi / 4) / kPi;  // I cos(45) / d^2 / pi with d^2 = 8
    for (const char *mode : {"on", "sorted", "segments"}) {
        const Image blocked = render_in_process(dir, scene(mode, R"({"shader": "lambert"})"));
        EXPECT_EQ(pixel(blocked, 1, 1).r, 0.0f) << mode << ": a Lambert surface is opaque to shadow rays";
        const Image passed = render_in_process(
            dir, scene(mode, R"({"shader": "uvo_light_surface", "params": {"surface_intensity": 0}})"));
        EXPECT_NEAR(pixel(passed, 1, 1).r, lit, 0.01) << mode << ": the light surface lets shadow rays through";
    }
    const Image off = render_in_process(dir, scene("off", R"({"shader": "lambert"})"));
    EXPECT_NEAR(pixel(off, 1, 1).r, lit, 0.01) << "no shadows at all";
}

TEST(Render, LightSurfaceGlowsWithItsColourAndSampledLightOutput) {
    const std::string dir = scratch_dir("light_surface");
    // A panel facing the camera, shaded by the library's uvo_light_surface.
    auto scene = [](const std::string &params) {
        return "{" + top_camera(0.01, 1) + R"(, "options": {"samples": 1},
            "lights": [{"name": "bulb", "type": "point", "intensity": 4, "transform": {"translate": [0, 3, 0]}}],
            "objects": [{"type": "plane", "size": 2,
                         "material": {"shader": "uvo_light_surface", "params": )" +
               params + "}}]}";
    };
    // Its colour x intensity, + colour * sample / pi of the light's output,
    // sampled from the point, whose sample is the irradiance over pi, (I / d^2) / pi.
    const Image sampled = render_in_process(
        dir, scene(R"({"surface_color": [1, 0.5, 0.25], "surface_intensity": 3, "add_light_output": true,
                       "lights": ["bulb"]})"));
    EXPECT_NEAR(pixel(sampled, 0, 0).r, 3.0 + 4.0 / 9.0 / (kPi * kPi), 1e-3);
    EXPECT_NEAR(pixel(sampled, 0, 0).b, 0.75 + 0.25 * 4.0 / 9.0 / (kPi * kPi), 1e-3);
}

TEST(Render, LibraryShaderReadsConnectedParametersThroughTheHost) {
    const std::string dir = scratch_dir("library_connection");
    // uvo_light_surface's colour fed by the host's checker: the library's
    // evaluation protocol finds the connection flag and asks rx_phen_eval.
    const std::string scene = "{" + top_camera(2.0, 4) + R"(, "options": {"samples": 2},
        "objects": [{"type": "plane", "size": 2, "material": {"shader": "uvo_light_surface", "params": {
            "surface_intensity": 2,
            "surface_color": {"shader": "checker", "params": {"color1": [1, 0, 0], "color2": [0, 0, 1],
                                                              "scale": 2}}}}}]})";
    const Image image = render_in_process(dir, scene);
    // Bottom row is v near 0: u < 1/2 is checker cell 0 (color1), u > 1/2 cell 1.
    EXPECT_NEAR(pixel(image, 0, 3).r, 2.0f, 1e-5);
    EXPECT_NEAR(pixel(image, 0, 3).b, 0.0f, 1e-5);
    EXPECT_NEAR(pixel(image, 3, 3).r, 0.0f, 1e-5);
    EXPECT_NEAR(pixel(image, 3, 3).b, 2.0f, 1e-5);
    EXPECT_NEAR(pixel(image, 3, 0).r, 2.0f, 1e-5) << "cell 2 is color1 again";
}

TEST(Render, ImageTexturesShadeTheSurface) {
    const std::string dir = scratch_dir("texture");
    // A 2x2 texture whose texels average to a known colour; a full period of
    // a bilinear, repeating look-up keeps that average.
    Image texels(2, 2);
    texels.put(0, 0, Color{1, 0, 0, 1});
    texels.put(1, 0, Color{0, 1, 0, 1});
    texels.put(0, 1, Color{0, 0, 1, 1});
    texels.put(1, 1, Color{1, 1, 1, 1});
    write_exr(dir + "/tex.exr", texels, {});
    // Under a white uniform environment a Lambert surface shows its diffuse
    // colour exactly.
    auto lit = [&](const std::string &diffuse) {
        return render_in_process(dir, "{" + top_camera(2.0, 32, R"(, "environment": {"shader": "constant",
            "params": {"color": [1, 1, 1]}})") + R"(, "options": {"samples": 4}, "objects": [{"type": "plane",
            "size": 2, "material": {"shader": "lambert", "params": {"samples": 1, "diffuse": )" + diffuse + "}}}]}");
    };
    write_png(dir + "/tex.png", texels);
    for (const char *file : {"tex.exr", "tex.png"}) {
        const Image image =
            lit(std::string(R"({"shader": "image_texture", "params": {"file": ")") + file + "\"}}");
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(mean_channel(image, c), 0.5, 0.02) << file << " channel " << c;
        // Texel centres: the image's top left quarter is u < 1/2, v > 1/2, the
        // texture's top row.
        // Two texels place the texture: every flip or turn moves one of them.
        EXPECT_GT(pixel(image, 8, 8).r, 0.9f) << file << ": red";
        EXPECT_LT(pixel(image, 8, 8).b, 0.1f) << file << ": red";
        EXPECT_GT(pixel(image, 8, 24).b, 0.9f) << file << ": blue";
    }

}

TEST(Render, SameSceneSameImageWhateverTheThreads) {
    const std::string dir = scratch_dir("determinism");
    const std::string scene = R"({"options": {"samples": 3, "tile_size": 5},
        "camera": {"resolution": [24, 18], "transform": {"translate": [0, 1, 4]},
                   "environment": {"shader": "constant", "params": {"color": [0.2, 0.3, 0.4]}}},
        "lights": [{"name": "panel", "type": "rectangle", "size": [1, 1], "intensity": 4, "samples": 3,
                    "transform": {"look_at": {"from": [0, 3, 0], "to": [0, 0, 0], "up": [0, 0, -1]}}}],
        "objects": [{"type": "plane", "size": 10, "material": {"shader": "lambert",
                         "params": {"samples": 2, "indirect": true}}},
                    {"type": "sphere", "radius": 0.7, "transform": {"translate": [0, 0.7, 0]},
                     "material": {"shader": "lambert", "params": {"diffuse": [0.8, 0.2, 0.2], "samples": 3}}}]})";
    const Image one = render_in_process(dir, scene, 1);
    const Image two = render_in_process(dir, scene, 2);
    const Image three = render_in_process(dir, scene, 3);
    ASSERT_EQ(one.rgba.size(), two.rgba.size());
    size_t differing = 0;
    for (size_t i = 0; i < one.rgba.size(); ++i)
        differing += one.rgba[i] != two.rgba[i] || one.rgba[i] != three.rgba[i];
    EXPECT_EQ(differing, 0u) << "values differ between 1, 2 and 3 threads";
    EXPECT_GT(mean_channel(one, 0), 0.05) << "the scene is lit";
}
