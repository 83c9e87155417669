// The request handed to the host's indirect-light averaging
// (rx_compute_avg_radiance) by the material's back-side light, its
// front-side indirect light and its highlights-only reflections.
#pragma once

#include "xmtl/material_records.h"

namespace uvo {

// The request: the render options' gather block copied in order, the ray
// count scaled by work->indirect_quality (truncated), and the importance
// 1.0 when work->indirect_query_failed is set, else weight x work->importance.
IndirectRequest indirect_request(const ShadingState *state, const MaterialWorkRecord &work, float weight);

}  // namespace uvo
