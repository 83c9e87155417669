// uvo_exposure_simple: offset, gain, knee and gamma on the render, as a lens
// shader (each eye ray's colour), as an output shader (one pass over the main
// frame buffer) or on the colour handed in by any other kind of call.
//
// | slot | parameter          | type          | meaning                                          |
// |------|--------------------|---------------|--------------------------------------------------|
// | 0    | black_offset       | scalar        | added to each channel before the gain            |
// | 1    | exposure_gain      | scalar        | multiplies each channel                          |
// | 2    | knee_level         | scalar        | channel value above which the knee compresses    |
// | 3    | knee_compression   | scalar        | strength of the knee; <= 0 switches it off       |
// | 4    | output_gamma       | scalar        | display gamma; <= 0 means none                   |
// | 5    | source_texture     | texture (Tag) | image to map instead of the render               |
// | 6    | use_source_texture | boolean       | switches source_texture on                       |
//
// Instance init reads slots 0-4 once into a SimpleCurve; the shader call reads
// only use_source_texture and source_texture.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/params.h"

namespace uvo {

struct ExposureSimpleParams {
    float black_offset;
    float exposure_gain;
    float knee_level;
    float knee_compression;
    float output_gamma;
    Tag source_texture;
    Boolean use_source_texture;
};

static_assert(offsetof(ExposureSimpleParams, black_offset) == 0);
static_assert(offsetof(ExposureSimpleParams, exposure_gain) == 4);
static_assert(offsetof(ExposureSimpleParams, knee_level) == 8);
static_assert(offsetof(ExposureSimpleParams, knee_compression) == 12);
static_assert(offsetof(ExposureSimpleParams, output_gamma) == 16);
static_assert(offsetof(ExposureSimpleParams, source_texture) == 20);
static_assert(offsetof(ExposureSimpleParams, use_source_texture) == 24);
static_assert(sizeof(ExposureSimpleParams) == 28);

constexpr int exposure_simple_version = 1;

UVO_EXPORT int32_t uvo_exposure_simple_version(void);
UVO_EXPORT Boolean uvo_exposure_simple_init(ShadingState *state, ExposureSimpleParams *params, Boolean *request);
UVO_EXPORT Boolean uvo_exposure_simple_exit(ShadingState *state, ExposureSimpleParams *params);
UVO_EXPORT Boolean uvo_exposure_simple(Color *result, ShadingState *state, ExposureSimpleParams *params);

}  // namespace uvo
