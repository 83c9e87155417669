// The material's main shading path: cut-out, normals and weights, distance
// attenuation inside refractive solids, importance, the component stages and
// their sum into the 101-slot output record, and the ray type dispatch of the
// two material shaders.
//
// The component stages (direct light, indirect light and occlusion,
// reflection, refraction) and the shadow and photon paths are reached through
// a MaterialStages table: material_stages() has them all, and a test can run
// the path with only some of them (a null entry contributes nothing).
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

// A component stage: reads the work record (set up by shade_main) and writes
// its contribution and raw slots of the outputs, which shade_main has cleared.
using MaterialStage = void (*)(MaterialOutputs *outputs, ShadingState *state, MaterialWorkRecord *work,
                               const MaterialParams *params);
// The shadow or photon path: result is the shadow transmission colour or the
// photon energy; returns what the shader returns.
using MaterialRayPath = Boolean (*)(Color *result, ShadingState *state, const MaterialParams *params);

struct MaterialStages {
    MaterialStage direct_light = nullptr;    // diffuse, highlights and translucency from lights
    MaterialStage indirect_light = nullptr;  // final-gather light and ambient occlusion
    MaterialStage reflection = nullptr;
    MaterialStage refraction = nullptr;
    MaterialRayPath shadow = nullptr;        // ray type 5
    MaterialRayPath photon = nullptr;        // photon ray types
};

// The main path for any ray type but shadow, photon and displacement rays:
// fills `outputs` (see MaterialOutputs) and fills a claimed "rxXMST" record.
// Always returns true.
Boolean shade_main(MaterialOutputs *outputs, ShadingState *state, const MaterialParams *params,
                   const MaterialStages &stages);

// The material's own stages and paths.
const MaterialStages &material_stages();

// The shader function of uvo_material (`extended` false: `result` is one
// Color) and uvo_material_x (`extended` true: `result` may be a whole
// MaterialOutputs when multiple_outputs is on and the host lets it be written
// in place).  Shadow and photon rays go to their paths (false when the table
// has none), displacement rays are refused.
Boolean material_dispatch(Color *result, ShadingState *state, const MaterialParams *params, bool extended,
                          const MaterialStages &stages);

}  // namespace uvo
