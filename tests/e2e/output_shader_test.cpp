// Output shaders in real renders: one pass over every pixel whose writes are
// what uvo-render saves as PNG (the EXR keeps the frame as rendered), source
// textures the size of the render, and SIGINT turning into the abort flag
// (uvo-render interrupted: see the interrupt tests).  The pass itself
// (order, progress, abort) is tested against the test host.
#include <gtest/gtest.h>


#include <csignal>

#include "render/camera_shaders.h"
#include "camera_shader_support.h"

using namespace uvo_host;
using namespace uvo_host_test;

namespace {

// A PNG value read back (read_image takes PNG as sRGB and linearises it) as
// its 8-bit code.
double srgb_code(float linear) { return linear_to_srgb(linear) * 255.0; }

const char *kHalfGain = R"(, "output": [{"shader": "uvo_exposure_simple",
    "params": {"exposure_gain": 0.5, "output_gamma": 1.0}}])";

}  // namespace

TEST(OutputShader, SeesEveryPixelAndItsWritesLandInThePng) {
    const std::string dir = scratch_dir("every_pixel");
    write_file(dir + "/scene.json", lit_ball_scene(kHalfGain, 2, 12, 8));
    const CommandResult run = run_render("-v 3 " + dir + "/scene.json -o " + dir + "/out");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    const Image raw = read_image(dir + "/out.exr");
    const Image png = read_image(dir + "/out.png");
    ASSERT_EQ(raw.width, 12);
    ASSERT_EQ(png.width, 12);
    // The EXR holds the frame as rendered, the PNG half of it, stored as
    // display values (no sRGB encoding on top of the output shader's): a
    // pixel the pass skipped would show the raw value.
    for (int y = 0; y < raw.height; ++y)
        for (int x = 0; x < raw.width; ++x) {
            const Color r = raw.get(x, y), p = png.get(x, y);
            const float rc[3] = {r.r, r.g, r.b}, pc[3] = {p.r, p.g, p.b};
            for (int k = 0; k < 3; ++k) {
                ASSERT_GT(rc[k], 0.05f) << "every raw pixel is lit, pixel " << x << "," << y;
                EXPECT_NEAR(srgb_code(pc[k]), 0.5 * rc[k] * 255.0, 0.51)
                    << "pixel " << x << "," << y << " channel " << k << " raw " << rc[k];
            }
        }
    // Progress messages of the pass reach the log at verbosity 3.
    EXPECT_NE(run.output.find("uvo_exposure_simple: 87 percent"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("after the output shaders"), std::string::npos) << run.output;
}

TEST(OutputShader, SourceTextureOfTheRendersSizeMapsPixelForPixelUpright) {
    const std::string dir = scratch_dir("source_texture");
    // A texture whose pixels tell where they are: red the column, green the row.
    Image texture(8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            texture.put(x, y, Color{(x + 0.5f) / 8.0f, (y + 0.5f) / 6.0f, 0.25f, 1.0f});
    write_exr(dir + "/texture.exr", texture, {});
    const std::string params = R"({"shader": "uvo_exposure_simple", "params": {"output_gamma": 1.0,
        "use_source_texture": true, "source_texture": "texture.exr"}})";
    for (const char *where : {"output", "lens"}) {
        RenderSession session(
            session_options(dir, lit_ball_scene(std::string(", \"") + where + "\": [" + params + "]", 3, 8, 6)));
        session.render(false);
        const Image &image = session.world().framebuffer;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                const Color c = image.get(x, y), t = texture.get(x, y);
                EXPECT_NEAR(c.r, t.r, 1e-6) << where << ": pixel " << x << "," << y;
                EXPECT_NEAR(c.g, t.g, 1e-6) << where << ": pixel " << x << "," << y;
                EXPECT_NEAR(c.b, t.b, 1e-6) << where << ": pixel " << x << "," << y;
            }
    }
}
