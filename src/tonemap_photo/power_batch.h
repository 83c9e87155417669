// Batched powers in double precision for the tone curve.
//
// out[i] = float(pow(double(base[i]), double(exponent))), evaluated four lanes
// at a time as 2^(exponent * log2(base)) with polynomials accurate to a few
// units of a double, so that the float results equal those of std::pow except
// when the exact power lies within a few double ULPs of a float rounding
// boundary (then they differ by one float ULP).  Bases that are zero,
// negative, infinite or NaN, and powers that leave the double range, are
// handed to std::pow lane by lane, so every IEEE special case is std::pow's.
#pragma once

namespace uvo {

// `count` >= 0 values; `base` and `out` may be the same array.
void power_batch(const float *base, float exponent, float *out, int count);

}  // namespace uvo
