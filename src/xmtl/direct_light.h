// Direct lighting of the material: the light loop over the material's
// lights, accumulating direct diffuse light, raw irradiance, the raw
// three-lobe anisotropic highlight and the light reaching the back side
// (translucency).  While it runs, the LightLoopInfo under "rxXMLD" tells
// light shaders the material's glossiness and importance and lets them scale
// its diffuse and specular response per light.
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

// The stage (see MaterialStage).  Adds to direct_diffuse, irradiance,
// highlight_raw and translucency_raw (cleared by the caller) and writes
// highlight_level, highlight and translucency.  Leaves the state's normal at
// work->shading_normal and its ray depths as they were.
void direct_light(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                  const MaterialParams *params);

// A glossy exponent limited for a light: e below `cap`, else cap + sqrt(e -
// cap).  The cap is 24 for area lights and 80 for the others.
float compress_exponent(float exponent, float cap);

// Fade of a light sample's cosine near the horizon of the unbumped normal:
// 1 from d = 0.25 on, a smooth step from 0 below.
float horizon_fade(float d);

}  // namespace uvo
