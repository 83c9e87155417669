// Russian roulette between the components a photon may follow.
#pragma once

#include "uvo/host_interface.h"

namespace uvo {

// Most components a choice accepts.
constexpr int32_t photon_choice_limit = 32;

// Chooses component k of `components[0..n)` (weights per channel) with a
// probability proportional to the photon energy it would carry, measured
// with the render options' photon weights.  Draws one sample (rx_sample).
// On a choice: `*energy` (white when null) takes component k's colour scaled
// to keep its measured energy, `*probability` = total carried / incoming
// energy, and `*count` the number of photons to send (its integer part, plus
// one by roulette on the fraction).  Returns -1 with count and probability 0
// when the photon or every component measures 0; n above 32 is cut to 32 and
// n below 1 returns -1 at once.
int32_t choose_photon_component(ShadingState *state, Color *energy, int32_t *count, float *probability, int32_t n,
                                const Color *components);

// The choice for a given sample u in [0, 1) and photon weights `w` (r, g, b);
// the host-free part of choose_photon_component, same results.
int32_t choose_component(double u, const float w[3], Color *energy, int32_t *count, float *probability, int32_t n,
                         const Color *components);

}  // namespace uvo
