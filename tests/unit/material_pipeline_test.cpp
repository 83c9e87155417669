// The material's main path and dispatch, with scripted stages.
#include "material_test_support.h"
#include "xmtl/pipeline.h"
#include "xmtl/weight_models.h"

using namespace uvo_test;

namespace {

using uvo::MaterialOutputs;

// What the scripted stages saw.
struct StageLog {
    std::vector<std::string> order;
    int32_t indirect_enabled_seen = -1;
};
StageLog *stage_log = nullptr;

const struct {
    const char *name;
    Color MaterialOutputs::*slot;
    Color value;
} stage_rows[4] = {{"direct", &MaterialOutputs::direct_diffuse, {0.1f, 0.0f, 0.0f, 0.5f}},
                   {"indirect", &MaterialOutputs::indirect, {0.2f, 0.0f, 0.0f, 0.5f}},
                   {"reflection", &MaterialOutputs::reflection, {0.0f, 0.2f, 0.0f, 0.5f}},
                   {"refraction", &MaterialOutputs::refraction, {0.0f, 0.0f, 0.2f, 0.5f}}};

// Scripted stage K: logs itself and writes its row's value (the light loop
// also a highlight and a translucency).
template <int K>
void stage(MaterialOutputs *o, ShadingState *, uvo::MaterialWorkRecord *w, const uvo::MaterialParams *) {
    const auto &row = stage_rows[K];
    stage_log->order.push_back(row.name);
    stage_log->indirect_enabled_seen = w->indirect_enabled;
    o->*row.slot = row.value;
    if (K == 0) {
        o->highlight = Color{0.0f, 0.01f, 0.0f, 0.5f};
        o->translucency = Color{0.0f, 0.0f, 0.001f, 0.5f};
    }
}
Boolean photon(Color *, ShadingState *, const uvo::MaterialParams *) { return stage_log->order.push_back("photon"), 1; }

struct Pipeline : MaterialTest {
    uvo::MaterialStages stages{stage<0>, stage<1>, stage<2>, stage<3>, nullptr, photon};
    StageLog log;

    void SetUp() override {
        MaterialTest::SetUp();
        stage_log = &log;
        instance.declaration_version = 16;
        host().user_slot = &instance;
        plain_material(block.get());
        block->refraction_ior = 1.0f;
    }
    void TearDown() override { stage_log = nullptr; }
    Boolean shade() { return uvo::shade_main(&out, &f.state, block.get(), stages); }
};

}  // namespace

TEST(FalloffAttenuation, LinearOrTowardsAColour) {
    const auto attenuated = [](Color c, double distance, float falloff, Color towards, int32_t color_enable) {
        uvo::falloff_attenuation(&c, distance, falloff, towards, color_enable);
        return c;
    };
    EXPECT_TRUE(near(attenuated(white, 5.0, 10.0f, Color{}, 0), Color{0.5f, 0.5f, 0.5f, 0.5f}));
    EXPECT_TRUE(near(attenuated(white, 5.0, 10.0f, Color{0.25f, 0.5f, 1, 1}, 1),
                     Color{0.5f, float(std::sqrt(0.5)), 1, 1}));
    EXPECT_TRUE(near(attenuated(Color{1, 2, 3, 4}, 20.0, 10.0f, Color{}, 0), Color{0, 0, 0, 0}));
    for (const auto &[distance, falloff] : {std::pair{0.0, 10.0f}, std::pair{5.0, 0.0f}, std::pair{-1.0, 10.0f}}) {
        EXPECT_TRUE(near(attenuated(Color{1, 2, 3, 4}, distance, falloff, Color{0.5f, 0.5f, 0.5f, 0.5f}, 1),
                         Color{1, 2, 3, 4}))
            << "distance " << distance << " falloff " << falloff;
    }
    // Twice half the distance attenuates as much as the whole distance.
    const Color tint{0.3f, 0.6f, 0.9f, 1};
    EXPECT_TRUE(near(attenuated(attenuated(white, 4.0, 10.0f, tint, 1), 4.0, 10.0f, tint, 1),
                     attenuated(white, 8.0, 10.0f, tint, 1)));
}

TEST_F(Pipeline, StagesRunInOrderOnlyWithWeightAndSumUp) {
    auto &p = *block;
    p.reflectivity = 0.5f;
    p.transparency = 0.5f;
    p.highlight_weight = 1.0f;
    ASSERT_EQ(shade(), 1);
    const std::vector<std::string> all{"direct", "indirect", "reflection", "refraction"};
    EXPECT_EQ(log.order, all);
    EXPECT_TRUE(near(out.result, Color{0.3f, 0.21f, 0.201f, 1.0f}));
    EXPECT_FLOAT_EQ(out.reflection_level.r, 0.5f);
    EXPECT_FLOAT_EQ(out.highlight_level.r, 0.5f);
    EXPECT_FLOAT_EQ(out.refraction_level.r, 0.5f);
    EXPECT_FLOAT_EQ(out.diffuse_level.r, 1.0f);
    EXPECT_EQ(out.occlusion.g, 1.0f);
    EXPECT_FLOAT_EQ(out.cutout_opacity, 1.0f);

    // All weights 0: black with alpha 1, nothing runs.
    log = StageLog{};
    p.diffuse_weight = p.reflectivity = p.transparency = 0.0f;
    shade();
    EXPECT_TRUE(log.order.empty());
    EXPECT_TRUE(near(out.result, Color{0, 0, 0, 1}));

    // Highlights alone still call the light loop; no diffuse means no indirect.
    p.reflectivity = 0.5f;
    shade();
    EXPECT_EQ(log.order, (std::vector<std::string>{"direct", "reflection"}));
    log.order.clear();
    p.highlight_weight = 0.0f;
    shade();
    EXPECT_EQ(log.order, std::vector<std::string>{"reflection"});
}

TEST_F(Pipeline, CutOutContinuesTheRay) {
    const Color seen{0.2f, 0.4f, 0.6f, 0.8f};
    answer(host().script.rx_trace_continue, seen);
    host().script.rx_point_to_camera = [](ShadingState *, Vector3 *o, const Vector3 *) { *o = Vector3{3, 4, 0}; };
    store_api_record(UVO_MATERIAL_API_SMALL);
    block->cutout_opacity = 0.005f;
    std::memset(&out, 0x7f, sizeof out);
    ASSERT_EQ(shade(), 1);
    uvo::MaterialOutputs expected{};  // every slot 0 but these three
    expected.result = expected.cutout = expected.cutout_behind = seen;
    EXPECT_EQ(std::memcmp(&out, &expected, sizeof out), 0);
    EXPECT_EQ(f.state.distance, 5.0) << "camera-space distance of the hit";
    EXPECT_TRUE(log.order.empty());

    // A culled back face is cut out whatever the opacity.
    block->cutout_opacity = 1.0f;
    block->backface_cull = 1;
    f.state.inside = 1;
    shade();
    EXPECT_TRUE(near(out.cutout_behind, seen));
    EXPECT_TRUE(log.order.empty());
    f.state.inside = 0;
    shade();
    EXPECT_FALSE(log.order.empty()) << "a front face is shaded";
}

TEST_F(Pipeline, PartialOpacityAddsWhatIsBehind) {
    answer(host().script.rx_trace_transparent, Color{1.0f, 0.5f, 0.0f, 1.0f});
    block->cutout_opacity = 0.995f;
    block->diffuse_weight = 0.0f;
    shade();
    EXPECT_TRUE(near(out.cutout_behind, Color{1.0f, 0.5f, 0.0f, 1.0f}));
    EXPECT_TRUE(near(out.cutout, Color{0.005f, 0.0025f, 0.0f, 0.005f}));
    EXPECT_TRUE(near(out.result, Color{0.005f, 0.0025f, 0.0f, 0.995f + 0.005f}));
}

TEST_F(Pipeline, AlphaAndAttenuation) {
    auto &p = *block;
    p.diffuse_weight = 0.0f;
    p.transparency = 0.6f;
    p.propagate_alpha = 1;
    shade();
    EXPECT_FLOAT_EQ(out.result.a, 0.4f + 0.6f * 0.5f);
    p.propagate_alpha = 0;
    shade();
    EXPECT_EQ(out.result.a, 1.0f);

    // A parent's fog record attenuates and is marked applied.
    p.transparency = 0.0f;
    p.additional_color = Color{1, 1, 1, 0};
    RefractionFalloffRecord fog{};
    fog.magic = UVO_REFRACTION_FALLOFF_MAGIC;
    fog.distance = 10.0f;
    f.parent.user = &fog;
    f.parent.user_size = sizeof fog;
    f.state.parent = &f.parent;
    f.state.distance = 5.0;
    shade();
    EXPECT_TRUE(near(out.result, Color{0.5f, 0.5f, 0.5f, 0.5f * 1 + 0.5f}));
    EXPECT_EQ(fog.applied, 1) << "so the refraction does not apply it again";

    // Inside the material's own solid: its falloff parameters.
    f.parent.user = nullptr;
    f.state.inside = 1;
    p.transparency = 1.0f;
    p.refraction_falloff_enable = 1;
    p.refraction_falloff_distance = 20.0f;
    stages.refraction = nullptr;
    shade();
    EXPECT_TRUE(near(out.result, Color{0.75f, 0.75f, 0.75f, 0.75f + 0.25f}));
}

TEST_F(Pipeline, ReflectionRayRoulette) {
    block->cutout_opacity = 0.5f;  // importance 0.5
    // Below a reflection marker with query 116 failing: one sample decides.
    ReflectionMarker marker{UVO_REFLECTION_MARKER_MAGIC, 1.0f};
    f.parent.user = &marker;
    f.state.parent = &f.parent;
    f.state.ray_type = UVO_RAY_REFLECT;
    host().gather_context_ok = 0;
    for (const auto &[u, enabled] : {std::pair{0.4, 1}, std::pair{0.9, 0}}) {
        script_samples(u);
        shade();
        EXPECT_EQ(log.indirect_enabled_seen, enabled) << "u " << u << " importance 0.5";
    }
    host().gather_context_ok = 1;
    shade();
    EXPECT_EQ(log.indirect_enabled_seen, 1) << "query 116 answered: no roulette";
}

TEST_F(Pipeline, DispatchByRayTypeAndOutputMode) {
    Color result{9, 9, 9, 9};
    for (int32_t type : {8, 24}) {  // the first photon type, and a photon-gather ray
        f.state.ray_type = type;
        uvo::material_dispatch(&result, &f.state, block.get(), false, stages);
    }
    EXPECT_EQ(log.order, (std::vector<std::string>{"photon", "photon"}));

    // Only the result of the caller's record is written, unless multiple
    // outputs are on and query 160 does not ask for a private record.
    f.state.ray_type = UVO_RAY_EYE;
    block->multiple_outputs = 1;
    uvo::MaterialOutputs caller, untouched;
    std::memset(&untouched, 0x55, sizeof untouched);
    const auto only_result_written = [&](bool extended) {
        caller = untouched;
        EXPECT_EQ(uvo::material_dispatch(&caller.result, &f.state, block.get(), extended, stages), 1);
        return std::memcmp(&caller.result + 1, &untouched.result + 1, sizeof caller - sizeof(Color)) == 0;
    };
    EXPECT_TRUE(only_result_written(false)) << "uvo_material";
    EXPECT_TRUE(near(caller.result, Color{0.3f, 0.01f, 0.001f, 1.0f}));
    EXPECT_FALSE(only_result_written(true)) << "uvo_material_x with multiple outputs";
    host().script.rx_query = [](int32_t code, ShadingState *s, Tag item, void *answer) -> Boolean {
        if (code != UVO_QUERY_PRIVATE_OUTPUTS)
            return default_query(code, s, item, answer);
        *static_cast<int32_t *>(answer) = 1;
        return 1;
    };
    EXPECT_TRUE(only_result_written(true)) << "query 160 asks for a private record";
}
