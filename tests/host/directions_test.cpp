// Direction sampling behind the direction host functions: cosine-weighted
// and Phong lobes have their analytic moments, Ward half vectors concentrate
// with shininess.  Refraction and Fresnel: see the services test.
#include <gtest/gtest.h>

#include <numbers>

#include "render/directions.h"
#include "render/sobol.h"

using namespace uvo_host;

TEST(Directions, CosineWeightedDirectionsHaveMeanCosineTwoThirds) {
    const Vector3 n = normalize(Vector3{0.3f, 0.9f, -0.2f});
    double sum = 0.0, sum_sq = 0.0;
    const int count = 4096;
    for (int i = 0; i < count; ++i) {
        const Vector3 d = cosine_direction(n, n, owen_sobol(i, 0, 5), owen_sobol(i, 1, 5));
        ASSERT_NEAR(length(d), 1.0f, 1e-5f);
        const double c = dot(d, n);
        ASSERT_GE(c, 0.0) << "sample " << i;
        sum += c;
        sum_sq += c * c;
    }
    // p(w) = cos / pi: E[cos] = 2/3, E[cos^2] = 1/2.
    EXPECT_NEAR(sum / count, 2.0 / 3.0, 2e-3);
    EXPECT_NEAR(sum_sq / count, 0.5, 2e-3);
}

TEST(Directions, InterpolatedNormalsNeverSendRaysBelowTheSurface) {
    const Vector3 ng{0, 1, 0};
    const Vector3 n = normalize(Vector3{0.6f, 0.8f, 0.0f});  // tilted shading normal
    for (int i = 0; i < 1024; ++i) {
        const Vector3 d = cosine_direction(n, ng, owen_sobol(i, 0, 9), owen_sobol(i, 1, 9));
        ASSERT_GT(dot(d, ng), 0.0f) << "sample " << i;
    }
}

TEST(Directions, PhongLobeMeanCosineMatchesItsExponent) {
    const Vector3 axis{0, 0, 1};
    for (float e : {0.0f, 10.0f, 100.0f}) {
        double sum = 0.0;
        const int count = 2048;
        for (int i = 0; i < count; ++i)
            sum += dot(phong_lobe_direction(axis, e, owen_sobol(i, 0, 3), owen_sobol(i, 1, 3)), axis);
        // p(cos) ~ cos^e on the hemisphere: E[cos] = (e + 1) / (e + 2).
        EXPECT_NEAR(sum / count, (e + 1.0) / (e + 2.0), 2e-3) << "exponent " << e;
    }
}

TEST(Directions, WardHalfVectorsConcentrateWithShininess) {
    const Vector3 n{0, 0, 1}, u{1, 0, 0}, v{0, 1, 0};
    double rough = 0.0, smooth = 0.0, along_u = 0.0, along_v = 0.0;
    for (int i = 0; i < 1024; ++i) {
        const double a = owen_sobol(i, 0, 4), b = owen_sobol(i, 1, 4);
        rough += dot(ward_half_vector(n, u, v, 2.0f, 2.0f, a, b), n);
        smooth += dot(ward_half_vector(n, u, v, 50.0f, 50.0f, a, b), n);
        const Vector3 h = ward_half_vector(n, u, v, 4.0f, 40.0f, a, b);
        along_u += std::abs(h.x);
        along_v += std::abs(h.y);
    }
    EXPECT_GT(smooth, rough);
    EXPECT_GT(smooth / 1024, 0.99);
    EXPECT_GT(along_u, 5 * along_v) << "lower shininess along u spreads the lobe along u";
}
