// Helpers for the daylight tests: calls of an environment shader through the
// host for one direction, and a top-down camera over a white floor.
#pragma once

#include <cmath>
#include <numbers>
#include <string>

#include "render/context.h"
#include "render_support.h"
#include "render/shading.h"

namespace uvo_host_test {

// Calls shader instances of the current world on states of its own thread
// context, the way the host calls them while rendering.
class HostCaller {
public:
    explicit HostCaller(uvo_host::World &world) : context_(0) {
        saved_ = uvo_host::current_context();
        uvo_host::set_current_context(&context_);
        root_ = context_.root(world.scene);
    }
    ~HostCaller() {
        context_.pop(root_);
        uvo_host::set_current_context(saved_);
    }
    HostCaller(const HostCaller &) = delete;
    HostCaller &operator=(const HostCaller &) = delete;

    ShadingState *root() { return root_; }

    // The colour `environment` gives a ray of `type` leaving the world origin
    // along `direction` (unit, internal space), called as an environment.
    Color environment(uvo_host::ShaderInstance *environment, const Vector3 &direction,
                      int32_t type = UVO_RAY_ENVIRONMENT) {
        ShadingState *state = context_.push(root_);
        state->ray_type = type;
        state->origin = Vector3{0, 0, 0};
        state->point = state->origin;
        state->direction = direction;
        Color c{0, 0, 0, 0};
        uvo_host::call_shader_instance(environment, &c, state, UVO_SHADER_ENVIRONMENT);
        context_.pop(state);
        return c;
    }

    // Irradiance on a surface facing +y from the sky of `environment` (green
    // channel): the integral of L cos over the upper hemisphere by the
    // midpoint rule in (cos theta, phi), which weighs solid angle exactly.
    double horizontal_illuminance(uvo_host::ShaderInstance *environment, int n_mu, int n_phi) {
        const double pi = std::numbers::pi;
        double sum = 0.0;
        for (int i = 0; i < n_mu; ++i) {
            const double mu = (i + 0.5) / n_mu, s = std::sqrt(1.0 - mu * mu);
            for (int j = 0; j < n_phi; ++j) {
                const double phi = 2.0 * pi * (j + 0.5) / n_phi;
                const Vector3 d{static_cast<float>(s * std::cos(phi)), static_cast<float>(mu),
                                static_cast<float>(s * std::sin(phi))};
                sum += this->environment(environment, d).g * mu;
            }
        }
        return sum * (1.0 / n_mu) * (2.0 * pi / n_phi);
    }

private:
    uvo_host::ThreadContext context_;
    uvo_host::ThreadContext *saved_ = nullptr;
    ShadingState *root_ = nullptr;
};

// A white Lambert floor gathering the environment with `rays` rays.
inline std::string white_floor(int rays) {
    return R"({"name": "floor", "type": "plane", "size": 40,
        "material": {"shader": "lambert", "params": {"diffuse": [1, 1, 1], "samples": )" +
           std::to_string(rays) + "}}}";
}

}  // namespace uvo_host_test
