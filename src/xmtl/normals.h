// Normal preparation of every material shading call: bump shader, the two
// bump vectors of uvo_material_x, the diffuse normal, the rotated tangent
// frame and, for shadow rays, the normal turned to face the ray.
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

// Fills entry_normal, shading_normal, diffuse_normal, aniso_u, aniso_v,
// diffuse_bump_off, bump_shader and bump_suppressed of `work`, whose instance
// must be set (its declaration_version decides whether slots 96 to 102 are
// read).  Leaves the bumped normal and its normal-dot-direction value in the
// state, and for shadow rays met from behind the flipped normal and the
// inside flag.  Runs before evaluate_weights.
void prepare_normals(ShadingState *state, MaterialWorkRecord *work, const MaterialParams *params);

}  // namespace uvo
