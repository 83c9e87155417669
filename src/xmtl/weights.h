// Component weights of a material shading call: which side of the surface
// the ray is on, how much is reflected (Fresnel or a custom curve), how the
// energy is shared between reflection, refraction, translucency and diffuse,
// the depth limits, and the stage parameters the later stages need.
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

// Fills the weight and stage fields of `work` (all but the normals, bump and
// importance) from `params`, reading each parameter only on the path that
// needs it.  Runs after prepare_normals.  For thin_walled_mode 2 and 3 it
// also sets the state's inside flag from the ray history.
void evaluate_weights(ShadingState *state, MaterialWorkRecord *work, const MaterialParams *params);

}  // namespace uvo
