#include "xmtl/weight_models.h"

#include <cmath>

namespace uvo {

float custom_reflectance(float cosine, float r0, float r90, float k) {
    const float x = std::fabs(cosine);
    // A cosine a rounding step beyond 1 is normal incidence: no negative base
    // for pow (NaN with a fractional exponent).
    const double base = x < 1.0f ? 1.0 - static_cast<double>(x) : 0.0;
    const float t = static_cast<float>(std::pow(base, static_cast<double>(k)));
    return (1.0f - t) * r0 + t * r90;
}

float internal_reflection_factor(float reflectivity) {
    if (reflectivity < 0.5f)
        return 0.0f;
    if (reflectivity >= 0.9f)
        return 1.0f;
    const float s = (reflectivity - 0.5f) / 0.39999998f;  // 0.9 - 0.5 in single precision
    return s * s * (3.0f - 2.0f * s);
}

bool inside_from_ray_history(const ShadingState *state, int32_t thin_walled_mode) {
    bool inside = thin_walled_mode == 3;
    for (const ShadingState *s = state; s != nullptr; s = s->parent) {
        if (s->ray_type == UVO_RAY_EYE)
            break;
        switch (s->ray_type) {
        case UVO_RAY_REFRACT:
        case UVO_RAY_PHOTON_TRANSMIT_SPECULAR:
        case UVO_RAY_PHOTON_TRANSMIT_GLOSSY:
        case UVO_RAY_PHOTON_TRANSMIT_DIFFUSE:
            inside = !inside;
            break;
        default:
            break;
        }
    }
    return inside;
}

float indirect_quality_factor(float quality, float weight) {
    if (!(weight > 0.0f))
        return quality;
    const float q = quality * weight;
    return q < 1.0f ? 1.0f : q;
}

double glossy_exponent(float glossiness) { return std::exp2(8.0 * static_cast<double>(glossiness)); }

void falloff_attenuation(Color *color, double distance, float falloff_distance, const Color &falloff_color,
                         int32_t color_enable) {
    if (distance <= 0.0 || falloff_distance <= 0.0f)
        return;
    const double t = distance / static_cast<double>(falloff_distance);
    if (color_enable != 0) {
        color->r *= static_cast<float>(std::pow(static_cast<double>(falloff_color.r), t));
        color->g *= static_cast<float>(std::pow(static_cast<double>(falloff_color.g), t));
        color->b *= static_cast<float>(std::pow(static_cast<double>(falloff_color.b), t));
        color->a *= static_cast<float>(std::pow(static_cast<double>(falloff_color.a), t));
        return;
    }
    const float f = t < 1.0 ? static_cast<float>(1.0 - t) : 0.0f;
    color->r *= f;
    color->g *= f;
    color->b *= f;
    color->a *= f;
}

}  // namespace uvo
