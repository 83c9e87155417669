// Helpers shared by the sky tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "color_check.h"
#include "test_host.h"
#include "sky/sky_instance.h"
#include "uvo/host_interface.h"

namespace sky_test {

using Texts = std::vector<std::string>;  // the host's messages, in order

// printf into a string, for messages the shaders format themselves.
template <class... Args>
std::string format(const char *f, Args... args) {
    char text[512];
    std::snprintf(text, sizeof text, f, args...);
    return text;
}

// Channel-wise arithmetic on r, g, b; alpha 0.
inline Color operator*(float k, const Color &c) { return Color{k * c.r, k * c.g, k * c.b, 0.0f}; }
inline Color operator*(const Color &a, const Color &b) { return Color{a.r * b.r, a.g * b.g, a.b * b.b, 0.0f}; }
inline Color operator+(const Color &a, const Color &b) { return Color{a.r + b.r, a.g + b.g, a.b + b.b, 0.0f}; }
inline Color mix(const Color &a, const Color &b, float t) { return (1 - t) * a + t * b; }
inline Color clip(const Color &c) { return Color{std::fmax(c.r, 0.0f), std::fmax(c.g, 0.0f), std::fmax(c.b, 0.0f), 0.0f}; }

// The turbidity model's Perez coefficients A..E at turbidity T.
inline std::array<float, 5> turbidity_perez(float T) {
    return {0.17872f * T - 1.46303f, 0.42749f - 0.3554f * T, 5.32505f - 0.02266f * T, 0.12064f * T - 2.57705f,
            0.37027f - 0.06696f * T};
}

// Stores `value` in the test host's shader-state store under `key`.
template <class T>
void store(const char *key, const T &value) {
    const char *bytes = reinterpret_cast<const char *>(&value);
    uvo_test::host().store[key].assign(bytes, bytes + sizeof value);
}

// The host's cosine-distributed reflection about the state's normal, which
// the sky's hemisphere integrals expect to be (0, 0, 1).
inline void script_cosine_hemisphere() {
    uvo_test::host().script.rx_reflection_dir_diffuse_x = [](Vector3 *d, ShadingState *, const double *s) {
        const double phi = 2.0 * std::numbers::pi * s[0], r = std::sqrt(s[1]);
        *d = Vector3{static_cast<float>(r * std::cos(phi)), static_cast<float>(r * std::sin(phi)),
                     static_cast<float>(std::sqrt(1.0 - s[1]))};
    };
}

// A sky shader (sky, sun or analysis sky) against the test host: `init()`
// runs the shader-level and the instance init afresh, clearing messages
// first; the instance is released at tear-down.
template <class Params, Boolean (*Init)(ShadingState *, Params *, Boolean *),
          Boolean (*Exit)(ShadingState *, Params *)>
struct ShaderTest : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<Params> block;
    Color result{-1, -1, -1, -1};
    bool live = false;

    void TearDown() override {
        EXPECT_TRUE((!live || Exit(&f.state, block.get()) == 1) && Exit(&f.state, nullptr) == 1) << "exit fails";
    }
    // An environment shader with the cosine hemisphere scripted.
    void environment() {
        block.attach(f.shader, true);
        script_cosine_hemisphere();
        uvo_test::host().call_kind = UVO_SHADER_ENVIRONMENT;
    }
    void init() {
        if (live)
            Exit(&f.state, block.get());
        uvo_test::host().messages.clear();
        Boolean request = 0;
        ASSERT_TRUE(Init(&f.state, nullptr, &request) == 1 && request == 1) << "shader-level init";
        ASSERT_TRUE(Init(&f.state, block.get(), &request) == 1 && uvo_test::host().user_slot != nullptr);
        live = true;
    }
    const uvo::SkyInstance &sky() const { return *static_cast<const uvo::SkyInstance *>(uvo_test::host().user_slot); }
};

inline Vector3 unit(double x, double y, double z) {
    const double l = std::sqrt(x * x + y * y + z * z);
    return Vector3{static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l)};
}

// Unit direction at elevation `elevation_deg` and azimuth `azimuth_deg` (from +x towards +y).
inline Vector3 at_elevation(double elevation_deg, double azimuth_deg = 90.0) {
    const double e = elevation_deg * std::numbers::pi / 180.0, a = azimuth_deg * std::numbers::pi / 180.0;
    return unit(std::cos(e) * std::cos(a), std::cos(e) * std::sin(a), std::sin(e));
}

inline double dot(const Vector3 &a, const Vector3 &b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y + static_cast<double>(a.z) * b.z;
}

inline double length(const Vector3 &v) { return std::sqrt(dot(v, v)); }
inline double elevation_deg(const Vector3 &v) { return std::asin(static_cast<double>(v.z)) * 180 / std::numbers::pi; }

// CIE X, Y, Z back from a sky colour: the inverse of the sky's XYZ-to-RGB
// matrix applied to rgb / pi.
inline Vector3 xyz_of(const Color &c) {
    const double inverse[3][3] = {{0.4122870036, 0.3574061483, 0.1804353421},
                                  {0.2125270668, 0.7149926140, 0.0719217754},
                                  {0.0191745028, 0.1190574730, 0.9503951400}};
    float out[3];
    for (int r = 0; r < 3; ++r)
        out[r] = static_cast<float>((inverse[r][0] * c.r + inverse[r][1] * c.g + inverse[r][2] * c.b) / std::numbers::pi);
    return Vector3{out[0], out[1], out[2]};
}

// Scripts rx_query: `answer(code, item, out)` is asked first; when it
// declines (returns false) the test host's own answer is given.
template <class F>
void script_query(F answer) {
    uvo_test::host().script.rx_query = [answer](int32_t code, ShadingState *s, Tag item, void *out) -> Boolean {
        if (answer(code, item, out))
            return 1;
        return uvo_test::default_query(code, s, item, out);
    };
}

// Integral of f(direction) x cos(theta) over the upper hemisphere by the
// midpoint rule on an n x 4n grid in (theta, phi).
template <class F>
double integrate_cosine_weighted(F &&f, int n = 90) {
    const double dt = std::numbers::pi / 2 / n, dp = 2 * std::numbers::pi / (4 * n);
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < 4 * n; ++j) {
            const double t = (i + 0.5) * dt, p = (j + 0.5) * dp;
            const Vector3 d{static_cast<float>(std::sin(t) * std::cos(p)), static_cast<float>(std::sin(t) * std::sin(p)),
                            static_cast<float>(std::cos(t))};
            sum += f(d) * std::cos(t) * std::sin(t) * dt * dp;
        }
    return sum;
}

}  // namespace sky_test
