// Float RGBA images: textures read from PNG or EXR, frame buffers written as
// EXR (float RGBA) and as an 8-bit sRGB PNG preview.
#pragma once

#include <array>
#include <map>
#include <stdexcept>
#include <cstdint>
#include <string>
#include <vector>

#include "uvo/host_interface.h"

namespace uvo_host {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<float> rgba;            // row 0 at the top, linear values
    std::string name;                   // file it came from or goes to

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0.0f) {}
    Color get(int x, int y) const {
        const float *p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return Color{p[0], p[1], p[2], p[3]};
    }
    void put(int x, int y, const Color &c) {
        float *p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = c.a;
    }
    // Bilinear look-up at texture coordinate (u, v), repeating; v = 0 is the
    // bottom row as texture spaces have it.
    Color lookup(float u, float v) const;
};

struct ImageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The largest texture image the readers accept: 16384 pixels a side and 64
// million pixels (1 GiB as float RGBA).
constexpr int64_t max_image_side = 16384;
constexpr int64_t max_image_pixels = int64_t(1) << 26;

// Reads a PNG (8-bit sRGB, converted to linear) or an EXR (R, G, B and A when
// present).  Throws ImageError with the reason.
Image read_image(const std::string &path);

// Both writers below write a temporary file in the target's folder and rename
// it over the target when it is complete: the earlier file stays whole until
// then, whatever stops the write.

// Makes sure a file can be written at `path` (its folder exists or is
// created, and is writable; `path` is no folder), before a long render.
// Throws ImageError with the reason.
void check_writable(const std::string &path);

// Header attributes that are numbers, kept as numbers: ints, floats, 2-int
// vectors, 4x4 float matrices (row-major, row vectors as OpenEXR's M44f),
// and the chromaticities of Rec. 709 with a D65 white when `rec709` is set.
struct ExrNumbers {
    std::map<std::string, int> ints;
    std::map<std::string, float> floats;
    std::map<std::string, std::array<int, 2>> int_pairs;
    std::map<std::string, std::array<float, 16>> matrices;
    bool rec709 = false;
};

// Writes float RGBA EXR with string attributes (and `numbers`) in the header.  Each of
// `layers` (same size as `image`) adds the channels NAME.R, NAME.G, NAME.B
// and NAME.A, NAME being the layer's Image::name.
void write_exr(const std::string &path, const Image &image,
               const std::map<std::string, std::string> &attributes,
               const std::vector<const Image *> &layers = {}, const ExrNumbers &numbers = {});

// Writes an 8-bit PNG (values clamped to [0, 1], alpha kept): linear values
// sRGB-encoded, or, with `display_values`, the values as they are (an image
// that a tone mapper has already brought to display values).
void write_png(const std::string &path, const Image &image, bool display_values = false);

// sRGB transfer functions on one channel.
float srgb_to_linear(float c);
float linear_to_srgb(float c);

}  // namespace uvo_host
