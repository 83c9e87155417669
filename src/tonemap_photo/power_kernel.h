// The vector kernels over a PowerTable (power_table.h), for the files that run them
// inline: every helper is forced inline, so that it compiles for the
// instruction set of the function (or function clone) that calls it.
//
// Files compiled for one instruction set (tone_mapper_avx2.cpp) define
// UVO_ISA to its name before including this, so that their copies of these
// inline functions live in a namespace of their own and never stand in for
// the portable ones at link time.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "tonemap_photo/power_table.h"

// The vector helpers never cross a library boundary, so the note that their
// calling convention depends on the instruction set does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

#ifndef UVO_ISA
#define UVO_ISA portable
#endif

namespace uvo {
namespace UVO_ISA {
namespace power_kernels {


// Vectors of N lanes: doubles and their bits, the floats they come from and
// theirs, and signed 32-bit integers.
template <int N>
struct Vector {
    typedef double D __attribute__((vector_size(N * sizeof(double))));
    typedef uint64_t B __attribute__((vector_size(N * sizeof(uint64_t))));
    typedef float F __attribute__((vector_size(N * sizeof(float))));
    typedef uint32_t U __attribute__((vector_size(N * sizeof(uint32_t))));
    typedef int32_t I __attribute__((vector_size(N * sizeof(int32_t))));
    typedef int64_t S __attribute__((vector_size(N * sizeof(int64_t))));   // bits of doubles, signed
    typedef uint64_t P __attribute__((vector_size(N * sizeof(uint32_t))));  // floats' bits in pairs
};

// The same bits seen as another type of the same size (scalars or vectors).
template <class To, class From>
inline __attribute__((always_inline)) To same_bits(From from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

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
// ULPs of the midpoint between two floats.  The kernels' error stays below
// 2^-40 of the power (for the general kernel: |w| < 1000, |w| itself is
// rounded to 2^-44, and y log2(m) to 2^-41 for the |y| < 2000 such a w
// allows), that is below 2^13 double ULPs, so outside the guard the exact
// power, std::pow's and the kernel's round to the same float.  Exact ties,
// as x^2 of a float with 13 significant bits gives, are always inside.
template <int N>
inline __attribute__((always_inline)) typename Vector<N>::B near_float_midpoint(typename Vector<N>::B r) {
    typedef typename Vector<N>::S Signed;
    constexpr uint64_t dropped = (uint64_t(1) << 29) - 1;
    constexpr uint64_t midpoint = uint64_t(1) << 28;
    constexpr int64_t tie_guard = int64_t(1) << 18;
    // low - midpoint + guard, taken modulo 2^29 (so the carry out of the low
    // bits does not matter), lies in [0, 2 guard) just when low is within
    // the guard of the midpoint.
    const Signed from_edge = same_bits<Signed>((r + (midpoint + tie_guard)) & dropped);
    return same_bits<typename Vector<N>::B>(from_edge < 2 * tie_guard);
}

// Non-zero in the lanes whose power is not in [2^-125, 2^128): below it
// floats lose precision, above it they end (a float rounds to infinity or,
// next to the end, std::pow decides), and NaNs are outside.  Compared as
// doubles: their constants come from memory in one step.
template <int N>
inline __attribute__((always_inline)) typename Vector<N>::B outside_float_range(typename Vector<N>::D r) {
    return same_bits<typename Vector<N>::B>((r < 0x1p-125) | ~(r < 0x1p128));
}

// Lanes Offset .. Offset + N/2 - 1 of m.
template <int N, int Offset, int... I>
inline __attribute__((always_inline)) typename Vector<N / 2>::B half(typename Vector<N>::B m,
                                                                     std::integer_sequence<int, I...>) {
    return __builtin_shufflevector(m, m, (I + Offset)...);
}

// Whether any lane is non-zero: halves folded together in registers.
template <int N>
inline __attribute__((always_inline)) bool any(typename Vector<N>::B m) {
    if constexpr (N == 2) {
        return (m[0] | m[1]) != 0;
    } else {
        constexpr auto lanes = std::make_integer_sequence<int, N / 2>();
        return any<N / 2>(half<N, 0>(m, lanes) | half<N, N / 2>(m, lanes));
    }
}

// The table values of the N floats whose bits are `bits`: of_exponent by
// sign and exponent, the slice's power and reciprocal by the top 8 bits of
// the mantissa.  The bits reach the integer registers two floats at a time
// and the vectors are built in registers: a vector filled lane by lane in
// memory would stall its load on store forwarding.
template <int N, int... I>
inline __attribute__((always_inline)) void look_up(const PowerTable &t, typename Vector<N>::U bits,
                                                   typename Vector<N>::D &of_exponent,
                                                   typename Vector<N>::D &of_slice,
                                                   typename Vector<N>::D &scaled_reciprocal,
                                                   std::integer_sequence<int, I...>) {
    typedef typename Vector<N>::P Pairs;
    typedef double Pair __attribute__((vector_size(2 * sizeof(double))));
    const Pairs pairs = same_bits<Pairs>(bits);
    const uint32_t lane[N] = {static_cast<uint32_t>(pairs[I / 2] >> (32 * (I % 2)))...};
    of_exponent = typename Vector<N>::D{t.of_exponent[lane[I] >> 23]...};
    Pair slice[N];
    // The slice's byte offset straight from the bits: 16 j.
    static_assert(sizeof(PowerTable::Slice) == 16);
    for (int i = 0; i < N; ++i)
        std::memcpy(&slice[i], reinterpret_cast<const char *>(t.slice) + ((lane[i] >> 11) & 0xff0u), sizeof(Pair));
    of_slice = typename Vector<N>::D{slice[I][0]...};
    scaled_reciprocal = typename Vector<N>::D{slice[I][1]...};
}

// A coefficient in every lane: four lanes read as they are stored, other
// widths broadcast from the first.
template <int N>
inline __attribute__((always_inline)) typename Vector<N>::D lanes_of(const double (&coefficient)[4]) {
    typename Vector<N>::D lanes;
    if constexpr (N == 4)
        std::memcpy(&lanes, coefficient, sizeof lanes);
    else
        lanes = typename Vector<N>::D{} + coefficient[0];
    return lanes;
}

// x^y for the N lanes of xf through the exponent's table; `bad` gets 1 in the
// lanes the caller must take from std::pow.
//
// Error: of_exponent and the slice powers are std::pow's, within 1 ULP; r is
// within 2 ULPs of m / c - 1 (m - c is exact); the series' tail past r^5 is below
// 2^-40 of the power (make_power_table refuses exponents where it is not);
// the products and sums add a few ULPs.  So the power is within 2^-40 of the
// exact one, inside the 2^-35 near_float_midpoint guards.
template <int N>
inline __attribute__((always_inline)) typename Vector<N>::D table_lanes(const PowerTable &t,
                                                                        typename Vector<N>::F xf,
                                                                        typename Vector<N>::B &bad) {
    typedef typename Vector<N>::D Doubles;
    typedef typename Vector<N>::B Bits;
    typedef typename Vector<N>::U Words;
    typedef typename Vector<N>::I Integers;
    // x = 2^(e - 127) m, m = 1 + f 2^-23; the slice j is the top 8 bits of f
    // and m - c_j = 2^-23 `centred`, what the lower 15 bits are past the
    // slice's centre.
    const Words bits = same_bits<Words>(xf);
    const Integers centred = same_bits<Integers>(bits & 0x7fffu) - (1 << 14);
    Doubles of_exponent, of_slice, scaled_reciprocal;
    look_up<N>(t, bits, of_exponent, of_slice, scaled_reciprocal, std::make_integer_sequence<int, N>());
    // r = (m - c_j) / c_j; (1 + r)^y by Estrin's scheme: short chains the
    // lanes overlap.
    const Doubles r = __builtin_convertvector(centred, Doubles) * scaled_reciprocal;
    const double(*c)[4] = t.coefficient;
    const Doubles r2 = r * r;
    const Doubles low = lanes_of<N>(c[0]) + lanes_of<N>(c[1]) * r, middle = lanes_of<N>(c[2]) + lanes_of<N>(c[3]) * r,
                  high = lanes_of<N>(c[4]) + lanes_of<N>(c[5]) * r;
    const Doubles series = (low + middle * r2) + high * (r2 * r2);
    const Doubles power = (of_exponent * of_slice) * series;

    // Zero, subnormal, negative, infinite and NaN bases have a NaN in the
    // table, so their power is out of range too.
    bad = near_float_midpoint<N>(same_bits<Bits>(power)) | outside_float_range<N>(power);
    return power;
}

// The powers of the N lanes of xf; lanes neither kernel can take go through
// std::pow.
template <int N>
inline __attribute__((always_inline)) typename Vector<N>::F power_lanes(const PowerTable &t,
                                                                        typename Vector<N>::F xf) {
    typedef typename Vector<N>::D Doubles;
    typedef typename Vector<N>::B Bits;
    typedef typename Vector<N>::F Floats;
    const double y = t.exponent;
    Bits bad;
    Doubles r;
    if (t.tabled) {
        r = table_lanes<N>(t, xf, bad);
    } else {
        if (t.exponent == 1.0f)  // pow(x, 1) is x for every x
            return xf;
        const Doubles x = __builtin_convertvector(xf, Doubles);
        // Lanes the general kernel cannot take: x <= 0, inf or NaN, or a
        // power outside [2^-1000, 2^1000] (a NaN x gives a NaN w, so it is
        // among them); and those next to a float rounding boundary or
        // outside the floats.
        Doubles w;
        r = power_kernel<Doubles, Bits>(x, y, w);
        bad = out_of_domain<Doubles, Bits>(x, w) | near_float_midpoint<N>(same_bits<Bits>(r)) |
              outside_float_range<N>(r);
        if (!std::isfinite(y))
            bad |= uint64_t(1);
    }
    Floats result = __builtin_convertvector(r, Floats);
    if (any<N>(bad)) {
#pragma GCC unroll 16
        for (int i = 0; i < N; ++i)
            if (bad[i] != 0)
                result[i] = static_cast<float>(std::pow(static_cast<double>(xf[i]), y));
    }
    return result;
}

}  // namespace power_kernels
}  // namespace UVO_ISA
}  // namespace uvo
