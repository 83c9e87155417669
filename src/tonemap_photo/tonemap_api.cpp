// The exported tone-mapping API over TonemapRecord (declared in
// include/uvo/tonemap_api.h).
#include "uvo/tonemap_api.h"

#include "frame/binding.h"
#include "frame/export.h"
#include "frame/memory.h"
#include "tonemap_photo/tone_mapper.h"

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

// Row by row, each row pixel by pixel (tone_map_row).
UVO_EXPORT int32_t uvo_tonemap_api_transform_image(TonemapRecord *record) {
    for (int32_t y = 0; y < record->height; ++y) {
        if (record->abort_check != nullptr && record->abort_check(record->abort_context, y, record->height) != 0)
            return 0;
        tone_map_row(*record, tone_curve_of(*record), y);
    }
    return 1;
}

}  // namespace uvo
