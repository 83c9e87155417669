#include "tonemap_photo/tone_curve.h"

#include <cmath>
#include <limits>

#include "tonemap_photo/power_batch.h"

namespace uvo {

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

    const float balance[3] = {record.white_balance.r, record.white_balance.g, record.white_balance.b};
    for (int c = 0; c < 3; ++c)
        curve.white_scale[c] = balance[c] > 0.0f ? 1.0f / balance[c] : 1.0f;
    // Normalised to unit luminance: the white balance turns hue, not brightness.
    const Color &w = record.luminance_weights;
    const float luminance = w.r * curve.white_scale[0] + w.g * curve.white_scale[1] + w.b * curve.white_scale[2];
    for (float &scale : curve.white_scale)
        scale /= luminance;
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
    make_tone_curve(record, curve);
    for (float scale : curve.white_scale)
        if (!std::isfinite(scale))
            return "white_balance";
    return nullptr;
}

namespace {

constexpr float infinity = std::numeric_limits<float>::infinity();

// Cosine of the angle between the pixel's ray and the optical axis, from the
// pixel's position on the film (centre of the image: cosine 1).
inline float ray_cosine(const TonemapRecord &r, float x, float dy_squared) {
    const float dx = (x / static_cast<float>(r.width) - 0.5f) * r.camera_aperture;
    const float d = std::sqrt(dx * dx + dy_squared + r.camera_focal * r.camera_focal);
    return d != 0.0f ? r.camera_focal / d : r.camera_focal;
}

inline float row_dy_squared(const TonemapRecord &r, float y) {
    const float dy = (y / static_cast<float>(r.height) - 0.5f) * r.camera_aperture / r.camera_aspect;
    return dy * dy;
}

// Exposure, highlights, saturation and the clamp of negatives; the steps of
// the curve that take no power.  Where the highlight step is not defined the
// channel gets a fixed value: NaN, -inf and the pole at -1 count as 0; a
// channel that is or becomes +inf or NaN past that (an infinite input, or
// an overflow) makes the whole colour white, and the result is false then.
inline bool expose(const TonemapRecord &r, const ToneCurve &c, float v, float *k) {
    const Color &w = r.luminance_weights;
    for (int i = 0; i < 3; ++i) {
        k[i] = c.white_scale[i] * k[i] * c.exposure * v;
        if (!(k[i] > -infinity) || k[i] == -1.0f)
            k[i] = 0.0f;
    }
    for (int i = 0; i < 3; ++i)
        k[i] = k[i] * (1.0f + k[i] * c.highlight_compression) / (1.0f + k[i]);
    const float luminance = w.r * k[0] + w.g * k[1] + w.b * k[2];
    for (int i = 0; i < 3; ++i)
        k[i] = c.color_saturation * k[i] + (1.0f - c.color_saturation) * luminance;
    bool finite = true;
    for (int i = 0; i < 3; ++i) {
        finite = finite && k[i] < infinity;
        if (k[i] < 0.0f)
            k[i] = 0.0f;
    }
    return finite;
}

inline float luminance_of(const TonemapRecord &r, const float *k) {
    const Color &w = r.luminance_weights;
    return w.r * k[0] + w.g * k[1] + w.b * k[2];
}

}  // namespace

float pixel_ray_cosine(const TonemapRecord &record, float x, float y) {
    return ray_cosine(record, x, row_dy_squared(record, y));
}

bool expose_channels(const TonemapRecord &record, const ToneCurve &curve, float v, float *k) {
    return expose(record, curve, v, k);
}

void vignette_run(const TonemapRecord &record, const ToneCurve &curve, float x0, float y, float *v, int count) {
    if (!(curve.vignette_power > 0.0f)) {
        for (int i = 0; i < count; ++i)
            v[i] = 1.0f;
        return;
    }
    const float dy_squared = row_dy_squared(record, y);
    for (int i = 0; i < count; ++i)
        v[i] = std::fabs(ray_cosine(record, x0 + static_cast<float>(i), dy_squared));
    power_batch(v, curve.vignette_power, v, count);
}

void tone_map_vignetted(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float v) {
    float k[3] = {colour.r, colour.g, colour.b};
    if (!expose(record, curve, v, k)) {
        colour.r = colour.g = colour.b = 1.0f;
        return;
    }

    // The float square root equals the double power 0.5 rounded to a float:
    // both are correctly rounded.
    const float t = std::sqrt(luminance_of(record, k));
    // A fourth lane of 1 fills the power kernel's vector.
    Float4 channels = {k[0], k[1], k[2], 1.0f};
    if (t < 1.0f) {
        // Lane by lane as the scalar curve, the fourth staying 1.
        const Float4 crushed = power_four(channels, curve.crush_exponent);
        channels = crushed * (1.0f - t) + channels * t;
        channels[3] = 1.0f;
    }

    channels = power_four(channels, curve.inverse_gamma);
    colour.r = channels[0];
    colour.g = channels[1];
    colour.b = channels[2];
}

void tone_map_color(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y) {
    float v;
    vignette_run(record, curve, x, y, &v, 1);
    tone_map_vignetted(record, curve, colour, v);
}

}  // namespace uvo
