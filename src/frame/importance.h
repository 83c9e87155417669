// Importance of a ray-tree branch and the sample budget that follows from it.
//
// The importance of a shading call is the product of the weights of the
// secondary rays that led to it.  It is kept in the shader-state entry "rxIM"
// (inherited by child rays) and mirrored in ShadingState::importance.  Every
// branch that traces secondary rays brackets them with push_importance and
// pop_importance on an ImportanceFrame of its own stack.
#pragma once

#include <cstdint>

#include "uvo/host_interface.h"

namespace uvo {

struct ImportanceFrame {
    uint32_t low_samples = 0;       // samples on reduced rays; 0: none given
    float saved_importance = 1.0f;  // importance before the push (filled by the push)
};

// The most samples or rays one loop of a shading call is given: a count
// computed from a weight, an importance or an opacity (which callers do not
// bound) is cut to it, so no setting turns into a count beyond int32_t.
constexpr int32_t max_sample_count = 1 << 20;

// trunc(value) as a count in [0, max_sample_count]; NaN gives 0.
inline int32_t sample_count(double value) {
    if (!(value > 0.0))
        return 0;
    return value < static_cast<double>(max_sample_count) ? static_cast<int32_t>(value) : max_sample_count;
}

// 1 when expensive work should be cut back on this ray, else 0.
int is_reduced_ray(ShadingState *state);

// The importance in force ("rxIM", no range test), 1 at the root.
float current_importance(ShadingState *state);

// Enter a branch of weight `weight` whose work takes `*count` samples (count
// may be null).  Scales *count by the importance in force, stores the new
// per-sample importance and returns the importance of the whole branch.
float push_importance(ShadingState *state, ImportanceFrame *frame, int32_t *count, float weight);

// Leave the branch: the importance before the matching push is back.
void pop_importance(ShadingState *state, const ImportanceFrame *frame);

}  // namespace uvo
