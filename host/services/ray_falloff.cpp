// Host function: rx_ray_falloff, over the range store of render/ray_falloff.h.
#include <utility>

#include "render/ray_falloff.h"

extern "C" Boolean rx_ray_falloff(ShadingState *state, double *start, double *stop) {
    uvo_host::FalloffRange &range = uvo_host::falloff_range(state);
    if (start != nullptr)
        std::swap(range.start, *start);
    if (stop != nullptr)
        std::swap(range.stop, *stop);
    return 1;
}
