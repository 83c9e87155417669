// The exported tone-mapping functions against the test host: the private
// block's life, the version check, and transform_image's rows and abort.
// Every pixel against transform_color: see the tone-mapping example programs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tonemap_photo/tone_mapper.h"
#include "tonemap_test_support.h"
#include "uvo/tonemap_api.h"

using uvo_test::same;
using uvo_test::host;

namespace {

// An image in memory that the callbacks read and write.
struct Canvas {
    int width, height;
    std::vector<Color> source, target;
    int abort_row = -1;  // answer non-zero here
    int writes = 0;

    Canvas(int w, int h) : width(w), height(h), source(size_t(w) * h), target(size_t(w) * h) {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> level(-2.0f, 6.0f);
        for (Color &c : source)
            c = Color{std::exp2(level(random)), std::exp2(level(random)), std::exp2(level(random)), 0.5f};
        for (Color &c : target)
            c = Color{-7, -7, -7, -7};  // untouched marker
    }
    static void read(void *context, Color *out, int32_t x, int32_t y) {
        auto *canvas = static_cast<Canvas *>(context);
        *out = canvas->source[size_t(y) * canvas->width + x];
    }
    static void write(void *context, const Color *in, int32_t x, int32_t y) {
        auto *canvas = static_cast<Canvas *>(context);
        ++canvas->writes;
        canvas->target[size_t(y) * canvas->width + x] = *in;
    }
    static int32_t abort(void *context, int32_t row, int32_t) {
        return row == static_cast<Canvas *>(context)->abort_row ? 1 : 0;
    }
    const Color &out(int x, int y) const { return target[size_t(y) * width + x]; }
    const Color &in(int x, int y) const { return source[size_t(y) * width + x]; }
};

TonemapRecord camera_record(Canvas &canvas) {
    TonemapRecord r{};
    r.api_version = UVO_TONEMAP_API_VERSION;
    r.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
    r.width = canvas.width;
    r.height = canvas.height;
    r.read_context = r.write_context = r.abort_context = &canvas;
    r.read_pixel = Canvas::read;
    r.write_pixel = Canvas::write;
    r.radiance_scale = 100.0f;
    r.white_balance = Color{1.0f, 0.9f, 0.7f, 1};
    r.film_speed = 200.0f;
    r.shutter_rate = 125.0f;
    r.aperture_stop = 5.6f;
    r.vignette_power = 3.0f;
    r.highlight_compression = 0.3f;
    r.shadow_crush = 0.5f;
    r.color_saturation = 0.9f;
    r.display_gamma = 2.2f;
    r.camera_aspect = 1.5f;
    r.camera_focal = 0.8f;
    r.camera_aperture = 1.0f;
    r.luminance_weights = Color{0.2126f, 0.7152f, 0.0722f, 0};
    return r;
}

}  // namespace

TEST(TonemapApi, InitAllocatesTheBlockExitReleasesItOnceAndVersionsAreChecked) {
    Canvas canvas(4, 4);
    TonemapRecord r = camera_record(canvas);
    r.internal = &canvas;  // garbage from the caller: init must not trust it
    uvo_tonemap_api_init(&r);
    ASSERT_NE(r.internal, nullptr);
    EXPECT_NE(r.internal, static_cast<void *>(&canvas));
    EXPECT_TRUE(host().messages.empty());
    // The block holds what the curve derives from the settings.
    uvo::ToneCurve expected{};
    uvo::make_tone_curve(r, expected);
    EXPECT_EQ(std::memcmp(r.internal, &expected, sizeof expected), 0);
    uvo_tonemap_api_exit(&r);
    EXPECT_EQ(r.internal, nullptr);
    uvo_tonemap_api_exit(&r);
    EXPECT_EQ(host().bad_releases, 0);

    // A wrong version is reported, and the record still works.
    r.api_version = 2;
    uvo_tonemap_api_init(&r);
    ASSERT_EQ(host().texts("error").size(), 1u);
    EXPECT_EQ(host().texts("error")[0], "uvo_tonamap_api_init: API version mismatch!");
    ASSERT_NE(r.internal, nullptr);
    Color c{0.5f, 0.5f, 0.5f, 1};
    uvo_tonemap_api_transform_color(&r, &c, 2, 2);
    EXPECT_NE(c.r, 0.5f);
    uvo_tonemap_api_exit(&r);
}

TEST(TonemapApi, InitRefusesSettingsThatDivideByZero) {
    Canvas canvas(2, 2);
    for (const char *setting : {"display_gamma", "shutter_rate", "aperture_stop", "white_balance", ""}) {
        host().reset();
        TonemapRecord r = camera_record(canvas);
        const std::string name = setting;
        if (name == "display_gamma")
            r.display_gamma = 0.0f;
        else if (name == "shutter_rate")
            r.shutter_rate = 0.0f;
        else if (name == "aperture_stop")
            r.aperture_stop = -0.0f;
        else if (name == "white_balance")
            r.luminance_weights = Color{0, 0, 0, 0};
        else  // without film speed, shutter and aperture divide nothing
            r.film_speed = r.shutter_rate = r.aperture_stop = 0.0f;
        uvo_tonemap_api_init(&r);
        EXPECT_EQ(r.internal == nullptr, !name.empty()) << name;
        const std::vector<std::string> expected =
            name.empty() ? std::vector<std::string>{}
                         : std::vector<std::string>{"uvo_tonemap_api_init: " + name +
                                                    " divides by zero; the tone mapper is off"};
        EXPECT_EQ(host().texts("error"), expected);
        uvo_tonemap_api_exit(&r);
    }
}

TEST(TonemapApi, OtherToneMappersDoNothingButTheImageIsStillCopied) {
    Canvas canvas(5, 3);
    TonemapRecord r = camera_record(canvas);
    r.tonemapper = 2;
    uvo_tonemap_api_init(&r);
    EXPECT_EQ(r.internal, nullptr);
    Color c{3, 2, 1, 0};
    uvo_tonemap_api_transform_color(&r, &c, 1, 1);
    EXPECT_TRUE(same(c, Color{3, 2, 1, 0}));
    EXPECT_EQ(uvo_tonemap_api_transform_image(&r), 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_TRUE(same(canvas.out(x, y), canvas.in(x, y))) << x << "," << y;
    uvo_tonemap_api_exit(&r);
}

TEST(TonemapApi, TransformImageWritesEachPixelBeforeReadingTheNext) {
    Canvas canvas(8, 1);
    TonemapRecord r = camera_record(canvas);
    uvo_tonemap_api_init(&r);
    // In place, a write that pushes its pixel's value on to the next source
    // pixel (as error diffusion does) reaches that pixel's read.
    struct Diffuse {
        std::vector<Color> pixels;
        int width;
    } image{std::vector<Color>(8, Color{0.25f, 0.25f, 0.25f, 1}), 8};
    r.read_context = r.write_context = &image;
    r.read_pixel = [](void *context, Color *out, int32_t x, int32_t) {
        *out = static_cast<Diffuse *>(context)->pixels[size_t(x)];
    };
    r.write_pixel = [](void *context, const Color *in, int32_t x, int32_t) {
        auto *d = static_cast<Diffuse *>(context);
        d->pixels[size_t(x)] = *in;
        if (x + 1 < d->width)
            d->pixels[size_t(x) + 1].r += in->r;
    };
    EXPECT_EQ(uvo_tonemap_api_transform_image(&r), 1);
    Color expected_pixel{0.25f, 0.25f, 0.25f, 1};
    for (int x = 0; x < 8; ++x) {
        uvo_tonemap_api_transform_color(&r, &expected_pixel, float(x), 0);
        EXPECT_TRUE(same(image.pixels[size_t(x)], expected_pixel)) << "pixel " << x;
        expected_pixel = Color{0.25f + expected_pixel.r, 0.25f, 0.25f, 1};
    }
    uvo_tonemap_api_exit(&r);
}

TEST(TonemapApi, AbortAtRowThreeLeavesRowsZeroToTwoWritten) {
    Canvas canvas(70, 8);
    canvas.abort_row = 3;
    TonemapRecord r = camera_record(canvas);
    r.abort_check = Canvas::abort;
    uvo_tonemap_api_init(&r);
    EXPECT_EQ(uvo_tonemap_api_transform_image(&r), 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 70; ++x) {
            const bool written = canvas.out(x, y).r != -7.0f;
            ASSERT_EQ(written, y < 3) << "pixel " << x << "," << y;
        }

    // Without an abort check nothing stops it; a height below 1 writes nothing.
    r.abort_check = nullptr;
    EXPECT_EQ(uvo_tonemap_api_transform_image(&r), 1);
    r.height = 0;
    canvas.writes = 0;
    EXPECT_EQ(uvo_tonemap_api_transform_image(&r), 1);
    EXPECT_EQ(canvas.writes, 0);

    uvo_tonemap_api_exit(&r);
}
