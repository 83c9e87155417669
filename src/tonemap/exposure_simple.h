// uvo_exposure_simple: offset, gain, knee and gamma on the render, as a lens
// shader (each eye ray's colour), as an output shader (one pass over the main
// frame buffer) or on the colour handed in by any other kind of call.
//
// The parameters are listed below, with their slots, ranges, units and
// meanings.
//
// Instance init reads slots 0-4 once into a SimpleCurve; the shader call reads
// only use_source_texture and source_texture.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// X(ctype, name, slot, type, default, range, unit, description): see
// frame/param_list.h.
#define UVO_EXPOSURE_SIMPLE_PARAMETERS(X) \
    X(float, black_offset, 0, "scalar", "0.0", "any", "result units", \
      "added to each channel before the gain, in the render's units") \
    X(float, exposure_gain, 1, "scalar", "1.0", "[0, inf)", "", \
      "multiplies each channel") \
    X(float, knee_level, 2, "scalar", "0.75", "[0, 1]", "", \
      "channel value above which the knee compresses") \
    X(float, knee_compression, 3, "scalar", "0.0", "[0, inf)", "", \
      "strength of the knee; <= 0 switches it off") \
    X(float, output_gamma, 4, "scalar", "2.2", "[0, inf)", "", \
      "display gamma; <= 0 none") \
    X(Tag, source_texture, 5, "texture", "", "", "", \
      "image to map instead of the render") \
    X(Boolean, use_source_texture, 6, "boolean", "false", "", "", \
      "switches source_texture on")

UVO_PARAMETER_BLOCK(ExposureSimpleParams, UVO_EXPOSURE_SIMPLE_PARAMETERS);
static_assert(sizeof(ExposureSimpleParams) == 4 * 7);

constexpr int exposure_simple_version = 1;

UVO_EXPORT int32_t uvo_exposure_simple_version(void);
UVO_EXPORT Boolean uvo_exposure_simple_init(ShadingState *state, ExposureSimpleParams *params, Boolean *request);
UVO_EXPORT Boolean uvo_exposure_simple_exit(ShadingState *state, ExposureSimpleParams *params);
UVO_EXPORT Boolean uvo_exposure_simple(Color *result, ShadingState *state, ExposureSimpleParams *params);

}  // namespace uvo
