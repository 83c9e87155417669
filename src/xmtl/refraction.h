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

// Writes a transmitted direction for the state's ray: indices (1, 1), or
// (work->ior, 1) from inside and (1, work->ior) from outside unless the
// surface is thin-walled; specular for glossiness `g` 1 or more, diffuse
// (always a success) for 0 or less, else a glossy lobe of exponent 2^(8 g)
// rounded to a float, anisotropic with that exponent times `a` along
// work->aniso_v unless `a` is within 0.01 of 1.  `sample`: two numbers in
// [0, 1) from rx_sample.  False on total internal reflection.  Shared by the
// refraction sampler and refraction photons.
bool transmitted_direction(Vector3 *direction, ShadingState *state, const MaterialWorkRecord *work, float g,
                           float a, const double *sample);

// Traces 1 to work->refraction_samples transmitted rays and writes the
// average colour into out->rgb and the average coverage into out->a when the
// final sample count is positive (the caller clears it).  `weight`: weight
// of the branch.  Counts a branch skipped by refraction_cutoff in
// refraction_skip_count.
void refraction_sample(Color *out, ShadingState *state, const MaterialWorkRecord *work, float weight);

}  // namespace uvo
