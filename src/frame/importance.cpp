#include "frame/importance.h"

#include <cmath>

#include "frame/binding.h"

namespace uvo {
namespace {

void store_importance(ShadingState *state, float importance) {
    state->importance = importance;
    rx_shaderstate_set(state, UVO_KEY_IMPORTANCE, &importance, sizeof importance, UVO_LIFETIME_SHADER);
}

}  // namespace

int is_reduced_ray(ShadingState *state) {
    if (state->options == nullptr || state->options->final_gather == 0)
        return 0;
    if (state->ray_type == UVO_RAY_GATHER)
        return 1;
    if (state->ray_type == UVO_RAY_EYE) {
        int32_t size;
        if (rx_shaderstate_get(state, UVO_KEY_GATHER_PARENT, &size) != nullptr)
            return 0;
    }
    int32_t context;
    if (!rx_query(UVO_QUERY_GATHER_CONTEXT, state, 0, &context))
        return 1;
    int32_t reduced = 0;
    rx_query(UVO_QUERY_REDUCED_RAY, state, 0, &reduced);
    return reduced != 0 ? 1 : 0;
}

float current_importance(ShadingState *state) {
    const float *stored = static_cast<const float *>(rx_shaderstate_get(state, UVO_KEY_IMPORTANCE, nullptr));
    return stored ? *stored : 1.0f;
}

float push_importance(ShadingState *state, ImportanceFrame *frame, int32_t *count, float weight) {
    const float *stored = static_cast<const float *>(rx_shaderstate_get(state, UVO_KEY_IMPORTANCE, nullptr));
    int32_t n = 1;
    float importance;
    if (stored != nullptr && *stored <= 1.0f) {
        const float p = *stored;
        frame->saved_importance = p;
        if (count != nullptr) {
            if (*count > 1) {
                if (frame->low_samples > 0 && is_reduced_ray(state))
                    n = static_cast<int32_t>(frame->low_samples);
                else
                    n = sample_count(std::sqrt(static_cast<double>(weight)) * *count * p);
            } else {
                n = *count;
            }
            if (n < 1)
                n = 1;
            *count = n;
        }
        importance = p * weight / static_cast<float>(n);
    } else {
        frame->saved_importance = 1.0f;
        if (count != nullptr) {
            n = *count;
            if (frame->low_samples > 0 && is_reduced_ray(state))
                n = static_cast<int32_t>(frame->low_samples);
            *count = n;
        }
        importance = weight / static_cast<float>(n);
    }
    store_importance(state, importance);
    return static_cast<float>(n) * importance;
}

void pop_importance(ShadingState *state, const ImportanceFrame *frame) {
    store_importance(state, frame->saved_importance);
}

}  // namespace uvo
