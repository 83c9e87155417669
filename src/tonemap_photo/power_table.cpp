#include "tonemap_photo/power_table.h"

#include <cmath>
#include <limits>

namespace uvo {

void make_power_table(float exponent, PowerTable &t) {
    const double y = exponent;
    t.exponent = exponent;
    double c = 1.0;
    for (int n = 0; n < 6; ++n) {
        if (n > 0)
            c = c * (y - (n - 1)) / n;
        for (double &lane : t.coefficient[n])
            lane = c;
    }
    // The tail past r^5: its first term C(y, 6) r^6, and for |y| <= 64 each
    // next term is below half the one before, so the tail is below twice it.
    const double first_left_out = std::fabs(c * (y - 5) / 6) * std::pow(slice_radius, 6);
    // pow(x, 1) is x for every x: the kernels' untabled branch passes it on.
    t.tabled = y != 1.0 && std::fabs(y) <= 64.0 && 2.0 * first_left_out <= 0x1p-40;
    if (!t.tabled)
        return;
    for (int e = 0; e < 512; ++e)  // (e - 127) * y is exact
        t.of_exponent[e] = e >= 1 && e <= 254 ? std::pow(2.0, (e - 127) * y) : std::numeric_limits<double>::quiet_NaN();
    for (int j = 0; j < 1 << slice_bits; ++j) {
        const double centre = 1.0 + (j + 0.5) / (1 << slice_bits);
        t.slice[j] = {std::pow(centre, y), 0x1p-23 / centre};
    }
}

}  // namespace uvo
