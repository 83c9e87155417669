#include "tonemap_photo/tone_curve.h"

#include <cmath>

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

}  // namespace uvo
