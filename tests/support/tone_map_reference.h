// The photographic tone curve stated plainly, one channel at a time in
// scalar steps, with std::pow: what the library's vector curve
// (tonemap_photo/tone_curve.h) must reproduce bit for bit.  For tests and
// benchmarks (the scalar loop the tone mapper is measured against).
#pragma once

#include <cmath>
#include <limits>

#include "tonemap_photo/tone_mapper.h"

namespace uvo_test {

inline float power(float base, float exponent) {
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}

// Tone-maps r, g, b of `colour` for the pixel at (x, y).
inline void tone_map_reference(const TonemapRecord &record, const uvo::ToneCurve &curve, Color &colour, float x,
                               float y) {
    const float q = uvo::pixel_ray_cosine(record, x, y);
    const float v = curve.vignette_power > 0.0f ? power(std::fabs(q), curve.vignette_power) : 1.0f;

    // White balance, exposure and vignette; highlights; saturation; the
    // clamp of negatives.  NaN, -inf and the pole at -1 count as 0; a channel
    // that is or becomes +inf or NaN makes the colour white.
    const Color &w = record.luminance_weights;
    const float infinity = std::numeric_limits<float>::infinity();
    float k[3] = {colour.r, colour.g, colour.b};
    for (int i = 0; i < 3; ++i) {
        k[i] = curve.white_scale[i] * k[i] * curve.exposure * v;
        if (!(k[i] > -infinity) || k[i] == -1.0f)
            k[i] = 0.0f;
        k[i] = k[i] * (1.0f + k[i] * curve.highlight_compression) / (1.0f + k[i]);
    }
    const float mean = w.r * k[0] + w.g * k[1] + w.b * k[2];
    bool finite = true;
    for (float &channel : k) {
        channel = curve.color_saturation * channel + (1.0f - curve.color_saturation) * mean;
        finite = finite && channel < infinity;
        channel = channel < 0.0f ? 0.0f : channel;
    }
    if (!finite) {
        colour.r = colour.g = colour.b = 1.0f;
        return;
    }

    // Dark tones: below unit luminance, blend towards k^crush_exponent, the
    // more the darker.
    const float t = power(w.r * k[0] + w.g * k[1] + w.b * k[2], 0.5f);
    if (t < 1.0f)
        for (float &channel : k)
            channel = power(channel, curve.crush_exponent) * (1.0f - t) + channel * t;

    for (float &channel : k)
        channel = power(channel, curve.inverse_gamma);
    colour.r = k[0];
    colour.g = k[1];
    colour.b = k[2];
}

}  // namespace uvo_test
