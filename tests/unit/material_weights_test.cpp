// Component weights: reflectivity curves, energy sharing, metal, sides of
// the surface, depth limits, translucency and the stage copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "test_host.h"
#include "xmtl/weight_models.h"
#include "xmtl/weights.h"

using uvo_test::host;

namespace {

#define SLOT(field) static_cast<std::ptrdiff_t>(offsetof(uvo::MaterialParams, field))

std::string show(const Color &c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ", " +
           std::to_string(c.a) + ")";
}

float lum(const Color &c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }

::testing::AssertionResult color_near(const Color &actual, const Color &expected, float tolerance = 1e-5f) {
    if (std::fabs(actual.r - expected.r) <= tolerance && std::fabs(actual.g - expected.g) <= tolerance &&
        std::fabs(actual.b - expected.b) <= tolerance && std::fabs(actual.a - expected.a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << show(actual) << " is not " << show(expected);
}

// expected weight: colour times s, luminance of the colour times s in a
Color weight(Color c, float s) { return Color{c.r * s, c.g * s, c.b * s, lum(c) * s}; }

const Color white{1, 1, 1, 1};

struct Weights : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<uvo::MaterialParams> block;
    uvo::MaterialInstance instance;
    uvo::MaterialWorkRecord work{};

    void SetUp() override {
        block.attach(f.shader, true);
        instance.declaration_version = 14;
        auto &p = *block;
        p.diffuse_weight = 1;
        p.diffuse_color = Color{0.5f, 0.5f, 0.5f, 1};
        p.reflection_color = white;
        p.refraction_color = white;
        p.refraction_ior = 1.5f;
        p.reflectance_normal = 1;  // custom curve flat at 1: refl is the parameter
        p.reflectance_grazing = 1;
        p.reflectance_curve = 5;
        p.anisotropy = 1;
        p.indirect_quality = 1;
    }
    void evaluate() {
        work = uvo::MaterialWorkRecord{};
        work.instance = &instance;
        uvo::evaluate_weights(&f.state, &work, block.get());
    }
    bool read(std::ptrdiff_t slot) const {
        return std::count(host().evaluations.begin(), host().evaluations.end(), slot) > 0;
    }
};

}  // namespace

TEST_F(Weights, ParametersAreReadOnlyOnThePathThatNeedsThem) {
    // Plain diffuse: no reflection, refraction, AO, metal or translucency work.
    evaluate();
    const std::vector<std::ptrdiff_t> plain{
        SLOT(conserve_energy),       SLOT(reflection_highlights_only), SLOT(anisotropy),
        SLOT(reflection_depth_highlights_only), SLOT(diffuse_weight), SLOT(reflectivity),
        SLOT(transparency),          SLOT(reflection_color),           SLOT(refraction_color),
        SLOT(diffuse_color),         SLOT(refraction_ior),             SLOT(thin_walled_mode),
        SLOT(reflection_environment_fallback), SLOT(fresnel_from_ior), SLOT(reflectance_normal),
        SLOT(reflectance_grazing),   SLOT(reflectance_curve),          SLOT(metal_material),
        SLOT(refraction_depth_limit), SLOT(thin_walled_mode),          SLOT(ao_mode),
        SLOT(reflection_interpolate), SLOT(refraction_interpolate),    SLOT(indirect_quality_weight),
        SLOT(indirect_quality)};
    EXPECT_EQ(host().evaluations, plain);
    EXPECT_EQ(work.reflection_weight.a, 0.0f);
    EXPECT_EQ(work.refraction_weight.a, 0.0f);
    EXPECT_FLOAT_EQ(work.diffuse_weight.r, 0.5f);

    // Everything on, from inside: each stage's parameters in their order.
    host().evaluations.clear();
    auto &p = *block;
    p.reflectivity = 0.5f;
    p.transparency = 0.5f;
    p.fresnel_from_ior = 1;
    p.ao_mode = 1;
    p.translucency_enable = 1;
    p.skip_internal_reflections = 1;
    p.refraction_falloff_enable = 1;
    p.refraction_falloff_color_enable = 1;
    p.reflection_interpolation_smooth_enable = 1;
    host().script.rx_fresnel_reflection = [](ShadingState *, float, float) { return 1.0f; };
    f.state.inside = 1;
    evaluate();
    const std::vector<std::ptrdiff_t> full{
        SLOT(conserve_energy), SLOT(reflection_highlights_only), SLOT(anisotropy),
        SLOT(reflection_depth_highlights_only), SLOT(diffuse_weight), SLOT(reflectivity), SLOT(transparency),
        SLOT(reflection_color), SLOT(refraction_color), SLOT(diffuse_color), SLOT(refraction_ior),
        SLOT(thin_walled_mode), SLOT(reflection_environment_fallback), SLOT(fresnel_from_ior),
        SLOT(skip_internal_reflections), SLOT(metal_material), SLOT(refraction_depth_limit),
        SLOT(translucency_enable), SLOT(translucency_weight), SLOT(translucency_color), SLOT(ao_mode),
        SLOT(ao_detail_mode), SLOT(ao_distance), SLOT(ao_samples), SLOT(highlight_weight),
        SLOT(reflection_glossiness), SLOT(reflection_samples), SLOT(reflection_cutoff),
        SLOT(reflection_interpolation_smooth_enable), SLOT(reflection_interpolation_smooth),
        SLOT(refraction_glossiness), SLOT(refraction_samples), SLOT(refraction_cutoff),
        SLOT(refraction_falloff_enable), SLOT(refraction_falloff_distance), SLOT(refraction_falloff_color_enable),
        SLOT(refraction_falloff_color), SLOT(reflection_interpolate), SLOT(refraction_interpolate),
        SLOT(indirect_quality_weight), SLOT(indirect_quality)};
    EXPECT_EQ(host().evaluations, full);
    for (std::ptrdiff_t offset : host().evaluations)
        EXPECT_LT(offset, static_cast<std::ptrdiff_t>(uvo::material_block_size));
}

TEST_F(Weights, CustomCurveFromNormalToGrazing) {
    auto &p = *block;
    p.reflectivity = 0.8f;
    p.reflectance_normal = 0.1f;
    p.reflectance_grazing = 1.0f;
    p.reflectance_curve = 5.0f;
    const struct {
        float dot_nd, factor;
    } cases[] = {{-1.0f, 0.1f}, {0.0f, 1.0f}, {-0.5f, 0.1f + 0.9f * 0.03125f}, {0.5f, 0.1f + 0.9f * 0.03125f}};
    for (const auto &c : cases) {
        f.state.dot_nd = c.dot_nd;
        evaluate();
        EXPECT_TRUE(color_near(work.reflection_weight, weight(white, 0.8f * c.factor))) << "dot_nd " << c.dot_nd;
    }
    EXPECT_EQ(host().count("rx_fresnel_reflection"), 0);
    EXPECT_FLOAT_EQ(uvo::custom_reflectance(0.25f, 0.2f, 0.6f, 1.0f), 0.25f * 0.2f + 0.75f * 0.6f);

    // A ray straight along the normal can give a cosine a hair beyond 1 in
    // single precision: that is still normal incidence, whatever the curve's
    // exponent, not an invalid number.
    p.reflectance_curve = 2.5f;
    for (const float beyond : {std::nextafter(-1.0f, -2.0f), std::nextafter(1.0f, 2.0f)}) {
        f.state.dot_nd = beyond;
        evaluate();
        EXPECT_TRUE(color_near(work.reflection_weight, weight(white, 0.8f * 0.1f))) << "dot_nd " << beyond;
        EXPECT_TRUE(std::isfinite(work.diffuse_weight.a)) << "dot_nd " << beyond;
    }
}

TEST_F(Weights, FresnelIndexPairFollowsTheSideOfTheSurface) {
    auto &p = *block;
    p.reflectivity = 1.0f;
    p.fresnel_from_ior = 1;
    float in = 0, out = 0, value = 0.04f;
    host().script.rx_fresnel_reflection = [&](ShadingState *, float a, float b) {
        in = a;
        out = b;
        return value;
    };
    struct Case {
        Boolean inside;
        int32_t mode;
        int32_t ray_type;
        float in, out;
    };
    const Case cases[] = {
        {0, 0, UVO_RAY_EYE, 1.0f, 1.5f},    {1, 0, UVO_RAY_REFRACT, 1.5f, 1.0f},
        {1, 1, UVO_RAY_REFRACT, 1.0f, 1.5f}, {1, 0, UVO_RAY_SHADOW, 1.0f, 1.5f},
    };
    for (const Case &c : cases) {
        f.state.inside = c.inside;
        f.state.ray_type = c.ray_type;
        p.thin_walled_mode = c.mode;
        evaluate();
        EXPECT_EQ(in, c.in) << "inside " << c.inside << " mode " << c.mode << " ray " << c.ray_type;
        EXPECT_EQ(out, c.out) << "inside " << c.inside << " mode " << c.mode << " ray " << c.ray_type;
        EXPECT_TRUE(color_near(work.reflection_weight, weight(white, 0.04f)));
    }
    EXPECT_FALSE(read(SLOT(reflectance_normal)));
    EXPECT_FALSE(read(SLOT(reflectance_curve)));

    // Whatever the host returns is clamped to [0, 1].
    f.state.inside = 0;
    for (float returned : {1.7f, -0.2f, std::numeric_limits<float>::quiet_NaN()}) {
        value = returned;
        evaluate();
        const float expected = returned > 1 ? 1.0f : 0.0f;
        EXPECT_EQ(work.reflection_weight.r, expected) << "host value " << returned;
    }
}

TEST_F(Weights, EnergyConservationSharesOutWhatIsReflected) {
    auto &p = *block;
    p.diffuse_color = white;
    p.reflectivity = 0.3f;
    p.transparency = 1.0f;
    p.conserve_energy = 1;
    evaluate();
    EXPECT_TRUE(color_near(work.reflection_weight, weight(white, 0.3f)));
    EXPECT_TRUE(color_near(work.refraction_weight, weight(white, 0.7f)));
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(white, 0.0f)));

    p.transparency = 0.5f;
    evaluate();
    EXPECT_TRUE(color_near(work.refraction_weight, weight(white, 0.35f)));
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(white, 0.35f)));

    // Without it every component keeps its full weight.
    p.conserve_energy = 0;
    p.reflectivity = 1.0f;
    p.transparency = 0.0f;
    evaluate();
    EXPECT_TRUE(color_near(work.reflection_weight, weight(white, 1.0f)));
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(white, 1.0f)));

    // With it, white components never add up to more than the light that
    // arrives, whatever the weights and whether translucency takes a share.
    p.conserve_energy = 1;
    f.state.inside = 1;
    p.translucency_color = white;
    const float levels[] = {0.0f, 0.3f, 0.7f, 1.0f};
    for (float dw : levels)
        for (float refl : levels)
            for (float tr : levels)
                for (Boolean translucent : {0, 1}) {
                    p.diffuse_weight = dw;
                    p.reflectivity = refl;
                    p.transparency = tr;
                    p.translucency_enable = translucent;
                    p.translucency_weight = 0.5f;
                    evaluate();
                    const float total = work.reflection_weight.a + work.refraction_weight.a +
                                        work.diffuse_weight.a + work.translucency_weight.a;
                    EXPECT_LE(total, 1.0f + 1e-5f) << "dw " << dw << " refl " << refl << " tr " << tr
                                                   << " translucency " << translucent;
                    EXPECT_GE(work.diffuse_weight.a, 0.0f);
                    EXPECT_GE(work.refraction_weight.a, 0.0f);
                }
}

TEST_F(Weights, MetalTintsTheReflectionAndTakesFromDiffuse) {
    auto &p = *block;
    const Color metal{1.0f, 0.5f, 0.25f, 1};
    p.diffuse_color = metal;
    p.reflectivity = 0.6f;
    p.metal_material = 1;
    evaluate();
    EXPECT_TRUE(color_near(work.reflection_weight, weight(metal, 0.6f)));
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(metal, 0.4f)));

    // A grey reflection colour takes less: dw (1 - L refl).
    p.reflection_color = Color{0.5f, 0.5f, 0.5f, 1};
    evaluate();
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(metal, 1.0f - 0.5f * 0.6f), 1e-5f));
    EXPECT_TRUE(color_near(work.reflection_weight,
                           weight(Color{0.5f * metal.r, 0.5f * metal.g, 0.5f * metal.b, 1}, 0.6f)));

    // More than all of it: the diffuse weight stops at 0.
    p.reflection_color = white;
    p.reflectivity = 2.0f;
    evaluate();
    EXPECT_EQ(work.diffuse_weight.r, 0.0f);
    EXPECT_EQ(work.diffuse_weight.a, 0.0f);

    // Not a metal: the reflection keeps its own colour.
    p.metal_material = 0;
    p.reflectivity = 0.6f;
    evaluate();
    EXPECT_TRUE(color_near(work.reflection_weight, weight(white, 0.6f)));
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(metal, 1.0f)));
}

TEST_F(Weights, ThinWalledModesAndRayHistoryParity) {
    // eye (0) -> refraction (3) -> now a refraction ray (3): two crossings.
    ShadingState eye{}, first{};
    eye.ray_type = UVO_RAY_EYE;
    first.ray_type = UVO_RAY_REFRACT;
    first.parent = &eye;
    f.state.parent = &first;
    f.state.ray_type = UVO_RAY_REFRACT;
    auto &p = *block;
    for (Boolean host_inside : {0, 1}) {
        f.state.inside = host_inside;
        p.thin_walled_mode = 2;
        evaluate();
        EXPECT_EQ(f.state.inside, 0) << "mode 2, host said " << host_inside;
        EXPECT_EQ(work.thin_walled, 0);
        f.state.inside = host_inside;
        p.thin_walled_mode = 3;
        evaluate();
        EXPECT_EQ(f.state.inside, 1) << "mode 3, host said " << host_inside;
        EXPECT_EQ(work.thin_walled, 0);
    }
    // A reflection in between does not cross; photon transmissions do.
    first.ray_type = UVO_RAY_REFLECT;
    p.thin_walled_mode = 2;
    evaluate();
    EXPECT_EQ(f.state.inside, 1);
    for (int32_t type : {13, 14, 15}) {
        first.ray_type = type;
        evaluate();
        EXPECT_EQ(f.state.inside, 0) << "ray type " << type;
    }
    // Without an eye ray the walk ends at the root, which counts.
    first.parent = nullptr;
    first.ray_type = UVO_RAY_REFRACT;
    evaluate();
    EXPECT_EQ(f.state.inside, 0);
    EXPECT_TRUE(uvo::inside_from_ray_history(&first, 2));
    EXPECT_FALSE(uvo::inside_from_ray_history(&first, 3));

    // Mode 0 keeps the host's flag, mode 1 is thin-walled and never inside
    // for Fresnel or internal reflections.
    for (Boolean host_inside : {0, 1}) {
        f.state.inside = host_inside;
        p.thin_walled_mode = 0;
        evaluate();
        EXPECT_EQ(f.state.inside, host_inside);
        EXPECT_EQ(work.thin_walled, 0);
        p.thin_walled_mode = 1;
        p.reflectivity = 0.3f;
        p.skip_internal_reflections = 1;
        evaluate();
        EXPECT_EQ(f.state.inside, host_inside);
        EXPECT_EQ(work.thin_walled, 1);
        EXPECT_EQ(work.internal_reflection_factor, 1.0f);
    }
}

TEST_F(Weights, InternalReflectionsAreSkippedInsideSolids) {
    EXPECT_EQ(uvo::internal_reflection_factor(0.49f), 0.0f);
    EXPECT_FLOAT_EQ(uvo::internal_reflection_factor(0.7f), 0.5f);
    EXPECT_EQ(uvo::internal_reflection_factor(0.9f), 1.0f);
    float previous = 0.0f;
    for (float r = 0.5f; r < 0.9f; r += 0.01f) {
        const float factor = uvo::internal_reflection_factor(r);
        EXPECT_GE(factor, previous) << "reflectivity " << r;
        previous = factor;
    }

    auto &p = *block;
    p.skip_internal_reflections = 1;
    p.reflectivity = 0.7f;
    f.state.inside = 1;
    evaluate();
    EXPECT_FLOAT_EQ(work.internal_reflection_factor, 0.5f);
    // The factor uses the reflectivity after the curve.
    p.reflectance_normal = p.reflectance_grazing = 0.5f;
    evaluate();
    EXPECT_EQ(work.internal_reflection_factor, 0.0f);
    p.skip_internal_reflections = 0;
    evaluate();
    EXPECT_EQ(work.internal_reflection_factor, 1.0f);
    f.state.inside = 0;
    host().evaluations.clear();
    evaluate();
    EXPECT_EQ(work.internal_reflection_factor, 1.0f);
    EXPECT_FALSE(read(SLOT(skip_internal_reflections)));
}

TEST_F(Weights, DepthLimits) {
    auto &p = *block;
    p.transparency = 0.8f;
    p.refraction_depth_limit = 2;
    for (int32_t depth : {0, 1, 2, 3})
        for (int32_t type : {UVO_RAY_EYE, UVO_RAY_REFRACT, UVO_RAY_SHADOW}) {
            f.state.refraction_depth = depth;
            f.state.ray_type = type;
            evaluate();
            const bool cut = depth >= 2 && type != UVO_RAY_SHADOW;
            EXPECT_FLOAT_EQ(work.refraction_weight.r, cut ? 0.0f : 0.8f) << "depth " << depth << " type " << type;
        }
    p.refraction_depth_limit = 0;  // no limit
    f.state.refraction_depth = 50;
    f.state.ray_type = UVO_RAY_REFRACT;
    evaluate();
    EXPECT_FLOAT_EQ(work.refraction_weight.r, 0.8f);

    // Highlights only from a reflection depth on; the untraced reflection
    // goes to diffuse unless final gathering is on.
    p.reflectivity = 0.4f;
    p.diffuse_color = white;
    p.diffuse_weight = 0.5f;
    p.transparency = 0;
    p.reflection_depth_highlights_only = 1;
    f.state.reflection_depth = 0;
    evaluate();
    EXPECT_EQ(work.highlights_only, 0);
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(white, 0.5f)));
    f.state.reflection_depth = 1;
    evaluate();
    EXPECT_EQ(work.highlights_only, 1);
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(white, 0.9f)));
    EXPECT_TRUE(color_near(work.reflection_weight, weight(white, 0.4f))) << "the highlight keeps its weight";
    f.options.final_gather = 1;
    evaluate();
    EXPECT_TRUE(color_near(work.diffuse_weight, weight(white, 0.5f)));
    f.options.final_gather = 0;
    p.reflection_depth_highlights_only = 0;
    p.reflection_highlights_only = 1;
    f.state.reflection_depth = 0;
    evaluate();
    EXPECT_EQ(work.highlights_only, 1);
}

TEST_F(Weights, TranslucencyTakesAShareOfTheRefraction) {
    auto &p = *block;
    p.transparency = 1.0f;
    p.refraction_color = Color{1.0f, 0.5f, 1.0f, 1};
    p.translucency_enable = 1;
    p.translucency_weight = 0.4f;
    p.translucency_color = Color{0.5f, 1.0f, 1.0f, 1};
    // Outside a solid (mode 0): no translucency, and its switch is not read.
    evaluate();
    EXPECT_EQ(work.translucency_weight.a, 0.0f);
    EXPECT_TRUE(color_near(work.refraction_weight, weight(p.refraction_color, 1.0f)));
    EXPECT_FALSE(read(SLOT(translucency_enable)));

    const Color expected{0.2f, 0.2f, 0.4f, lum(Color{0.2f, 0.2f, 0.4f, 0})};
    for (int c = 0; c < 3; ++c) {
        f.state.inside = c == 0;
        p.thin_walled_mode = c == 1 ? 1 : (c == 2 ? 2 : 0);
        if (c == 2) {  // mode 2 as seen from inside by its ray history
            f.state.ray_type = UVO_RAY_REFRACT;
            f.state.parent = nullptr;
        }
        evaluate();
        EXPECT_TRUE(color_near(work.translucency_weight, expected)) << "case " << c;
        EXPECT_TRUE(color_near(work.refraction_weight, weight(p.refraction_color, 0.6f))) << "case " << c;
    }
    // Mode 2 seen from outside still allows translucency: the switch looks
    // at the mode as given.
    f.state.ray_type = UVO_RAY_EYE;
    evaluate();
    EXPECT_EQ(f.state.inside, 0);
    EXPECT_TRUE(color_near(work.translucency_weight, expected));

    // Transparency already reduced (depth limit): no translucency either.
    p.refraction_depth_limit = 1;
    f.state.refraction_depth = 1;
    evaluate();
    EXPECT_EQ(work.translucency_weight.a, 0.0f);
    EXPECT_EQ(work.refraction_weight.a, 0.0f);
}

TEST_F(Weights, StageCopiesAndSwitches) {
    auto &p = *block;
    p.reflectivity = 0.5f;
    p.transparency = 0.5f;
    p.highlight_weight = 0.8f;
    p.reflection_glossiness = 0.6f;
    p.reflection_samples = 12;
    p.reflection_cutoff = 0.01f;
    p.reflection_interpolation_smooth = 2.5f;
    p.refraction_glossiness = 0.9f;
    p.refraction_samples = 7;
    p.refraction_cutoff = 0.02f;
    p.refraction_falloff_enable = 1;
    p.refraction_falloff_distance = 10.0f;
    p.refraction_falloff_color_enable = 1;
    p.refraction_falloff_color = Color{-0.5f, 0.2f, 0.3f, 1};
    p.reflection_interpolate = 1;
    p.refraction_interpolate = 1;
    p.reflection_environment_fallback = 1;
    p.ao_mode = 2;
    p.ao_detail_mode = 2;
    p.ao_distance = 3.0f;
    p.ao_samples = 24;
    p.indirect_quality = 0.3f;
    p.indirect_quality_weight = 2.0f;
    evaluate();
    EXPECT_EQ(work.highlight_weight, 0.8f);
    EXPECT_EQ(work.reflection_glossiness, 0.6f);
    EXPECT_EQ(work.reflection_samples, 12);
    EXPECT_EQ(work.reflection_cutoff, 0.01f);
    EXPECT_EQ(work.reflection_interpolation_smooth, 0.0f) << "its enable is off";
    EXPECT_EQ(work.refraction_glossiness, 0.9f);
    EXPECT_EQ(work.refraction_samples, 7);
    EXPECT_EQ(work.refraction_cutoff, 0.02f);
    EXPECT_EQ(work.refraction_falloff_distance, 10.0f);
    EXPECT_TRUE(color_near(work.refraction_falloff_color, Color{0, 0.2f, 0.3f, lum(Color{0, 0.2f, 0.3f, 0})}));
    EXPECT_EQ(work.reflection_interpolate, 1);
    EXPECT_EQ(work.refraction_interpolate, 1);
    EXPECT_EQ(work.reflection_environment_fallback, 1);
    EXPECT_EQ(work.ao_detail_mode, 2);
    EXPECT_EQ(work.ao_distance, 3.0f);
    EXPECT_EQ(work.ao_samples, 24);
    EXPECT_EQ(work.indirect_quality, 1.0f) << "0.3 x 2 is raised to 1";
    EXPECT_EQ(work.indirect_enabled, 1);
    EXPECT_EQ(work.indirect_query_failed, 0);
    EXPECT_EQ(work.anisotropy, 1.0f);

    p.reflection_interpolation_smooth_enable = 1;
    p.refraction_falloff_color_enable = 0;
    p.indirect_quality_weight = 0.0f;
    f.options.contour[0] = f.options.contour[1] = 1;
    host().gather_context_ok = 0;
    evaluate();
    EXPECT_EQ(work.reflection_interpolation_smooth, 2.5f);
    EXPECT_EQ(work.refraction_falloff_color_enable, 0);
    EXPECT_EQ(work.refraction_falloff_color.g, 0.0f) << "not copied without its enable";
    EXPECT_EQ(work.reflection_interpolate, 0) << "contour rendering";
    EXPECT_EQ(work.refraction_interpolate, 0) << "contour rendering";
    EXPECT_FLOAT_EQ(work.indirect_quality, 0.3f);
    EXPECT_EQ(work.indirect_query_failed, 1);
    EXPECT_FLOAT_EQ(uvo::indirect_quality_factor(0.5f, 4.0f), 2.0f);

    // No refraction weight: the falloff switches are off and nothing is copied.
    p.transparency = 0;
    p.reflectivity = 0;
    p.ao_mode = 0;
    host().evaluations.clear();
    evaluate();
    EXPECT_EQ(work.refraction_falloff_enable, 0);
    EXPECT_EQ(work.refraction_falloff_distance, 0.0f);
    EXPECT_EQ(work.refraction_samples, 0);
    EXPECT_EQ(work.reflection_samples, 0);
    EXPECT_EQ(work.ao_samples, 0);
    for (auto slot : {SLOT(refraction_glossiness), SLOT(refraction_falloff_enable), SLOT(highlight_weight),
                      SLOT(reflection_samples), SLOT(ao_distance)})
        EXPECT_FALSE(read(slot)) << "slot offset " << slot;
}
