// The photographic tone curve: exposure, white balance, vignette, highlight
// compression, saturation, dark-tone crush and display gamma.  Pure maths over
// a TonemapRecord and its private block; no host calls.
//
// Precision: the arithmetic is single precision in the order written below;
// every power is taken in double precision and stored as a float.  Two
// evaluations exist and agree to within one float ULP (in practice they are
// bitwise equal):
//   - tone_map_reference: one colour at a time with std::pow, the plain
//     statement of the curve, kept for tests and benchmarks;
//   - tone_map_span: a run of pixels of one row at a time with the batched
//     double-precision powers of power_batch.h; the API uses it for single
//     colours and whole images alike.
#pragma once

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
    float white_scale[3];         // r, g, b factors; luminance-neutral
    float vignette_power;         // copy
};

// The record's private block: set up by init for the photographic tone
// mapper, else null (and then transforms leave colours alone).
inline const ToneCurve *tone_curve_of(const TonemapRecord &record) {
    if (record.tonemapper != UVO_TONEMAPPER_PHOTOGRAPHIC)
        return nullptr;
    return static_cast<const ToneCurve *>(record.internal);
}

// Fills `curve` from the record's settings:
//   exposure = film_speed > 0 ? (1 / shutter_rate) * film_speed * (radiance_scale * 0.16981132)
//                               / (aperture_stop * 15.4 * aperture_stop)
//                             : radiance_scale
//   white_scale = 1 / white_balance per channel (1 where white_balance <= 0),
//                 divided by its luminance under luminance_weights.
// Zero divisors (shutter, aperture, gamma, white luminance) give inf or NaN.
void make_tone_curve(const TonemapRecord &record, ToneCurve &curve);

// Tone-maps r, g, b of `colour` for the pixel at (x, y) with std::pow.
void tone_map_reference(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y);

// Largest run tone_map_span takes at once.
constexpr int tone_span_max = 64;

// Tone-maps `count` (1 .. tone_span_max) pixels of row `y` in place; pixel i
// sits at x = x0 + i.  Same results as tone_map_reference to within one float
// ULP.
void tone_map_span(const TonemapRecord &record, const ToneCurve &curve, Color *pixels, int count, float x0,
                   float y);

}  // namespace uvo
