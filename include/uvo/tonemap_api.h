/** @file uvo/tonemap_api.h
 * uvo tone-mapping API: map rendered radiance to displayable colours the way a
 * camera and its film would, for one colour or a whole image.  Pure C (C99 and
 * C++); any program that loads the shader library may call these functions.
 *
 * The library reaches its host (memory, error messages) through the host
 * functions of host_interface.h, bound by name.  A program that is not a
 * renderer therefore exports the few host functions the API uses itself and
 * hands the library its own module first:
 *     rx_mem_int_allocate, rx_mem_int_release  (the private block of init/exit)
 *     rx_error                                  (the version-mismatch message)
 *     rxSetModuleHandle(dlopen(NULL, RTLD_NOW)); (with -rdynamic or equivalent)
 *
 * Use:
 *     TonemapRecord r = {0};
 *     r.api_version = UVO_TONEMAP_API_VERSION; r.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
 *     ...fill the settings and camera fields...
 *     uvo_tonemap_api_init(&r);
 *     uvo_tonemap_api_transform_color(&r, &colour, x, y);   (or transform_image)
 *     uvo_tonemap_api_exit(&r);
 * init derives a private block from the exposure, white balance, vignette,
 * highlight, crush, saturation and gamma settings; change those only between
 * exit and init.  The transforms read width, height, camera_aspect,
 * camera_focal, camera_aperture and luminance_weights (and tonemapper, the
 * callbacks and their contexts) from the record at every call.
 * transform_color only reads the record, so it may run on many threads at once.
 * No function checks its pointers: the record, the colour and, for
 * transform_image, read_pixel and write_pixel must be valid.
 */
#ifndef UVO_TONEMAP_API_H
#define UVO_TONEMAP_API_H

#include <stddef.h>
#include <stdint.h>

#include "uvo/host_interface.h"

#ifdef __cplusplus
extern "C" {
#endif

#define UVO_TONEMAP_API_VERSION 1       /**< the only api_version the library knows */
#define UVO_TONEMAPPER_PHOTOGRAPHIC 1   /**< the only tone mapper; others do nothing */

/** Fetch pixel (x, y) of the source into *out. */
typedef void (*UvoTonemapReadPixel)(void *context, Color *out, int32_t x, int32_t y);
/** Store *in as pixel (x, y) of the target. */
typedef void (*UvoTonemapWritePixel)(void *context, const Color *in, int32_t x, int32_t y);
/** Called before each row of transform_image; non-zero stops the image there. */
typedef int32_t (*UvoTonemapAbortCheck)(void *context, int32_t row, int32_t height);

/**
 * The caller-filled record.  Fixed layout: 152 bytes, fields naturally aligned,
 * no gaps (offsets in the comments; checked below).  Everything is filled by
 * the caller except `internal`, which init makes and exit releases.
 */
typedef struct TonemapRecord {
    int32_t api_version;          /**<   0: must be UVO_TONEMAP_API_VERSION */
    int32_t tonemapper;           /**<   4: UVO_TONEMAPPER_PHOTOGRAPHIC, else init and transforms do nothing */
    void *internal;               /**<   8: private block of init; null when there is none */
    int32_t width;                /**<  16: image width, pixels */
    int32_t height;               /**<  20: image height, pixels */
    void *read_context;           /**<  24: handed to read_pixel */
    void *write_context;          /**<  32: handed to write_pixel */
    void *abort_context;          /**<  40: handed to abort_check */
    UvoTonemapReadPixel read_pixel;   /**< 48: required by transform_image */
    UvoTonemapWritePixel write_pixel; /**< 56: required by transform_image */
    UvoTonemapAbortCheck abort_check; /**< 64: may be null */
    float radiance_scale;         /**<  72: rendered value -> exposure units (cd/m^2 with film_speed) */
    Color white_balance;          /**<  76: colour that comes out neutral (r, g, b used) */
    float film_speed;             /**<  92: film sensitivity (ISO); > 0 uses the physical exposure */
    float shutter_rate;           /**<  96: 1 / exposure time in seconds */
    float aperture_stop;          /**< 100: f-number */
    float vignette_power;         /**< 104: exponent of the cosine fall-off; <= 0 none */
    float highlight_compression;  /**< 108: 0 compresses highlights fully, 1 leaves them linear */
    float shadow_crush;           /**< 112: strength of the dark-tone crush (0 none) */
    float color_saturation;       /**< 116: 1 keeps colours, 0 makes them grey */
    float display_gamma;          /**< 120: the transform raises to 1 / display_gamma */
    float camera_aspect;          /**< 124: image aspect, width over height */
    float camera_focal;           /**< 128: focal length */
    float camera_aperture;        /**< 132: film width, in the focal length's units */
    Color luminance_weights;      /**< 136: weights of r, g, b in luminance (r, g, b used) */
} TonemapRecord;

#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L)
#ifdef __cplusplus
#define UVO_TONEMAP_ASSERT(c, m) static_assert(c, m)
#else
#define UVO_TONEMAP_ASSERT(c, m) _Static_assert(c, m)
#endif
UVO_TONEMAP_ASSERT(sizeof(TonemapRecord) == 152, "TonemapRecord size");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, api_version) == 0, "api_version");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, tonemapper) == 4, "tonemapper");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, internal) == 8, "internal");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, width) == 16, "width");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, height) == 20, "height");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, read_context) == 24, "read_context");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, write_context) == 32, "write_context");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, abort_context) == 40, "abort_context");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, read_pixel) == 48, "read_pixel");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, write_pixel) == 56, "write_pixel");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, abort_check) == 64, "abort_check");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, radiance_scale) == 72, "radiance_scale");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, white_balance) == 76, "white_balance");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, film_speed) == 92, "film_speed");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, shutter_rate) == 96, "shutter_rate");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, aperture_stop) == 100, "aperture_stop");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, vignette_power) == 104, "vignette_power");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, highlight_compression) == 108, "highlight_compression");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, shadow_crush) == 112, "shadow_crush");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, color_saturation) == 116, "color_saturation");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, display_gamma) == 120, "display_gamma");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, camera_aspect) == 124, "camera_aspect");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, camera_focal) == 128, "camera_focal");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, camera_aperture) == 132, "camera_aperture");
UVO_TONEMAP_ASSERT(offsetof(TonemapRecord, luminance_weights) == 136, "luminance_weights");
#undef UVO_TONEMAP_ASSERT
#endif

/** Hand the library the module that exports the host functions (see above). */
void rxSetModuleHandle(void *handle);

/** Sets internal to null, reports a wrong api_version through rx_error (and
 * goes on), then, for the photographic tone mapper, allocates the private
 * block from the host and derives it from the settings.  Settings that would
 * divide by zero (display_gamma 0; shutter_rate or aperture_stop 0 with a
 * film_speed above 0; a white_balance whose luminance under
 * luminance_weights is 0) are refused with an rx_error naming the setting:
 * internal stays null and the transforms leave colours unchanged. */
void uvo_tonemap_api_init(TonemapRecord *record);

/** Releases the private block, if any, and sets internal to null.  Harmless
 * when called twice. */
void uvo_tonemap_api_exit(TonemapRecord *record);

/** Tone-maps *colour in place (r, g, b; alpha untouched).  x and y are the
 * pixel's position in pixels, for the vignette.  Colours the curve is not
 * defined for: an exposed channel that is NaN, -inf or exactly -1 (the pole
 * of the highlight compression) counts as 0 (black); a colour with a +inf
 * channel, or one that overflows on the way, comes out white (1, 1, 1).
 * Every other colour, negative channels included, gets the curve's result. */
void uvo_tonemap_api_transform_color(const TonemapRecord *record, Color *colour, float x, float y);

/** Reads, tone-maps (as transform_color) and writes every pixel, row by row
 * and pixel by pixel, through the record's callbacks (read_pixel and
 * write_pixel must be set): each pixel is written before the next one is
 * read, so the source and the target may be the same image.  height is read
 * again before each row.  Returns 0 when abort_check stopped it before a row
 * (earlier rows stay written), else 1; 1 at once for a height below 1.  With
 * a tone mapper other than the photographic one the pixels are copied
 * unchanged. */
int32_t uvo_tonemap_api_transform_image(TonemapRecord *record);

#ifdef __cplusplus
}
#endif

#endif /* UVO_TONEMAP_API_H */
