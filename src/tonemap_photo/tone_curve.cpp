#include "tonemap_photo/tone_curve.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "tonemap_photo/power_kernel.h"

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

typedef int32_t Int4 __attribute__((vector_size(4 * sizeof(int32_t))));

// Four floats from memory of any alignment (the host's allocator promises
// none).
inline Float4 load4(const void *from) {
    Float4 v;
    std::memcpy(&v, from, sizeof v);
    return v;
}

inline float luminance_of(const TonemapRecord &r, Float4 k) {
    static_assert(sizeof(Color) == sizeof(Float4));
    const Float4 wk = load4(&r.luminance_weights) * k;
    return wk[0] + wk[1] + wk[2];
}

// Exposure, highlights, saturation and the clamp of negatives; the steps of
// the curve that take no power, on the three channels at once (each lane in
// the order of the scalar steps, so the results are theirs).  Where the
// highlight step is not defined the channel gets a fixed value: NaN, -inf
// and the pole at -1 count as 0; a channel that is or becomes +inf or NaN
// past that (an infinite input, or an overflow) makes the whole colour white,
// and the result is false then.
inline bool expose(const TonemapRecord &r, const ToneCurve &c, float v, Float4 &k) {
    const Float4 zero = {0.0f, 0.0f, 0.0f, 0.0f};
    k = load4(c.white_scale) * k * c.exposure * v;
    k = ((k > -infinity) & (k != -1.0f)) ? k : zero;
    k = k * (1.0f + k * c.highlight_compression) / (1.0f + k);
    const float luminance = luminance_of(r, k);
    k = c.color_saturation * k + (1.0f - c.color_saturation) * luminance;
    const Int4 finite = k < infinity;
    k = k < 0.0f ? zero : k;
    return (finite[0] & finite[1] & finite[2]) != 0;
}

}  // namespace

float pixel_ray_cosine(const TonemapRecord &record, float x, float y) {
    return ray_cosine(record, x, row_dy_squared(record, y));
}

namespace {

// The vignette factors |cosine|^vignette_power (1 without vignette) of the
// `count` pixels x0, x0 + 1, ... of row y, into v.
// Forced inline, with the power kernel, for the instruction set of each
// caller's clone.
inline __attribute__((always_inline)) void vignette_run(const TonemapRecord &record, const ToneCurve &curve,
                                                        float x0, float y, float *v, int count) {
    if (!(curve.vignette_power > 0.0f)) {
        for (int i = 0; i < count; ++i)
            v[i] = 1.0f;
        return;
    }
    const float dy_squared = row_dy_squared(record, y);
    int i = 0;
    // Four at a time, each lane in the order of ray_cosine.
    const float width = static_cast<float>(record.width), focal = record.camera_focal;
    for (; i + 4 <= count; i += 4) {
        const float x = x0 + static_cast<float>(i);
        const Float4 xs = {x, x + 1.0f, x + 2.0f, x + 3.0f};
        const Float4 dx = (xs / width - 0.5f) * record.camera_aperture;
        const Float4 d2 = dx * dx + dy_squared + focal * focal;
        const Float4 d = {std::sqrt(d2[0]), std::sqrt(d2[1]), std::sqrt(d2[2]), std::sqrt(d2[3])};
        const Float4 q = d != 0.0f ? focal / d : Float4{focal, focal, focal, focal};
        const Float4 vignette = power_kernels::power_lanes<4>(curve.vignette_table, q < 0.0f ? -q : q);
        std::memcpy(v + i, &vignette, sizeof vignette);
    }
    if (i < count) {
        for (int k = i; k < count; ++k)
            v[k] = std::fabs(ray_cosine(record, x0 + static_cast<float>(k), dy_squared));
        power_batch(curve.vignette_table, v + i, v + i, count - i);
    }
}

// The rest of the curve for one colour whose vignette factor is v.  Forced
// inline, with the power kernel, for the instruction set of each caller's
// clone.
inline __attribute__((always_inline)) void tone_map_vignetted(const TonemapRecord &record, const ToneCurve &curve,
                                                              Color &colour, float v) {
    // Alpha rides in the fourth lane until the exposure's zero white scale
    // and the clamp of NaN turn it into 0; it is never written back.
    Float4 channels = load4(&colour);
    if (!expose(record, curve, v, channels)) {
        colour.r = colour.g = colour.b = 1.0f;
        return;
    }

    // The float square root equals the double power 0.5 rounded to a float:
    // both are correctly rounded.
    const float t = std::sqrt(luminance_of(record, channels));
    // A fourth lane of 1 fills the power kernel's vector.
    channels[3] = 1.0f;
    if (t < 1.0f) {
        // Lane by lane as the scalar curve, the fourth staying 1.
        const Float4 crushed = power_kernels::power_lanes<4>(curve.crush_table, channels);
        channels = crushed * (1.0f - t) + channels * t;
        channels[3] = 1.0f;
    }

    channels = power_kernels::power_lanes<4>(curve.gamma_table, channels);
    channels[3] = colour.a;
    std::memcpy(&colour, &channels, sizeof colour);
}

}  // namespace

__attribute__((target_clones("avx2", "default"))) void tone_map_color(const TonemapRecord &record,
                                                                     const ToneCurve &curve, Color &colour, float x,
                                                                     float y) {
    float v;
    vignette_run(record, curve, x, y, &v, 1);
    tone_map_vignetted(record, curve, colour, v);
}

__attribute__((target_clones("avx2", "default"))) void tone_map_row(const TonemapRecord &record,
                                                                   const ToneCurve *curve, int32_t y) {
    constexpr int32_t run = 64;
    for (int32_t x0 = 0, count = 0; x0 < record.width; x0 += count) {
        count = record.width - x0 < run ? record.width - x0 : run;
        float v[run];
        if (curve != nullptr)
            vignette_run(record, *curve, static_cast<float>(x0), static_cast<float>(y), v, count);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t x = x0 + i;
            Color p{0.0f, 0.0f, 0.0f, 0.0f};  // black if read_pixel gives nothing
            record.read_pixel(record.read_context, &p, x, y);
            if (curve != nullptr)
                tone_map_vignetted(record, *curve, p, v[i]);
            record.write_pixel(record.write_context, &p, x, y);
        }
    }
}

}  // namespace uvo
