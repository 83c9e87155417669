// uvo_roundcorners: a bump shader that makes sharp edges look rounded.  It
// probes the geometry around the shading point within `radius` and bends the
// normal towards the normals of nearby faces, so two faces meeting at an edge
// get a smooth transition of their shading normals.
//
// | slot  | parameter               | type    | meaning                                        |
// |-------|-------------------------|---------|------------------------------------------------|
// | 0     | radius                  | scalar  | rounding radius, internal-space units; <= 0:   |
// |       |                         |         | no rounding                                    |
// | 1     | include_other_materials | boolean | faces of other materials take part too         |
// | 2     | chained_shader          | shader  | called after rounding in mode 0                |
// | 3     | vector_mode             | integer | bump-vector mode (xmtl/bump_vector.h)          |
// | 4-6   | perturb_vector          | vector  | applied with vector_mode (read when mode != 0) |
//
// Result: a vector (three floats).  Mode 0 leaves the rounded normal in the
// state and returns (0, 0, 0); modes 1 to 4 return the perturbation (new
// normal minus entry normal), 5 to 8 the new normal, each in the mode's space,
// and leave the state's normal as it was.  No per-instance record.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/params.h"

namespace uvo {

struct RoundCornersParams {
    float radius;
    Boolean include_other_materials;
    Tag chained_shader;
    int32_t vector_mode;
    Vector3 perturb_vector;
};

static_assert(offsetof(RoundCornersParams, radius) == 0);
static_assert(offsetof(RoundCornersParams, include_other_materials) == 4);
static_assert(offsetof(RoundCornersParams, chained_shader) == 8);
static_assert(offsetof(RoundCornersParams, vector_mode) == 12);
static_assert(offsetof(RoundCornersParams, perturb_vector) == 16);
static_assert(sizeof(RoundCornersParams) == 28);

constexpr int roundcorners_version = 3;

// Weight of a probe's face normal in the rounded normal: faces at an angle to
// the current normal (q its dot product with that normal) and close to the
// point (distance d within radius) count most.  Pure; 0 when d > radius.
float roundcorners_weight(float q, double d, float radius);

UVO_EXPORT int32_t uvo_roundcorners_version(void);
UVO_EXPORT Boolean uvo_roundcorners_init(ShadingState *state, RoundCornersParams *params,
                                         Boolean *request_instance_init);
UVO_EXPORT Boolean uvo_roundcorners(Vector3 *result, ShadingState *state, RoundCornersParams *params);

}  // namespace uvo
