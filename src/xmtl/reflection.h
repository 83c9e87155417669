// Reflections of the material: the stage entry (highlights-only reflections
// from the host's indirect-light cache, or traced ones), the chooser (distance
// fall-off parameters; the instance's undersampler for camera rays when
// interpolation is on) and the sampler that traces mirror or glossy
// reflection rays.
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

// The stage (see MaterialStage): writes reflection_raw and reflection.rgb
// (times the reflection weight and the internal-reflection factor).
void reflection_stage(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                      const MaterialParams *params);

// Traces 1 to work->reflection_samples reflection rays (one mirror ray at
// glossiness 1) and writes their average into out->rgb when at least one was
// taken (the caller clears it).  `weight`: weight of the branch for the
// importance budget and cut-off.  `falloff_distance` > 0 limits the rays and
// blends hits towards `falloff_color` (or the environment when null) with
// distance.  `nearest`, when given, is lowered to the nearest hit distance.
// Counts a branch skipped by reflection_cutoff in reflection_skip_count.
void reflection_sample(Color *out, ShadingState *state, const MaterialWorkRecord *work, float weight,
                       float falloff_distance, const Color *falloff_color, float *nearest);

}  // namespace uvo
