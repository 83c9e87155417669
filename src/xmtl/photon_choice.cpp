#include "xmtl/photon_choice.h"

#include <cmath>

#include "frame/binding.h"
#include "frame/importance.h"

namespace uvo {

int32_t choose_component(double u, const float w[3], Color *energy, int32_t *count, float *probability, int32_t n,
                         const Color *components) {
    Color white{1.0f, 1.0f, 1.0f, 1.0f};
    Color &e = energy != nullptr ? *energy : white;
    if (n > photon_choice_limit)
        n = photon_choice_limit;
    if (n < 1)
        return -1;
    const double measured = std::fabs(double(w[0]) * e.r + double(w[1]) * e.g + double(w[2]) * e.b);
    if (measured == 0.0) {
        *probability = 0.0f;
        *count = 0;
        return -1;
    }
    double sums[photon_choice_limit];
    double signed_energy[photon_choice_limit];
    double total = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        const Color &c = components[i];
        signed_energy[i] = double(w[0]) * (e.r * c.r) + double(w[1]) * (e.g * c.g) + double(w[2]) * (e.b * c.b);
        total += std::fabs(signed_energy[i]);
        sums[i] = total;
    }
    if (total == 0.0) {
        *probability = 0.0f;
        *count = 0;
        return -1;
    }
    const double x = u * total;
    int32_t k = n - 1;
    for (int32_t i = 0; i < n; ++i)
        if (x < sums[i]) {
            k = i;
            break;
        }
    const double ratio = std::fabs(total / measured);
    const double whole = std::floor(ratio);
    const double low = k > 0 ? sums[k - 1] : 0.0;
    const double position = (x - low) / (sums[k] - low);
    *count = sample_count(whole) + (position < ratio - whole ? 1 : 0);

    // The photon keeps its measured energy in the colour of the component.
    const Color &c = components[k];
    const double keep = measured / std::fabs(signed_energy[k]);
    e = Color{static_cast<float>(e.r * c.r * keep), static_cast<float>(e.g * c.g * keep),
              static_cast<float>(e.b * c.b * keep), static_cast<float>(signed_energy[k] * keep)};
    *probability = static_cast<float>(total / measured);
    return k;
}

int32_t choose_photon_component(ShadingState *state, Color *energy, int32_t *count, float *probability, int32_t n,
                                const Color *components) {
    if (n < 1)
        return -1;
    const float equal[3] = {1.0f / 3.0f, 1.0f / 3.0f, 1.0f / 3.0f};
    const float *w = state->options != nullptr ? state->options->photon_weights : equal;
    // One draw per choice, even for a photon that turns out to carry nothing.
    double u = 0.0;
    rx_sample(&u, nullptr, state, 1, nullptr);
    return choose_component(u, w, energy, count, probability, n, components);
}

}  // namespace uvo
