// The tone curve's per-pixel steps compiled for AVX2 (this file alone is
// built with -mavx2; tone_mappers() offers it only to processors that have
// it).  Its powers come from the AVX2 table kernel where the exponent has a
// table, else from the portable kernels compiled for AVX2.
#include "tonemap_photo/tone_mapper.h"

#if UVO_HAVE_AVX2_TONE_MAPPER

#define UVO_ISA avx2
#include "tonemap_photo/power_kernel_avx2.h"
#include "tonemap_photo/tone_steps.h"

namespace uvo {

namespace {

struct Avx2Powers {
    static inline __attribute__((always_inline)) Float4 power4(const PowerTable &t, Float4 x) {
        if (t.tabled)
            return reinterpret_cast<Float4>(avx2::power_kernels::table_power4(t, reinterpret_cast<__m128>(x)));
        return avx2::power_kernels::power_lanes<4>(t, x);
    }
};

}  // namespace

const ToneMapper avx2_tone_mapper = {"avx2", avx2::tone_steps::map_color<Avx2Powers>,
                                     avx2::tone_steps::map_row<Avx2Powers>, avx2::tone_steps::powers<Avx2Powers>};

}  // namespace uvo

#endif
