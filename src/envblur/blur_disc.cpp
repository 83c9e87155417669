#include "envblur/blur_disc.h"

namespace uvo {

double glossy_blur(float glossiness) {
    return (1.0 - std::pow(static_cast<double>(glossiness), static_cast<double>(0.1f))) * 0.5;
}

BlurLevel blur_level(int32_t width, double blur) {
    BlurLevel chosen{0, width * blur};
    if (std::isinf(chosen.radius) && chosen.radius > 0.0)
        return BlurLevel{blur_deepest_level, blur_max_radius};
    if (!(chosen.radius >= blur_min_radius)) {  // NaN too
        chosen.radius = blur_min_radius;
        return chosen;
    }
    while (chosen.radius > blur_max_radius) {
        chosen.radius *= 0.5;
        ++chosen.level;
    }
    return chosen;
}

}  // namespace uvo
