// The host's sampler: Owen-scrambled Sobol points keep the elementary-interval
// (net) structure of the Sobol sequence for every seed, in the first
// dimension pair and in padded pairs, and stratify every dimension alone.
#include <gtest/gtest.h>

#include <vector>

#include "render/sobol.h"

using namespace uvo_host;

namespace {

// Whether points 0 .. 2^m-1 of `seed` in dimensions (dx, dy) put exactly one
// point in every elementary interval of volume 2^-m.
::testing::AssertionResult is_net(int m, uint32_t seed, int dx, int dy) {
    const uint32_t n = 1u << m;
    std::vector<double> xs(n), ys(n);
    for (uint32_t i = 0; i < n; ++i) {
        xs[i] = owen_sobol(i, dx, seed);
        ys[i] = owen_sobol(i, dy, seed);
    }
    for (int k = 0; k <= m; ++k) {
        const uint32_t cols = 1u << k, rows = 1u << (m - k);
        std::vector<int> cells(n, 0);
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t cx = static_cast<uint32_t>(xs[i] * cols), cy = static_cast<uint32_t>(ys[i] * rows);
            ++cells[cy * cols + cx];
        }
        for (uint32_t c = 0; c < n; ++c)
            if (cells[c] != 1)
                return ::testing::AssertionFailure()
                       << "m=" << m << " seed=" << seed << " dims (" << dx << "," << dy << ") intervals " << cols
                       << "x" << rows << ": cell " << c << " holds " << cells[c] << " points";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Sobol, ScrambledPrefixesAreNetsInEveryPaddedPair) {
    for (uint32_t seed : {0u, 1u, 0xdeadbeefu, 12345u})
        for (int m = 0; m <= 10; ++m) {
            EXPECT_TRUE(is_net(m, seed, 0, 1));
            // Dimensions 4 and 5 start the next padding group.
            EXPECT_TRUE(is_net(m, seed, kSobolDims, kSobolDims + 1));
        }
}

TEST(Sobol, EveryDimensionIsStratifiedAlone) {
    for (uint32_t seed : {7u, 99u})
        for (int dim = 0; dim < 12; ++dim)
            for (int m : {1, 4, 8}) {
                const uint32_t n = 1u << m;
                std::vector<int> strata(n, 0);
                for (uint32_t i = 0; i < n; ++i) {
                    const double x = owen_sobol(i, dim, seed);
                    ASSERT_GE(x, 0.0);
                    ASSERT_LT(x, 1.0);
                    ++strata[static_cast<uint32_t>(x * n)];
                }
                for (uint32_t s = 0; s < n; ++s)
                    ASSERT_EQ(strata[s], 1) << "seed " << seed << " dim " << dim << " m " << m << " stratum " << s;
            }
}
