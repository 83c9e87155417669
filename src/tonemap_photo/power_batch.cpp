#include "tonemap_photo/power_batch.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

// The vector helpers below never cross a library boundary, so the note that
// their calling convention depends on the instruction set does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace uvo {
namespace {

// Vectors of N lanes: doubles, their bits, and the floats they come from.
template <int N>
struct Vector;
template <>
struct Vector<16> {
    typedef double D __attribute__((vector_size(16 * sizeof(double))));
    typedef uint64_t B __attribute__((vector_size(16 * sizeof(uint64_t))));
    typedef float F __attribute__((vector_size(16 * sizeof(float))));
};
template <>
struct Vector<4> {
    typedef double D __attribute__((vector_size(4 * sizeof(double))));
    typedef uint64_t B __attribute__((vector_size(4 * sizeof(uint64_t))));
    typedef float F __attribute__((vector_size(4 * sizeof(float))));
};

// The same bits seen as another type of the same size (scalars or vectors).
template <class To, class From>
inline __attribute__((always_inline)) To same_bits(From from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

// Lanes of a full vector, and the most values that go through one short
// vector instead.  Both run the same kernel with the same operations in the
// same order, so a value's power does not depend on the run it came in.
constexpr int wide_lanes = 16;
constexpr int narrow_lanes = 4;

constexpr double ln2 = 0.69314718055994530942;
constexpr double inverse_ln2 = 1.44269504088896340736;
constexpr uint64_t sqrt_half_bits = 0x3fe6a09e667f3bcdull;  // bits of sqrt(1/2)
constexpr uint64_t two52_bits = 0x4330000000000000ull;      // bits of 2^52
constexpr double two52 = 4503599627370496.0;
constexpr double round_shift = 6755399441055744.0;           // 1.5 * 2^52: adds round to integer

// 1 / (2j + 1), j = 0 .. 9: log(m) = 2 s (1 + s^2/3 + s^4/5 + ...), s = (m-1)/(m+1).
// With |s| <= 0.1716 the terms past s^19 are below 2^-55 of the sum.
constexpr double atanh_coefficients[] = {1.0,       1.0 / 3,  1.0 / 5,  1.0 / 7,  1.0 / 9,
                                         1.0 / 11,  1.0 / 13, 1.0 / 15, 1.0 / 17, 1.0 / 19};

// ln2^i / i!, i = 0 .. 13: 2^f for |f| <= 1/2, truncation below 2^-57.
constexpr double exp2_coefficient(int i) {
    double c = 1.0;
    for (int k = 1; k <= i; ++k)
        c = c * ln2 / k;
    return c;
}
constexpr double exp2_coefficients[] = {
    exp2_coefficient(0),  exp2_coefficient(1),  exp2_coefficient(2),  exp2_coefficient(3),  exp2_coefficient(4),
    exp2_coefficient(5),  exp2_coefficient(6),  exp2_coefficient(7),  exp2_coefficient(8),  exp2_coefficient(9),
    exp2_coefficient(10), exp2_coefficient(11), exp2_coefficient(12), exp2_coefficient(13)};

// pow for positive, finite bases and a finite exponent whose power stays well
// inside the double range; `w` gets exponent * log2(base) so the caller can
// tell when it does not.  D is a vector of doubles, B the matching bits.
template <class D, class B>
inline __attribute__((always_inline)) D power_kernel(D x, double y, D &w) {
    // x = 2^k * m with m in [sqrt(1/2), sqrt(2)).  The offset 1024 << 52 keeps
    // the difference positive for every float base, so a logical shift works.
    const B xb = same_bits<B>(x);
    const B shifted = (xb - sqrt_half_bits + (uint64_t(1024) << 52)) >> 52;  // k + 1024
    const D m = same_bits<D>(xb - (shifted << 52) + (uint64_t(1024) << 52));
    const D k = same_bits<D>(shifted | two52_bits) - (two52 + 1024.0);

    const D s = (m - 1.0) / (m + 1.0);
    const D z = s * s;
    // Estrin's scheme: short dependency chains, so that the lanes' chains
    // overlap in the pipeline.
    const double *a = atanh_coefficients;
    const D z2 = z * z, z4 = z2 * z2;
    const D p = ((a[1] + a[2] * z) + (a[3] + a[4] * z) * z2) +
                ((a[5] + a[6] * z) + (a[7] + a[8] * z) * z2) * z4 + a[9] * (z4 * z4);
    const D log_m = 2.0 * s + 2.0 * s * (z * p);

    // y * k is exact (24 and 11 significant bits).
    w = y * k + y * (log_m * inverse_ln2);

    // 2^w = 2^n * 2^f, n = round(w), f = w - n exact and in [-1/2, 1/2].
    const D shifted_w = w + round_shift;
    const D n = shifted_w - round_shift;
    const D f = w - n;
    const double *c = exp2_coefficients;
    const D f2 = f * f, f4 = f2 * f2;
    const D e = ((c[0] + c[1] * f) + (c[2] + c[3] * f) * f2) +
                ((c[4] + c[5] * f) + (c[6] + c[7] * f) * f2) * f4 +
                (((c[8] + c[9] * f) + (c[10] + c[11] * f) * f2) + (c[12] + c[13] * f) * f4) * (f4 * f4);
    // The low bits of shifted_w hold n; shifting them into the exponent field
    // multiplies by 2^n (the constant's own bits shift out).
    return same_bits<D>(same_bits<B>(e) + (same_bits<B>(shifted_w) << 52));
}

// 1 in the lanes the polynomial cannot take: x not in (0, DBL_MAX] (zero,
// negative, infinite or NaN), or |w| >= 1000 (power near the end of the
// double range).  Unsigned integer arithmetic on the bits: the comparisons of
// generic vectors compile to lane-by-lane code.
template <class D, class B>
inline __attribute__((always_inline)) B out_of_domain(D x, D w) {
    constexpr uint64_t sign = uint64_t(1) << 63;
    constexpr uint64_t largest_finite = 0x7fefffffffffffffull;
    constexpr uint64_t thousand_bits = 0x408f400000000000ull;  // 1000.0
    // u >= largest_finite, with u = bits - 1 (so +0 wraps to the top).
    const B u = same_bits<B>(x) - uint64_t(1);
    const B bad_x = (u | (u + (sign - largest_finite))) >> 63;
    const B magnitude = same_bits<B>(w) & ~sign;
    const B bad_w = (magnitude + (sign - thousand_bits)) >> 63;
    return bad_x | bad_w;
}

// 1 in the lanes whose rounding to a float the kernel cannot decide: a power
// r whose low 29 bits (those a float drops) lie within `tie_guard` double
// ULPs of the midpoint between two floats, or a power below 2^-125, where
// floats lose precision.  The kernel's error stays below 2^-40 of the power
// for |w| < 1000 (|w| itself is rounded to 2^-44, and y log2(m) to 2^-41 for
// the |y| < 2000 such a w allows), that is below 2^13 double ULPs, so outside
// the guard the exact power, std::pow's and the kernel's round to the same
// float.  Exact ties, as x^2 of a float with 13 significant bits gives, are
// always inside.
template <class B>
inline __attribute__((always_inline)) B near_float_midpoint(B r) {
    constexpr uint64_t dropped = (uint64_t(1) << 29) - 1;
    constexpr uint64_t midpoint = uint64_t(1) << 28;
    constexpr int guard_bits = 18;
    constexpr uint64_t tie_guard = uint64_t(1) << guard_bits;
    constexpr uint64_t smallest_bits = 0x3820000000000000ull;  // 2^-125
    // (low - (midpoint - guard)) < 2 guard, with wrap-around for lows below.
    const B from_edge = (r & dropped) - (midpoint - tie_guard);
    const B near = ((from_edge >> (guard_bits + 1)) - uint64_t(1)) >> 63;
    const B tiny = (r - smallest_bits) >> 63;
    return near | tiny;
}

template <class B>
inline __attribute__((always_inline)) bool any(B m) {
    constexpr int n = sizeof(B) / sizeof(uint64_t);
    uint64_t lane[n];
    std::memcpy(lane, &m, sizeof lane);
    uint64_t a = 0;
    for (int i = 0; i < n; ++i)
        a |= lane[i];
    return a != 0;
}

// The helpers are forced inline so that each compiles for the instruction set
// of the power_batch clone that calls it.

// The powers of the N lanes of xf; lanes the polynomial cannot take go
// through std::pow.
template <int N>
inline __attribute__((always_inline)) typename Vector<N>::F power_lanes(typename Vector<N>::F xf, double y,
                                                                        bool finite_exponent) {
    typedef typename Vector<N>::D Doubles;
    typedef typename Vector<N>::B Bits;
    typedef typename Vector<N>::F Floats;
    const Doubles x = __builtin_convertvector(xf, Doubles);
    Doubles w;
    const Doubles r = power_kernel<Doubles, Bits>(x, y, w);
    Floats result = __builtin_convertvector(r, Floats);
    // Lanes the polynomial cannot take: x <= 0, inf or NaN, or a power
    // outside [2^-1000, 2^1000].  A NaN x gives a NaN w and lands here too.
    // Lanes next to a float rounding boundary go there as well.
    const Bits bad = out_of_domain<Doubles, Bits>(x, w) | near_float_midpoint(same_bits<Bits>(r));
    if (!finite_exponent || any(bad)) {
        for (int i = 0; i < N; ++i)
            if (!finite_exponent || bad[i] != 0)
                result[i] = static_cast<float>(std::pow(x[i], y));
    }
    return result;
}

// N values of which the first n are real (1 <= n <= N); the rest of the
// vector is padded with ones.
template <int N>
inline __attribute__((always_inline)) void power_vector(const float *base, double y, bool finite_exponent, float *out,
                                                       int n) {
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
    const Floats result = power_lanes<N>(xf, y, finite_exponent);
    if (n == N)
        std::memcpy(out, &result, sizeof result);
    else
        for (int i = 0; i < n; ++i)
            out[i] = result[i];
}

}  // namespace

__attribute__((target_clones("avx2", "default"))) void power_batch(const float *base, float exponent, float *out,
                                                                  int count) {
    const double y = exponent;
    if (exponent == 1.0f) {  // pow(x, 1) is x for every x
        if (out != base)
            std::memmove(out, base, sizeof(float) * static_cast<size_t>(count > 0 ? count : 0));
        return;
    }
    const bool finite_exponent = std::isfinite(exponent);
    int start = 0;
    for (; count - start > narrow_lanes; start += wide_lanes) {
        const int n = count - start < wide_lanes ? count - start : wide_lanes;
        power_vector<wide_lanes>(base + start, y, finite_exponent, out + start, n);
    }
    if (start < count)
        power_vector<narrow_lanes>(base + start, y, finite_exponent, out + start, count - start);
}

__attribute__((target_clones("avx2", "default"))) Float4 power_four(Float4 base, float exponent) {
    if (exponent == 1.0f)
        return base;
    return power_lanes<narrow_lanes>(base, exponent, std::isfinite(exponent));
}

}  // namespace uvo
