// Powers in double precision for the tone curve: the table of one exponent.
//
// float(pow(double(x), double(exponent))) bit for bit, for many x.  The
// curve raises many bases to a few fixed exponents, so each exponent gets a
// PowerTable once: for a float base x = 2^e * m, x^y = 2^(e y) * c^y *
// (m / c)^y, where c is the centre of the 1/256 slice of [1, 2) that holds m.
// The first two factors come from the table; the last, (1 + r)^y with
// |r| <= 2^-9, from its binomial series to r^5.  Exponents whose series
// would not be accurate enough (very large ones) use a general
// 2^(y log2 x) kernel instead.  Either way the result is accurate to far
// better than a float, and lanes whose power lies so near the midpoint
// between two floats that it could round either way (exact ties, as integer
// exponents give, among them), bases that are zero, negative, subnormal,
// infinite or NaN, and powers outside the normal float range go to std::pow
// lane by lane, so every IEEE special case is std::pow's.  The kernels are
// in power_kernel.h (portable) and power_kernel_avx2.h; tone_steps.h runs
// them on vectors of four.
#pragma once

namespace uvo {

// The slices of [1, 2) a mantissa is split into: 2^8 of them, so that
// m / c - 1 stays within 2^-9 of 0.
constexpr int slice_bits = 8;
constexpr double slice_radius = 0x1p-9;

// What one exponent's powers need: filled by make_power_table, then read
// only.  About 8 KiB.  No alignment beyond a double's: curves live in
// blocks from the host's allocator, which promises none, and the kernels
// read the coefficients as unaligned vectors.
struct PowerTable {
    float exponent;
    bool tabled;  // the series is accurate enough for this exponent
    // Binomial coefficients C(exponent, n), n = 0..5, each in four lanes so
    // that vectors of four read them as they are.
    double coefficient[6][4];
    // By the top 9 bits of a float (sign and biased exponent e):
    // 2^((e - 127) exponent) for positive normal floats (e = 1..254), NaN for
    // the rest (zero, subnormals, infinities, NaNs, negatives).
    double of_exponent[512];
    // Slice j of [1, 2), centred on c_j = 1 + (j + 1/2) / 256: c_j^exponent,
    // and 2^-23 / c_j, which turns the integer offset of a float's mantissa
    // from c_j (in units of its last bit) into (m - c_j) / c_j.  The two are
    // read together.
    struct Slice {
        double power, scaled_reciprocal;
    } slice[256];
};

// Fills `table` for `exponent` (a few hundred std::pow calls).
void make_power_table(float exponent, PowerTable &table);

}  // namespace uvo
