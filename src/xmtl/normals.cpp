#include "xmtl/normals.h"

#include <cmath>
#include <numbers>

#include "frame/binding.h"
#include "frame/vector_math.h"
#include "xmtl/bump_vector.h"
#include "xmtl/tangent_frame.h"

namespace uvo {

void prepare_normals(ShadingState *state, MaterialWorkRecord *work, const MaterialParams *params) {
    const int32_t channel = eval(state, params, params->anisotropy_channel);
    work->bump_shader = eval(state, params, params->bump_shader);
    work->entry_normal = state->normal;

    int32_t suppressed = 0;
    rx_query(UVO_QUERY_REDUCED_RAY, state, 0, &suppressed);
    work->bump_suppressed = suppressed;

    work->diffuse_bump_off = eval(state, params, params->diffuse_bump_off);
    work->diffuse_normal = work->entry_normal;

    if (work->bump_suppressed == 0) {
        if (work->bump_shader != 0) {
            Color scratch{0.0f, 0.0f, 0.0f, 0.0f};  // a bump shader's own result is not used
            rx_call_shader(&scratch, UVO_SHADER_TEXTURE, state, work->bump_shader);
        }
        const MaterialInstance *instance = work->instance;
        if (instance != nullptr && instance->declaration_version >= material_extension_version) {
            const int32_t mode = eval(state, params, params->bump_mode);
            if (mode > 0) {
                // The bump vectors replace whatever the bump shader did.
                state->normal = work->entry_normal;
                apply_bump_vector(state, mode, &state->normal, eval(state, params, params->overall_bump));
                work->diffuse_normal = state->normal;
                apply_bump_vector(state, mode, &state->normal, eval(state, params, params->standard_bump));
            }
        }
    }

    work->shading_normal = state->normal;
    state->dot_nd = dot(state->normal, state->direction);
    if (work->diffuse_bump_off == 0)
        work->diffuse_normal = work->shading_normal;

    Vector3 u{}, v{};
    tangent_frame(state, &u, &v, channel);
    const float rotation = eval(state, params, params->anisotropy_rotation);
    u = normalized(reject(u, state->normal));
    v = normalized(reject(v, state->normal));
    if (rotation != 0.0f) {
        const double angle = static_cast<double>(rotation) * 2.0 * std::numbers::pi;
        const float c = static_cast<float>(std::cos(angle));
        const float s = static_cast<float>(std::sin(angle));
        const Vector3 ru = add(scale(u, c), scale(v, s));
        const Vector3 rv = sub(scale(v, c), scale(u, s));
        u = ru;
        v = rv;
    }
    work->aniso_u = u;
    work->aniso_v = v;

    // Shadow rays may meet the surface from behind: shade as seen from the
    // ray's side, from inside.
    if (state->ray_type == UVO_RAY_SHADOW && state->dot_nd > 0.0f) {
        state->normal = negate(state->normal);
        work->shading_normal = negate(work->shading_normal);
        work->diffuse_normal = negate(work->diffuse_normal);
        state->inside = 1;
        state->dot_nd = dot(state->normal, state->direction);
    }
}

}  // namespace uvo
