// Refractions of the material: the stage entry and the sampler that traces
// specular, glossy, anisotropic or diffuse transmitted rays, bent by the
// index of refraction unless the surface is thin-walled, with total internal
// reflection turned into a reflected ray and distance fall-off handed to the
// surface hit (RefractionFalloffRecord) or applied here.
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

// The stage (see MaterialStage): writes refraction_raw and refraction (rgb
// times the refraction weight, the coverage in the fourth channel).
void refraction_stage(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                      const MaterialParams *params);

// Traces 1 to work->refraction_samples transmitted rays and writes the
// average colour into out->rgb and the average coverage into out->a when the
// final sample count is positive (the caller clears it).  `weight`: weight
// of the branch.  Counts a branch skipped by refraction_cutoff in
// refraction_skip_count.
void refraction_sample(Color *out, ShadingState *state, const MaterialWorkRecord *work, float weight);

}  // namespace uvo
