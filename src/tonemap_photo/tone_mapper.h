// The tone curve applied to colours and rows of an image, through the
// steps of tone_steps.h compiled for each instruction set the build has, the
// fastest this processor runs chosen at run time.  Pure maths over a
// TonemapRecord and its ToneCurve; no host calls (tone_map_row calls the
// record's own pixel callbacks).
#pragma once

#include <span>

#include "tonemap_photo/tone_curve.h"

namespace uvo {

// Cosine between the ray of pixel (x, y) and the optical axis, from the
// camera fields of the record (1 at the image centre): the vignette's base.
float pixel_ray_cosine(const TonemapRecord &record, float x, float y);

// Tone-maps r, g, b of `colour` for the pixel at (x, y): exposure, then the
// dark-tone crush and the display gamma.  Colours the curve is not defined
// for get fixed results; every other colour gets the curve's own.  An exposed
// channel that is NaN or -inf, or exactly -1 (the pole of the highlight
// step), counts as 0 (black); a colour with a channel that is +inf, or that
// overflows to +inf or NaN on its way, comes out white (1, 1, 1).  Alpha is
// never touched.
void tone_map_color(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y);

// Row y of the record's image, pixel by pixel from x = 0: each pixel is read
// with read_pixel (into black, should the callback give nothing), mapped as
// tone_map_color maps it (not at all when `curve` is null) and written with
// write_pixel before the next is read, so that callbacks that look at what
// was written earlier in the row (in-place images, error diffusion) see it.
void tone_map_row(const TonemapRecord &record, const ToneCurve *curve, int32_t y);

// The two functions above, and the powers they take, compiled for one
// instruction set.  Every ToneMapper gives the same bits; they differ in
// speed only.
struct ToneMapper {
    const char *instruction_set;  // "avx2", "portable"
    void (*map_color)(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y);
    void (*map_row)(const TonemapRecord &record, const ToneCurve *curve, int32_t y);
    // out[i] = float(pow(double(base[i]), double(table.exponent))) for
    // `count` >= 0 values; `base` and `out` may be the same array.
    void (*powers)(const PowerTable &table, const float *base, float *out, int count);
};

// The ToneMappers of this build that this processor runs, fastest first:
// tone_map_color and tone_map_row call the first.  Never empty.
std::span<const ToneMapper *const> tone_mappers();

extern const ToneMapper portable_tone_mapper;

// x86-64 builds also compile the curve for AVX2 (tone_mapper_avx2.cpp).
#if defined(__x86_64__)
#define UVO_HAVE_AVX2_TONE_MAPPER 1
extern const ToneMapper avx2_tone_mapper;
#else
#define UVO_HAVE_AVX2_TONE_MAPPER 0
#endif

}  // namespace uvo
