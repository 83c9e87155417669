// Component weights: reflectivity curves, energy sharing, metal, sides of
// the surface, depth limits and translucency.
#include <limits>

#include "material_test_support.h"
#include "xmtl/weight_models.h"
#include "xmtl/weights.h"

using namespace uvo_test;

namespace {

// expected weight: colour times s, luminance of the colour times s in a
Color weight(Color c, float s) { return Color{c.r * s, c.g * s, c.b * s, lum(c) * s}; }

struct Weights : MaterialTest {
    void SetUp() override {
        MaterialTest::SetUp();
        instance.declaration_version = 14;
        plain_material(block.get());  // the flat curve at 1: refl is the parameter
        block->diffuse_color = Color{0.5f, 0.5f, 0.5f, 1};
    }
    void evaluate() {
        work = uvo::MaterialWorkRecord{};
        work.instance = &instance;
        uvo::evaluate_weights(&f.state, &work, block.get());
    }
};

}  // namespace

TEST_F(Weights, ReflectivityFromTheCustomCurveOrTheHostsFresnel) {
    auto &p = *block;
    p.reflectivity = 0.8f;
    p.reflectance_normal = 0.1f;
    // Normal incidence, grazing, half way; a cosine a hair beyond 1 (a ray
    // straight along the normal in single precision) is still normal
    // incidence whatever the exponent, not an invalid number.
    const struct {
        float dot_nd, curve, factor;
    } curve[] = {{-1.0f, 5, 0.1f}, {0.0f, 5, 1.0f}, {0.5f, 5, 0.1f + 0.9f * 0.03125f},
                 {std::nextafter(-1.0f, -2.0f), 2.5f, 0.1f}};
    for (const auto &c : curve) {
        f.state.dot_nd = c.dot_nd;
        p.reflectance_curve = c.curve;
        evaluate();
        EXPECT_TRUE(near(work.reflection_weight, weight(white, 0.8f * c.factor))) << "dot_nd " << c.dot_nd;
        EXPECT_TRUE(std::isfinite(work.diffuse_weight.a)) << "dot_nd " << c.dot_nd;
    }

    // From the index, whatever the host returns is clamped to [0, 1].
    p.reflectivity = 1.0f;
    p.fresnel_from_ior = 1;
    float value = 0;
    host().script.rx_fresnel_reflection = [&](ShadingState *, float, float) { return value; };
    for (auto [returned, expected] :
         {std::pair{0.04f, 0.04f}, {1.7f, 1.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.0f}}) {
        value = returned;
        evaluate();
        EXPECT_EQ(work.reflection_weight.r, expected) << "host value " << returned;
    }
}

TEST_F(Weights, EnergyConservationAndMetalShareOutWhatIsReflected) {
    auto &p = *block;
    const Color metal{1.0f, 0.5f, 0.25f, 1}, grey{0.5f, 0.5f, 0.5f, 1};
    const struct {
        Boolean conserve, is_metal;
        float refl, tr;
        Color diffuse, reflection_color, reflection, refraction, remaining;
    } cases[] = {
        {1, 0, 0.3f, 0.5f, white, white, weight(white, 0.3f), weight(white, 0.35f), weight(white, 0.35f)},
        // A metal tints the reflection and takes dw (1 - L refl) from diffuse.
        {0, 1, 0.6f, 0.0f, metal, grey, weight(Color{0.5f, 0.25f, 0.125f, 1}, 0.6f), weight(white, 0.0f),
         weight(metal, 1.0f - 0.5f * 0.6f)},
        // More than all of it: the diffuse weight stops at 0.
        {0, 1, 2.0f, 0.0f, metal, white, weight(metal, 2.0f), weight(white, 0.0f), weight(metal, 0.0f)},
    };
    for (const auto &c : cases) {
        p.conserve_energy = c.conserve;
        p.metal_material = c.is_metal;
        p.reflectivity = c.refl;
        p.transparency = c.tr;
        p.diffuse_color = c.diffuse;
        p.reflection_color = c.reflection_color;
        evaluate();
        SCOPED_TRACE(row("conserve", c.conserve, "metal", c.is_metal, c.refl, c.tr));
        EXPECT_TRUE(near(work.reflection_weight, c.reflection));
        EXPECT_TRUE(near(work.refraction_weight, c.refraction));
        EXPECT_TRUE(near(work.diffuse_weight, c.remaining));
    }

    // Conserving, white components never add up to more than the light that
    // arrives, whatever the weights and whether translucency takes a share.
    p.conserve_energy = 1;
    p.metal_material = 0;
    p.diffuse_color = p.reflection_color = p.translucency_color = white;
    f.state.inside = 1;
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

TEST_F(Weights, ThinWalledModesAndRayHistoryParity) {
    // eye -> first -> this refraction ray: the walk counts the crossings.
    ShadingState eye{}, first{};
    eye.ray_type = UVO_RAY_EYE;
    first.parent = &eye;
    f.state.parent = &first;
    f.state.ray_type = UVO_RAY_REFRACT;
    block->reflectivity = 0.3f;
    // Mode 0 keeps the host's flag; mode 1 is thin-walled and never inside;
    // modes 2 and 3 count crossings (a reflection does not cross, photon
    // transmissions do; without an eye ray the walk ends at the root, which
    // counts) and start outside or inside.
    const struct {
        int32_t mode, first_type;
        bool has_eye;
        Boolean inside_if_host_0, inside_if_host_1, thin;
    } cases[] = {
        {2, UVO_RAY_REFRACT, true, 0, 0, 0}, {3, UVO_RAY_REFRACT, true, 1, 1, 0},
        {2, UVO_RAY_REFLECT, true, 1, 1, 0}, {2, 13, true, 0, 0, 0},
        {2, UVO_RAY_REFRACT, false, 0, 0, 0}, {0, UVO_RAY_REFRACT, true, 0, 1, 0},
        {1, UVO_RAY_REFRACT, true, 0, 1, 1},
    };
    for (const auto &c : cases)
        for (Boolean host_inside : {0, 1}) {
            first.ray_type = c.first_type;
            first.parent = c.has_eye ? &eye : nullptr;
            block->thin_walled_mode = c.mode;
            f.state.inside = host_inside;
            evaluate();
            SCOPED_TRACE(row("mode", c.mode, "parent ray", c.first_type, c.has_eye, "host", host_inside));
            EXPECT_EQ(f.state.inside, host_inside ? c.inside_if_host_1 : c.inside_if_host_0);
            EXPECT_EQ(work.thin_walled, c.thin);
        }
}

TEST_F(Weights, InternalReflectionsAreSkippedInsideSolids) {
    // The factor rises from 0 at reflectivity 0.5 to 1 at 0.9; it takes the reflectivity after the curve, and only inside with the switch on.
    block->reflectivity = 0.7f;
    block->skip_internal_reflections = 1;
    for (const auto &[inside, curve, factor] : {std::tuple{1, 1.0f, 0.5f}, {1, 0.5f, 0.0f}, {0, 0.5f, 1.0f}}) {
        f.state.inside = inside;
        block->reflectance_normal = block->reflectance_grazing = curve;
        evaluate();
        EXPECT_FLOAT_EQ(work.internal_reflection_factor, factor) << row("inside", inside, "curve", curve);
    }
}

TEST_F(Weights, DepthLimits) {
    auto &p = *block;
    p.transparency = 0.8f;
    p.refraction_depth_limit = 2;
    for (int32_t depth : {1, 2})
        for (int32_t type : {UVO_RAY_REFRACT, UVO_RAY_SHADOW}) {
            f.state.refraction_depth = depth;
            f.state.ray_type = type;
            evaluate();
            const bool cut = depth >= 2 && type != UVO_RAY_SHADOW;
            EXPECT_FLOAT_EQ(work.refraction_weight.r, cut ? 0.0f : 0.8f) << "depth " << depth << " type " << type;
        }

    // Highlights only from a reflection depth on; the untraced reflection
    // goes to diffuse unless final gathering is on.
    p.reflectivity = 0.4f;
    p.diffuse_color = white;
    p.diffuse_weight = 0.5f;
    p.transparency = 0;
    const struct {
        int32_t depth_limit, depth;
        Boolean highlights_only, final_gather, expect;
        float diffuse;
    } cases[] = {{1, 0, 0, 0, 0, 0.5f}, {1, 1, 0, 0, 1, 0.9f}, {1, 1, 0, 1, 1, 0.5f}, {0, 0, 1, 0, 1, 0.9f}};
    for (const auto &c : cases) {
        p.reflection_depth_highlights_only = c.depth_limit;
        p.reflection_highlights_only = c.highlights_only;
        f.state.reflection_depth = c.depth;
        f.options.final_gather = c.final_gather;
        evaluate();
        SCOPED_TRACE(row("from depth", c.depth_limit, c.depth, c.highlights_only, c.final_gather));
        EXPECT_EQ(work.highlights_only, c.expect);
        EXPECT_TRUE(near(work.diffuse_weight, weight(white, c.diffuse)));
    }
}

TEST_F(Weights, TranslucencyTakesAShareOfTheRefractionInsideOrThinWalled) {
    auto &p = *block;
    p.transparency = 1.0f;
    p.refraction_color = Color{1.0f, 0.5f, 1.0f, 1};
    p.translucency_enable = 1;
    p.translucency_weight = 0.4f;
    p.translucency_color = Color{0.5f, 1.0f, 1.0f, 1};
    // Outside a solid: no translucency.
    evaluate();
    EXPECT_EQ(work.translucency_weight.a, 0.0f);
    EXPECT_TRUE(near(work.refraction_weight, weight(p.refraction_color, 1.0f)));
    // Inside, or thin-walled: 0.4 of the refraction, tinted.
    const Color expected{0.2f, 0.2f, 0.4f, lum(Color{0.2f, 0.2f, 0.4f, 0})};
    for (const auto &[inside, mode] : {std::pair<Boolean, int32_t>{1, 0}, {0, 1}}) {
        f.state.inside = inside;
        p.thin_walled_mode = mode;
        evaluate();
        EXPECT_TRUE(near(work.translucency_weight, expected)) << "inside " << inside << " mode " << mode;
        EXPECT_TRUE(near(work.refraction_weight, weight(p.refraction_color, 0.6f)));
    }
}

TEST_F(Weights, SamplesQualityAndFalloffColour) {
    // The indirect quality is weighted, then raised to at least 1; weight 0 leaves it as it is.
    block->indirect_quality = 0.3f;
    for (auto [w, quality] : {std::pair{2.0f, 1.0f}, {4.0f, 1.2f}, {0.0f, 0.3f}}) {
        block->indirect_quality_weight = w;
        evaluate();
        EXPECT_FLOAT_EQ(work.indirect_quality, quality) << "weight " << w;
    }
    // A negative fall-off colour channel is clamped when copied.
    block->transparency = 0.5f;
    block->refraction_falloff_enable = block->refraction_falloff_color_enable = 1;
    block->refraction_falloff_color = Color{-0.5f, 0.2f, 0.3f, 1};
    evaluate();
    EXPECT_TRUE(near(work.refraction_falloff_color, Color{0, 0.2f, 0.3f, lum(Color{0, 0.2f, 0.3f, 0})}));
}
