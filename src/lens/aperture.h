// The bokeh lens's aperture: where a lens sample lies and where its ray is
// aimed.  Pure functions of the parameters and the sample numbers; no host.
//
// Everything here is in camera space (the camera looks down -z).  Offsets are
// taken from the eye ray's origin in the x-y plane, in camera-space units.
#pragma once

#include <cstdint>

#include "uvo/host_interface.h"

namespace uvo {

// The opening of the lens, set up once per shader call from its parameters.
struct ApertureShape {
    double radius;    // lens radius, camera-space units
    double exponent;  // radial exponent e: a sample lies at s1^e of the (bladed) radius;
                      // 0.5 spreads samples evenly over the area
    int32_t sides;    // straight blades; 0 or less: circular opening
    double rotation;  // rotation of the blade polygon, radians
    double depth;     // how far a side's middle sits inside the circle: 1 - cos(pi / sides),
                      // 0 for a circular opening
};

// The opening for `lens_radius` (camera-space units), `radial_bias` (> 0:
// exponent 0.5 / bias, else 1), `sides` blades and `rotation_half_turns`
// (multiplied by pi).
ApertureShape aperture_shape(float lens_radius, float radial_bias, int32_t sides, float rotation_half_turns);

// Fraction of the radius that the opening reaches at angle `theta` (radians,
// from camera-space +x towards +y): 1 at the polygon's corners,
// cos(pi / sides) at the middle of its sides, always 1 for a circle.
double blade_factor(const ApertureShape &shape, double theta);

struct LensOffset {
    double x, y;  // camera-space units from the eye ray's origin
};

// A sample of the bladed opening: angle 2 pi s2, radius s1^e x radius x
// blade_factor.  s1, s2 in [0, 1).
LensOffset aperture_offset(const ApertureShape &shape, double s1, double s2);

// A sample of the square [-radius, radius]^2 that an aperture image covers:
// s1 runs along x, s2 along y, and the image at (s1, s2) weights the sample.
LensOffset aperture_image_offset(double radius, double s1, double s2);

// Where the ray from `origin` along `direction` (camera space) crosses the
// plane of focus z = -focus_distance.  A direction parallel to the plane
// gives infinite coordinates.
Vector3 focus_point(Vector3 origin, Vector3 direction, float focus_distance);

}  // namespace uvo
