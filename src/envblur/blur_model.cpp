#include "envblur/blur_model.h"

#include <algorithm>
#include <numbers>

namespace uvo {

Vector3 angular_direction(int32_t x, int32_t y, int32_t n) {
    const double fx = 2.0 * x / (n - 1) - 1.0;
    const double fy = 2.0 * y / (n - 1) - 1.0;
    const double r = std::min(std::sqrt(fx * fx + fy * fy), 1.0);
    if (r == 0.0)
        return Vector3{0.0f, 0.0f, 1.0f};
    const double a = r * std::numbers::pi;
    const double s = std::sin(a) / r;
    return Vector3{static_cast<float>(fx * s), static_cast<float>(fy * s), static_cast<float>(std::cos(a))};
}

MapPosition angular_position(Vector3 direction) {
    // Clamped: a direction a transform left a hair longer than 1 must not
    // turn into NaN.
    const double z = std::clamp(static_cast<double>(direction.z), -1.0, 1.0);
    const double a = std::acos(z) / std::numbers::pi;
    double dx = direction.x, dy = direction.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length != 0.0) {
        dx /= length;
        dy /= length;
    } else if (z < 0.0) {
        dx = 1.0;  // any rim point stands for -z; the centre would read +z
    }
    return MapPosition{(dx * a + 1.0) * 0.5, (dy * a + 1.0) * 0.5};
}

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
