#include "xmtl/indirect_request.h"

#include <cmath>

#include "frame/importance.h"

namespace uvo {

IndirectRequest indirect_request(const ShadingState *state, const MaterialWorkRecord &work, float weight) {
    IndirectRequest request{};
    request.size = sizeof(IndirectRequest);
    if (const RenderOptions *o = state->options) {
        // Truncated toward zero, a negative product included.
        const float rays = static_cast<float>(o->gather_rays) * work.indirect_quality;
        request.rays = rays < 0.0f ? -sample_count(-rays) : sample_count(rays);
        request.max_radius = o->gather_max_radius;
        request.min_radius = o->gather_min_radius;
        request.view = o->gather_view;
        request.filter = o->gather_filter;
        request.points = o->gather_points;
        request.falloff_start = o->gather_falloff_start;
        request.depth = o->gather_depth;
        request.falloff_stop = o->gather_falloff_stop;
    }
    request.importance = work.indirect_query_failed != 0 ? 1.0f : weight * work.importance;
    return request;
}

}  // namespace uvo
