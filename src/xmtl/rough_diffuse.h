// Diffuse reflection of a rough surface (a qualitative model with an
// inter-reflection term), used by the light loop when diffuse_roughness is
// above 0.
#pragma once

#include "uvo/host_interface.h"

namespace uvo {

// Reflected share per channel, each at most 1, for light from unit direction
// `L` seen along the ray direction `V`, about the unit normal `N`, with
// roughness sigma, albedo `albedo` (r, g, b) and cosine = L . N (already
// faded by the caller).  Angles in radians.
Color rough_diffuse(Vector3 L, Vector3 V, Vector3 N, float roughness, const Color &albedo, float cosine);

}  // namespace uvo
