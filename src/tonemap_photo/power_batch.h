// Powers in double precision for the tone curve.
//
// out[i] = float(pow(double(base[i]), double(exponent))) bit for bit.  The
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
// lane by lane, so every IEEE special case is std::pow's.  Batches run in
// vectors of 4 lanes.
#pragma once

namespace uvo {

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

void make_power_table(float exponent, PowerTable &table);

// `count` >= 0 values; `base` and `out` may be the same array.
void power_batch(const PowerTable &table, const float *base, float *out, int count);

// Four floats in one register (the tone curve's three channels and a spare).
typedef float Float4 __attribute__((vector_size(4 * sizeof(float))));

// The same for a single use of an exponent: this builds the table first.
void power_batch(const float *base, float exponent, float *out, int count);

}  // namespace uvo
