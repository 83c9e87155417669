// The angular map of the environment blur: a square image whose centre looks
// along camera-space +z and whose inscribed circle's rim looks along -z, the
// angle from +z growing linearly with the distance from the centre.  Pure
// functions; no host.
#pragma once

#include <cstdint>

#include "uvo/host_interface.h"

namespace uvo {

// Camera-space unit direction that texel (x, y) of an n x n map stands for
// (n >= 2).  With f = 2 texel / (n - 1) - 1 per axis and r = |f| (at most 1),
// the direction is f / r x sin(r pi) in x, y and cos(r pi) in z; the centre
// gives (0, 0, 1).  Texels outside the inscribed circle repeat the rim.
Vector3 angular_direction(int32_t x, int32_t y, int32_t n);

// Where a camera-space unit direction lies on the map, as (u, v) in the unit
// square: u = (dx a + 1) / 2, v = (dy a + 1) / 2, with a = arccos(z) / pi and
// (dx, dy) the unit vector along (x, y).  Straight back (-z), which the whole
// rim stands for, reads the rim's +x point.
struct MapPosition {
    double u, v;
};
MapPosition angular_position(Vector3 direction);

}  // namespace uvo
