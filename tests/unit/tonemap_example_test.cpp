// The tone-mapping example program end to end: a PFM in, the tone-mapped
// image out through the library's API, with the program as its own host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_host.h"
#include "uvo/tonemap_api.h"

namespace {

constexpr int width = 70, height = 9;  // a run and a ragged one per row

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
    return ::testing::TempDir() + "tonemap_example_" + std::to_string(getpid()) + "_" + name;
}

// Top row first, as the program keeps it in memory.
std::vector<Color> test_image() {
    std::vector<Color> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] =
                Color{std::exp2(0.1f * x - 4.0f), std::exp2(0.5f * y - 2.0f), 0.02f * float(x + y), 1.0f};
    return pixels;
}

void write_pfm(const std::string &path, const std::vector<Color> &pixels) {
    std::ofstream out(path, std::ios::binary);
    out << "PF\n" << width << " " << height << "\n-1.0\n";
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const Color &c = pixels[size_t(y) * width + x];
            const float v[3] = {c.r, c.g, c.b};
            out.write(reinterpret_cast<const char *>(v), sizeof v);
        }
}

std::vector<Color> read_pfm(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::string kind;
    int w = 0, h = 0;
    double scale = 0;
    in >> kind >> w >> h >> scale;
    in.get();
    std::vector<Color> pixels;
    if (kind != "PF" || w != width || h != height || scale >= 0)
        return pixels;
    pixels.resize(size_t(w) * h);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            float v[3];
            in.read(reinterpret_cast<char *>(v), sizeof v);
            pixels[size_t(y) * w + x] = Color{v[0], v[1], v[2], 1.0f};
        }
    return in ? pixels : std::vector<Color>{};
}

int run(const std::string &arguments) {
    const std::string command = binary_dir() + "/tonemap_pfm " + arguments + " 2>&1";
    return std::system(command.c_str());
}

// The record the program builds for `shadow_crush=0.5 vignette_power=3
// display_gamma=2.0 white_balance=1,0.8,0.6 radiance_scale=2`.
TonemapRecord expected_record() {
    TonemapRecord r{};
    r.api_version = 1;
    r.tonemapper = 1;
    r.width = width;
    r.height = height;
    r.radiance_scale = 2.0f;
    r.white_balance = Color{1.0f, 0.8f, 0.6f, 1.0f};
    r.highlight_compression = 0.25f;
    r.shadow_crush = 0.5f;
    r.color_saturation = 1.0f;
    r.display_gamma = 2.0f;
    r.vignette_power = 3.0f;
    r.camera_aspect = float(width) / float(height);
    r.camera_focal = 1.0f;
    r.camera_aperture = 1.0f;
    r.luminance_weights = Color{0.2126f, 0.7152f, 0.0722f, 0.0f};
    return r;
}

}  // namespace

TEST(TonemapExample, MapsAPfmImageLikeTheApiDoesInProcess) {
    const std::vector<Color> source = test_image();
    const std::string in = temp_path("in.pfm"), out_pfm = temp_path("out.pfm"), out_ppm = temp_path("out.ppm");
    write_pfm(in, source);
    const std::string settings = " shadow_crush=0.5 vignette_power=3 display_gamma=2.0 white_balance=1,0.8,0.6"
                                 " radiance_scale=2";
    ASSERT_EQ(run(in + " " + out_pfm + settings), 0) << "the example program failed; is it built next to the tests?";
    ASSERT_EQ(run(in + " " + out_ppm + settings), 0);

    const std::vector<Color> mapped = read_pfm(out_pfm);
    ASSERT_EQ(mapped.size(), source.size()) << "unreadable output " << out_pfm;
    TonemapRecord record = expected_record();
    uvo_tonemap_api_init(&record);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Color expected = source[size_t(y) * width + x];
            uvo_tonemap_api_transform_color(&record, &expected, float(x), float(y));
            const Color &got = mapped[size_t(y) * width + x];
            ASSERT_EQ(std::memcmp(&got, &expected, 3 * sizeof(float)), 0)
                << "pixel " << x << "," << y << ": " << got.r << " " << got.g << " " << got.b << " expected "
                << expected.r << " " << expected.g << " " << expected.b;
        }
    uvo_tonemap_api_exit(&record);

    // The 8-bit image holds the same values, clamped and rounded.
    std::ifstream ppm(out_ppm, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, top = 0;
    ppm >> magic >> w >> h >> top;
    ppm.get();
    ASSERT_EQ(magic, "P6");
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    ASSERT_EQ(top, 255);
    std::vector<unsigned char> bytes(size_t(width) * height * 3);
    ppm.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(ppm) << "short PPM";
    for (size_t i = 0; i < mapped.size(); ++i) {
        const float g = mapped[i].g;
        const int expected = g >= 1.0f ? 255 : g > 0.0f ? int(g * 255.0f + 0.5f) : 0;
        ASSERT_EQ(int(bytes[3 * i + 1]), expected) << "pixel " << i;
    }

    // Bad arguments and inputs are refused.
    EXPECT_NE(run(in + " " + out_pfm + " no_such_setting=1 > /dev/null"), 0);
    EXPECT_NE(run(temp_path("missing.pfm") + " " + out_pfm + " > /dev/null"), 0);
    const std::string truncated = temp_path("truncated.pfm");
    {
        std::ofstream out(truncated, std::ios::binary);
        out << "PF\n" << width << " " << height << "\n-1.0\n";
        const float v[3] = {1, 1, 1};
        out.write(reinterpret_cast<const char *>(v), sizeof v);  // one pixel of many
    }
    EXPECT_NE(run(truncated + " " + out_pfm + " > /dev/null"), 0);
    std::remove(truncated.c_str());
    std::remove(in.c_str());
    std::remove(out_pfm.c_str());
    std::remove(out_ppm.c_str());
}
