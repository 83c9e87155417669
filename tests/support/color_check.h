// Printing and comparing colours and vectors in tests: one definition for
// every suite, so a failure prints its values the same way everywhere.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>

#include "uvo/host_interface.h"

inline std::ostream &operator<<(std::ostream &os, const Vector3 &v) {
    return os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}
inline std::ostream &operator<<(std::ostream &os, const Color &c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

namespace uvo_test {

// The same bits in all four channels.
inline bool same(const Color &a, const Color &b) { return std::memcmp(&a, &b, sizeof a) == 0; }
// The same red, green and blue bits.
inline bool same_rgb(const Color &a, const Color &b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// All four channels within `tolerance`, absolutely.
inline ::testing::AssertionResult near(const Color &actual, const Color &expected, float tolerance = 1e-5f) {
    if (std::fabs(actual.r - expected.r) <= tolerance && std::fabs(actual.g - expected.g) <= tolerance &&
        std::fabs(actual.b - expected.b) <= tolerance && std::fabs(actual.a - expected.a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}
// All three components within `tolerance` (0: exactly equal).
inline ::testing::AssertionResult near(Vector3 actual, Vector3 expected, float tolerance = 1e-5f) {
    if (std::fabs(actual.x - expected.x) <= tolerance && std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}
// Red, green and blue each within `relative` of the expected channel.
inline ::testing::AssertionResult near_rgb(const Color &actual, const Color &expected, double relative) {
    const float a[3] = {actual.r, actual.g, actual.b}, e[3] = {expected.r, expected.g, expected.b};
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(a[k] - e[k]) <= relative * std::fabs(e[k]) + 1e-12))
            return ::testing::AssertionFailure() << actual << " is not " << expected << " within " << relative;
    return ::testing::AssertionSuccess();
}

}  // namespace uvo_test

#define EXPECT_COLOR_NEAR(got, want, rel) EXPECT_TRUE(uvo_test::near_rgb((got), (want), (rel)))
