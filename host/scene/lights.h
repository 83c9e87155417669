// Light geometry and sampling: where a light sample lies and how much light
// it sends to a point before shadows.
//
// Conventions: a light's own space has the light at its origin emitting along
// -z (HostLight.direction = (0, 0, -1)); a rectangle light spans edge_u and
// edge_v centred on the origin and emits from its front face (the -z side).
// Colours returned are irradiance per unit cosine at the receiving point:
// a point light I / d^2, a directional light its irradiance, a rectangle
// sample L cos(theta_light) A / d^2, so that averaging samples and weighting
// by the receiver's cosine estimates the irradiance.
#pragma once

#include "scene/scene.h"

namespace uvo_host {

// Derives the internal-space geometry (position, direction, edges, area) of
// a light from its record and to_world.
void setup_light(Light &light);

struct LightSample {
    Vector3 position{};     // point on the light, internal space
    Vector3 direction{};    // unit, from the receiving point towards the light
    float distance = 0.0f;  // from the receiving point to `position`
    Color color{0, 0, 0, 1};
};

// Sample of `light` for a receiving point; (u, v) in [0, 1)^2 picks the point
// on an area light.  The colour is black when the point is behind a one-sided
// light.
LightSample sample_light(const Light &light, const Vector3 &point, double u, double v);

// Distance used for directional lights (far beyond any scene).
constexpr float kDirectionalDistance = 1e7f;

}  // namespace uvo_host
