// The exported tone-mapping API over TonemapRecord (declared in
// include/uvo/tonemap_api.h).
#include "uvo/tonemap_api.h"

#include "frame/binding.h"
#include "frame/export.h"
#include "frame/memory.h"
#include "tonemap_photo/tone_curve.h"

namespace uvo {

namespace {
constexpr const char *module = "tonemap_photo";
}  // namespace

UVO_EXPORT void uvo_tonemap_api_init(TonemapRecord *record) {
    record->internal = nullptr;
    if (record->api_version != UVO_TONEMAP_API_VERSION)
        rx_error("uvo_tonamap_api_init: API version mismatch!");
    if (record->tonemapper != UVO_TONEMAPPER_PHOTOGRAPHIC)
        return;
    if (const char *setting = setting_dividing_by_zero(*record)) {
        rx_error("uvo_tonemap_api_init: %s divides by zero; the tone mapper is off", setting);
        return;
    }
    ToneCurve *curve = UVO_ALLOCATE(module, ToneCurve);
    if (curve == nullptr)
        return;
    make_tone_curve(*record, *curve);
    record->internal = curve;
}

UVO_EXPORT void uvo_tonemap_api_exit(TonemapRecord *record) {
    if (record->internal != nullptr)
        UVO_RELEASE(module, record->internal);
    record->internal = nullptr;
}

UVO_EXPORT void uvo_tonemap_api_transform_color(const TonemapRecord *record, Color *colour, float x, float y) {
    if (const ToneCurve *curve = tone_curve_of(*record))
        tone_map_color(*record, *curve, *colour, x, y);
}

// Pixel by pixel: each is read, mapped and written before the next is read,
// so callbacks that look at what was written earlier in the row (in-place
// images, error diffusion) see it.  The vignette factors, which depend on the
// position alone, are taken ahead for runs of the row; the result is
// transform_color's bit for bit.
UVO_EXPORT int32_t uvo_tonemap_api_transform_image(TonemapRecord *record) {
    constexpr int32_t run = 64;
    for (int32_t y = 0; y < record->height; ++y) {
        if (record->abort_check != nullptr && record->abort_check(record->abort_context, y, record->height) != 0)
            return 0;
        const ToneCurve *curve = tone_curve_of(*record);
        for (int32_t x0 = 0, count = 0; x0 < record->width; x0 += count) {
            count = record->width - x0 < run ? record->width - x0 : run;
            float v[run];
            if (curve != nullptr)
                vignette_run(*record, *curve, static_cast<float>(x0), static_cast<float>(y), v, count);
            for (int32_t i = 0; i < count; ++i) {
                const int32_t x = x0 + i;
                Color p{0.0f, 0.0f, 0.0f, 0.0f};  // black if read_pixel gives nothing
                record->read_pixel(record->read_context, &p, x, y);
                if (curve != nullptr)
                    tone_map_vignetted(*record, *curve, p, v[i]);
                record->write_pixel(record->write_context, &p, x, y);
            }
        }
    }
    return 1;
}

}  // namespace uvo
