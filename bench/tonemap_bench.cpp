// Tone-mapping throughput on one core: uvo_tonemap_api_transform_image (the
// vector power kernel, pixel by pixel through the callbacks) next to the same
// row loop calling the plain scalar curve with std::pow.  Items are pixels,
// so items_per_second / 1e6 is megapixels per second.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "test_host.h"
#include "tone_map_reference.h"
#include "tonemap_photo/tone_mapper.h"
#include "uvo/tonemap_api.h"

namespace {

constexpr int width = 1024;
constexpr int height = 512;

struct Image {
    std::vector<Color> source, target;
    Image() : source(size_t(width) * height), target(size_t(width) * height) {
        // Log-normal radiance around 1 with a tail of highlights and deep
        // shadows: a daylight interior's spread.
        std::mt19937 random(7);
        std::normal_distribution<float> stops(0.0f, 2.5f);
        std::uniform_real_distribution<float> tint(0.6f, 1.4f);
        for (Color &c : source) {
            const float level = std::exp2(stops(random));
            c = Color{level * tint(random), level, level * tint(random), 1.0f};
        }
    }
};

Image &image() {
    static Image instance;
    return instance;
}

void read_pixel(void *context, Color *out, int32_t x, int32_t y) {
    *out = static_cast<const Image *>(context)->source[size_t(y) * width + x];
}
void write_pixel(void *context, const Color *in, int32_t x, int32_t y) {
    static_cast<Image *>(context)->target[size_t(y) * width + x] = *in;
}

// A camera-like record: ISO 100, 1/60 s, f/8, vignette, gamma 2.2, crush.
TonemapRecord make_record() {
    TonemapRecord r{};
    r.api_version = UVO_TONEMAP_API_VERSION;
    r.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
    r.width = width;
    r.height = height;
    r.read_context = r.write_context = &image();
    r.read_pixel = read_pixel;
    r.write_pixel = write_pixel;
    r.radiance_scale = 1000.0f;
    r.white_balance = Color{1.0f, 0.9f, 0.8f, 1.0f};
    r.film_speed = 100.0f;
    r.shutter_rate = 60.0f;
    r.aperture_stop = 8.0f;
    r.vignette_power = 4.0f;
    r.highlight_compression = 0.25f;
    r.shadow_crush = 0.3f;
    r.color_saturation = 1.1f;
    r.display_gamma = 2.2f;
    r.camera_aspect = 2.0f;
    r.camera_focal = 1.0f;
    r.camera_aperture = 1.4f;
    r.luminance_weights = Color{0.2126f, 0.7152f, 0.0722f, 0.0f};
    return r;
}

void bind_host() {
    // The API's allocation comes from the test host linked into this program
    // (naming its host() keeps the link).
    static const bool bound = [] {
        uvo_test::host().reset();
        rxSetModuleHandle(dlopen("libuvo_testhost.so", RTLD_NOW | RTLD_NOLOAD));
        return true;
    }();
    (void)bound;
}

// The premise of the speed-up: the fast pass gave the scalar curve's bits
// for every pixel.  Reports the pixels that differ, and fails on any.
void check_against_scalar(benchmark::State &state, const TonemapRecord &record, const uvo::ToneCurve &curve) {
    int64_t differing = 0;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            Color p = image().source[size_t(y) * width + x];
            uvo_test::tone_map_reference(record, curve, p, static_cast<float>(x), static_cast<float>(y));
            const Color &got = image().target[size_t(y) * width + x];
            differing += !(got.r == p.r && got.g == p.g && got.b == p.b && got.a == p.a);
        }
    state.counters["pixels_unlike_scalar"] = static_cast<double>(differing);
    if (differing != 0)
        state.SkipWithError("the fast pass differs from the scalar curve");
}

// Through the export: the fastest ToneMapper this processor runs.
void BM_TransformImage(benchmark::State &state) {
    bind_host();
    TonemapRecord record = make_record();
    uvo_tonemap_api_init(&record);
    for (auto _ : state) {
        benchmark::DoNotOptimize(uvo_tonemap_api_transform_image(&record));
        benchmark::ClobberMemory();
    }
    state.SetLabel(uvo::tone_mappers()[0]->instruction_set);
    state.SetItemsProcessed(state.iterations() * int64_t(width) * height);
    check_against_scalar(state, record, *static_cast<const uvo::ToneCurve *>(record.internal));
    uvo_tonemap_api_exit(&record);
}
BENCHMARK(BM_TransformImage)->Unit(benchmark::kMillisecond);

// The bench's image mapped row by row with map_row(record, curve, y), the
// curve made from the bench's record; the premise checked after.
template <class MapRow>
void time_rows(benchmark::State &state, MapRow map_row) {
    bind_host();
    TonemapRecord record = make_record();
    uvo::ToneCurve curve{};
    uvo::make_tone_curve(record, curve);
    for (auto _ : state) {
        for (int32_t y = 0; y < record.height; ++y)
            map_row(record, curve, y);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(width) * height);
    check_against_scalar(state, record, curve);
}

// The same rows through the portable ToneMapper, which processors without
// AVX2 run.
void BM_TransformImagePortable(benchmark::State &state) {
    time_rows(state, [](const TonemapRecord &record, const uvo::ToneCurve &curve, int32_t y) {
        uvo::portable_tone_mapper.map_row(record, &curve, y);
    });
}
BENCHMARK(BM_TransformImagePortable)->Unit(benchmark::kMillisecond);

// The same loop, pixel by pixel, with the scalar std::pow curve.
void BM_TransformImageScalarPow(benchmark::State &state) {
    time_rows(state, [](const TonemapRecord &record, const uvo::ToneCurve &curve, int32_t y) {
        for (int32_t x = 0; x < record.width; ++x) {
            Color p;
            record.read_pixel(record.read_context, &p, x, y);
            uvo_test::tone_map_reference(record, curve, p, static_cast<float>(x), static_cast<float>(y));
            record.write_pixel(record.write_context, &p, x, y);
        }
    });
}
BENCHMARK(BM_TransformImageScalarPow)->Unit(benchmark::kMillisecond);

// What init costs: the curve and its three power tables (a few hundred
// std::pow calls), made once per record.
void BM_TonemapInit(benchmark::State &state) {
    bind_host();
    TonemapRecord record = make_record();
    for (auto _ : state) {
        uvo_tonemap_api_init(&record);
        benchmark::DoNotOptimize(record.internal);
        uvo_tonemap_api_exit(&record);
    }
}
BENCHMARK(BM_TonemapInit)->Unit(benchmark::kMicrosecond);

// One colour at a time through the export, as a lens shader uses it.
void BM_TransformColor(benchmark::State &state) {
    bind_host();
    TonemapRecord record = make_record();
    uvo_tonemap_api_init(&record);
    const std::vector<Color> &source = image().source;
    size_t i = 0;
    for (auto _ : state) {
        Color c = source[i];
        uvo_tonemap_api_transform_color(&record, &c, static_cast<float>(i % width), static_cast<float>(i / width));
        benchmark::DoNotOptimize(c);
        i = (i + 1) % source.size();
    }
    uvo_tonemap_api_exit(&record);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TransformColor);

}  // namespace

BENCHMARK_MAIN();
