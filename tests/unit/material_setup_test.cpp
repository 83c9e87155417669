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
        EXPECT_EQ(host().allocations["xmtl"], 1);
        auto *instance = static_cast<uvo::MaterialInstance *>(host().user_slot);
        EXPECT_NE(instance, nullptr);
        const uvo::MaterialInstance copy = instance ? *instance : uvo::MaterialInstance{};
        EXPECT_EQ(uvo::material_exit(&f.state, block.get()), 1);
        EXPECT_EQ(host().releases["xmtl"], 1);
        return copy;
    }
};

}  // namespace

TEST_F(MaterialSetup, ShaderLevelInitResetsAndExitReportsTheSkipCounts) {
    auto &shared = uvo::material_state();
    shared.reflection_skip_count = 7;
    shared.refraction_skip_count = 3;
    shared.invalid_number_reported = 1;
    shared.interface_error_armed = 0;
    Boolean request = 0;
    EXPECT_EQ(uvo::material_init(&f.state, nullptr, &request), 1);
    EXPECT_EQ(shared.reflection_skip_count + shared.refraction_skip_count, 0);
    EXPECT_EQ(shared.invalid_number_reported, 0);
    EXPECT_EQ(shared.interface_error_armed, 1);
    EXPECT_TRUE(host().calls.empty()) << "shader-level init calls the host: " << host().calls.front().name;

    shared.reflection_skip_count = 12;
    shared.refraction_skip_count = 5;
    EXPECT_EQ(uvo::material_exit(&f.state, nullptr), 1);
    const std::vector<std::string> both = {"Reflection rays skipped by threshold: 12",
                                           "Refraction rays skipped by threshold: 5"};
    EXPECT_EQ(host().texts("info"), both);
    EXPECT_EQ(shared.reflection_skip_count + shared.refraction_skip_count, 0) << "spent for the next exit";
    shared.refraction_skip_count = 1;
    uvo::material_exit(&f.state, nullptr);
    EXPECT_EQ(host().texts("info").back(), "Refraction rays skipped by threshold: 1");
    EXPECT_EQ(host().texts("info").size(), 3u) << "a count of 0 gives no message";
    EXPECT_EQ(host().allocations.size(), 0u);
}

TEST_F(MaterialSetup, InstanceRecordLivesInTheSlotWithTheDeclarationVersion) {
    f.shader.declaration = 4242;
    Tag asked_for = 0;
    bool asked_without_state = false;
    host().script.rx_query = [&](int32_t code, ShadingState *s, Tag item, void *answer) -> Boolean {
        if (code == UVO_QUERY_USER_DATA_SLOT) {
            *static_cast<void ***>(answer) = &host().user_slot;
            return 1;
        }
        if (code == UVO_QUERY_DECLARATION_VERSION) {
            asked_for = item;
            asked_without_state = s == nullptr;
            *static_cast<int32_t *>(answer) = 14;
            return 1;
        }
        return 0;
    };
    const uvo::MaterialInstance instance = init_instance();
    EXPECT_EQ(instance.declaration_version, 14);
    EXPECT_EQ(asked_for, 4242u);
    EXPECT_TRUE(asked_without_state);
    EXPECT_EQ(instance.reflection_undersampler, nullptr);
    EXPECT_EQ(instance.refraction_undersampler, nullptr);

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
    // warning, and the refraction switch is not needed once the reflection
    // one is on.  Highlights only: no reflection cache, the refraction one still.
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
        // Each cache is a record, its slot pool and its cell index, all
        // released again by exit (the pointers are only compared here).
        EXPECT_EQ(instance.reflection_undersampler != nullptr, bool(c.reflection_requested));
        EXPECT_EQ(instance.refraction_undersampler != nullptr, bool(c.refraction_requested));
        const int made = c.reflection_requested + c.refraction_requested;
        EXPECT_EQ(host().allocations["interpolate"], 3 * made);
        EXPECT_EQ(host().releases["interpolate"], 3 * made);
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
        bool warned, caustics_read;
    } cases[] = {
        {1, UVO_SHADOW_ON, 0, 1, true, false},
        {1, UVO_SHADOW_ON, 1, 0, true, true},        {1, UVO_SHADOW_ON, 1, 1, false, true},
        {1, UVO_SHADOW_SEGMENTS, 0, 0, false, false},
        {0, UVO_SHADOW_ON, 1, 0, false, false},  // off: neither warnings nor the caustics switch
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
        EXPECT_EQ(host().texts("warning"), c.warned ? falloff_warnings : std::vector<std::string>{});
        EXPECT_EQ(host().messages.size(), c.warned ? falloff_warnings.size() : 0u);
        EXPECT_EQ(was_read(SLOT(refractive_caustics)), c.caustics_read);
    }
}

TEST_F(MaterialSetup, ApiRecordIsClaimedOnceAndAWrongInterfaceReportedOncePerArming) {
    EXPECT_EQ(uvo::claim_api_record(&f.state), nullptr);  // nothing stored
    for (int32_t layout : {UVO_MATERIAL_API_SMALL, UVO_MATERIAL_API_FULL}) {
        store_api_record(layout);
        MaterialApiRecord *claimed = uvo::claim_api_record(&f.state);
        ASSERT_NE(claimed, nullptr) << "layout " << layout;
        EXPECT_EQ(claimed, stored_api_record());
        EXPECT_EQ(claimed->claimed, 1);
        EXPECT_EQ(uvo::claim_api_record(&f.state), nullptr) << "layout " << layout << " claimed twice";
    }
    EXPECT_TRUE(host().messages.empty());

    store_api_record(100);
    Boolean request;
    uvo::material_init(&f.state, nullptr, &request);
    for (int ray = 0; ray < 5; ++ray)
        EXPECT_EQ(uvo::claim_api_record(&f.state), nullptr) << "ray " << ray;
    EXPECT_EQ(host().texts("error"), std::vector<std::string>{"uvo_material_api: wrong shader interface version!"});
    // A shader-level init arms the report again.
    uvo::material_init(&f.state, nullptr, &request);
    uvo::claim_api_record(&f.state);
    EXPECT_EQ(host().texts("error").size(), 2u);
    EXPECT_EQ(stored_api_record()->claimed, 0) << "a record of the wrong interface is left alone";
}

TEST_F(MaterialSetup, ApiRecordLayoutsPutEachValueInItsSlot) {
    // Outputs whose slot k holds the float k + 1, so any misplacement shows.
    uvo::MaterialOutputs outputs;
    float *slots = reinterpret_cast<float *>(&outputs);
    for (int k = 0; k < 101; ++k)
        slots[k] = float(k + 1);
    uvo::MaterialWorkRecord work{};
    work.diffuse_weight = Color{201, 202, 203, 204};
    work.reflection_weight = Color{205, 206, 207, 208};
    work.refraction_weight = Color{209, 210, 211, 212};
    work.translucency_weight = Color{213, 214, 215, 216};
    f.state.ray_type = UVO_RAY_REFRACT;
    for (int32_t layout : {UVO_MATERIAL_API_SMALL, UVO_MATERIAL_API_FULL}) {
        MaterialApiRecord record{};
        record.interface_version = layout;
        record.claimed = 1;
        uvo::fill_api_record(&record, &f.state, outputs, work, 0.75f);
        const int32_t *words = reinterpret_cast<const int32_t *>(&record);
        auto as_float = [&](int slot) {
            float value;
            std::memcpy(&value, words + slot, 4);
            return value;
        };
        if (layout == UVO_MATERIAL_API_FULL) {
            EXPECT_EQ(words[0], 416);
            EXPECT_EQ(words[2], UVO_RAY_REFRACT);
            for (int k = 0; k < 101; ++k)
                EXPECT_EQ(as_float(3 + k), float(k + 1)) << "output slot " << k;
            continue;
        }
        EXPECT_EQ(words[0], 208);
        EXPECT_EQ(words[1], 1);
        EXPECT_EQ(as_float(2), 0.75f);
        // slot of the record -> slot of the outputs, colour by colour
        const int from[8] = {64, 4, 16, 52, 28, 40, 80, 76};
        for (int c = 0; c < 8; ++c)
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(as_float(3 + 4 * c + k), float(from[c] + k + 1)) << "component " << c << " channel " << k;
        for (int k = 0; k < 16; ++k)
            EXPECT_EQ(as_float(35 + k), float(201 + k)) << "weight slot " << 35 + k;
        EXPECT_EQ(words[51], UVO_RAY_REFRACT);
    }
}
