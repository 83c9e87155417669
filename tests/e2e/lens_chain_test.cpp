// Lens shaders in real renders: a chain of two lens shaders (the first of the
// list outermost), uvo_exposure_simple as the only lens, and
// uvo_exposure_photographic keeping the untransformed colours in a named user
// frame buffer while the main image is tone-mapped.
#include <gtest/gtest.h>

#include <cmath>

#include "camera_shader_support.h"
#include "render/framebuffers.h"

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

TEST(LensChain, PhotographicRawModeKeepsUntransformedColoursInTheNamedBuffer) {
    const std::string dir = scratch_dir("photographic_raw");
    // The raw buffer is the second one declared, so finding it by name
    // matters; the first stays untouched.  Giving its number instead of its
    // name finds the same buffer.  Its four samples a pixel average to the
    // untransformed pixel.
    const Image base = render(dir, lit_ball_scene("", 4));
    for (const std::string name : {"raw", "1"}) {
        const std::string lens = R"(, "framebuffers": ["beauty", "raw"], "lens": [
            {"shader": "uvo_exposure_photographic", "params": {"radiance_scale": 1.7, "white_balance": [1, 0.9, 0.8],
             "highlight_compression": 0.3, "shadow_crush": 0.4, "color_saturation": 0.8, "display_gamma": 2.2,
             "raw_buffer_mode": 1, "raw_buffer_name": ")" + name + R"("}}])";
        RenderSession session(session_options(dir, lit_ball_scene(lens, 4), 2));
        EXPECT_EQ(live_framebuffer_accessors(), 0) << "instance init released its frame-buffer accessor";
        session.render(false);
        session.write(dir + "/out");
        const Image raw = read_exr_layer(dir + "/out.exr", "raw"), beauty = read_exr_layer(dir + "/out.exr", "beauty");
        const Image main = read_exr_layer(dir + "/out.exr", "");
        ASSERT_EQ(raw.width, base.width) << "the EXR has a layer raw.R, raw.G, raw.B, raw.A";
        ASSERT_EQ(beauty.width, base.width);
        for (int y = 0; y < base.height; ++y)
            for (int x = 0; x < base.width; ++x) {
                const Color c = base.get(x, y), r = raw.get(x, y), b = beauty.get(x, y);
                EXPECT_TRUE(std::fabs(r.r - c.r) < 1e-6f && std::fabs(r.g - c.g) < 1e-6f &&
                            std::fabs(r.b - c.b) < 1e-6f)
                    << name << ", pixel " << x << "," << y << ": raw " << r.r << " " << r.g << " " << r.b
                    << ", rendered " << c.r << " " << c.g << " " << c.b;
                EXPECT_EQ(b.r + b.g + b.b + b.a, 0.0f) << "nothing writes the first buffer, pixel " << x << "," << y;
                // The main image is the tone-mapped one (its values: see the unit tests).
                EXPECT_GT(std::abs(main.get(x, y).r - c.r), 1e-3) << "pixel " << x << "," << y;
            }
    }
}
