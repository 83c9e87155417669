// The photographic tone curve: exposure, white balance, vignette, highlight
// compression, saturation, dark-tone crush and display gamma.  Pure maths over
// a TonemapRecord and its private block; no host calls.
//
// Precision: the arithmetic is single precision in the order written below;
// every power is taken in double precision and stored as a float.  Two
// evaluations exist and give the same bits for every colour:
//   - tone_map_reference: with std::pow, the plain statement of the curve,
//     kept for tests and benchmarks;
//   - tone_map_color: with the double-precision power kernel of
//     power_batch.h, the three channels of each power together; the API and
//     the shader use it.
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
// Zero divisors (shutter, aperture, gamma, white luminance) give inf or NaN;
// init refuses such settings first (setting_dividing_by_zero).
void make_tone_curve(const TonemapRecord &record, ToneCurve &curve);

// The name of the first setting that makes make_tone_curve divide by zero
// (display_gamma 0; shutter_rate or aperture_stop 0 with a film speed;
// white_balance and luminance_weights whose white luminance is 0, named
// "white_balance"), or null when there is none.
const char *setting_dividing_by_zero(const TonemapRecord &record);

// Tone-maps r, g, b of `colour` for the pixel at (x, y) with std::pow.
// Colours the curve is not defined for get fixed results; every other
// colour gets the curve's own.  An exposed channel that is NaN or -inf, or
// exactly -1 (the pole of the highlight step), counts as 0 (black); a colour
// with a channel that is +inf, or that overflows to +inf or NaN on its way,
// comes out white (1, 1, 1).  Alpha is never touched.
void tone_map_reference(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y);

// The same curve through power_batch; tone_map_reference's results bit for
// bit.
void tone_map_color(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y);

// tone_map_color in two parts, so that a row's vignette factors (which
// depend on the position alone) can be taken as one batch:
//   vignette_run: the factors |cosine|^vignette_power (1 without vignette) of
//     the `count` pixels x0, x0 + 1, ... of row y, into v;
//   tone_map_vignetted: the rest of the curve for one colour whose factor is v.
// Together they give tone_map_color's results bit for bit.
void vignette_run(const TonemapRecord &record, const ToneCurve &curve, float x0, float y, float *v, int count);
void tone_map_vignetted(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float v);

}  // namespace uvo
