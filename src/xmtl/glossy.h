// Pieces shared by the material's glossy samplers: the reflection direction
// (reflection, refraction and photon paths), the importance cut-off draw and
// the invalid-number guard (reflection and refraction).
#pragma once

#include <atomic>

#include "xmtl/material_records.h"

namespace uvo {

// Writes to `*dir` a reflection direction for the state's ray about the
// state's normal: the mirror direction for glossiness 1 or more, a diffuse
// direction for 0 or less, and otherwise the mirror about a half-way vector
// drawn from a lobe of exponent 2^(8 g) around the normal (anisotropic, with
// exponents e along work->aniso_u and e * anisotropy along work->aniso_v,
// unless anisotropy is within 0.01 of 1).  A direction that would go under
// the geometric surface is mirrored back above it.  `sample`: two numbers in
// [0, 1) from rx_sample.  The state's direction, normal and normal-dot-
// direction value are changed during the call and restored.
void glossy_reflection_dir(Vector3 *dir, ShadingState *state, const MaterialWorkRecord *work, float glossiness,
                           float anisotropy, const double *sample);

// The cut-off draw of a sampler: one number q in [0, 1) from rx_sample.  A
// branch whose importance is below cutoff × q traces nothing and is counted in
// `skipped`; returns whether the branch goes on.
bool passes_cutoff(ShadingState *state, float branch, float cutoff, std::atomic<int32_t> &skipped);

// True when r + g + b (+ a unless `rgb_only`) is a finite number.
bool finite_sum(const Color &c, bool rgb_only);

// Replaces a result with invalid numbers by black and reports the first such
// result after a shader-level init (`what`: "reflection" or "refraction").
void guard_invalid_numbers(Color *result, bool rgb_only, const char *what);

}  // namespace uvo
