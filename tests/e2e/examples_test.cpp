// The tone-mapping example programs end to end: input images written here,
// the program run on them, and every output pixel checked against the
// library's own transform_color of the input pixel.  The expected record is
// the programs' own: their defaults and settings parser from
// examples/example_settings.h.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#ifdef UVO_HAVE_TONEMAP_EXR
#include <ImfHeader.h>
#include <ImfRgbaFile.h>
#include <ImfTiledRgbaFile.h>
#include <stb/stb_image.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "example_settings.h"
#include "image/image.h"
#include "uvo/tonemap_api.h"
#include "test_paths.h"

namespace {

const std::vector<std::string> settings = {"shadow_crush=0.4", "vignette_power=2", "display_gamma=2.4",
                                           "white_balance=1,0.9,0.7", "radiance_scale=3", "color_saturation=0.8"};

std::string temp_path(const std::string &name) {
    return ::testing::TempDir() + "examples_" + std::to_string(getpid()) + "_" + name;
}

int run(const char *program, const std::string &in, const std::string &out, const std::string &extra = "") {
    std::string command = std::string(UVO_EXAMPLES_DIR) + "/" + program + " " + in + " " + out;
    for (const std::string &s : settings)
        command += " " + s;
    return std::system((command + extra + " > /dev/null 2>&1").c_str());
}

// The record a program builds for a width x height image and `settings`.
TonemapRecord expected_record(int width, int height) {
    TonemapRecord r;
    example_record_defaults(&r, width, height);
    for (const std::string &s : settings)
        EXPECT_EQ(example_apply_setting(&r, s.c_str()), 0) << s;
    // The parser is shared with the programs: check that names reach their fields.
    EXPECT_TRUE(r.shadow_crush == 0.4f && r.vignette_power == 2.0f && r.white_balance.b == 0.7f &&
                r.color_saturation == 0.8f)
        << "settings parsed into the wrong fields";
    return r;
}

// The shader library's API, loaded as a renderer would, with the reference
// host (already loaded into this test) as its host module.
struct Api {
    void (*init)(TonemapRecord *) = nullptr;
    void (*exit)(TonemapRecord *) = nullptr;
    void (*transform)(const TonemapRecord *, Color *, float, float) = nullptr;
    Api() {
        void *library = dlopen(UVO_SHADERS_PATH, RTLD_NOW | RTLD_LOCAL);
        void *host = dlopen("libuvo_host.so", RTLD_NOW | RTLD_NOLOAD);
        if (library == nullptr || host == nullptr)
            return;
        reinterpret_cast<void (*)(void *)>(dlsym(library, "rxSetModuleHandle"))(host);
        init = reinterpret_cast<decltype(init)>(dlsym(library, "uvo_tonemap_api_init"));
        exit = reinterpret_cast<decltype(exit)>(dlsym(library, "uvo_tonemap_api_exit"));
        transform = reinterpret_cast<decltype(transform)>(dlsym(library, "uvo_tonemap_api_transform_color"));
    }
};

// Pixels spanning dark to bright, coloured, alpha below and above 1.
uvo_host::Image test_image(int width, int height) {
    uvo_host::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.put(x, y, Color{std::exp2(0.3f * x - 6.0f), std::exp2(0.4f * y - 4.0f),
                                  0.05f * float((x * 7 + y * 3) % 23), 0.1f * float((x + y) % 13)});
    return image;
}

// `got(x, y, k)` against transform_color of `source`; stops after 5 misses.
template <class Got, class Want>
void expect_mapped(const uvo_host::Image &source, int channels, Got got, Want want) {
    static const Api api;
    ASSERT_NE(api.transform, nullptr) << "cannot load the tone-mapping API from " << UVO_SHADERS_PATH;
    TonemapRecord record = expected_record(source.width, source.height);
    api.init(&record);
    int misses = 0;
    for (int y = 0; y < source.height && misses < 5; ++y)
        for (int x = 0; x < source.width && misses < 5; ++x) {
            Color c = source.get(x, y);
            api.transform(&record, &c, float(x), float(y));
            const float mapped[4] = {c.r, c.g, c.b, c.a};
            for (int k = 0; k < channels; ++k)
                if (got(x, y, k) != want(mapped[k])) {
                    ++misses;
                    ADD_FAILURE() << "pixel " << x << "," << y << " channel " << k << ": got " << got(x, y, k)
                                  << " expected " << want(mapped[k]) << " (input " << source.get(x, y).r << " "
                                  << source.get(x, y).g << " " << source.get(x, y).b << ")";
                    break;
                }
        }
    api.exit(&record);
}

}  // namespace

TEST(Examples, TonemapPfmMapsEveryPixelBitForBit) {
    const uvo_host::Image source = test_image(70, 9);  // a run and a ragged one per row
    const std::string in = temp_path("in.pfm"), out = temp_path("out.pfm");
    {
        std::ofstream f(in, std::ios::binary);
        f << "PF\n" << source.width << " " << source.height << "\n-1.0\n";
        for (int y = source.height - 1; y >= 0; --y)
            for (int x = 0; x < source.width; ++x)
                f.write(reinterpret_cast<const char *>(&source.rgba[(size_t(y) * source.width + x) * 4]),
                        3 * sizeof(float));
    }
    ASSERT_EQ(run("tonemap_pfm", in, out), 0);
    std::ifstream f(out, std::ios::binary);
    std::string kind;
    int w = 0, h = 0;
    double scale = 0;
    f >> kind >> w >> h >> scale;
    f.get();
    ASSERT_TRUE(kind == "PF" && w == source.width && h == source.height && scale < 0) << kind << " " << w << "x" << h;
    std::vector<float> pixels(size_t(w) * h * 3);
    f.read(reinterpret_cast<char *>(pixels.data()), std::streamsize(pixels.size() * sizeof(float)));
    ASSERT_TRUE(f) << "short PFM";
    expect_mapped(
        source, 3, [&](int x, int y, int k) { return pixels[(size_t(h - 1 - y) * w + x) * 3 + k]; },
        [](float v) { return v; });

    // Refused: an unknown setting, a value that is not a number, a missing
    // file, a truncated file.
    EXPECT_NE(run("tonemap_pfm", in, out, " no_such_setting=1"), 0);
    EXPECT_NE(run("tonemap_pfm", in, out, " film_speed=abc"), 0);
    EXPECT_NE(run("tonemap_pfm", in, out, " film_speed=100x"), 0);
    EXPECT_NE(run("tonemap_pfm", temp_path("missing.pfm"), out), 0);
    const std::string truncated = temp_path("truncated.pfm");
    std::ofstream(truncated, std::ios::binary) << "PF\n70 9\n-1.0\n1234";
    EXPECT_NE(run("tonemap_pfm", truncated, out), 0);
    for (const std::string &path : {in, out, truncated})
        std::remove(path.c_str());
}

#ifdef UVO_HAVE_TONEMAP_EXR
TEST(Examples, TonemapExrMapsFloatAndHalfFilesToEightBits) {
    const auto byte_of = [](float v) { return v >= 1.0f ? 255 : v > 0.0f ? int(v * 255.0f + 0.5f) : 0; };
    const std::string out = temp_path("out.png");
    auto check = [&](const std::string &in, const uvo_host::Image &source, const char *what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(run("tonemap_exr", in, out), 0) << "the example program failed on " << in;
        int w = 0, h = 0, n = 0;
        unsigned char *png = stbi_load(out.c_str(), &w, &h, &n, 4);
        ASSERT_NE(png, nullptr) << "unreadable output " << out;
        ASSERT_TRUE(n == 4 && w == source.width && h == source.height) << n << " channels " << w << "x" << h;
        expect_mapped(
            source, 4, [&](int x, int y, int k) { return int(png[4 * (size_t(y) * w + x) + k]); }, byte_of);
        stbi_image_free(png);
    };
    // Float RGBA, zip-compressed in chunks of 16 scanlines: 21 rows span two.
    const uvo_host::Image floats = test_image(37, 21);
    const std::string float_exr = temp_path("float.exr");
    uvo_host::write_exr(float_exr, floats, {});
    check(float_exr, floats, "float RGBA");

    // Half RGB, PIZ, data window away from the origin: alpha comes out 1.
    const uvo_host::Image image = test_image(29, 40);
    uvo_host::Image halves(image.width, image.height);
    std::vector<Imf::Rgba> rgba(size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Color c = image.get(x, y);
            Imf::Rgba &p = rgba[size_t(y) * image.width + x];
            p = Imf::Rgba(c.r, c.g, c.b, 1.0f);
            halves.put(x, y, Color{float(p.r), float(p.g), float(p.b), 1.0f});
        }
    const Imath::V2i origin(5, -3);
    const Imath::Box2i data(origin, origin + Imath::V2i(image.width - 1, image.height - 1));
    Imf::Header header(data, data);
    header.compression() = Imf::PIZ_COMPRESSION;
    const std::string half_rgb = temp_path("half_rgb.exr");
    {
        Imf::RgbaOutputFile file(half_rgb.c_str(), header, Imf::WRITE_RGB);
        file.setFrameBuffer(rgba.data() - origin.x - ptrdiff_t(origin.y) * image.width, 1, size_t(image.width));
        file.writePixels(image.height);
    }
    check(half_rgb, halves, "half RGB");

    // Refused: a tiled file, a file without colour channels.
    const std::vector<Imf::Rgba> grey(8 * 8, Imf::Rgba(0.5f, 0.5f, 0.5f, 1.0f));
    const std::string tiled = temp_path("tiled.exr"), luminance = temp_path("luminance.exr");
    {
        Imf::TiledRgbaOutputFile file(tiled.c_str(), 8, 8, 8, 8, Imf::ONE_LEVEL);
        file.setFrameBuffer(grey.data(), 1, 8);
        file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
        Imf::RgbaOutputFile y_only(luminance.c_str(), 8, 8, Imf::WRITE_Y);
        y_only.setFrameBuffer(grey.data(), 1, 8);
        y_only.writePixels(8);
    }
    EXPECT_NE(run("tonemap_exr", tiled, out), 0);
    EXPECT_NE(run("tonemap_exr", luminance, out), 0);
    for (const std::string &path : {float_exr, half_rgb, tiled, luminance, out})
        std::remove(path.c_str());
}
#endif
