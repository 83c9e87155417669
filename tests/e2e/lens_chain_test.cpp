// Lens shaders in real renders: a chain of two lens shaders (the first of the
// list outermost), uvo_exposure_simple as the only lens, and
// uvo_exposure_photographic keeping the untransformed colours in a named user
// frame buffer while the main image is tone-mapped.
#include <gtest/gtest.h>

#include <cmath>

#include "camera_shader_support.h"
#include "render/framebuffers.h"
#include "scene_loader.h"

using namespace uvo_host;
using namespace uvo_host_test;

namespace {

std::string simple_lens(double offset, double gain, double gamma) {
    return R"({"shader": "uvo_exposure_simple", "params": {"black_offset": )" + std::to_string(offset) +
           R"(, "exposure_gain": )" + std::to_string(gain) + R"(, "output_gamma": )" + std::to_string(gamma) + "}}";
}

Image render(const std::string &dir, const std::string &text) { return render_in_process(dir, text, 2); }

}  // namespace

TEST(LensChain, TwoLensShadersApplyTheFirstListedOutermost) {
    const std::string dir = scratch_dir("lens_chain");
    const std::string offset = simple_lens(0.1, 1.0, 1.0), doubling = simple_lens(0.0, 2.0, 1.0);
    // Both maps are affine on positive colours, so they commute with the
    // average over a pixel's samples: any sample count gives exact pixels.
    const Image base = render(dir, lit_ball_scene("", 3));
    const Image offset_first =
        render(dir, lit_ball_scene(R"(, "lens": [)" + offset + ", " + doubling + "]", 3));
    const Image doubling_first =
        render(dir, lit_ball_scene(R"(, "lens": [)" + doubling + ", " + offset + "]", 3));
    ASSERT_EQ(base.width, 16);
    for (int y = 0; y < base.height; ++y)
        for (int x = 0; x < base.width; ++x) {
            const Color c = base.get(x, y), a = offset_first.get(x, y), b = doubling_first.get(x, y);
            const float raw[3] = {c.r, c.g, c.b}, outer_offset[3] = {a.r, a.g, a.b}, outer_gain[3] = {b.r, b.g, b.b};
            for (int k = 0; k < 3; ++k) {
                // offset(doubling(c)) = 2c + 0.1; doubling(offset(c)) = 2c + 0.2.
                EXPECT_NEAR(outer_offset[k], 2.0 * raw[k] + 0.1, 2e-6 * (1 + raw[k]))
                    << "pixel " << x << "," << y << " channel " << k << " raw " << raw[k];
                EXPECT_NEAR(outer_gain[k], 2.0 * raw[k] + 0.2, 2e-6 * (1 + raw[k]))
                    << "pixel " << x << "," << y << " channel " << k << " raw " << raw[k];
            }
            EXPECT_EQ(a.a, c.a) << "alpha is never mapped, pixel " << x << "," << y;
        }
}

TEST(LensChain, SimpleExposureAsTheOnlyLensMapsEveryCameraSample) {
    const std::string dir = scratch_dir("simple_lens");
    // One sample per pixel: the mapping (gain, then the square root of the
    // gamma) applies to the pixel itself.
    const Image base = render(dir, lit_ball_scene("", 1));
    const Image mapped = render(dir, lit_ball_scene(R"(, "lens": [)" + simple_lens(0.0, 1.5, 2.0) + "]", 1));
    int lit = 0;
    for (int y = 0; y < base.height; ++y)
        for (int x = 0; x < base.width; ++x) {
            const Color c = base.get(x, y), m = mapped.get(x, y);
            EXPECT_NEAR(m.r, std::sqrt(1.5 * c.r), 1e-5) << "pixel " << x << "," << y << " raw " << c.r;
            EXPECT_NEAR(m.g, std::sqrt(1.5 * c.g), 1e-5) << "pixel " << x << "," << y << " raw " << c.g;
            EXPECT_NEAR(m.b, std::sqrt(1.5 * c.b), 1e-5) << "pixel " << x << "," << y << " raw " << c.b;
            lit += c.r > 0.35f ? 1 : 0;  // brighter than the environment: the ball
        }
    EXPECT_GT(lit, 4) << "the ball must be in view for the test to mean anything";
}

TEST(LensChain, PhotographicRawModeKeepsUntransformedColoursInTheNamedBuffer) {
    const std::string dir = scratch_dir("photographic_raw");
    // The raw buffer is the second one declared, so finding it by name
    // matters; the first stays untouched.  Giving its number instead of its
    // name finds the same buffer.
    for (const char *name : {"raw", "1"}) {
        for (int samples : {1, 4}) {
            const std::string lens = std::string(R"(, "framebuffers": ["beauty", "raw"], "lens": [
                {"shader": "uvo_exposure_photographic", "params": {"radiance_scale": 1.7,
                 "white_balance": [1, 0.9, 0.8], "highlight_compression": 0.3, "shadow_crush": 0.4,
                 "color_saturation": 0.8, "display_gamma": 2.2, "raw_buffer_mode": 1,
                 "raw_buffer_name": ")") + name + R"("}}])";
            const Image base = render(dir, lit_ball_scene("", samples));
            SessionOptions options = session_options(dir, lit_ball_scene(lens, samples));
            options.threads = 2;
            RenderSession session(options);
            EXPECT_EQ(live_framebuffer_accessors(), 0) << "instance init released its frame-buffer accessor";
            session.render(false);
            const std::string base_name = dir + "/out";
            session.write(base_name);
            const Image raw = read_exr_layer(base_name + ".exr", "raw");
            const Image beauty = read_exr_layer(base_name + ".exr", "beauty");
            const Image main = read_exr_layer(base_name + ".exr", "");
            ASSERT_EQ(raw.width, base.width) << "the EXR has a layer raw.R, raw.G, raw.B, raw.A";
            ASSERT_EQ(beauty.width, base.width);

            // The tone mapping the lens applied, rebuilt from the scene's values.
            TonemapFunctions api(session.world().registry->library());
            ASSERT_TRUE(api.ok());
            TonemapRecord record{};
            record.api_version = UVO_TONEMAP_API_VERSION;
            record.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
            record.width = 16;
            record.height = 12;
            record.radiance_scale = 1.7f;
            record.white_balance = Color{1.0f, 0.9f, 0.8f, 1.0f};
            record.shutter_rate = 250.0f;
            record.aperture_stop = 8.0f;
            record.highlight_compression = 0.3f;
            record.shadow_crush = 0.4f;
            record.color_saturation = 0.8f;
            record.display_gamma = 2.2f;
            record.camera_aspect = 16.0f / 12.0f;
            record.camera_focal = 1.0f;
            record.camera_aperture = 1.2f;
            record.luminance_weights = session.world().scene.options.luminance_weights;
            api.init(&record);
            for (int y = 0; y < base.height; ++y)
                for (int x = 0; x < base.width; ++x) {
                    const Color c = base.get(x, y), r = raw.get(x, y), b = beauty.get(x, y);
                    EXPECT_NEAR(r.r, c.r, 1e-6) << name << ", " << samples << " samples, pixel " << x << "," << y;
                    EXPECT_NEAR(r.g, c.g, 1e-6) << name << ", " << samples << " samples, pixel " << x << "," << y;
                    EXPECT_NEAR(r.b, c.b, 1e-6) << name << ", " << samples << " samples, pixel " << x << "," << y;
                    EXPECT_EQ(b.r + b.g + b.b + b.a, 0.0f) << "nothing writes the first buffer, pixel " << x << "," << y;
                    if (samples != 1)
                        continue;
                    // One sample: the main pixel is the tone-mapped raw one.
                    Color expected = c;
                    api.transform(&record, &expected, static_cast<float>(x), static_cast<float>(y));
                    const Color m = main.get(x, y);
                    EXPECT_NEAR(m.r, expected.r, 1e-5) << name << ", pixel " << x << "," << y << " raw " << c.r;
                    EXPECT_NEAR(m.g, expected.g, 1e-5) << name << ", pixel " << x << "," << y << " raw " << c.g;
                    EXPECT_NEAR(m.b, expected.b, 1e-5) << name << ", pixel " << x << "," << y << " raw " << c.b;
                    EXPECT_GT(std::abs(m.r - c.r), 1e-3) << "the main image is transformed, pixel " << x << "," << y;
                }
            api.exit(&record);
        }
    }
}

TEST(LensChain, FrameBufferNamesAreCheckedWhenTheSceneLoads) {
    const std::string dir = scratch_dir("framebuffer_names");
    for (const auto &[list, where] : {std::pair<std::string, std::string>{R"(["raw", "raw"])", "/camera/framebuffers/1"},
                                      {R"(["raw", ""])", "/camera/framebuffers/1"},
                                      {R"("raw")", "/camera/framebuffers"}}) {
        try {
            RenderSession session(session_options(dir, lit_ball_scene(R"(, "framebuffers": )" + list, 1)));
            ADD_FAILURE() << list << " was accepted";
        } catch (const SceneError &e) {
            EXPECT_NE(std::string(e.what()).find(where), std::string::npos) << list << ": " << e.what();
        }
    }
}
