// The photographic tone curve stated plainly with std::pow, one channel at a
// time: what the library's batched curve (tonemap_photo/tone_curve.h) must
// reproduce bit for bit.  For tests and benchmarks.
#pragma once

#include <cmath>

#include "tonemap_photo/tone_curve.h"

namespace uvo_test {

inline float power(float base, float exponent) {
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}

// Tone-maps r, g, b of `colour` for the pixel at (x, y).
inline void tone_map_reference(const TonemapRecord &record, const uvo::ToneCurve &curve, Color &colour, float x,
                               float y) {
    const float q = uvo::pixel_ray_cosine(record, x, y);
    const float v = curve.vignette_power > 0.0f ? power(std::fabs(q), curve.vignette_power) : 1.0f;

    float k[3] = {colour.r, colour.g, colour.b};
    if (!uvo::expose_channels(record, curve, v, k)) {
        colour.r = colour.g = colour.b = 1.0f;
        return;
    }

    // Dark tones: below unit luminance, blend towards k^crush_exponent, the
    // more the darker.
    const Color &w = record.luminance_weights;
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
