#include "xmtl/bump_vector.h"

#include "frame/binding.h"
#include "frame/vector_math.h"

namespace uvo {

void apply_bump_vector(ShadingState *state, int32_t mode, Vector3 *normal, Vector3 vector) {
    if (vector.x == 0.0f && vector.y == 0.0f)
        return;
    Vector3 v = vector;
    switch (mode) {
    case 2: case 6: rx_vector_from_world(state, &v, &vector); break;
    case 3: case 7: rx_vector_from_object(state, &v, &vector); break;
    case 4: case 8: rx_vector_from_camera(state, &v, &vector); break;
    default: break;
    }
    *normal = normalized(mode > 4 ? v : add(*normal, v));
}

Vector3 to_mode_space(ShadingState *state, int32_t mode, Vector3 vector) {
    Vector3 out = vector;
    switch (mode) {
    case 2: case 6: rx_vector_to_world(state, &out, &vector); break;
    case 3: case 7: rx_vector_to_object(state, &out, &vector); break;
    case 4: case 8: rx_vector_to_camera(state, &out, &vector); break;
    default: break;
    }
    return out;
}

}  // namespace uvo
