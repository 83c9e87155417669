#include "shaders/builtin_normal.h"

namespace uvo_host {
namespace {

struct NormalColorParams {
    Boolean mapped;
};

Boolean normal_color_shader(Color *result, ShadingState *state, void *block) {
    auto *p = static_cast<NormalColorParams *>(block);
    if (state->ray_type == UVO_RAY_SHADOW) {
        *result = Color{0, 0, 0, result->a};
        return 0;
    }
    const Boolean mapped = p->mapped;  // booleans cannot be connected
    const Vector3 n = state->normal;
    *result = mapped ? Color{0.5f + 0.5f * n.x, 0.5f + 0.5f * n.y, 0.5f + 0.5f * n.z, 1.0f}
                     : Color{n.x, n.y, n.z, 1.0f};
    return 1;
}

}  // namespace

const BuiltinShader &normal_color_builtin() {
    static const BuiltinShader shader{"normal_color", R"({"name": "normal_color", "version": 1, "result": "color",
        "parameters": [{"name": "mapped", "type": "boolean", "default": true}]})",
                                      normal_color_shader};
    return shader;
}

}  // namespace uvo_host
