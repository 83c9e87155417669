// Shader-level and instance-level init and exit of the material, shared by
// uvo_material and uvo_material_x (uvo_material's init runs the same code).
//
// Shader level (params null): init resets the skip counts and the invalid-
// number flag, arms the wrong-interface error and asks for instance init;
// exit reports and resets the skip counts.
//
// Instance level: init allocates the MaterialInstance (module xmtl) into the
// user-data slot, records the declaration version (query 89) and what
// interpolation the instance asks for, and warns about contour rendering with
// interpolation and about refractive falloff without segment shadows; exit
// releases the record.  Both always return true.
#pragma once

#include "xmtl/material_params.h"
#include "xmtl/material_records.h"

namespace uvo {

Boolean material_init(ShadingState *state, const MaterialParams *params, Boolean *request_instance_init);
Boolean material_exit(ShadingState *state, const MaterialParams *params);

// The instance record of the current call (user-data slot), or null.
MaterialInstance *material_instance(ShadingState *state);

// True when both contour flags of the render options are set.
bool contour_rendering(const ShadingState *state);

}  // namespace uvo
