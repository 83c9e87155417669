// The simple exposure curve: black offset, gain, logarithmic knee and display
// gamma, channel by channel.  Pure maths, no host calls.
#pragma once

#include "uvo/host_interface.h"

namespace uvo {

// The per-instance record of uvo_exposure_simple (module "tonemap"): five
// floats in this order, filled once by instance init.
struct SimpleCurve {
    float exposure_gain;     // multiplies each channel after the offset
    float black_offset;      // added to each channel first
    float knee_level;        // channel value above which the knee compresses
    float knee_compression;  // strength of the knee; <= 0 switches it off
    float inverse_gamma;     // 1 / output_gamma, or 1 when output_gamma <= 0
};

static_assert(sizeof(SimpleCurve) == 20);

// inverse_gamma for a display gamma: 1 / gamma, 1 (no gamma) when gamma <= 0.
float simple_inverse_gamma(float output_gamma);

// One channel: offset (negative results become 0), gain, knee
// ln((v - level) * compression + 1) / compression + level above the level
// (slope 1 at the knee; logarithm in double precision), then v^inverse_gamma
// in double precision, stored as a float.
float simple_map_channel(const SimpleCurve &curve, float k);

// r, g and b of `colour` in place; alpha is never touched.
void simple_map(const SimpleCurve &curve, Color &colour);

}  // namespace uvo
