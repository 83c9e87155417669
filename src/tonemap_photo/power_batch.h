// Batched powers in double precision for the tone curve.
//
// out[i] = float(pow(double(base[i]), double(exponent))) bit for bit,
// evaluated in vectors of 16 lanes (4 for the last few values of a run) as
// 2^(exponent * log2(base)) with polynomials accurate to far better than a
// float.  Lanes whose power lies so near the midpoint between two floats
// that the polynomials could round it the other way (exact ties, as integer
// exponents give, among them), bases that are zero, negative, infinite or
// NaN, and powers that leave the normal float range go to std::pow lane by
// lane, so every IEEE special case is std::pow's.
#pragma once

namespace uvo {

// `count` >= 0 values; `base` and `out` may be the same array.
void power_batch(const float *base, float exponent, float *out, int count);

// Four floats in one register.
typedef float Float4 __attribute__((vector_size(4 * sizeof(float))));

// power_batch of the four lanes of `base`, bit for bit; taking and giving
// the values in registers spares a pass through memory.
Float4 power_four(Float4 base, float exponent);

}  // namespace uvo
