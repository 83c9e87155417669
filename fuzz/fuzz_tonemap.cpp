// The tone-mapping API on hostile records.  The input's first 152 bytes are
// laid over a TonemapRecord (any version, tone mapper, size and settings:
// NaN, infinities, zeros, negatives); the pointers are then set as the
// header requires (the callbacks to this program's image, `internal` left
// to init).  The bytes after the record are pixels (Color, 16 bytes each)
// and are both tone-mapped one by one with transform_color at positions the
// input gives, and read as the image that transform_image maps in place.
//
// The callbacks check that the library stays inside the width x height it
// was given and that abort_check stops the image where it says.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <vector>

#include "uvo/tonemap_api.h"

// ---- host functions the API calls (this program is its host) ----
extern "C" {
void *rx_mem_int_allocate(const char *, int32_t, size_t size) { return calloc(1, size ? size : 1); }
void rx_mem_int_release(const char *, int32_t, void *memory) { free(memory); }
void rx_error(const char *, ...) {}
}

namespace {

// transform_image runs only on images up to this many pixels (and rows);
// larger sizes still reach init and transform_color.
constexpr int64_t max_pixels = 4096;

struct Target {
    int32_t width, height;
    std::vector<Color> pixels;
    int32_t stop_row;        // abort_check answers non-zero from this row on
    int32_t rows_started;
};

void check_pixel(const Target &t, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= t.width || y >= t.height) {
        std::fprintf(stderr, "pixel (%d, %d) outside the %d x %d image\n", x, y, t.width, t.height);
        std::abort();
    }
}

void read_pixel(void *context, Color *out, int32_t x, int32_t y) {
    const Target &t = *static_cast<const Target *>(context);
    check_pixel(t, x, y);
    *out = t.pixels[static_cast<size_t>(y) * t.width + x];
}

void write_pixel(void *context, const Color *in, int32_t x, int32_t y) {
    Target &t = *static_cast<Target *>(context);
    check_pixel(t, x, y);
    t.pixels[static_cast<size_t>(y) * t.width + x] = *in;
}

int32_t abort_check(void *context, int32_t row, int32_t) {
    Target &t = *static_cast<Target *>(context);
    ++t.rows_started;
    return row >= t.stop_row;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    rxSetModuleHandle(dlopen(nullptr, RTLD_NOW));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TonemapRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, data, size < sizeof record ? size : sizeof record);
    const uint8_t *rest = data + (size < sizeof record ? size : sizeof record);
    const size_t rest_size = size - (rest - data);
    std::vector<Color> colours(rest_size / sizeof(Color));
    if (!colours.empty())
        std::memcpy(colours.data(), rest, colours.size() * sizeof(Color));

    Target target{record.width, record.height, {}, 0, 0};
    record.internal = reinterpret_cast<void *>(uintptr_t{0xdeadbeef});  // init must not read it
    record.read_context = record.write_context = record.abort_context = &target;
    record.read_pixel = read_pixel;
    record.write_pixel = write_pixel;
    // The input's last byte: whether abort_check is set, and the row it
    // stops the image at.
    record.abort_check = (size > 4 && (data[size - 1] & 1)) ? abort_check : nullptr;
    target.stop_row = size > 0 ? data[size - 1] >> 1 : 0;

    uvo_tonemap_api_init(&record);
    // Each colour at a position taken from the colour before it: on and off
    // the image, negative, huge.
    for (size_t i = 0; i < colours.size(); ++i) {
        Color c = colours[i];
        const Color &where = colours[i == 0 ? colours.size() - 1 : i - 1];
        uvo_tonemap_api_transform_color(&record, &c, where.r, where.g);
    }
    const int64_t pixels = int64_t{record.width} * record.height;
    // (An empty row still costs a call of abort_check: height is bounded too.)
    if (record.height <= max_pixels && (record.width <= 0 || pixels <= max_pixels)) {
        if (record.width > 0 && record.height > 0) {
            target.pixels.resize(static_cast<size_t>(pixels));
            for (size_t i = 0; i < target.pixels.size() && !colours.empty(); ++i)
                target.pixels[i] = colours[i % colours.size()];
        }
        const int32_t done = uvo_tonemap_api_transform_image(&record);
        if (record.abort_check != nullptr && record.height > target.stop_row && done != 0) {
            std::fprintf(stderr, "transform_image went on past a stop at row %d\n", target.stop_row);
            std::abort();
        }
    }
    uvo_tonemap_api_exit(&record);
    uvo_tonemap_api_exit(&record);  // harmless twice
    return 0;
}
