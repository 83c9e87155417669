// The table kernel of power_kernel.h for four lanes in AVX2 registers, for
// the file compiled for that instruction set (tone_mapper_avx2.cpp).  It
// gives the same bits as table_lanes<4>: the same table values, the same
// operations in the same order, the same guard.  What AVX2 adds is fewer
// instructions on a pixel's dependency chain: the table is read by gathers,
// the integer offsets are converted in one step, and the guard is a few
// integer comparisons and one test.
#pragma once

#if !defined(__AVX2__)
#error "power_kernel_avx2.h needs a file compiled for AVX2"
#endif

#include <immintrin.h>

#include <cmath>
#include <cstdint>

#include "tonemap_photo/power_kernel.h"

namespace uvo {
namespace UVO_ISA {
namespace power_kernels {

// x^y for the four lanes of x through a table made for y (t.tabled); the
// lanes the table cannot decide (see near_float_midpoint and
// outside_float_range) go through std::pow.
inline __attribute__((always_inline)) __m128 table_power4(const PowerTable &t, __m128 x) {
    // Sign and exponent index of_exponent; the top 8 bits of the mantissa
    // pick the slice, whose two doubles sit at 2 j and 2 j + 1.
    const __m128i bits = _mm_castps_si128(x);
    const double *slices = &t.slice[0].power;
    const __m128i two_j = _mm_and_si128(_mm_srli_epi32(bits, 14), _mm_set1_epi32(0x1fe));
    // (The masked form with every lane on: GCC warns of the plain form's
    // undefined source.)
    const __m256d none = _mm256_setzero_pd(), all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256d of_exponent = _mm256_mask_i32gather_pd(none, t.of_exponent, _mm_srli_epi32(bits, 23), all, 8);
    const __m256d of_slice = _mm256_mask_i32gather_pd(none, slices, two_j, all, 8);
    const __m256d scaled_reciprocal = _mm256_mask_i32gather_pd(none, slices + 1, two_j, all, 8);
    const __m128i centred = _mm_sub_epi32(_mm_and_si128(bits, _mm_set1_epi32(0x7fff)), _mm_set1_epi32(1 << 14));
    const __m256d r = _mm256_mul_pd(_mm256_cvtepi32_pd(centred), scaled_reciprocal);

    const double(*c)[4] = t.coefficient;
    const __m256d r2 = _mm256_mul_pd(r, r);
    const __m256d low = _mm256_add_pd(_mm256_loadu_pd(c[0]), _mm256_mul_pd(_mm256_loadu_pd(c[1]), r));
    const __m256d middle = _mm256_add_pd(_mm256_loadu_pd(c[2]), _mm256_mul_pd(_mm256_loadu_pd(c[3]), r));
    const __m256d high = _mm256_add_pd(_mm256_loadu_pd(c[4]), _mm256_mul_pd(_mm256_loadu_pd(c[5]), r));
    const __m256d series = _mm256_add_pd(_mm256_add_pd(low, _mm256_mul_pd(middle, r2)),
                                         _mm256_mul_pd(high, _mm256_mul_pd(r2, r2)));
    const __m256d power = _mm256_mul_pd(_mm256_mul_pd(of_exponent, of_slice), series);

    // Near a float midpoint: the low 29 bits plus 2^28 + 2^18 have no bit
    // from 2^19 to 2^28 set (near_float_midpoint with its constants folded).
    const __m256i p = _mm256_castpd_si256(power);
    const __m256i from_edge = _mm256_add_epi64(p, _mm256_set1_epi64x((int64_t(1) << 28) + (int64_t(1) << 18)));
    const __m256i near_midpoint =
        _mm256_cmpeq_epi64(_mm256_and_si256(from_edge, _mm256_set1_epi64x(0x1ff80000)), _mm256_setzero_si256());
    // In [2^-125, 2^128) as unsigned bits: p - low < high - low, compared as
    // signed numbers after flipping the sign bits.  Negative powers and NaNs
    // (which invalid bases get from the table) fall outside.
    constexpr uint64_t low_bits = 0x3820000000000000ull, high_bits = 0x47f0000000000000ull;
    constexpr uint64_t sign = uint64_t(1) << 63;
    const __m256i flipped = _mm256_add_epi64(p, _mm256_set1_epi64x(static_cast<int64_t>(sign - low_bits)));
    const __m256i in_range =
        _mm256_cmpgt_epi64(_mm256_set1_epi64x(static_cast<int64_t>((high_bits - low_bits) ^ sign)), flipped);
    const __m256i decided = _mm256_andnot_si256(near_midpoint, in_range);

    __m128 result = _mm256_cvtpd_ps(power);
    if (__builtin_expect(!_mm256_testc_si256(decided, _mm256_set1_epi64x(-1)), 0)) {
        const int undecided = ~_mm256_movemask_pd(_mm256_castsi256_pd(decided));
        alignas(16) float base[4], out[4];
        _mm_store_ps(base, x);
        _mm_store_ps(out, result);
        for (int i = 0; i < 4; ++i)
            if (undecided & (1 << i))
                out[i] = static_cast<float>(std::pow(static_cast<double>(base[i]), static_cast<double>(t.exponent)));
        result = _mm_load_ps(out);
    }
    return result;
}

}  // namespace power_kernels
}  // namespace UVO_ISA
}  // namespace uvo
