// uvo_exposure_photographic: camera-like exposure of the render, as a lens
// shader (each eye ray's colour) or as an output shader (one pass over the
// finished main frame buffer), through the tone-mapping record.
//
// | slot  | parameter             | type          | meaning                                              |
// |-------|-----------------------|---------------|------------------------------------------------------|
// | 0     | radiance_scale        | scalar        | rendered value -> exposure units                     |
// | 1-4   | white_balance         | color         | colour that comes out neutral                        |
// | 5     | film_speed            | scalar        | ISO; > 0 uses shutter and aperture                   |
// | 6     | shutter_rate          | scalar        | 1 / exposure time, 1/s                               |
// | 7     | aperture_stop         | scalar        | f-number                                             |
// | 8     | vignette_power        | scalar        | exponent of the cosine fall-off; <= 0 none           |
// | 9     | highlight_compression | scalar        | 0 compresses highlights fully, 1 linear              |
// | 10    | shadow_crush          | scalar        | strength of the dark-tone crush                      |
// | 11    | color_saturation      | scalar        | 1 keeps colours, 0 grey                              |
// | 12    | display_gamma         | scalar        | display gamma                                        |
// | 13    | raw_buffer_mode       | integer       | 0 no raw buffer; 2 output copies the raw buffer;     |
// |       |                       |               | other: output tone-maps the raw buffer               |
// | 14    | raw_buffer_name       | string (Tag)  | name or number of the raw user frame buffer          |
// | 15    | source_texture        | texture (Tag) | image to tone-map instead of the render              |
// | 16    | use_source_texture    | boolean       | switches source_texture on                           |
//
// Instance init reads slots 0-12 once into the record's TonemapRecord (with
// the camera's focal length, film width, aspect and resolution and the render
// options' luminance weights) and resolves the raw buffer; the shader call
// reads only use_source_texture and source_texture.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/params.h"
#include "uvo/tonemap_api.h"

namespace uvo {

struct ExposurePhotographicParams {
    float radiance_scale;
    Color white_balance;
    float film_speed;
    float shutter_rate;
    float aperture_stop;
    float vignette_power;
    float highlight_compression;
    float shadow_crush;
    float color_saturation;
    float display_gamma;
    int32_t raw_buffer_mode;
    Tag raw_buffer_name;
    Tag source_texture;
    Boolean use_source_texture;
};

static_assert(offsetof(ExposurePhotographicParams, radiance_scale) == 0);
static_assert(offsetof(ExposurePhotographicParams, white_balance) == 4);
static_assert(offsetof(ExposurePhotographicParams, film_speed) == 20);
static_assert(offsetof(ExposurePhotographicParams, shutter_rate) == 24);
static_assert(offsetof(ExposurePhotographicParams, aperture_stop) == 28);
static_assert(offsetof(ExposurePhotographicParams, vignette_power) == 32);
static_assert(offsetof(ExposurePhotographicParams, highlight_compression) == 36);
static_assert(offsetof(ExposurePhotographicParams, shadow_crush) == 40);
static_assert(offsetof(ExposurePhotographicParams, color_saturation) == 44);
static_assert(offsetof(ExposurePhotographicParams, display_gamma) == 48);
static_assert(offsetof(ExposurePhotographicParams, raw_buffer_mode) == 52);
static_assert(offsetof(ExposurePhotographicParams, raw_buffer_name) == 56);
static_assert(offsetof(ExposurePhotographicParams, source_texture) == 60);
static_assert(offsetof(ExposurePhotographicParams, use_source_texture) == 64);
static_assert(sizeof(ExposurePhotographicParams) == 68);

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
