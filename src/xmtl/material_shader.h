// The exported material shaders: uvo_material (interface version 14) and
// uvo_material_x (version 16, four more parameters and the multi-output
// result record).  Both share one implementation: init and exit in
// xmtl/material_lifecycle.h, the shading in xmtl/pipeline.h.
//
// Glossy interpolation (reflection_interpolate, refraction_interpolate): an
// instance that asks for it gets an undersampler per purpose at init
// (xmtl/undersampler.h), which serves camera-ray reflections and refractions.
#pragma once

#include "frame/export.h"
#include "xmtl/material_params.h"

namespace uvo {

UVO_EXPORT int32_t uvo_material_version(void);
UVO_EXPORT int32_t uvo_material_x_version(void);
UVO_EXPORT Boolean uvo_material_x_init(ShadingState *state, MaterialParams *params, Boolean *request_instance_init);
UVO_EXPORT Boolean uvo_material_init(ShadingState *state, MaterialParams *params, Boolean *request_instance_init);
UVO_EXPORT Boolean uvo_material_x_exit(ShadingState *state, MaterialParams *params);
UVO_EXPORT Boolean uvo_material_exit(ShadingState *state, MaterialParams *params);
// `result`: one Color, or for uvo_material_x with multiple_outputs a whole
// MaterialOutputs (xmtl/material_records.h) when the host allows it.
UVO_EXPORT Boolean uvo_material(Color *result, ShadingState *state, MaterialParams *params);
UVO_EXPORT Boolean uvo_material_x(Color *result, ShadingState *state, MaterialParams *params);

}  // namespace uvo
