#include "render/sobol.h"

namespace uvo_host {
namespace {

// Direction numbers v[d][k] (bit k of the index) for dimensions 0..3, built
// once from the Joe-Kuo primitive polynomials and initial m values:
//   d=2: s=1 a=0 m=1      d=3: s=2 a=1 m=1,3      d=4: s=3 a=1 m=1,3,1
struct DirectionTable {
    uint32_t v[kSobolDims][32];
    DirectionTable() {
        for (int k = 0; k < 32; ++k)
            v[0][k] = 1u << (31 - k);  // van der Corput
        struct Poly {
            int s;
            uint32_t a;
            uint32_t m[3];
        };
        const Poly polys[kSobolDims - 1] = {{1, 0, {1, 0, 0}}, {2, 1, {1, 3, 0}}, {3, 1, {1, 3, 1}}};
        for (int d = 1; d < kSobolDims; ++d) {
            const Poly &p = polys[d - 1];
            uint32_t *dir = v[d];
            for (int k = 0; k < p.s; ++k)
                dir[k] = p.m[k] << (31 - k);
            for (int k = p.s; k < 32; ++k) {
                uint32_t value = dir[k - p.s] ^ (dir[k - p.s] >> p.s);
                for (int j = 1; j < p.s; ++j)
                    if ((p.a >> (p.s - 1 - j)) & 1u)
                        value ^= dir[k - j];
                dir[k] = value;
            }
        }
    }
};

const DirectionTable &directions() {
    static const DirectionTable table;
    return table;
}

uint32_t reverse_bits(uint32_t x) {
    x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
    x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
    x = ((x >> 4) & 0x0f0f0f0fu) | ((x & 0x0f0f0f0fu) << 4);
    x = ((x >> 8) & 0x00ff00ffu) | ((x & 0x00ff00ffu) << 8);
    return (x >> 16) | (x << 16);
}

// Laine-Karras style permutation: each bit depends only on itself and lower
// bits, so on a bit-reversed value it is a nested uniform scramble.
uint32_t laine_karras_permutation(uint32_t x, uint32_t seed) {
    x += seed;
    x ^= x * 0x6c50b47cu;
    x ^= x * 0xb82f1e52u;
    x ^= x * 0xc7afe638u;
    x ^= x * 0x8d22f6e6u;
    return x;
}

}  // namespace

uint32_t sobol(uint32_t index, int dim) {
    const uint32_t *v = directions().v[dim];
    uint32_t x = 0;
    for (int k = 0; index != 0; index >>= 1, ++k)
        if (index & 1u)
            x ^= v[k];
    return x;
}

uint32_t nested_uniform_scramble(uint32_t x, uint32_t seed) {
    return reverse_bits(laine_karras_permutation(reverse_bits(x), seed));
}

uint32_t hash_u32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x21f0aaadu;
    x ^= x >> 15;
    x *= 0x735a2d97u;
    x ^= x >> 15;
    return x;
}

uint32_t hash_combine(uint32_t seed, uint32_t value) {
    return seed ^ (hash_u32(value) + 0x9e3779b9u + (seed << 6) + (seed >> 2));
}

double owen_sobol(uint32_t index, int dim, uint32_t seed) {
    const uint32_t group = static_cast<uint32_t>(dim / kSobolDims);
    const uint32_t group_seed = group == 0 ? seed : hash_combine(seed, 0x51ed270bu + group);
    const uint32_t shuffled = nested_uniform_scramble(index, group_seed);
    const uint32_t x = nested_uniform_scramble(sobol(shuffled, dim % kSobolDims),
                                               hash_combine(group_seed, static_cast<uint32_t>(dim)));
    // 24 bits keep the value strictly below 1 after the conversion.
    return static_cast<double>(x >> 8) * (1.0 / 16777216.0);
}

void owen_sobol_point(uint32_t index, uint32_t seed, int count, double *out) {
    for (int d = 0; d < count; ++d)
        out[d] = owen_sobol(index, d, seed);
}

}  // namespace uvo_host
