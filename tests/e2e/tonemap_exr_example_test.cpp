// The EXR tone-mapping example end to end: EXR files written here (float
// RGBA through the host's writer, half RGB with an offset data window, PIZ),
// the example run on them, and every pixel of its PNG checked against the
// library's own transform_color of the input pixel, quantised to 8 bits.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <ImfHeader.h>
#include <ImfRgbaFile.h>
#include <ImfTiledRgbaFile.h>
#include <stb/stb_image.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "image/image.h"
#include "uvo/tonemap_api.h"

namespace {

std::string binary_dir() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    path[n] = 0;
    std::string dir(path);
    return dir.substr(0, dir.rfind('/'));
}

std::string temp_path(const std::string &name) {
    return ::testing::TempDir() + "tonemap_exr_example_" + std::to_string(getpid()) + "_" + name;
}

int run(const std::string &arguments) {
    const std::string command = binary_dir() + "/tonemap_exr " + arguments + " 2>&1";
    return std::system(command.c_str());
}

// The API of the shader library, loaded as a renderer would, with the
// reference host (already loaded into this test) as its host module.
struct Api {
    void (*init)(TonemapRecord *) = nullptr;
    void (*exit)(TonemapRecord *) = nullptr;
    void (*transform_color)(const TonemapRecord *, Color *, float, float) = nullptr;

    Api() {
        void *library = dlopen(UVO_SHADERS_PATH, RTLD_NOW | RTLD_LOCAL);
        void *host = dlopen("libuvo_host.so", RTLD_NOW | RTLD_NOLOAD);
        if (library == nullptr || host == nullptr)
            return;
        reinterpret_cast<void (*)(void *)>(dlsym(library, "rxSetModuleHandle"))(host);
        init = reinterpret_cast<decltype(init)>(dlsym(library, "uvo_tonemap_api_init"));
        exit = reinterpret_cast<decltype(exit)>(dlsym(library, "uvo_tonemap_api_exit"));
        transform_color = reinterpret_cast<decltype(transform_color)>(dlsym(library, "uvo_tonemap_api_transform_color"));
    }
};

// The record the program builds for `shadow_crush=0.4 vignette_power=2
// display_gamma=2.4 white_balance=1,0.9,0.7 radiance_scale=3 color_saturation=0.8`.
const char *const settings =
    " shadow_crush=0.4 vignette_power=2 display_gamma=2.4 white_balance=1,0.9,0.7 radiance_scale=3"
    " color_saturation=0.8";

TonemapRecord expected_record(int width, int height) {
    TonemapRecord r{};
    r.api_version = 1;
    r.tonemapper = 1;
    r.width = width;
    r.height = height;
    r.radiance_scale = 3.0f;
    r.white_balance = Color{1.0f, 0.9f, 0.7f, 1.0f};
    r.highlight_compression = 0.25f;
    r.shadow_crush = 0.4f;
    r.color_saturation = 0.8f;
    r.display_gamma = 2.4f;
    r.vignette_power = 2.0f;
    r.camera_aspect = float(width) / float(height);
    r.camera_focal = 1.0f;
    r.camera_aperture = 1.0f;
    r.luminance_weights = Color{0.2126f, 0.7152f, 0.0722f, 0.0f};
    return r;
}

int byte_of(float v) { return v >= 1.0f ? 255 : v > 0.0f ? int(v * 255.0f + 0.5f) : 0; }

// Pixels spanning dark to bright, coloured, alpha below and above 1.
uvo_host::Image test_image(int width, int height) {
    uvo_host::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.put(x, y, Color{std::exp2(0.3f * x - 6.0f), std::exp2(0.4f * y - 4.0f),
                                  0.05f * float((x * 7 + y * 3) % 23), 0.1f * float((x + y) % 13)});
    return image;
}

// Writes `image` as a half EXR with the channels of `channels`, its data
// window's top left corner at `origin`; returns the values the file holds
// (alpha 1 when it has none).
uvo_host::Image write_half(const std::string &path, const uvo_host::Image &image, Imf::RgbaChannels channels,
                           Imath::V2i origin, Imf::Compression compression) {
    const int width = image.width, height = image.height;
    uvo_host::Image halves(width, height);
    std::vector<Imf::Rgba> rgba(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Color c = image.get(x, y);
            Imf::Rgba &p = rgba[size_t(y) * width + x];
            p = Imf::Rgba(c.r, c.g, c.b, channels & Imf::WRITE_A ? c.a : 1.0f);
            halves.put(x, y, Color{float(p.r), float(p.g), float(p.b), float(p.a)});
        }
    const Imath::Box2i data(origin, origin + Imath::V2i(width - 1, height - 1));
    Imf::Header header(data, data);
    header.compression() = compression;
    Imf::RgbaOutputFile file(path.c_str(), header, channels);
    // The frame buffer is addressed by data window coordinates.
    file.setFrameBuffer(rgba.data() - origin.x - ptrdiff_t(origin.y) * width, 1, size_t(width));
    file.writePixels(height);
    return halves;
}

// Runs the example on `in` and checks every pixel of its PNG against
// transform_color of `source` (the values the file holds), alpha included.
void expect_example_maps(const std::string &in, const uvo_host::Image &source, const char *what) {
    SCOPED_TRACE(what);
    const std::string out = temp_path("out.png");
    ASSERT_EQ(run(in + " " + out + settings), 0) << "the example program failed on " << in;
    int w = 0, h = 0, n = 0;
    unsigned char *png = stbi_load(out.c_str(), &w, &h, &n, 4);
    ASSERT_NE(png, nullptr) << "unreadable output " << out;
    EXPECT_EQ(n, 4) << "the PNG should be RGBA";
    ASSERT_EQ(w, source.width);
    ASSERT_EQ(h, source.height);

    static const Api api;
    ASSERT_NE(api.transform_color, nullptr) << "cannot load the tone-mapping API from " << UVO_SHADERS_PATH;
    TonemapRecord record = expected_record(w, h);
    api.init(&record);
    int mismatches = 0;
    for (int y = 0; y < h && mismatches < 5; ++y)
        for (int x = 0; x < w && mismatches < 5; ++x) {
            const Color in_pixel = source.get(x, y);
            Color c = in_pixel;
            api.transform_color(&record, &c, float(x), float(y));
            const int expected[4] = {byte_of(c.r), byte_of(c.g), byte_of(c.b), byte_of(c.a)};
            const unsigned char *got = png + 4 * (size_t(y) * w + x);
            for (int k = 0; k < 4; ++k)
                if (int(got[k]) != expected[k]) {
                    ++mismatches;
                    ADD_FAILURE() << "pixel " << x << "," << y << " channel " << k << ": got " << int(got[k])
                                  << " expected " << expected[k] << " (input " << in_pixel.r << " "
                                  << in_pixel.g << " " << in_pixel.b << " " << in_pixel.a << ", mapped " << c.r
                                  << " " << c.g << " " << c.b << " " << c.a << ")";
                    break;
                }
        }
    api.exit(&record);
    stbi_image_free(png);
    std::remove(out.c_str());
}

}  // namespace

TEST(TonemapExrExample, MapsEveryPixelLikeTransformColor) {
    // Float RGBA, zip-compressed in chunks of 16 scanlines: 21 rows span two.
    const uvo_host::Image floats = test_image(37, 21);
    const std::string float_exr = temp_path("float.exr");
    uvo_host::write_exr(float_exr, floats, {});
    expect_example_maps(float_exr, floats, "float RGBA");

    // Half RGB, PIZ, data window not at the origin: alpha comes out 1.
    const std::string half_rgb = temp_path("half_rgb.exr");
    expect_example_maps(half_rgb, write_half(half_rgb, test_image(29, 40), Imf::WRITE_RGB, Imath::V2i(5, -3),
                                             Imf::PIZ_COMPRESSION),
                        "half RGB");
    // Half RGBA, zip: four interleaved halves, R and A easily swapped.
    const std::string half_rgba = temp_path("half_rgba.exr");
    expect_example_maps(half_rgba, write_half(half_rgba, test_image(33, 18), Imf::WRITE_RGBA, Imath::V2i(0, 0),
                                              Imf::ZIP_COMPRESSION),
                        "half RGBA");

    // Refused: a missing file, an unknown setting, a tiled file, a file
    // without colour channels.
    const std::string out = temp_path("refused.png");
    EXPECT_NE(run(temp_path("missing.exr") + " " + out + " > /dev/null"), 0);
    EXPECT_NE(run(float_exr + " " + out + " no_such_setting=1 > /dev/null"), 0);
    const std::vector<Imf::Rgba> rgba(8 * 8, Imf::Rgba(0.5f, 0.5f, 0.5f, 1.0f));
    const std::string tiled = temp_path("tiled.exr");
    {
        Imf::TiledRgbaOutputFile file(tiled.c_str(), 8, 8, 8, 8, Imf::ONE_LEVEL);
        file.setFrameBuffer(rgba.data(), 1, 8);
        file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
    }
    EXPECT_NE(run(tiled + " " + out + " > /dev/null"), 0);
    const std::string grey = temp_path("grey.exr");
    {
        Imf::RgbaOutputFile file(grey.c_str(), 8, 8, Imf::WRITE_Y);
        file.setFrameBuffer(rgba.data(), 1, 8);
        file.writePixels(8);
    }
    EXPECT_NE(run(grey + " " + out + " > /dev/null"), 0);
    for (const std::string &path : {float_exr, half_rgb, half_rgba, tiled, grey, out})
        std::remove(path.c_str());
}
