// uvo_exposure_photographic: camera-like exposure of the render, as a lens
// shader (each eye ray's colour) or as an output shader (one pass over the
// finished main frame buffer), through the tone-mapping record.
//
// The parameters are listed below, with their slots, ranges, units and
// meanings.
//
// Instance init reads slots 0-12 once into the record's TonemapRecord (with
// the camera's focal length, film width, aspect and resolution and the render
// options' luminance weights) and resolves the raw buffer; the shader call
// reads only use_source_texture and source_texture.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"
#include "uvo/tonemap_api.h"

namespace uvo {

// X(ctype, name, slot, type, default, range, unit, description): see
// frame/param_list.h.
#define UVO_EXPOSURE_PHOTOGRAPHIC_PARAMETERS(X) \
    X(float, radiance_scale, 0, "scalar", "1.0", "(0, inf)", "cd/m2 per unit", \
      "factor from rendered values to cd/m2 when film_speed > 0 (25465 for the physical sky's default " \
      "scale); else the exposure itself") \
    X(Color, white_balance, 1, "color", "[1, 1, 1, 1]", "(0, inf) per channel", "", \
      "colour that comes out neutral") \
    X(float, film_speed, 5, "scalar", "0.0", "[0, inf)", "ISO", \
      "film speed; > 0 exposes by film_speed, shutter_rate and aperture_stop; <= 0 the exposure is radiance_scale") \
    X(float, shutter_rate, 6, "scalar", "250.0", "(0, inf)", "1/s", \
      "1 / exposure time") \
    X(float, aperture_stop, 7, "scalar", "8.0", "(0, inf)", "f-number", \
      "aperture") \
    X(float, vignette_power, 8, "scalar", "0.0", "[0, inf)", "", \
      "exponent of the cosine fall-off towards the image corners; <= 0 none") \
    X(float, highlight_compression, 9, "scalar", "0.25", "[0, 1]", "", \
      "0 compresses highlights fully, 1 linear") \
    X(float, shadow_crush, 10, "scalar", "0.2", "[0, 1]", "", \
      "strength of the dark-tone crush") \
    X(float, color_saturation, 11, "scalar", "1.0", "[0, inf)", "", \
      "1 keeps colours, 0 grey") \
    X(float, display_gamma, 12, "scalar", "2.2", "(0, inf)", "", \
      "display gamma") \
    X(int32_t, raw_buffer_mode, 13, "integer", "0", "0..2", "", \
      "0 no raw buffer; 2 the output pass copies the raw buffer; 1 (or other values) the output pass " \
      "tone-maps the raw buffer") \
    X(Tag, raw_buffer_name, 14, "string", "", "", "", \
      "name or number of the raw user frame buffer") \
    X(Tag, source_texture, 15, "texture", "", "", "", \
      "image to tone-map instead of the render") \
    X(Boolean, use_source_texture, 16, "boolean", "false", "", "", \
      "switches source_texture on")

UVO_PARAMETER_BLOCK(ExposurePhotographicParams, UVO_EXPOSURE_PHOTOGRAPHIC_PARAMETERS);
static_assert(sizeof(ExposurePhotographicParams) == 4 * 17);


// The per-instance record (module "tonemap_photo"), in the user-data slot from
// instance init to instance exit; read-only in between.
struct ExposurePhotographicInstance {
    int32_t raw_buffer_mode;  // copy of the parameter
    int32_t raw_buffer;       // user frame buffer of the raw colours; 0 unless resolved
    TonemapRecord record;     // settings, camera and the private block (internal)
};

static_assert(offsetof(ExposurePhotographicInstance, raw_buffer) == 4);
static_assert(offsetof(ExposurePhotographicInstance, record) == 8);

constexpr int exposure_photographic_version = 4;

// Output images of the host: the main colour buffer, and the offset at which
// user frame buffers are numbered.
constexpr int32_t main_output_image = 0;
constexpr int32_t user_output_image_base = 12;

// The raw buffer's number for `name`: the number the host's frame-buffer set
// `set` gives the name, else the name read as a decimal integer (leading
// digits; 0 without any).  Goes through the shader interface of version 2.
int32_t resolve_frame_buffer(const char *name, Tag set);

UVO_EXPORT int32_t uvo_exposure_photographic_version(void);
UVO_EXPORT Boolean uvo_exposure_photographic_init(ShadingState *state, ExposurePhotographicParams *params,
                                                  Boolean *request);
UVO_EXPORT Boolean uvo_exposure_photographic_exit(ShadingState *state, ExposurePhotographicParams *params);
UVO_EXPORT Boolean uvo_exposure_photographic(Color *result, ShadingState *state, ExposurePhotographicParams *params);

}  // namespace uvo
