// The material on photon rays: absorb by opacity and falloff, store the
// photon on diffuse surfaces, and send it on along one component chosen by
// Russian roulette.
#pragma once

#include "xmtl/material_params.h"

namespace uvo {

// `*result` is the photon's energy, scaled in place and handed to the host's
// photon functions.  Returns true, or on the cut-out path what
// rx_trace_continue returns.
Boolean shade_photon(Color *result, ShadingState *state, const MaterialParams *params);

}  // namespace uvo
