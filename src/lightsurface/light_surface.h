// uvo_light_surface: the glow of a lamp's visible geometry.
//
// The parameters are listed below, with their slots and meanings.
//
// Shadow rays pass unchanged (in segment-shadow mode they are continued).  The
// shader keeps no record and has no init or exit.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// The parameter block, in slot order.
#define UVO_LIGHT_SURFACE_PARAMETERS(X)                                                                   \
    X(Color, surface_color, 0, "color", "[1, 1, 1, 1]", "[0, inf) per channel", "", "colour of the glow")                        \
    X(float, surface_intensity, 4, "scalar", "1.0", "[0, inf)", "", "strength of the own glow")              \
    X(float, reduced_ray_scale, 5, "scalar", "1.0", "[0, inf)", "",                                          \
      "factor on rays the host marks reduced (query 142)")                                                   \
    X(float, reflection_ray_scale, 6, "scalar", "1.0", "[0, inf)", "", "factor on reflection rays")          \
    X(Boolean, add_light_output, 7, "boolean", "false", "", "", "add the output sampled from `lights`")      \
    X(float, light_output_scale, 8, "scalar", "1.0", "[0, inf)", "", "factor on the sampled output")         \
    X(Vector3, sample_position, 9, "vector", "[0, 0, 0]", "any", "light space units",                                            \
      "where to sample from, in each light's space; (0,0,0) samples from the shaded point")                  \
    X(LightTags, lights, 12, "array light", "", "", "", "lights whose output is sampled")

UVO_PARAMETER_BLOCK(LightSurfaceParams, UVO_LIGHT_SURFACE_PARAMETERS);
static_assert(offsetof(LightSurfaceParams, lights.elements) == 56);

constexpr int light_surface_version = 3;

UVO_EXPORT int32_t uvo_light_surface_version(void);
UVO_EXPORT Boolean uvo_light_surface(Color *result, ShadingState *state, LightSurfaceParams *params);

}  // namespace uvo
