#include "xmtl/material_shader.h"

#include "xmtl/material_lifecycle.h"
#include "xmtl/pipeline.h"

namespace uvo {

UVO_EXPORT int32_t uvo_material_version(void) { return material_version; }
UVO_EXPORT int32_t uvo_material_x_version(void) { return material_x_version; }

UVO_EXPORT Boolean uvo_material_x_init(ShadingState *state, MaterialParams *params, Boolean *request_instance_init) {
    return material_init(state, params, request_instance_init);
}

UVO_EXPORT Boolean uvo_material_init(ShadingState *state, MaterialParams *params, Boolean *request_instance_init) {
    return uvo_material_x_init(state, params, request_instance_init);
}

UVO_EXPORT Boolean uvo_material_x_exit(ShadingState *state, MaterialParams *params) {
    return material_exit(state, params);
}

UVO_EXPORT Boolean uvo_material_exit(ShadingState *state, MaterialParams *params) {
    return material_exit(state, params);
}

UVO_EXPORT Boolean uvo_material(Color *result, ShadingState *state, MaterialParams *params) {
    return material_dispatch(result, state, params, false, material_stages());
}

UVO_EXPORT Boolean uvo_material_x(Color *result, ShadingState *state, MaterialParams *params) {
    return material_dispatch(result, state, params, true, material_stages());
}

}  // namespace uvo
