// Host function: rx_ray_falloff, and the limit it sets for tracing.
#include "render/ray_falloff.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "render/context.h"

using namespace uvo_host;

namespace {

struct Range {
    double start = 0.0;
    double stop = 0.0;
};

// One range per state depth of this thread.  Shaders always put back what
// they exchanged, so a depth's range is the empty one whenever no shader at
// that depth is between its two calls.
thread_local Range t_ranges[kMaxStates];

Range &range_of(const ShadingState *state) {
    return t_ranges[std::clamp(depth_of(state), 0, kMaxStates - 1)];
}

}  // namespace

namespace uvo_host {

float falloff_limit(const ShadingState *state) {
    const double stop = range_of(state).stop;
    return stop > 0.0 ? static_cast<float>(stop) : std::numeric_limits<float>::infinity();
}

}  // namespace uvo_host

extern "C" Boolean rx_ray_falloff(ShadingState *state, double *start, double *stop) {
    Range &range = range_of(state);
    if (start != nullptr)
        std::swap(range.start, *start);
    if (stop != nullptr)
        std::swap(range.stop, *stop);
    return 1;
}
