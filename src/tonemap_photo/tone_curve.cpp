#include "tonemap_photo/tone_curve.h"

#include <cmath>

namespace uvo {

namespace {

// 1 / white_balance per channel (1 where white_balance <= 0), normalised to
// unit luminance: the white balance turns hue, not brightness.  The fourth,
// a vector's spare lane, is 0.
void white_scales(const TonemapRecord &record, float (&scale)[4]) {
    const float balance[3] = {record.white_balance.r, record.white_balance.g, record.white_balance.b};
    for (int c = 0; c < 3; ++c)
        scale[c] = balance[c] > 0.0f ? 1.0f / balance[c] : 1.0f;
    const Color &w = record.luminance_weights;
    const float luminance = w.r * scale[0] + w.g * scale[1] + w.b * scale[2];
    for (int c = 0; c < 3; ++c)
        scale[c] /= luminance;
    scale[3] = 0.0f;
}

}  // namespace

void make_tone_curve(const TonemapRecord &record, ToneCurve &curve) {
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
    white_scales(record, curve.white_scale);
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
    float scale[4];
    white_scales(record, scale);
    for (float factor : scale)
        if (!std::isfinite(factor))
            return "white_balance";
    return nullptr;
}

}  // namespace uvo
