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
    const ToneCurve *curve = tone_curve_of(*record);
    if (curve != nullptr)
        tone_map_span(*record, *curve, colour, 1, x, y);
}

// Rows are read, mapped and written a run of up to tone_span_max pixels at a
// time: within a run every pixel is read before the first is written, which
// lets the powers of the run go through one batch.  Each pixel is still read
// before it is written, so source and target may be the same image.
UVO_EXPORT int32_t uvo_tonemap_api_transform_image(TonemapRecord *record) {
    for (int32_t y = 0; y < record->height; ++y) {
        if (record->abort_check != nullptr && record->abort_check(record->abort_context, y, record->height) != 0)
            return 0;
        Color run[tone_span_max];
        for (int32_t x0 = 0; x0 < record->width; x0 += tone_span_max) {
            const int32_t left = record->width - x0;
            const int count = left < tone_span_max ? static_cast<int>(left) : tone_span_max;
            for (int i = 0; i < count; ++i)
                record->read_pixel(record->read_context, &run[i], x0 + i, y);
            if (const ToneCurve *curve = tone_curve_of(*record))
                tone_map_span(*record, *curve, run, count, static_cast<float>(x0), static_cast<float>(y));
            for (int i = 0; i < count; ++i)
                record->write_pixel(record->write_context, &run[i], x0 + i, y);
        }
    }
    return 1;
}

}  // namespace uvo
