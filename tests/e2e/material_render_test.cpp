// The material in real renders with the reference host: a white material
// under a uniform environment neither gains nor loses light (diffuse through
// the host's averaged radiance, mirror and glossy reflection with energy
// conservation), cut-outs show what lies behind, additional colour adds its
// positive channels, and ambient occlusion fades with distance from an
// occluder.  Light modes: see the light-list test.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "render_support.h"

using namespace uvo_host;
using uvo_host_test::render_in_process;
using uvo_host_test::scratch_dir;

namespace {

// Largest difference of any pixel's r, g, b from `value`, over the pixels
// that hit the object (alpha 1); where it is into `where`.
double worst_difference(const Image &image, float value, int *hits, std::string *where) {
    double worst = 0.0;
    *hits = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Color c = image.get(x, y);
            if (c.a < 1.0f)
                continue;
            ++*hits;
            for (float v : {c.r, c.g, c.b})
                if (std::abs(static_cast<double>(v) - value) > worst) {
                    worst = std::abs(static_cast<double>(v) - value);
                    *where = "pixel " + std::to_string(x) + ", " + std::to_string(y) + " = (" + std::to_string(c.r) +
                             ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
                }
        }
    return worst;
}

}  // namespace

TEST(MaterialRender, WhiteMaterialSphereVanishesInAUniformEnvironment) {
    const std::string dir = scratch_dir("furnace");
    // Diffuse only; diffuse and mirror reflection sharing the energy; the
    // same with glossy and anisotropic glossy reflection.
    struct Case {
        const char *params;
        double tolerance;
    };
    const Case cases[] = {
        {R"("reflectivity": 0)", 1e-4},
        {R"("reflectivity": 0.6, "reflection_glossiness": 1)", 1e-4},
        {R"("reflectivity": 0.8, "reflection_glossiness": 0.4, "reflection_samples": 4)", 1e-4},
        {R"("reflectivity": 0.8, "reflection_glossiness": 0.5, "anisotropy": 3, "reflection_samples": 4)", 1e-4},
        // Clear glass: Fresnel reflection and refraction through the sphere.
        // Near the silhouette light bounces inside longer than the ray depth
        // allows and a little is lost there (1 % at most).
        {R"("diffuse_weight": 0, "transparency": 1, "reflectivity": 1, "fresnel_from_ior": true,
            "refraction_ior": 1.5, "skip_internal_reflections": false)", 1e-2},
    };
    for (const Case &c : cases) {
        const char *params = c.params;
        const std::string scene = R"({"options": {"samples": 2, "gather_rays": 8},
            "camera": {"resolution": [24, 24], "transform": {"translate": [0, 0, 4]},
                       "environment": {"shader": "constant", "params": {"color": [0.5, 0.5, 0.5]}}},
            "objects": [{"type": "sphere", "radius": 1, "segments": 32,
                "material": {"shader": "uvo_material", "params": {"diffuse_color": [1, 1, 1], )" +
                                  std::string(params) + "}}}]}";
        const Image image = render_in_process(dir, scene);
        int hits = 0;
        std::string where;
        const double worst = worst_difference(image, 0.5f, &hits, &where);
        EXPECT_GT(hits, 100) << params;
        EXPECT_LT(worst, c.tolerance) << params << ": " << where << " differs from the environment by " << worst;
    }
}

TEST(MaterialRender, AWhiteMaterialUnderAHostLampMatchesLambertsClosedForm) {
    // A white diffuse floor under a point light of intensity 8 at height 2,
    // seen from above, black environment: radiance E / pi = I / (pi h^2)
    // straight below the light (Lambert's: Render.PointLightMatchesInverseSquareCosineLaw).
    const std::string scene = "{" + uvo_host_test::top_camera(2.0, 5) + R"(, "options": {"samples": 4},
        "lights": [{"name": "bulb", "type": "point", "intensity": 8, "transform": {"translate": [0, 2, 0]}}],
        "objects": [{"type": "plane", "size": 40, "material": {"shader": "uvo_material",
                     "params": {"diffuse_color": [1, 1, 1], "reflectivity": 0}}}]})";
    const double expected = 8.0 / 4.0 / std::numbers::pi;
    EXPECT_NEAR(render_in_process(scratch_dir("lamp"), scene).get(2, 2).g, expected, 0.02 * expected);
}

TEST(MaterialRender, CutOutShowsWhatLiesBehindAndAdditionalColourAddsItsPositiveChannels) {
    // A black material panel at height 1 over a red floor, seen from above.
    auto render = [](const std::string &name, const std::string &panel_params) {
        const std::string scene = "{" + uvo_host_test::top_camera(1.0, 4) + R"(, "options": {"samples": 2},
            "objects": [{"type": "plane", "size": 10,
                         "material": {"shader": "constant", "params": {"color": [1, 0, 0]}}},
                        {"type": "plane", "size": 4, "transform": {"translate": [0, 1, 0]},
                         "material": {"shader": "uvo_material_x", "params": {"diffuse_weight": 0, "reflectivity": 0, )" +
                                  panel_params + "}}}]}";
        return render_in_process(scratch_dir("cutout_" + name), scene).get(1, 2);
    };
    // Fully cut out: the ray continues to the floor.
    const Color gone = render("gone", R"("cutout_opacity": 0)");
    EXPECT_FLOAT_EQ(gone.r, 1.0f);
    EXPECT_EQ(gone.g, 0.0f);
    // Half cut out: half of the floor through the transparency ray.
    const Color half = render("half", R"("cutout_opacity": 0.5)");
    EXPECT_NEAR(half.r, 0.5f, 1e-6f);
    EXPECT_NEAR(half.a, 1.0f, 1e-6f);
    // Additional colour: negative channels are not subtracted.
    const Color added = render("added", R"("additional_color": [0.2, -1, 0.1])");
    EXPECT_NEAR(added.r, 0.2f, 1e-6f);
    EXPECT_EQ(added.g, 0.0f);
    EXPECT_NEAR(added.b, 0.1f, 1e-6f);
}

TEST(MaterialRender, AmbientOcclusionDarkensOnlyNearOccluders) {
    // A white floor with ambient occlusion (reach 0.5, white ambient, black
    // dark colour, no gathered light) and a box standing on it at x < 0.
    const std::string scene = R"({"options": {"samples": 4},
        "camera": {"resolution": [16, 4], "orthographic": true, "aperture": 4,
                   "transform": {"look_at": {"from": [0, 5, 0], "to": [0, 0, 0], "up": [0, 0, -1]}}},
        "objects": [{"type": "plane", "size": 10,
                     "material": {"shader": "uvo_material", "params": {"diffuse_color": [1, 1, 1], "reflectivity": 0,
                         "indirect_multiplier": 0, "ao_mode": 1, "ao_samples": 16, "ao_distance": 0.5,
                         "ao_dark_color": [0, 0, 0], "ao_ambient_color": [1, 1, 1]}}},
                    {"type": "box", "size": 2, "transform": {"translate": [-2, 0, 0]},
                     "material": {"shader": "constant", "params": {"color": [0, 0, 1]}}}]})";
    const Image image = render_in_process(scratch_dir("ao"), scene);
    // Pixel columns: 0.25 units each from x = -2; the box covers x < -1
    // (columns 0 to 3).  Far from the box the floor is fully open.
    for (int x = 10; x < 16; ++x)
        EXPECT_FLOAT_EQ(image.get(x, 1).g, 1.0f) << "column " << x << ": nothing within reach";
    // Next to the box it is darker, and the darkening fades with distance.
    std::string row;
    for (int x = 0; x < 16; ++x)
        row += std::to_string(image.get(x, 1).g) + " ";
    EXPECT_LT(image.get(4, 1).g, 0.95f) << row;
    for (int x = 5; x < 10; ++x)
        EXPECT_LE(image.get(x - 1, 1).g, image.get(x, 1).g + 1e-6f) << "column " << x << ": " << row;
    EXPECT_LT(image.get(4, 1).g, image.get(6, 1).g) << row;
    EXPECT_EQ(image.get(1, 1).r, 0.0f) << "the box itself";
}

TEST(MaterialRender, TheMaterialSceneRendersCleanly) {
    // The example scene through the command line, tiny: every host function
    // the material, its bump shaders and connections reach is there (a
    // missing one is reported on stderr), nothing is warned about, and the
    // lights light it.
    const std::string dir = scratch_dir("scene");
    const auto result = uvo_host_test::run_render(std::string(UVO_SOURCE_DIR) + "/scenes/material.json -o " + dir +
                                                  "/material --width 60 --height 40 --samples 1");
    ASSERT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output.find("dlsym failed"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("warning"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("error"), std::string::npos) << result.output;
    const Image image = read_image(dir + "/material.exr");
    ASSERT_EQ(image.width, 60);
    EXPECT_GT(uvo_host_test::mean_channel(image, 1), 0.1) << "lit";
    EXPECT_LT(uvo_host_test::mean_channel(image, 1), 2.0);
}
