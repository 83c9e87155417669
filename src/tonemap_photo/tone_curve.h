// The photographic tone curve: exposure, white balance, vignette, highlight
// compression, saturation, dark-tone crush and display gamma.  Pure maths over
// a TonemapRecord and its private block; no host calls (tone_map_row calls
// the record's own pixel callbacks).
//
// Precision: the arithmetic is single precision in the order of the steps in
// tone_steps.h, the three channels side by side in the lanes of one vector;
// every power is taken in double precision and stored as a float, through
// the power tables of power_batch.h (one per exponent, made with the curve).
// The plain statement of the curve with std::pow, which tests and
// benchmarks hold it to bit for bit, is tests/support/tone_map_reference.h.
#pragma once

#include <span>

#include "tonemap_photo/power_batch.h"
#include "uvo/tonemap_api.h"

namespace uvo {

// The private block that init derives from the record's settings and that the
// record owns through `internal` (allocated from the host, module
// "tonemap_photo").
struct ToneCurve {
    float exposure;               // rendered value -> linear film exposure
    float inverse_gamma;          // 1 / display_gamma
    float crush_exponent;         // 2 * shadow_crush + 1
    float highlight_compression;  // copy
    float color_saturation;       // copy
    float white_scale[4];         // r, g, b factors, luminance-neutral; 0 (a vector's spare lane)
    float vignette_power;         // copy
    // The powers of the vignette, the crush and the gamma.
    PowerTable vignette_table, crush_table, gamma_table;
};

static_assert(alignof(ToneCurve) == alignof(double), "the host's allocator promises no wider alignment");

// The record's private block: set up by init for the photographic tone
// mapper, else null (and then transforms leave colours alone).
inline const ToneCurve *tone_curve_of(const TonemapRecord &record) {
    if (record.tonemapper != UVO_TONEMAPPER_PHOTOGRAPHIC)
        return nullptr;
    return static_cast<const ToneCurve *>(record.internal);
}

// Fills `curve` from the record's settings (and its power tables, a few
// microseconds of work):
//   exposure = film_speed > 0 ? (1 / shutter_rate) * film_speed * (radiance_scale * 0.16981132)
//                               / (aperture_stop * 15.4 * aperture_stop)
//                             : radiance_scale
//   white_scale = 1 / white_balance per channel (1 where white_balance <= 0),
//                 divided by its luminance under luminance_weights.
// Zero divisors (shutter, aperture, gamma, white luminance) give inf or NaN;
// init refuses such settings first (setting_dividing_by_zero).
void make_tone_curve(const TonemapRecord &record, ToneCurve &curve);

// The name of the first setting that makes make_tone_curve divide by zero
// (display_gamma 0; shutter_rate or aperture_stop 0 with a film speed;
// white_balance and luminance_weights whose white luminance is 0, named
// "white_balance"), or null when there is none.
const char *setting_dividing_by_zero(const TonemapRecord &record);

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
// instruction set (tone_steps.h).  Every ToneMapper gives the same bits;
// they differ in speed only.
struct ToneMapper {
    const char *instruction_set;  // "avx2", "portable"
    void (*map_color)(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y);
    void (*map_row)(const TonemapRecord &record, const ToneCurve *curve, int32_t y);
    // power_batch (power_batch.h) through this instruction set's kernels.
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
