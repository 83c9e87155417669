// uvo_exposure_photographic against the test host: instance set-up from the
// parameters and camera, raw-buffer resolution, lens and output calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tonemap/exposure_simple.h"
#include "tonemap_photo/exposure_photographic.h"
#include "tonemap_test_support.h"

using uvo_test::same;
using uvo_test::host;
using uvo::ExposurePhotographicInstance;
using uvo::ExposurePhotographicParams;

namespace {

// Rows longer than 64 pixels, so that no batching along a row goes unseen.
constexpr int image_width = 70;

// A text element as the database hands it out: its characters.
struct Text {
    char text[60] = {};
    explicit Text(const char *s) { std::strncpy(text, s, sizeof text - 1); }
};

struct Photographic : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<ExposurePhotographicParams> block;
    tonemap_test::Images images{image_width, 20};

    void SetUp() override {
        block->radiance_scale = 2.0f;
        block->white_balance = Color{1.0f, 0.8f, 0.6f, 1};
        block->film_speed = 0.0f;
        block->shutter_rate = 60.0f;
        block->aperture_stop = 8.0f;
        block->vignette_power = 2.0f;
        block->highlight_compression = 0.5f;
        block->shadow_crush = 0.25f;
        block->color_saturation = 1.0f;
        block->display_gamma = 2.2f;
        block.attach(f.shader, true);
        f.camera.x_resolution = image_width;
        f.camera.y_resolution = 20;
        f.camera.focal = 1.5f;
        f.camera.aperture = 1.2f;
        f.camera.aspect = 0.5f;
    }
    void TearDown() override {
        if (host().user_slot != nullptr)
            uvo::uvo_exposure_photographic_exit(&f.state, block.get());
    }
    Boolean init() {
        Boolean request = 0;
        return uvo::uvo_exposure_photographic_init(&f.state, block.get(), &request);
    }
    ExposurePhotographicInstance *instance() { return static_cast<ExposurePhotographicInstance *>(host().user_slot); }
    // Fills image `index` with a recognisable gradient.
    void fill(int32_t index, float base) {
        std::vector<Color> &image = images[index];
        for (int i = 0; i < image_width * 20; ++i)
            image[i] = Color{base + 0.01f * i, base * 0.5f + 0.02f * i, base * 0.25f, 0.75f};
    }
    Color mapped(Color c, float x, float y) {
        uvo_tonemap_api_transform_color(&instance()->record, &c, x, y);
        return c;
    }
};

}  // namespace

TEST_F(Photographic, InstanceInitFillsTheRecordFromParametersAndCamera) {
    ASSERT_EQ(init(), 1);
    ExposurePhotographicInstance *in = instance();
    ASSERT_NE(in, nullptr);
    const TonemapRecord &r = in->record;
    EXPECT_EQ(r.api_version, 1);
    EXPECT_EQ(r.tonemapper, 1);
    struct Field {
        const char *name;
        float got, want;
    };
    // Parameters land in their fields; the camera's come from the camera.
    for (const Field &x : {Field{"radiance_scale", r.radiance_scale, 2.0f}, {"white_balance.b", r.white_balance.b, 0.6f},
                           {"display_gamma", r.display_gamma, 2.2f}, {"focal", r.camera_focal, 1.5f},
                           {"aperture", r.camera_aperture, 1.2f}, {"aspect", r.camera_aspect, 0.5f},
                           {"weights.g", r.luminance_weights.g, 0.587f}})
        EXPECT_EQ(x.got, x.want) << x.name;
    EXPECT_EQ(r.width, image_width);
    EXPECT_EQ(r.height, 20);
    EXPECT_NE(r.internal, nullptr);
}

TEST_F(Photographic, OutputPassInTheThreeRawBufferModes) {
    Text name("2");
    host().database = {{31, &name}};  // no frame-buffer accessor: read as a number, buffer 2, output image 14
    host().call_kind = UVO_SHADER_OUTPUT;
    for (int32_t mode : {0, 1, 2}) {
        block->raw_buffer_mode = mode;
        block->raw_buffer_name = 31;
        init();
        fill(0, 1.0f);
        fill(14, 3.0f);
        const std::vector<Color> main_before = images[0], raw = images[14];
        Color result{-1, -1, -1, -1};
        EXPECT_EQ(uvo::uvo_exposure_photographic(&result, &f.state, block.get()), 1);
        EXPECT_EQ(result.r, -1.0f);
        const std::vector<Color> &source = mode == 0 ? main_before : raw;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < image_width; ++x) {
                const Color in = source[size_t(y) * image_width + x];
                const Color expected = mode == 2 ? in : mapped(in, float(x), float(y));
                ASSERT_TRUE(same(images[0][size_t(y) * image_width + x], expected))
                    << "mode " << mode << " pixel " << x << "," << y;
            }
        EXPECT_TRUE(same(images[14][5], raw[5])) << "the raw buffer is only read";
        uvo::uvo_exposure_photographic_exit(&f.state, block.get());
    }
}

TEST_F(Photographic, OutputPassOrderProgressAndAbort) {
    host().call_kind = UVO_SHADER_OUTPUT;
    init();
    fill(0, 1.0f);
    // Progress comes every eighth row and at the last.
    Color result{};
    EXPECT_EQ(uvo::uvo_exposure_photographic(&result, &f.state, block.get()), 1);
    const std::vector<std::string> progress{"uvo_exposure_photographic: 0 percent",
                                            "uvo_exposure_photographic: 40 percent",
                                            "uvo_exposure_photographic: 80 percent",
                                            "uvo_exposure_photographic: 95 percent"};
    EXPECT_EQ(host().texts("progress"), progress);

    // Abort before row 3: rows 0 to 2 mapped, the rest as they were.
    fill(0, 1.0f);
    const std::vector<Color> before = images[0];
    int checks = 0;
    host().script.rx_par_aborted = [&]() -> Boolean { return checks++ == 3; };
    EXPECT_EQ(uvo::uvo_exposure_photographic(&result, &f.state, block.get()), 1);
    for (int y = 0; y < 20; ++y)
        for (int x : {4, image_width - 2}) {
            const size_t i = size_t(y) * image_width + x;
            EXPECT_EQ(same(images[0][i], before[i]), y >= 3) << "pixel " << x << "," << y;
        }
}

TEST_F(Photographic, OtherCallKindsReturnFalseAndLeaveTheResult) {
    init();
    for (int32_t kind : {1, 2, 4, 6, 7, 12}) {  // material, light, environment, texture, photon, other
        host().call_kind = kind;
        Color result{0.3f, 0.2f, 0.1f, 0.5f};
        EXPECT_EQ(uvo::uvo_exposure_photographic(&result, &f.state, block.get()), 0) << "kind " << kind;
        EXPECT_TRUE(same(result, Color{0.3f, 0.2f, 0.1f, 0.5f})) << "kind " << kind;
    }
}

// Without an instance record both exposure shaders pass colours through: a
// lens call still traces the eye ray, an output call touches no image.
TEST_F(Photographic, MissingInstanceRecordPassesColoursThrough) {
    const Color traced{0.8f, 0.4f, 0.2f, 1.0f};
    uvo_test::answer(host().script.rx_trace_eye, traced);
    uvo_test::ParamBlock<uvo::ExposureSimpleParams> simple;
    simple.attach(f.shader, false);  // both blocks read directly
    auto shade = [&](int32_t kind, Color *result) {
        host().call_kind = kind;
        return std::pair{uvo::uvo_exposure_photographic(result, &f.state, block.get()),
                         uvo::uvo_exposure_simple(result + 1, &f.state, simple.get())};
    };
    ASSERT_EQ(host().user_slot, nullptr);
    Color lens[2] = {};
    EXPECT_EQ(shade(UVO_SHADER_LENS, lens), std::pair(Boolean{1}, Boolean{1}));
    EXPECT_TRUE(same(lens[0], traced) && same(lens[1], traced));
    Color output[2] = {};
    EXPECT_EQ(shade(UVO_SHADER_OUTPUT, output), std::pair(Boolean{1}, Boolean{1}));
}
