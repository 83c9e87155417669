// Owen-scrambled Sobol points in the manner of Burley (2020), "Practical
// Hash-based Owen Scrambling": the Sobol sequence from the Joe-Kuo direction
// numbers, the point index shuffled by a nested uniform scramble, and every
// dimension Owen-scrambled with its own seed.  Dimensions past the ones the
// table carries are padded: dimension d uses Sobol dimension d % kSobolDims
// with an index shuffled by a seed of its own group, so groups stay
// decorrelated.
//
// Everything here is a pure function of (index, dimension, seed): no state,
// so a pixel's samples never depend on which thread renders it.
#pragma once

#include <cstdint>

namespace uvo_host {

// Sobol dimensions carried by the direction-number table.
constexpr int kSobolDims = 4;

// Unscrambled Sobol point: 32-bit fraction of dimension `dim` (< kSobolDims)
// for point `index`.
uint32_t sobol(uint32_t index, int dim);

// Nested uniform (Owen) scramble of a 32-bit fraction with `seed`: keeps the
// elementary-interval structure of any point set it is applied to.
uint32_t nested_uniform_scramble(uint32_t x, uint32_t seed);

// Mix two 32-bit values into one seed.
uint32_t hash_combine(uint32_t seed, uint32_t value);

// 32-bit avalanche hash.
uint32_t hash_u32(uint32_t x);

// One coordinate in [0, 1) of point `index` of the scrambled sequence `seed`.
// For any m, points 0 .. 2^m - 1 of one seed form a (0, m, 2)-net in
// dimensions 0 and 1.
double owen_sobol(uint32_t index, int dim, uint32_t seed);

// `count` coordinates (dimensions 0 .. count-1) of point `index` into out.
void owen_sobol_point(uint32_t index, uint32_t seed, int count, double *out);

}  // namespace uvo_host
