#include "tonemap_photo/tone_mapper.h"

#include "tonemap_photo/power_kernel.h"
#include "tonemap_photo/tone_steps.h"

namespace uvo {

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

}  // namespace

// The steps' templates, instantiated over PortablePowers (of internal
// linkage, and so are they).
const ToneMapper portable_tone_mapper = {"portable", portable::tone_steps::map_color<PortablePowers>,
                                         portable::tone_steps::map_row<PortablePowers>,
                                         portable::tone_steps::powers<PortablePowers>};

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
