#include "tonemap_photo/power_batch.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "tonemap_photo/power_kernel.h"

namespace uvo {

using namespace UVO_ISA::power_kernels;

namespace {

// N values of which the first n are real (1 <= n <= N); the rest of the
// vector is padded with ones.
template <int N>
inline __attribute__((always_inline)) void power_vector(const PowerTable &t, const float *base, float *out, int n) {
    typedef typename Vector<N>::F Floats;
    // Whole vectors in and out: lane-by-lane inserts would stall on store
    // forwarding.
    Floats xf;
    if (n == N) {
        std::memcpy(&xf, base, sizeof xf);
    } else {
        for (int i = 0; i < N; ++i)
            xf[i] = i < n ? base[i] : 1.0f;
    }
    const Floats result = power_lanes<N>(t, xf);
    if (n == N)
        std::memcpy(out, &result, sizeof result);
    else
        for (int i = 0; i < n; ++i)
            out[i] = result[i];
}

}  // namespace

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

void power_batch(const PowerTable &t, const float *base, float *out, int count) {
    if (t.exponent == 1.0f) {  // pow(x, 1) is x for every x
        if (out != base)
            std::memmove(out, base, sizeof(float) * static_cast<size_t>(count > 0 ? count : 0));
        return;
    }
    for (int start = 0; start < count; start += vector_lanes)
        power_vector<vector_lanes>(t, base + start, out + start,
                                   count - start < vector_lanes ? count - start : vector_lanes);
}

void power_batch(const float *base, float exponent, float *out, int count) {
    PowerTable t;
    make_power_table(exponent, t);
    power_batch(t, base, out, count);
}

}  // namespace uvo
