// The material's init and exit, its library-wide counters and flags, and the
// component record under "rxXMST".
#include "frame/params.h"
#include "material_test_support.h"
#include "xmtl/api_record.h"
#include "xmtl/material_lifecycle.h"

using namespace uvo_test;

namespace {

const char *const contour_warning =
    "uvo_material(_x): Contour shading is incompatible with interpolation. Interpolation disabled.";
const std::vector<std::string> falloff_warnings = {
    "uvo_material(_x): Refractive falloff is used, but the shadow mode is not set to 'Segment'.",
    "Due to this, the falloff will be fixed, and not be influenced by distance.",
    "This can look as good, but is not as physically accurate.",
    "If distance-dependent falloff is desired, the 'Segment' mode must be used.",
};

struct MaterialSetup : MaterialTest {
    // Instance init followed by exit; returns the instance's record as it was.
    uvo::MaterialInstance init_instance() {
        Boolean request = 0;
        EXPECT_EQ(uvo::material_init(&f.state, block.get(), &request), 1);
        auto *instance = static_cast<uvo::MaterialInstance *>(host().user_slot);
        const uvo::MaterialInstance copy = instance ? *instance : uvo::MaterialInstance{};
        EXPECT_EQ(uvo::material_exit(&f.state, block.get()), 1);
        return copy;
    }
};

}  // namespace

TEST_F(MaterialSetup, ShaderLevelInitResetsAndExitReportsTheSkipCounts) {
    auto &shared = uvo::material_state();
    shared.reflection_skip_count = 7;
    shared.refraction_skip_count = 3;
    shared.invalid_number_reported = 1;
    Boolean request = 0;
    EXPECT_EQ(uvo::material_init(&f.state, nullptr, &request), 1);
    EXPECT_EQ(shared.reflection_skip_count + shared.refraction_skip_count, 0);
    EXPECT_EQ(shared.invalid_number_reported, 0);

    shared.reflection_skip_count = 12;
    shared.refraction_skip_count = 5;
    EXPECT_EQ(uvo::material_exit(&f.state, nullptr), 1);
    shared.refraction_skip_count = 1;
    uvo::material_exit(&f.state, nullptr);
    // A count of 0 gives no message.
    const std::vector<std::string> messages = {"Reflection rays skipped by threshold: 12",
                                               "Refraction rays skipped by threshold: 5",
                                               "Refraction rays skipped by threshold: 1"};
    EXPECT_EQ(host().texts("info"), messages);
}

TEST_F(MaterialSetup, InstanceRecordTakesTheVersionOfItsDeclaration) {
    host().declaration_version = 14;
    EXPECT_EQ(init_instance().declaration_version, 14);
    // Without a slot nothing is allocated.
    host().reset();
    host().script.rx_query = [](int32_t, ShadingState *, Tag, void *) -> Boolean { return 0; };
    Boolean request = 0;
    EXPECT_EQ(uvo::material_init(&f.state, block.get(), &request), 1);
    EXPECT_EQ(uvo::material_exit(&f.state, block.get()), 1);
    EXPECT_EQ(host().allocations["xmtl"] + host().releases["xmtl"], 0);
}

TEST_F(MaterialSetup, InterpolationRequestsFollowTheSwitchesAndContourRendering) {
    // Contour rendering needs both flags; it disables interpolation with one
    // warning.  Highlights only: no reflection cache, the refraction one still.
    const struct {
        uint8_t contour0, contour1;
        Boolean reflection, highlights_only, refraction;
        Boolean reflection_requested, refraction_requested;
        bool warned;
    } cases[] = {
        {0, 0, 1, 0, 1, 1, 1, false},
        {0, 0, 1, 1, 1, 0, 1, false},
        {1, 1, 1, 0, 1, 0, 0, true},
        {1, 1, 0, 0, 0, 0, 0, false},
        {1, 0, 1, 0, 0, 1, 0, false},
    };
    for (const auto &c : cases) {
        f.options.contour[0] = c.contour0;
        f.options.contour[1] = c.contour1;
        host().reset();
        block.attach(f.shader, true);
        block->interpolation_grid_density = 3;
        block->reflection_interpolate = c.reflection;
        block->reflection_highlights_only = c.highlights_only;
        block->refraction_interpolate = c.refraction;
        const uvo::MaterialInstance instance = init_instance();
        SCOPED_TRACE(row("contour", c.contour0, c.contour1, c.reflection, c.highlights_only, c.refraction));
        EXPECT_EQ(instance.reflection_undersampler != nullptr, bool(c.reflection_requested));
        EXPECT_EQ(instance.refraction_undersampler != nullptr, bool(c.refraction_requested));
        EXPECT_EQ(host().releases["interpolate"], host().allocations["interpolate"]) << "exit releases the caches";
        EXPECT_EQ(host().texts("warning"),
                  c.warned ? std::vector<std::string>{contour_warning} : std::vector<std::string>{});
    }
}

TEST_F(MaterialSetup, RefractiveFalloffWarningsDependOnShadowModeAndCaustics) {
    const struct {
        Boolean falloff;
        char shadow_mode;
        uint8_t caustics;
        Boolean refractive_caustics;
        bool warned;
    } cases[] = {
        {1, UVO_SHADOW_ON, 0, 1, true}, {1, UVO_SHADOW_ON, 1, 0, true}, {1, UVO_SHADOW_ON, 1, 1, false},
        {1, UVO_SHADOW_SEGMENTS, 0, 0, false}, {0, UVO_SHADOW_ON, 1, 0, false},
    };
    for (const auto &c : cases) {
        f.options.shadow_mode = c.shadow_mode;
        f.options.caustics = c.caustics;
        host().reset();
        block.attach(f.shader, true);
        block->refraction_falloff_enable = c.falloff;
        block->refractive_caustics = c.refractive_caustics;
        init_instance();
        SCOPED_TRACE(row("falloff", c.falloff, c.shadow_mode, c.caustics, c.refractive_caustics));
        EXPECT_EQ(host().texts(), c.warned ? falloff_warnings : std::vector<std::string>{});
    }
}

TEST_F(MaterialSetup, ApiRecordIsClaimedOnceAndAWrongInterfaceReportedOncePerArming) {
    EXPECT_EQ(uvo::claim_api_record(&f.state), nullptr);  // nothing stored
    for (int32_t layout : {UVO_MATERIAL_API_SMALL, UVO_MATERIAL_API_FULL}) {
        store_api_record(layout);
        EXPECT_EQ(uvo::claim_api_record(&f.state), stored_api_record()) << "layout " << layout;
        EXPECT_EQ(stored_api_record()->claimed, 1);
        EXPECT_EQ(uvo::claim_api_record(&f.state), nullptr) << "layout " << layout << " claimed twice";
    }
    store_api_record(100);
    Boolean request;
    uvo::material_init(&f.state, nullptr, &request);
    for (int ray = 0; ray < 3; ++ray)
        EXPECT_EQ(uvo::claim_api_record(&f.state), nullptr) << "ray " << ray;
    EXPECT_EQ(host().texts(), std::vector<std::string>{"uvo_material_api: wrong shader interface version!"});
    // A shader-level init arms the report again.
    uvo::material_init(&f.state, nullptr, &request);
    uvo::claim_api_record(&f.state);
    EXPECT_EQ(host().texts("error").size(), 2u);
    EXPECT_EQ(stored_api_record()->claimed, 0) << "a record of the wrong interface is left alone";
}

TEST_F(MaterialSetup, ApiRecordLayoutsCopyEachComponent) {
    // Every slot of the outputs and weights distinct, so a misplaced copy shows.
    uvo::MaterialOutputs o;
    float *slots = reinterpret_cast<float *>(&o);
    for (int k = 0; k < 101; ++k)
        slots[k] = float(k + 1);
    uvo::MaterialWorkRecord w{};
    w.diffuse_weight = Color{201, 202, 203, 204};
    w.reflection_weight = Color{205, 206, 207, 208};
    w.refraction_weight = Color{209, 210, 211, 212};
    w.translucency_weight = Color{213, 214, 215, 216};
    f.state.ray_type = UVO_RAY_REFRACT;
    MaterialApiRecord small{UVO_MATERIAL_API_SMALL, 1, {}}, full{UVO_MATERIAL_API_FULL, 1, {}};
    uvo::fill_api_record(&small, &f.state, o, w, 0.75f);
    uvo::fill_api_record(&full, &f.state, o, w, 0.75f);
    EXPECT_EQ(std::memcmp(full.u.full.outputs, &o, sizeof o), 0);
    EXPECT_EQ(full.u.full.ray_type, UVO_RAY_REFRACT);
    const auto &s = small.u.small;
    const std::pair<Color, Color> copies[] = {
        {s.indirect, o.indirect},         {s.direct_diffuse, o.direct_diffuse}, {s.highlight, o.highlight},
        {s.translucency, o.translucency}, {s.reflection, o.reflection},         {s.refraction, o.refraction},
        {s.additional, o.additional},     {s.occlusion, o.occlusion},           {s.diffuse_weight, w.diffuse_weight},
        {s.reflection_weight, w.reflection_weight}, {s.refraction_weight, w.refraction_weight},
        {s.translucency_weight, w.translucency_weight}};
    for (const auto &[got, want] : copies)
        EXPECT_TRUE(near(got, want, 0)) << got << " for " << want;
    EXPECT_EQ(s.opacity, 0.75f);
    EXPECT_EQ(s.ray_type, UVO_RAY_REFRACT);
}
