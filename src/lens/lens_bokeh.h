// uvo_lens_bokeh: a camera with a real aperture, as a lens shader.
//
// Each eye ray the host hands over becomes `sample_count` eye rays from points
// spread over the lens, all aimed at the point where the original ray crosses
// the plane of focus, and the result is their weighted average.  Points on that
// plane stay sharp; everything else blurs into the shape of the aperture: a
// disc, a polygon of straight blades, or an image (`aperture_texture`, looked
// up at the sample numbers over the square the lens radius spans).
//
// Every parameter is read on every call (the blade and texture ones before
// `enabled`); the shader keeps no record and has no init or exit.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// The parameter block, in slot order.
#define UVO_LENS_BOKEH_PARAMETERS(X)                                                                          \
    X(Boolean, enabled, 0, "boolean", "true", "", "", "off: trace the eye ray unchanged")                    \
    X(float, focus_distance, 1, "scalar", "10.0", "(0, inf)", "scene units",                                  \
      "distance of the plane of focus in front of the camera (camera-space z = -focus_distance)")             \
    X(float, lens_radius, 2, "scalar", "0.05", "[0, inf)", "scene units",                                     \
      "radius of the aperture; 0 is a pinhole")                                                              \
    X(int32_t, sample_count, 3, "integer", "16", "1..", "",                                                   \
      "lens samples asked of the host per eye ray (the host may deliver fewer)")                              \
    X(float, radial_bias, 4, "scalar", "1.0", "[0, inf)", "",                                                 \
      "spread from centre to rim: 1 even over the area, above 1 towards the centre, below towards the rim; "  \
      "0 or less: exponent 1")                                                                               \
    X(int32_t, aperture_sides, 5, "integer", "0", "any", "blades",                                                     \
      "straight blades of the aperture; 0 or less: circular")                                                 \
    X(float, aperture_rotation, 6, "scalar", "0.0", "any", "half turns",                                         \
      "rotation of the blade polygon; 0 puts a corner on camera-space +x")                                   \
    X(Boolean, use_aperture_texture, 7, "boolean", "false", "", "",                                           \
      "shape the aperture by aperture_texture instead of the blades")                                        \
    X(Tag, aperture_texture, 8, "texture", "", "", "",                                                       \
      "image of the aperture over the lens square; its luminance weights each sample, black is closed")

UVO_PARAMETER_BLOCK(LensBokehParams, UVO_LENS_BOKEH_PARAMETERS);
static_assert(sizeof(LensBokehParams) == 36);

constexpr int lens_bokeh_version = 4;

UVO_EXPORT int32_t uvo_lens_bokeh_version(void);
// Lens shader.  Disabled: returns what rx_trace_eye returns for the state's
// own ray.  Enabled: writes the weighted average of the lens samples (black
// when no sample carried weight) and returns true.  Leaves the state's
// hit-object reference cleared.
UVO_EXPORT Boolean uvo_lens_bokeh(Color *result, ShadingState *state, LensBokehParams *params);

}  // namespace uvo
