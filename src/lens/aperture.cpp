#include "lens/aperture.h"

#include <cmath>
#include <numbers>

namespace uvo {

ApertureShape aperture_shape(float lens_radius, float radial_bias, int32_t sides, float rotation_half_turns) {
    ApertureShape shape{};
    shape.radius = lens_radius;
    shape.exponent = radial_bias > 0.0f ? 0.5 / radial_bias : 1.0;
    shape.sides = sides;
    shape.rotation = rotation_half_turns * std::numbers::pi;
    shape.depth = sides > 0 ? 1.0 - std::cos(std::numbers::pi / sides) : 0.0;
    return shape;
}

double blade_factor(const ApertureShape &shape, double theta) {
    if (shape.sides <= 0)
        return 1.0;
    // |sin| has period pi, so (phi + theta) * sides / 2 puts a zero, that is a
    // corner, every 2 pi / sides, the first at theta = -phi.
    return 1.0 - std::fabs(std::sin((shape.rotation + theta) * shape.sides * 0.5)) * shape.depth;
}

LensOffset aperture_offset(const ApertureShape &shape, double s1, double s2) {
    const double theta = 2.0 * std::numbers::pi * s2;
    const double rho = std::pow(s1, shape.exponent) * shape.radius * blade_factor(shape, theta);
    return LensOffset{rho * std::cos(theta), rho * std::sin(theta)};
}

LensOffset aperture_image_offset(double radius, double s1, double s2) {
    return LensOffset{(s1 - 0.5) * 2.0 * radius, (s2 - 0.5) * 2.0 * radius};
}

Vector3 focus_point(Vector3 origin, Vector3 direction, float focus_distance) {
    const float t = (-focus_distance - origin.z) / direction.z;
    return Vector3{origin.x + t * direction.x, origin.y + t * direction.y, origin.z + t * direction.z};
}

}  // namespace uvo
