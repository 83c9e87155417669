// The photographic tone curve as pure maths: the private block derived from a
// record, the steps of the curve, and the batched evaluation against the plain
// std::pow one.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "tone_map_reference.h"
#include "tonemap_photo/tone_mapper.h"

namespace {

// A record whose curve leaves colours alone: unit exposure and white,
// no vignette, linear highlights, full saturation, no crush, gamma 1.
TonemapRecord neutral_record() {
    TonemapRecord r{};
    r.api_version = 1;
    r.tonemapper = 1;
    r.width = 200;
    r.height = 100;
    r.radiance_scale = 1.0f;
    r.white_balance = Color{1, 1, 1, 1};
    r.highlight_compression = 1.0f;
    r.color_saturation = 1.0f;
    r.display_gamma = 1.0f;
    r.camera_aspect = 2.0f;
    r.camera_focal = 1.0f;
    r.camera_aperture = 1.0f;
    r.luminance_weights = Color{0.25f, 0.5f, 0.25f, 0};
    return r;
}

uvo::ToneCurve curve_of(const TonemapRecord &r) {
    uvo::ToneCurve c{};
    uvo::make_tone_curve(r, c);
    return c;
}

Color mapped(const TonemapRecord &r, Color c, float x = 100, float y = 50) {
    const uvo::ToneCurve curve = curve_of(r);
    uvo::tone_map_color(r, curve, c, x, y);
    return c;
}

}  // namespace

TEST(ToneCurve, ExposureFromScaleOrFromFilmSpeedShutterAndAperture) {
    TonemapRecord r = neutral_record();
    r.radiance_scale = 3.5f;
    r.film_speed = 0.0f;
    r.shutter_rate = 0.0f;  // not used without film speed
    EXPECT_EQ(curve_of(r).exposure, 3.5f);
    r.film_speed = -100.0f;
    EXPECT_EQ(curve_of(r).exposure, 3.5f);

    r.radiance_scale = 1.0f;
    r.film_speed = r.shutter_rate = 100.0f;
    r.aperture_stop = 1.0f;
    EXPECT_FLOAT_EQ(curve_of(r).exposure, 0.16981132f / 15.4f);

    // Exposure grows with film speed and exposure time, falls with the square
    // of the f-number.
    r.film_speed = 400.0f;
    r.shutter_rate = 50.0f;
    r.aperture_stop = 4.0f;
    r.radiance_scale = 2.0f;
    EXPECT_FLOAT_EQ(curve_of(r).exposure, float(1.0 / 50 * 400 * 2 * 0.16981132 / (4 * 15.4 * 4)));
}

TEST(ToneCurve, HighlightsSaturationAndNegativeChannels) {
    TonemapRecord r = neutral_record();
    for (float k : {0.0f, 0.1f, 1.0f, 4.0f, 1000.0f}) {
        r.highlight_compression = 1.0f;
        EXPECT_FLOAT_EQ(mapped(r, Color{k, k, k, 1}).g, k) << "linear at 1, k=" << k;
        r.highlight_compression = 0.0f;
        // With crush off (exponent 1) the dark-tone blend leaves k / (1 + k).
        EXPECT_FLOAT_EQ(mapped(r, Color{k, k, k, 1}).g, k / (1 + k)) << "k/(1+k) at 0, k=" << k;
    }

    // Saturation 0 gives the luminance grey; above 1 it pushes channels away from grey.
    r = neutral_record();
    r.color_saturation = 0.0f;
    const Color c = mapped(r, Color{0.8f, 0.2f, 0.4f, 1});
    const float grey = 0.25f * 0.8f + 0.5f * 0.2f + 0.25f * 0.4f;
    for (float got : {c.r, c.g, c.b})
        EXPECT_FLOAT_EQ(got, grey);
    r.color_saturation = 2.0f;
    const Color s = mapped(r, Color{0.6f, 0.4f, 0.5f, 1});
    EXPECT_GT(s.r, 0.6f);
    EXPECT_LT(s.g, 0.4f);

    // Negative channels come out 0 before the gamma power (no NaN), also when
    // a saturation above 1 pushes a channel below 0.
    r = neutral_record();
    r.display_gamma = 2.2f;
    const Color n = mapped(r, Color{-0.5f, 0.25f, -3.0f, 1});
    EXPECT_TRUE(n.r == 0.0f && n.b == 0.0f && n.g > 0.0f) << n.r << " " << n.g << " " << n.b;
    r.color_saturation = 3.0f;
    const Color p = mapped(r, Color{0.0f, 1.0f, 0.0f, 1});
    EXPECT_TRUE(p.r == 0.0f && p.b == 0.0f) << p.r << " " << p.b;
}

// Where the curve is undefined: NaN, -inf and the pole -1 count as black,
// +inf (or an overflow) makes the colour white; next to the pole the
// curve's own (large) value stays.  Both evaluations agree.
TEST(ToneCurve, ColoursTheCurveIsNotDefinedFor) {
    TonemapRecord r = neutral_record();
    r.highlight_compression = 0.5f;
    r.display_gamma = 2.2f;
    r.shadow_crush = 0.5f;
    const uvo::ToneCurve curve = curve_of(r);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    auto both = [&](Color in) {
        Color plain = in;
        uvo_test::tone_map_reference(r, curve, plain, 100, 50);
        for (const uvo::ToneMapper *mapper : uvo::tone_mappers()) {
            Color fast = in;
            mapper->map_color(r, curve, fast, 100, 50);
            EXPECT_TRUE(std::memcmp(&fast, &plain, sizeof fast) == 0)
                << mapper->instruction_set << ": " << in.r << " " << in.g << " " << in.b;
        }
        EXPECT_EQ(plain.a, in.a);
        return plain;
    };
    const Color grey = both(Color{0, 0.25f, 0.25f, 0.5f});
    for (float bad : {nan, -inf, -1.0f}) {
        const Color out = both(Color{bad, 0.25f, 0.25f, 0.5f});
        EXPECT_TRUE(out.r == 0.0f && out.g == grey.g && out.b == grey.b)
            << "red " << bad << ": " << out.r << " " << out.g << " " << out.b;
    }
    for (Color in : {Color{inf, 0.25f, 0.25f, 0.5f}, Color{0.1f, 0.1f, 3e38f, 0.5f}}) {
        const Color out = both(in);
        EXPECT_TRUE(out.r == 1.0f && out.g == 1.0f && out.b == 1.0f) << in.b << ": " << out.r << " " << out.g;
    }
    // -1.001 is inside the curve's domain: k (1 + k/2) / (1 + k) is about +500.
    r.display_gamma = 1.0f;
    const uvo::ToneCurve linear = curve_of(r);
    Color near_pole{-1.001f, 0.25f, 0.25f, 0.5f};
    uvo::tone_map_color(r, linear, near_pole, 100, 50);
    const float k = -1.001f;
    EXPECT_FLOAT_EQ(near_pole.r, k * (1.0f + k * 0.5f) / (1.0f + k));
}

TEST(ToneCurve, DarkToneCrushOnlyBelowUnitLuminance) {
    TonemapRecord r = neutral_record();
    r.shadow_crush = 1.0f;  // exponent 3
    // Luminance 1 and above: the same as without crush, whatever its strength.
    TonemapRecord uncrushed = r;
    uncrushed.shadow_crush = 0.0f;
    for (Color c : {Color{1, 1, 1, 1}, Color{2.0f, 0.5f, 1.5f, 1}, Color{0.2f, 1.8f, 0.4f, 1}}) {
        const Color out = mapped(r, c), plain = mapped(uncrushed, c);
        EXPECT_TRUE(out.r == plain.r && out.g == plain.g && out.b == plain.b) << c.r << " " << c.g << " " << c.b;
    }
    // Below: k^3 and k blend by the square root of luminance, 0.5 for a grey of 0.25.
    EXPECT_FLOAT_EQ(mapped(r, Color{0.25f, 0.25f, 0.25f, 1}).g, 0.25f * 0.25f * 0.25f * 0.5f + 0.25f * 0.5f);
    const Color black = mapped(r, Color{0, 0, 0, 1});
    EXPECT_TRUE(black.r == 0.0f && black.g == 0.0f && black.b == 0.0f);
}

// Random bases against double pow: see the fast curve against the plain one.
// Every instruction set's kernels.
TEST(PowerBatch, MatchesDoublePowRoundedToFloat) {
    auto check = [](std::vector<float> bases, float e) {
        uvo::PowerTable table;
        uvo::make_power_table(e, table);
        for (const uvo::ToneMapper *mapper : uvo::tone_mappers()) {
            std::vector<float> powers = bases;
            mapper->powers(table, powers.data(), powers.data(), int(powers.size()));  // in place
            for (size_t i = 0; i < bases.size(); ++i)
                ASSERT_EQ(powers[i], static_cast<float>(std::pow(double(bases[i]), double(e))))
                    << mapper->instruction_set << ": pow(" << bases[i] << ", " << e << ")";
        }
    };
    // Every float in [0.5, 1) to the powers 2, 3 and 4: integer exponents
    // make exact ties, which must round to even as pow's do.
    std::vector<float> octave(1 << 23);
    for (size_t i = 0; i < octave.size(); ++i)
        octave[i] = 0.5f + float(i) * 0x1p-24f;
    for (float e : {2.0f, 3.0f, 4.0f})
        check(octave, e);
    // Every 251st float of the normal range to a gamma and a crush exponent:
    // each power table entry and each slice of the mantissa.
    std::vector<float> range;
    for (uint32_t bits = 0x00800000u; bits < 0x7f800000u; bits += 251)
        range.push_back(std::bit_cast<float>(bits));
    for (float e : {1.0f / 2.2f, 2.6f})
        check(range, e);
}

TEST(PowerBatch, SpecialValuesAreThoseOfPow) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float bases[] = {0.0f, -0.0f, -2.0f, inf, -inf, nan, 1.0f, 1e-45f, 3e38f, 1e-30f, 2.0f, 0.5f};
    const float exponents[] = {0.0f, 1.0f, -1.0f, 0.5f, 2.2f, 3.0f, -3.0f, 200.0f, -200.0f, inf, -inf, nan, 1e30f};
    constexpr int n = sizeof bases / sizeof bases[0];
    for (float e : exponents) {
        uvo::PowerTable table;
        uvo::make_power_table(e, table);
        for (const uvo::ToneMapper *mapper : uvo::tone_mappers()) {
            float out[n], alone[n];
            mapper->powers(table, bases, out, n);  // in full vectors
            for (int i = 0; i < n; ++i)
                mapper->powers(table, &bases[i], &alone[i], 1);  // one in a padded vector
            for (int i = 0; i < n; ++i) {
                const float expected = static_cast<float>(std::pow(double(bases[i]), double(e)));
                for (float got : {out[i], alone[i]})  // the same bits (any NaN for NaN)
                    EXPECT_TRUE(std::isnan(expected) ? std::isnan(got)
                                                     : got == expected && std::signbit(got) == std::signbit(expected))
                        << mapper->instruction_set << ": pow(" << bases[i] << ", " << e << ") = " << got;
            }
        }
    }
}

TEST(ToneCurve, FastCurveEqualsTheScalarCurve) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::normal_distribution<float> stops(-1.0f, 4.0f);
    for (int setting = 0; setting < 3000; ++setting) {
        TonemapRecord r = neutral_record();
        r.width = 37 + setting;
        r.height = 23 + setting / 2;
        r.radiance_scale = std::exp2(stops(random));
        r.white_balance = Color{0.5f + unit(random), 0.5f + unit(random), 0.5f + unit(random), 1};
        r.film_speed = setting % 3 == 0 ? 0.0f : 50.0f + 800.0f * unit(random);
        r.shutter_rate = 1.0f + 500.0f * unit(random);
        r.aperture_stop = 1.4f + 20.0f * unit(random);
        r.vignette_power = setting % 4 == 0 ? 0.0f : 8.0f * unit(random);
        r.highlight_compression = unit(random);
        r.shadow_crush = setting % 5 == 0 ? 0.0f : 2.0f * unit(random);
        r.color_saturation = 1.5f * unit(random);
        r.display_gamma = 1.0f + 1.6f * unit(random);
        r.camera_aspect = 0.5f + 2.0f * unit(random);
        r.camera_focal = 0.2f + unit(random);
        r.camera_aperture = 0.3f + unit(random);
        r.luminance_weights = Color{0.2126f, 0.7152f, 0.0722f, 0};
        const uvo::ToneCurve curve = curve_of(r);

        auto random_colour = [&] {
            const float level = std::exp2(stops(random));
            // Some channels negative, as a reconstruction filter leaves them.
            return Color{level * (unit(random) * 1.2f - 0.1f), level * unit(random), level * unit(random), 0.25f};
        };
        auto expect_reference = [&](const char *path, Color in, Color got, float x, float y) {
            Color want = in;
            uvo_test::tone_map_reference(r, curve, want, x, y);
            ASSERT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b && got.a == in.a)
                << path << ", setting " << setting << " pixel (" << x << ", " << y << ") input " << in.r << " "
                << in.g << " " << in.b << ": " << got.r << " " << got.g << " " << got.b << " against " << want.r
                << " " << want.g << " " << want.b;
        };
        for (const uvo::ToneMapper *mapper : uvo::tone_mappers()) {
            for (int i = 0; i < 16; ++i) {
                const float x = std::floor(unit(random) * float(r.width + 1));
                const float y = std::floor(unit(random) * float(r.height + 1));
                const Color in = random_colour();
                Color got = in;
                mapper->map_color(r, curve, got, x, y);
                expect_reference(mapper->instruction_set, in, got, x, y);
            }
            if (setting % 8 != 0)
                continue;
            // A whole row through the row loop and its runs of vignette factors.
            struct Row {
                std::vector<Color> in, out;
            } row;
            for (int x = 0; x < r.width; ++x)
                row.in.push_back(random_colour());
            row.out.resize(row.in.size());
            r.read_context = r.write_context = &row;
            r.read_pixel = [](void *c, Color *p, int32_t x, int32_t) { *p = static_cast<Row *>(c)->in[size_t(x)]; };
            r.write_pixel = [](void *c, const Color *p, int32_t x, int32_t) {
                static_cast<Row *>(c)->out[size_t(x)] = *p;
            };
            const int y = int(unit(random) * float(r.height));
            mapper->map_row(r, &curve, y);
            for (int x = 0; x < r.width; ++x)
                expect_reference(mapper->instruction_set, row.in[size_t(x)], row.out[size_t(x)], float(x), float(y));
        }
    }
}
