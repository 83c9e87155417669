// Output shaders in real renders: one pass over every pixel whose writes are
// what uvo-render saves as PNG (the EXR keeps the frame as rendered), the
// photographic output pass against the library's own colour transform, an
// abort between rows, and SIGINT turning into the abort flag.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cmath>

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
    // Progress of the pass: rows 0 and the last (7 of 8) at verbosity 3.
    EXPECT_NE(run.output.find("uvo_exposure_simple: 0 percent"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("uvo_exposure_simple: 87 percent"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("after the output shaders"), std::string::npos) << run.output;
}

TEST(OutputShader, PhotographicPassEqualsTheLibraryTransformOfEachRawPixel) {
    const std::string dir = scratch_dir("photographic_output");
    const std::string output = R"(, "aperture": 1.4, "output": [{"shader": "uvo_exposure_photographic",
        "params": {"radiance_scale": 2.5, "white_balance": [0.9, 1, 1.1], "vignette_power": 3,
                   "highlight_compression": 0.2, "shadow_crush": 0.5, "color_saturation": 1.2,
                   "display_gamma": 2.2}}])";
    std::string scene = lit_ball_scene(output, 2, 10, 6);
    // lit_ball_scene sets the aperture first; the one spliced in later wins.
    scene.erase(scene.find(R"("aperture": 1.2, )"), std::string(R"("aperture": 1.2, )").size());
    RenderSession session(session_options(dir, scene));
    session.render(false);
    const Image &raw = session.raw_image();
    const Image &mapped = session.world().framebuffer;
    TonemapFunctions api(session.world().registry->library());
    ASSERT_TRUE(api.ok());
    TonemapRecord record{};
    record.api_version = UVO_TONEMAP_API_VERSION;
    record.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
    record.width = 10;
    record.height = 6;
    record.radiance_scale = 2.5f;
    record.white_balance = Color{0.9f, 1.0f, 1.1f, 1.0f};
    record.shutter_rate = 250.0f;
    record.aperture_stop = 8.0f;
    record.vignette_power = 3.0f;
    record.highlight_compression = 0.2f;
    record.shadow_crush = 0.5f;
    record.color_saturation = 1.2f;
    record.display_gamma = 2.2f;
    record.camera_aspect = 10.0f / 6.0f;
    record.camera_focal = 1.0f;
    record.camera_aperture = 1.4f;
    record.luminance_weights = session.world().scene.options.luminance_weights;
    api.init(&record);
    for (int y = 0; y < raw.height; ++y)
        for (int x = 0; x < raw.width; ++x) {
            Color expected = raw.get(x, y);
            api.transform(&record, &expected, static_cast<float>(x), static_cast<float>(y));
            const Color m = mapped.get(x, y), r = raw.get(x, y);
            EXPECT_FLOAT_EQ(m.r, expected.r) << "pixel " << x << "," << y << " raw " << r.r;
            EXPECT_FLOAT_EQ(m.g, expected.g) << "pixel " << x << "," << y << " raw " << r.g;
            EXPECT_FLOAT_EQ(m.b, expected.b) << "pixel " << x << "," << y << " raw " << r.b;
            EXPECT_EQ(m.a, r.a) << "alpha is kept, pixel " << x << "," << y;
        }
    // The pass hands each pixel its own position: with the vignette on, one
    // colour comes out darker at the corner than at the centre, so the
    // per-pixel equality above could not hold with positions mixed up.
    Color corner = raw.get(0, 0), centre = raw.get(0, 0);
    api.transform(&record, &corner, 0.0f, 0.0f);
    api.transform(&record, &centre, 5.0f, 3.0f);
    EXPECT_LT(corner.r, centre.r);
    api.exit(&record);
}

TEST(OutputShader, AnAbortStopsThePassBetweenRows) {
    const std::string dir = scratch_dir("abort");
    RenderSession session(session_options(dir, lit_ball_scene(kHalfGain, 1, 8, 24)));
    // Abort while row 8 runs (its progress message is "33 percent"): row 8
    // is finished, row 9 never starts.
    World &world = session.world();
    int messages = 0;
    set_progress_listener([&](const char *text) {
        ++messages;
        if (std::string(text) == "uvo_exposure_simple: 33 percent")
            world.aborted = true;
    });
    session.render(false);
    set_progress_listener({});
    EXPECT_EQ(messages, 2) << "rows 0 and 8 reported";
    const Image &raw = session.raw_image();
    for (int y = 0; y < raw.height; ++y)
        for (int x = 0; x < raw.width; ++x) {
            const float r = raw.get(x, y).g, m = world.framebuffer.get(x, y).g;
            const float expected = y <= 8 ? 0.5f * r : r;
            EXPECT_FLOAT_EQ(m, expected) << "row " << y << " column " << x << " raw " << r;
        }
}

TEST(OutputShader, InterruptSetsTheAbortFlagOnce) {
    const std::string dir = scratch_dir("interrupt");
    RenderSession session(session_options(dir, lit_ball_scene("", 1, 4, 4)));
    install_interrupt_handler();
    EXPECT_EQ(rx_par_aborted(), 0);
    std::raise(SIGINT);
    EXPECT_EQ(rx_par_aborted(), 1);
    EXPECT_TRUE(session.world().interrupted.load());
    // The handler gave way to the default action for a second interrupt.
    const auto previous = std::signal(SIGINT, SIG_IGN);
    EXPECT_EQ(previous, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
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

TEST(OutputShader, CtrlCStopsUvoRenderWhichStillWritesBothImages) {
    const std::string dir = scratch_dir("ctrl_c");
    // Far too many samples to finish: only the interrupt ends this render.
    write_file(dir + "/scene.json", lit_ball_scene(kHalfGain, 100000, 64, 48));
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        execl(UVO_RENDER_PATH, UVO_RENDER_PATH, "--no-progress", "--threads", "1", (dir + "/scene.json").c_str(),
              "-o", (dir + "/out").c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    // The "rendering" line comes once the handler is in place.
    std::string text;
    char buffer[512];
    ssize_t n;
    while (text.find("info: rendering") == std::string::npos && (n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    kill(pid, SIGINT);
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << text;
    EXPECT_EQ(WEXITSTATUS(status), 130) << text;
    EXPECT_NE(text.find("interrupted; wrote the unfinished"), std::string::npos) << text;
    // Both images are there, at the render's size (the pixels not reached
    // stay black; the between-rows stop itself is the test above).
    EXPECT_EQ(read_image(dir + "/out.exr").width, 64) << text;
    EXPECT_EQ(read_image(dir + "/out.png").height, 48) << text;
}
