// The material on shadow rays: how much of the light travelling towards a
// shaded point passes this surface.
#pragma once

#include "xmtl/material_params.h"

namespace uvo {

// Filters the shadow transmission colour `*result` in place: the cut-out
// share passes unchanged, the rest through the refraction weight (attenuated
// inside a solid with refractive falloff).  With segment shadows the shadow
// ray is continued first.  Returns true when light passes, false when the
// surface blocks it (opaque, or left to caustic photons).  Tests the cheap
// exits before any normal or weight work.
Boolean shade_shadow(Color *result, ShadingState *state, const MaterialParams *params);

}  // namespace uvo
