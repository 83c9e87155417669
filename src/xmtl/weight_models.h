// Pure pieces of the material's models, free of host calls: the component
// weights and the distance fall-off inside a medium.
#pragma once

#include "uvo/host_interface.h"

namespace uvo {

// Custom reflectance curve: with x = |cos| of the angle between ray and
// normal, t = (1 - x)^k (double precision, then single); the factor is
// (1 - t) r0 + t r90 (r0 at normal incidence, r90 at grazing incidence).
float custom_reflectance(float cosine, float r0, float r90, float k);

// Scale of reflections seen from inside a solid with skip_internal_reflections:
// 0 below reflectivity 0.5, 1 from 0.9, a smooth step in between.
float internal_reflection_factor(float reflectivity);

// Inside flag of thin_walled_mode 2 (from outside) and 3 (from inside): the
// parity of the surface crossings (ray types 3, 13, 14, 15) on the way from
// the last eye ray (type 0, not counted) to `state`, itself included.
bool inside_from_ray_history(const ShadingState *state, int32_t thin_walled_mode);

// Ray-count multiplier of indirect light: q, or with a weight w above 0,
// q w raised to at least 1.
float indirect_quality_factor(float quality, float weight);

// Scales the four channels of `*color` for light that travelled `distance`
// through a medium: towards `falloff_color` (raised to distance /
// falloff_distance, double precision) when `color_enable`, else linearly to
// black at `falloff_distance`.  Nothing happens when either distance is 0 or
// less.
void falloff_attenuation(Color *color, double distance, float falloff_distance, const Color &falloff_color,
                         int32_t color_enable);

// Glossy exponent of a glossiness strictly between 0 and 1: 2^(8 g), in
// double precision (0.5 gives 16, 0.75 gives 64).
double glossy_exponent(float glossiness);

}  // namespace uvo
