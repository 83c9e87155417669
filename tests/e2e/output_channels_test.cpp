// The material's output channels in the reference host: with multiple_outputs
// on, the host hands uvo_material_x a whole output record only when the
// camera asks for channels (and says so through query 160), and the channels
// come out as EXR layers whose additive terms sum to the beauty.  Bad
// channel lists: see the scene-loading tests.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camera_shader_support.h"

using uvo_host::Image;
using uvo_host::read_image;
using uvo_host_test::read_exr_layer;
using uvo_host_test::run_render;
using uvo_host_test::scratch_dir;
using uvo_host_test::write_file;

namespace {

// A glossy, partly transparent plate over a floor under a rectangle lamp:
// direct light, highlights, reflection, refraction and indirect light all
// show.  `outputs` is the camera's list (JSON), or empty for none.
std::string scene(const std::string &outputs) {
    return R"({"options": {"samples": 2, "final_gather": true, "gather_rays": 4},
    "camera": {"resolution": [24, 16], "transform": {"look_at": {"from": [0, 3, 3], "to": [0, 0, 0]}},
               "environment": {"shader": "constant", "params": {"color": [0.4, 0.5, 0.6]}})" +
           (outputs.empty() ? "" : ", \"outputs\": " + outputs) + R"(},
    "lights": [{"name": "lamp", "type": "rectangle", "size": [1, 1], "intensity": 5, "samples": 2,
                "transform": {"look_at": {"from": [0, 3, 0], "to": [0, 0, 0], "up": [0, 0, -1]}}}],
    "objects": [{"type": "plane", "size": 20, "transform": {"translate": [0, -0.5, 0]}},
                {"type": "plane", "size": 30, "material": {"shader": "uvo_material_x", "params": {
                    "multiple_outputs": true, "lights": ["lamp"], "reflectivity": 0.5, "reflection_glossiness": 0.6,
                    "reflection_samples": 2, "transparency": 0.3, "refraction_samples": 2,
                    "translucency_enable": true, "translucency_weight": 0.2}}}]})";
}

}  // namespace

TEST(OutputChannels, AdditiveChannelsSumToTheBeauty) {
    const std::string dir = scratch_dir("output_channels");
    const std::vector<std::string> additive = {"indirect", "direct_diffuse", "highlight", "translucency",
                                               "reflection", "refraction", "cutout"};
    std::string list = "[\"result\", \"irradiance\"";
    for (const std::string &name : additive)
        list += ", \"" + name + "\"";
    list += "]";
    write_file(dir + "/channels.json", scene(list));
    const auto run = run_render(dir + "/channels.json -o " + dir + "/channels -t 2");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    const Image beauty = read_image(dir + "/channels.exr");
    std::vector<Image> terms;
    for (const std::string &name : additive) {
        terms.push_back(read_exr_layer(dir + "/channels.exr", name));
        ASSERT_EQ(terms.back().width, beauty.width) << "layer " << name;
    }
    const Image result = read_exr_layer(dir + "/channels.exr", "result");
    ASSERT_EQ(result.width, beauty.width);

    // The main terms show somewhere, so the sum is no accident of zeros
    // (translucency and the cut-out stay dark here).
    for (size_t k = 0; k < terms.size(); ++k) {
        if (additive[k] == "translucency" || additive[k] == "cutout")
            continue;
        double total = 0;
        for (float v : terms[k].rgba)
            total += std::fabs(v);
        EXPECT_GT(total, 0.0) << additive[k] << " is black everywhere";
    }
    int hits = 0;
    for (int y = 0; y < beauty.height; ++y)
        for (int x = 0; x < beauty.width; ++x) {
            const Color b = beauty.get(x, y);
            const Color r = result.get(x, y);
            EXPECT_EQ(r.r, b.r) << "result channel vs beauty at " << x << ", " << y;
            hits += r.a > 0.0f;
            const float beauty_rgb[3] = {b.r, b.g, b.b};
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (const Image &term : terms)
                    sum += term.rgba[(static_cast<size_t>(y) * beauty.width + x) * 4 + c];
                // Float rounding of a sum of seven terms, averaged over samples.
                ASSERT_NEAR(sum, beauty_rgb[c], 1e-5 * (1.0 + std::fabs(beauty_rgb[c])))
                    << "channel " << c << " at " << x << ", " << y;
            }
        }
    EXPECT_GT(hits, beauty.width * beauty.height / 2) << "the plate fills most of the frame";

    // Without channels the material shades into a private record: same
    // beauty, and the host never lets it write more than a colour.
    write_file(dir + "/plain.json", scene(""));
    const auto plain = run_render(dir + "/plain.json -o " + dir + "/plain -t 2");
    ASSERT_EQ(plain.exit_code, 0) << plain.output;
    EXPECT_TRUE(read_image(dir + "/plain.exr").rgba == beauty.rgba) << "asking for channels changed the beauty";
}
