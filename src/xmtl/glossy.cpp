#include "xmtl/glossy.h"

#include <cmath>

#include "frame/binding.h"
#include "frame/vector_math.h"
#include "xmtl/weight_models.h"

namespace uvo {

void glossy_reflection_dir(Vector3 *dir, ShadingState *state, const MaterialWorkRecord *work, float glossiness,
                           float anisotropy, const double *sample) {
    if (glossiness >= 1.0f) {
        rx_reflection_dir(dir, state);
        return;
    }
    if (glossiness <= 0.0f) {
        rx_reflection_dir_diffuse_x(dir, state, sample);
        return;
    }
    const double e = glossy_exponent(glossiness);
    const Vector3 d = state->direction;
    const float saved_dot_nd = state->dot_nd;
    const Vector3 n = state->normal;

    // A ray coming straight down the normal reflects into a lobe centred on
    // the normal: its directions are sampled half-way vectors.
    state->direction = negate(n);
    state->dot_nd = -1.0f;
    Vector3 lobe{0.0f, 0.0f, 0.0f};
    if (std::fabs(anisotropy - 1.0f) < 0.01f)
        rx_reflection_dir_glossy_x(&lobe, state, static_cast<float>(e), sample);
    else
        rx_reflection_dir_anisglossy_x(&lobe, state, &work->aniso_u, &work->aniso_v, static_cast<float>(e),
                                       static_cast<float>(e * anisotropy), sample);
    const Vector3 h = normalized(add(lobe, n));
    state->direction = d;

    state->normal = h;
    state->dot_nd = dot(h, d);
    const Vector3 r = sub(d, scale(h, 2.0f * dot(d, h)));
    rx_reflection_dir(dir, state);
    state->normal = n;
    state->dot_nd = saved_dot_nd;

    const Vector3 g = state->normal_geom;
    const float below = dot(r, g);
    if (below < 0.0f)
        *dir = sub(r, scale(g, 2.0f * below));
}

bool passes_cutoff(ShadingState *state, float branch, float cutoff, std::atomic<int32_t> &skipped) {
    double q = 0.0;
    rx_sample(&q, nullptr, state, 1, nullptr);
    if (branch < cutoff * static_cast<float>(q)) {
        skipped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    return true;
}

bool finite_sum(const Color &c, bool rgb_only) {
    const float sum = c.r + c.g + c.b + (rgb_only ? 0.0f : c.a);
    return std::isfinite(sum);
}

void guard_invalid_numbers(Color *result, bool rgb_only, const char *what) {
    if (finite_sum(*result, rgb_only))
        return;
    *result = Color{0.0f, 0.0f, 0.0f, 0.0f};
    if (material_state().invalid_number_reported.exchange(1, std::memory_order_relaxed) == 0)
        rx_info("uvo_material(_x): A %s ray hit some object returning invalid numbers. NaN prevention now enabled.",
                what);
}

}  // namespace uvo
