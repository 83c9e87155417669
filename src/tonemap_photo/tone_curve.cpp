#include "tonemap_photo/tone_curve.h"

#include <cmath>

#include "tonemap_photo/power_kernel.h"
#include "tonemap_photo/tone_steps.h"

namespace uvo {

namespace {

// make_tone_curve but for the power tables.
void fill_settings(const TonemapRecord &record, ToneCurve &curve) {
    if (record.film_speed > 0.0f)
        curve.exposure = (1.0f / record.shutter_rate) * record.film_speed * (record.radiance_scale * 0.16981132f) /
                         (record.aperture_stop * 15.4f * record.aperture_stop);
    else
        curve.exposure = record.radiance_scale;
    curve.crush_exponent = 2.0f * record.shadow_crush + 1.0f;
    curve.highlight_compression = record.highlight_compression;
    curve.color_saturation = record.color_saturation;
    curve.inverse_gamma = 1.0f / record.display_gamma;
    curve.vignette_power = record.vignette_power;

    const float balance[3] = {record.white_balance.r, record.white_balance.g, record.white_balance.b};
    for (int c = 0; c < 3; ++c)
        curve.white_scale[c] = balance[c] > 0.0f ? 1.0f / balance[c] : 1.0f;
    // Normalised to unit luminance: the white balance turns hue, not brightness.
    const Color &w = record.luminance_weights;
    const float luminance = w.r * curve.white_scale[0] + w.g * curve.white_scale[1] + w.b * curve.white_scale[2];
    for (int c = 0; c < 3; ++c)
        curve.white_scale[c] /= luminance;
    curve.white_scale[3] = 0.0f;
}

}  // namespace

void make_tone_curve(const TonemapRecord &record, ToneCurve &curve) {
    fill_settings(record, curve);
    make_power_table(curve.vignette_power, curve.vignette_table);
    make_power_table(curve.crush_exponent, curve.crush_table);
    make_power_table(curve.inverse_gamma, curve.gamma_table);
}

const char *setting_dividing_by_zero(const TonemapRecord &record) {
    if (record.display_gamma == 0.0f)
        return "display_gamma";
    if (record.film_speed > 0.0f && record.shutter_rate == 0.0f)
        return "shutter_rate";
    if (record.film_speed > 0.0f && record.aperture_stop == 0.0f)
        return "aperture_stop";
    // The white scales are divided by their luminance.
    ToneCurve curve;
    fill_settings(record, curve);
    for (float scale : curve.white_scale)
        if (!std::isfinite(scale))
            return "white_balance";
    return nullptr;
}

float pixel_ray_cosine(const TonemapRecord &record, float x, float y) {
    return portable::tone_steps::ray_cosine(record, x, portable::tone_steps::row_dy_squared(record, y));
}

namespace {

// Powers through the portable vector kernels.
struct PortablePowers {
    static inline __attribute__((always_inline)) Float4 power4(const PowerTable &t, Float4 x) {
        return portable::power_kernels::power_lanes<4>(t, x);
    }
};

void portable_map_color(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y) {
    portable::tone_steps::map_color<PortablePowers>(record, curve, colour, x, y);
}

void portable_map_row(const TonemapRecord &record, const ToneCurve *curve, int32_t y) {
    portable::tone_steps::map_row<PortablePowers>(record, curve, y);
}

}  // namespace

const ToneMapper portable_tone_mapper = {"portable", portable_map_color, portable_map_row, power_batch};

std::span<const ToneMapper *const> tone_mappers() {
#if UVO_HAVE_AVX2_TONE_MAPPER
    static const ToneMapper *const with_avx2[] = {&avx2_tone_mapper, &portable_tone_mapper};
    if (__builtin_cpu_supports("avx2"))
        return with_avx2;
#endif
    static const ToneMapper *const portable[] = {&portable_tone_mapper};
    return portable;
}

void tone_map_color(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y) {
    tone_mappers()[0]->map_color(record, curve, colour, x, y);
}

void tone_map_row(const TonemapRecord &record, const ToneCurve *curve, int32_t y) {
    tone_mappers()[0]->map_row(record, curve, y);
}

}  // namespace uvo
