// uvo_roundcorners: a bump shader that makes sharp edges look rounded.  It
// probes the geometry around the shading point within `radius` and bends the
// normal towards the normals of nearby faces, so two faces meeting at an edge
// get a smooth transition of their shading normals.
//
// The parameters are listed below, with their slots, ranges, units and
// meanings.
//
// Result: a vector (three floats).  Mode 0 leaves the rounded normal in the
// state and returns (0, 0, 0); modes 1 to 4 return the perturbation (new
// normal minus entry normal), 5 to 8 the new normal, each in the mode's space,
// and leave the state's normal as it was.  No per-instance record.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// X(ctype, name, slot, type, default, range, unit, description): see
// frame/param_list.h.
#define UVO_ROUNDCORNERS_PARAMETERS(X) \
    X(float, radius, 0, "scalar", "0.0", "[0, inf)", "scene units", \
      "rounding radius; <= 0 no rounding") \
    X(Boolean, include_other_materials, 1, "boolean", "false", "", "", \
      "faces of other materials take part too") \
    X(Tag, chained_shader, 2, "shader", "", "", "", \
      "bump shader called after rounding in vector_mode 0") \
    X(int32_t, vector_mode, 3, "integer", "0", "0..8", "", \
      "0 round the state's normal; 1-4 return the perturbation, 5-8 the new normal, in internal (1, " \
      "5), world (2, 6), object (3, 7) or camera (4, 8) space") \
    X(Vector3, perturb_vector, 4, "vector", "[0, 0, 0]", "any", "", \
      "applied to the normal with vector_mode (read when it is not 0)")

UVO_PARAMETER_BLOCK(RoundCornersParams, UVO_ROUNDCORNERS_PARAMETERS);
static_assert(sizeof(RoundCornersParams) == 4 * 7);

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
