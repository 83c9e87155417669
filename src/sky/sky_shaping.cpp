// Small shaping helpers of the sky and the sun: turbidity and RGB scale from
// their parameters, the haze-dependent saturation, the smooth step of the
// disc and the horizon blend, and direction handling in the sky frame.
#include <cmath>
#include <utility>

#include "frame/vector_math.h"
#include "sky/sky_model.h"

namespace uvo {

float turbidity_from_haze(float haze) {
    const float T = haze + 2.0f;
    return T < 2.0f ? 2.0f : T;
}

void rgb_scale_factors(const Color &rgb_scale, float intensity, float s[3]) {
    const bool given = rgb_scale.r > 0.0f;
    s[0] = (given ? rgb_scale.r : 1.25e-5f) * intensity;
    s[1] = (given ? rgb_scale.g : 1.25e-5f) * intensity;
    s[2] = (given ? rgb_scale.b : 1.25e-5f) * intensity;
}

float haze_saturation(float saturation, float turbidity) {
    if (saturation > 1.0f)
        return saturation;
    float c = (turbidity - 2.0f) / 15.0f;
    c = c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c);
    c = c * c * c;
    const float cube = saturation * saturation * saturation;
    return (1.0f - c) * saturation + c * cube;
}

float smooth_step(float lo, float hi, float x) {
    if (x < lo)
        return 0.0f;
    if (x >= hi)
        return 1.0f;
    const float t = (x - lo) / (hi - lo);
    return (3.0f - 2.0f * t) * (t * t);
}

Vector3 lift_above_horizon(const Vector3 &v) {
    constexpr float min_up = 0.001f;
    if (!(v.z < min_up))  // a NaN height is left alone, as any height above the limit
        return v;
    const float q = min_up * min_up;
    const float root = std::sqrt(v.x * v.x + v.y * v.y + q);
    if (root == 0.0f)
        return Vector3{v.x, v.y, min_up};
    return Vector3{v.x / root, v.y / root, min_up / root};
}

Vector3 to_sky_frame(const SkyInstance &instance, Vector3 v) {
    if (instance.swap_y_z)
        std::swap(v.y, v.z);
    if (instance.horizon_offset != 0.0f) {
        v.z -= instance.horizon_offset;
        v = normalized_by_division(v);
    }
    return v;
}

}  // namespace uvo
