// The fall-off range store, and the limit it sets for tracing.
#include "render/ray_falloff.h"

#include <algorithm>
#include <limits>

#include "render/context.h"

namespace uvo_host {

namespace {
thread_local FalloffRange t_ranges[kMaxStates];
}  // namespace

FalloffRange &falloff_range(const ShadingState *state) {
    return t_ranges[std::clamp(depth_of(state), 0, kMaxStates - 1)];
}

float falloff_limit(const ShadingState *state) {
    const double stop = falloff_range(state).stop;
    return stop > 0.0 ? static_cast<float>(stop) : std::numeric_limits<float>::infinity();
}

}  // namespace uvo_host
