// The photographic tone curve: exposure, white balance, vignette, highlight
// compression, saturation, dark-tone crush and display gamma.  This file: the
// curve's private block that init derives from a TonemapRecord's settings.
// Its steps are tone_steps.h, run by the ToneMappers of tone_mapper.h.
//
// Precision: the arithmetic is single precision in the order of the steps in
// tone_steps.h, the three channels side by side in the lanes of one vector;
// every power is taken in double precision and stored as a float, through
// the power tables of power_table.h (one per exponent, made with the curve).
// The plain statement of the curve with std::pow, which tests and
// benchmarks hold it to bit for bit, is tests/support/tone_map_reference.h.
#pragma once

#include "tonemap_photo/power_table.h"
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

// Four floats in one register (the tone curve's three channels and a spare).
typedef float Float4 __attribute__((vector_size(4 * sizeof(float))));

}  // namespace uvo
