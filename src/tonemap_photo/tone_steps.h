// The per-pixel steps of the tone curve and the row loop, written once and
// compiled for each instruction set: tone_mapper.cpp builds the portable
// ToneMapper from them, tone_mapper_avx2.cpp the AVX2 one.  Each file
// defines UVO_ISA (see power_kernel.h) and hands the templates a Powers
// class with
//     static Float4 power4(const PowerTable &table, Float4 x);
// giving float(pow(double(x[i]), table.exponent)) in each lane, bit for bit.
//
// Precision: single precision in the order written, the three channels side
// by side in the lanes of one vector, so each lane rounds as the scalar
// statement of the curve (tests/support/tone_map_reference.h) does.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "tonemap_photo/tone_curve.h"

namespace uvo {
namespace UVO_ISA {
namespace tone_steps {

typedef int32_t Int4 __attribute__((vector_size(4 * sizeof(int32_t))));

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
// the curve that take no power.  Where the highlight step is not defined the
// channel gets a fixed value: NaN, -inf and the pole at -1 count as 0; a
// channel that is or becomes +inf or NaN past that (an infinite input, or an
// overflow) makes the whole colour white, and the result is false then.
inline __attribute__((always_inline)) bool expose(const TonemapRecord &r, const ToneCurve &c, float v, Float4 &k) {
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

// The vignette factors |cosine|^vignette_power (1 without vignette) of the
// `count` pixels x0, x0 + 1, ... of row y, into v.
template <class Powers>
inline __attribute__((always_inline)) void vignette_run(const TonemapRecord &record, const ToneCurve &curve,
                                                        float x0, float y, float *v, int count) {
    if (!(curve.vignette_power > 0.0f)) {
        for (int i = 0; i < count; ++i)
            v[i] = 1.0f;
        return;
    }
    const float dy_squared = row_dy_squared(record, y);
    const float width = static_cast<float>(record.width), focal = record.camera_focal;
    // Four at a time, each lane in the order of ray_cosine; a last partial
    // vector is padded with ones.
    for (int i = 0; i < count; i += 4) {
        const float x = x0 + static_cast<float>(i);
        const Float4 xs = {x, x + 1.0f, x + 2.0f, x + 3.0f};
        const Float4 dx = (xs / width - 0.5f) * record.camera_aperture;
        const Float4 d2 = dx * dx + dy_squared + focal * focal;
        const Float4 d = {std::sqrt(d2[0]), std::sqrt(d2[1]), std::sqrt(d2[2]), std::sqrt(d2[3])};
        const Float4 q = d != 0.0f ? focal / d : Float4{focal, focal, focal, focal};
        // |q| as fabs takes it: the sign bit cleared, of zeros too.
        const Float4 magnitude = reinterpret_cast<Float4>(reinterpret_cast<Int4>(q) & 0x7fffffff);
        const Float4 vignette = Powers::power4(curve.vignette_table, magnitude);
        for (int k = 0; k < 4 && i + k < count; ++k)
            v[i + k] = vignette[k];
    }
}

// The rest of the curve for one colour whose vignette factor is v.
template <class Powers>
inline __attribute__((always_inline)) void map_vignetted(const TonemapRecord &record, const ToneCurve &curve,
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
        const Float4 crushed = Powers::power4(curve.crush_table, channels);
        channels = crushed * (1.0f - t) + channels * t;
        channels[3] = 1.0f;
    }

    channels = Powers::power4(curve.gamma_table, channels);
    channels[3] = colour.a;
    std::memcpy(&colour, &channels, sizeof colour);
}

// `count` >= 0 powers of base into out (which may be base), four at a time;
// a last partial vector is padded with ones.
template <class Powers>
void powers(const PowerTable &t, const float *base, float *out, int count) {
    for (int start = 0; start < count; start += 4) {
        const int n = count - start < 4 ? count - start : 4;
        Float4 x = {1.0f, 1.0f, 1.0f, 1.0f};
        std::memcpy(&x, base + start, sizeof(float) * static_cast<size_t>(n));
        const Float4 power = Powers::power4(t, x);
        std::memcpy(out + start, &power, sizeof(float) * static_cast<size_t>(n));
    }
}

template <class Powers>
void map_color(const TonemapRecord &record, const ToneCurve &curve, Color &colour, float x, float y) {
    float v;
    vignette_run<Powers>(record, curve, x, y, &v, 1);
    map_vignetted<Powers>(record, curve, colour, v);
}

// Pixel by pixel in the order the API promises; the vignette factors, which
// depend on the position alone, are taken ahead for runs of the row.
template <class Powers>
void map_row(const TonemapRecord &record, const ToneCurve *curve, int32_t y) {
    constexpr int32_t run = 64;
    for (int32_t x0 = 0, count = 0; x0 < record.width; x0 += count) {
        count = record.width - x0 < run ? record.width - x0 : run;
        float v[run];
        if (curve != nullptr)
            vignette_run<Powers>(record, *curve, static_cast<float>(x0), static_cast<float>(y), v, count);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t x = x0 + i;
            Color p{0.0f, 0.0f, 0.0f, 0.0f};  // black if read_pixel gives nothing
            record.read_pixel(record.read_context, &p, x, y);
            if (curve != nullptr)
                map_vignetted<Powers>(record, *curve, p, v[i]);
            record.write_pixel(record.write_context, &p, x, y);
        }
    }
}

}  // namespace tone_steps
}  // namespace UVO_ISA
}  // namespace uvo
