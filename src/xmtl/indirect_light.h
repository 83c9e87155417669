// Indirect light and ambient occlusion of the material: the indirect light
// gathered at the front side from the host's cache, then optionally an
// occlusion estimate from probe rays over the hemisphere that blends between
// an ambient and a dark colour; in the colour-bleeding variant (ao_mode 2 or
// ao_detail_mode 2) occluders tint the occlusion with their own shading.
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

// The stage (see MaterialStage).  Writes indirect_gathered, occlusion_ambient,
// occlusion (r, g, b = openness, when occlusion ran) and adds the final
// indirect colour times the diffuse weight to indirect.
void indirect_light(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                    const MaterialParams *params);

// Number of occlusion probes: ao_samples scaled by the importance (at least
// 1), 1 on reduced rays (0 when bleeding), and for bleeding on gather rays
// without final gathering 1 or 0 by depth and cut-off.
int32_t occlusion_probe_count(ShadingState *state, const MaterialWorkRecord &work, bool bleeding);

}  // namespace uvo
