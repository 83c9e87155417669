#include "tonemap/simple_curve.h"

#include <cmath>

namespace uvo {

float simple_inverse_gamma(float output_gamma) { return output_gamma > 0.0f ? 1.0f / output_gamma : 1.0f; }

float simple_map_channel(const SimpleCurve &curve, float k) {
    float v = k + curve.black_offset;
    if (v < 0.0f)
        v = 0.0f;
    v = v * curve.exposure_gain;
    if (v > curve.knee_level && curve.knee_compression > 0.0f) {
        const double over = static_cast<double>(v - curve.knee_level) * curve.knee_compression;
        v = static_cast<float>(std::log(over + 1.0) / curve.knee_compression + curve.knee_level);
    }
    return static_cast<float>(std::pow(static_cast<double>(v), static_cast<double>(curve.inverse_gamma)));
}

void simple_map(const SimpleCurve &curve, Color &colour) {
    colour.r = simple_map_channel(curve, colour.r);
    colour.g = simple_map_channel(curve, colour.g);
    colour.b = simple_map_channel(curve, colour.b);
}

}  // namespace uvo
