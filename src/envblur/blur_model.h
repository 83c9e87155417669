// The environment blur's model: the angular map that holds the environment,
// how much to blur, on which pyramid level, and the weighted disc average.
// Pure functions; the disc average reads texels through a callable, so it
// runs on a plain image as well as on the host's.
//
// The angular map is a square image whose centre looks along camera-space +z
// and whose inscribed circle's rim looks along -z, the angle from +z growing
// linearly with the distance from the centre.  A blur b is the disc's radius
// as a fraction of the map's width (the parameter gives it in tenths).
#pragma once

#include <cmath>
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

// Smallest and largest disc radius in texels of the level averaged over.
constexpr double blur_min_radius = 2.0;
constexpr double blur_max_radius = 16.0;
// Level given for an infinite blur: deeper than any pyramid, so the caller
// ends on its deepest level.
constexpr int32_t blur_deepest_level = 1 << 30;

// The blur that the glossy reflection of glossiness g (0 rough .. 1 mirror)
// asks for: (1 - g^0.1) / 2, with 0.1 the single-precision value.  0 at g = 1,
// 0.5 at g = 0.
double glossy_blur(float glossiness);

// The pyramid level to average over and the disc radius in its texels.
struct BlurLevel {
    int32_t level;  // 0 = full size, each next level half as wide
    double radius;  // texels of that level, in [blur_min_radius, blur_max_radius]
};

// Level and radius for blur `blur` on a map `width` texels wide: radius
// width x blur, raised to 2 texels on level 0, else halved a level at a time
// while above 16 texels.  A NaN blur counts as no blur (2 texels on level 0).
BlurLevel blur_level(int32_t width, double blur);

// Sums of a disc average: the weighted colour and the weight.
struct DiscSum {
    double r, g, b;     // sum of texel colour x weight
    double weight;      // sum of weights; 0 when the disc met no texel
    int32_t texels;     // texels read
};

// Weighted average of the disc of `radius` texels around (cx, cy) on a level
// `width` x `height` texels, texel (i, j) at integer coordinates.  The
// texels (i, j) with i in [floor(cx) - R, floor(cx) + R), j likewise,
// R = ceil(radius), are weighed: at scaled squared distance
// d2 = ((cx - i)^2 + (cy - j)^2) / radius^2 <= 1 and inside the level the
// weight is 1 - d2^0.1, and `fetch(i, j)` gives the texel's Color.  So at
// most (2R)^2 texels are read.
template <class Fetch>
DiscSum disc_average(Fetch &&fetch, int32_t width, int32_t height, double cx, double cy, double radius) {
    DiscSum sum{0.0, 0.0, 0.0, 0.0, 0};
    const int32_t x0 = static_cast<int32_t>(std::floor(cx));
    const int32_t y0 = static_cast<int32_t>(std::floor(cy));
    const int32_t reach = static_cast<int32_t>(std::ceil(radius));
    const double inverse = 1.0 / radius;
    for (int32_t j = y0 - reach; j < y0 + reach; ++j) {
        if (j < 0 || j >= height)
            continue;
        const double dy = (cy - j) * inverse;
        for (int32_t i = x0 - reach; i < x0 + reach; ++i) {
            const double dx = (cx - i) * inverse;
            const double d2 = dx * dx + dy * dy;
            if (d2 > 1.0 || i < 0 || i >= width)
                continue;
            const double w = 1.0 - std::pow(d2, 0.1);
            const Color c = fetch(i, j);
            sum.r += c.r * w;
            sum.g += c.g * w;
            sum.b += c.b * w;
            sum.weight += w;
            ++sum.texels;
        }
    }
    return sum;
}

}  // namespace uvo
