// Direction sampling behind the direction host functions: cosine-weighted
// and Phong lobes have their analytic moments.  Ward lobes, refraction and
// Fresnel: see the services test.
#include <gtest/gtest.h>


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
