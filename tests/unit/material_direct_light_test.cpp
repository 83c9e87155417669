// The material's light loop against scripted lights.
#include <functional>
#include <map>

#include "material_test_support.h"
#include "xmtl/direct_light.h"
#include "xmtl/rough_diffuse.h"

using namespace uvo_test;
using namespace uvo;

namespace {

struct Sample {
    Color color;
    Vector3 direction;
    float cosine;
};

// One scripted light: its samples, and what its shader does to the
// light-loop record while sampled.
struct ScriptedLight {
    std::vector<Sample> samples;
    std::function<void(LightLoopInfo *, int)> shader;
};

struct DirectLight : BlockTest<LitBlock> {
    uvo::MaterialWorkRecord work{};
    uvo::MaterialOutputs out{};
    std::map<Tag, ScriptedLight> lights;
    std::map<Tag, HostLight> records;
    std::vector<Vector3> normals_seen;  // the normal each light sample was asked against
    float ward_value = 0.1f;

    void SetUp() override {
        BlockTest::SetUp();
        block->p.anisotropy = 1.0f;
        work.entry_normal = work.shading_normal = work.diffuse_normal = f.state.normal;
        work.aniso_u = Vector3{1, 0, 0};
        work.aniso_v = Vector3{0, 1, 0};
        work.diffuse_weight = Color{0.5f, 0.5f, 0.5f, 0.5f};
        work.reflection_weight = Color{0.2f, 0.2f, 0.2f, 0.2f};
        work.highlight_weight = 1.0f;
        work.reflection_glossiness = 0.5f;
        work.importance = 0.25f;
        work.indirect_enabled = 1;
        work.indirect_quality = 1.0f;
        host().script.rx_sample_light = [this](Color *c, Vector3 *d, float *m, ShadingState *s, Tag light,
                                               int32_t *count) -> Boolean {
            normals_seen.push_back(s->normal);
            auto it = lights.find(light);
            if (it == lights.end() || *count >= int32_t(it->second.samples.size()))
                return 0;
            const Sample &sample = it->second.samples[*count];
            *c = sample.color;
            *d = sample.direction;
            *m = sample.cosine;
            if (it->second.shader) {
                auto &store = host().store;
                auto *info = store.count(UVO_KEY_LIGHT_LOOP)
                                 ? reinterpret_cast<LightLoopInfo *>(store[UVO_KEY_LIGHT_LOOP].data())
                                 : nullptr;
                it->second.shader(info, *count);
            }
            ++*count;
            return 1;
        };
        host().script.rx_ward_anisglossy = [this](const Vector3 *, const Vector3 *, const Vector3 *, const Vector3 *,
                                                  const Vector3 *, float, float) { return ward_value; };
    }
    // A light instance with a host light record behind it.
    HostLight &record(Tag light) {
        host().light_records[light] = light + 1000;
        host().database[light + 1000] = &records[light];
        return records[light] = HostLight{};
    }
    void set_lights(const std::vector<Tag> &tags) { uvo_test::set_lights(block.get(), tags); }
    void run() {
        out = uvo::MaterialOutputs{};
        uvo::direct_light(&out, &f.state, &work, &block->p);
    }
};

const Vector3 up{0, 0, 1};

}  // namespace

TEST(LightLoopModels, RoughDiffuseStaysBoundedAndNearLambertWhenSmooth) {
    const Vector3 l = normalized(Vector3{0.8f, 0, 0.6f}), v = normalized(Vector3{-0.9f, 0, -0.3f});
    EXPECT_LE(uvo::rough_diffuse(l, v, up, 1.0f, white, 0.6f).r, 1.0f);
    EXPECT_NEAR(uvo::rough_diffuse(l, v, up, 0.05f, Color{0.5f, 0.5f, 0.5f, 1}, 0.6f).r, 0.5f, 0.02f);
}

TEST_F(DirectLight, DiffuseIrradianceAndHighlightPerLight) {
    set_lights({7});
    lights[7].samples = {{Color{2, 2, 2, 1}, up, 0.8f}, {Color{4, 4, 4, 1}, up, 0.4f}};
    run();
    // m < 1 is recomputed from the diffuse normal: L . N = 1.
    EXPECT_FLOAT_EQ(out.irradiance.r, (2 * 1 + 4 * 1) / 2.0f);
    EXPECT_FLOAT_EQ(out.direct_diffuse.r, 3.0f * 0.5f);
    // Three lobes, times the square root of the importance.
    const float h = ward_value * (1 + 0.5f + 1.5f);
    EXPECT_FLOAT_EQ(out.highlight_raw.r, (2 * h + 4 * h) / 2 * std::sqrt(0.25f));
    EXPECT_FLOAT_EQ(out.highlight_level.r, 0.2f);
    EXPECT_FLOAT_EQ(out.highlight.r, out.highlight_raw.r * 0.2f);
}

TEST_F(DirectLight, SamplesAgainstTheUnbumpedNormal) {
    set_lights({1});
    // The bumped diffuse normal faces the light, the entry normal does not.
    work.diffuse_normal = normalized(Vector3{1, 0, 1});
    const Vector3 below = normalized(Vector3{1, 0, -0.1f});
    lights[1].samples = {{white, below, 0.5f}};
    run();
    EXPECT_EQ(out.irradiance.r, 0.0f);
    EXPECT_EQ(out.highlight_raw.r, 0.0f);

    // d = 0.125 against the entry normal: the cosine is halved.
    work.diffuse_normal = up;
    const Vector3 low{std::sqrt(1 - 0.125f * 0.125f), 0, 0.125f};
    lights[1].samples = {{white, low, 0.9f}};
    run();
    EXPECT_FLOAT_EQ(out.irradiance.r, 0.125f * 0.5f);
}

TEST_F(DirectLight, LightShadersScaleTheirOwnResponse) {
    set_lights({1, 2});
    const Sample s{white, up, 1.0f};
    lights[1].samples = {s, s};
    lights[2].samples = {s, s};
    lights[1].shader = [](LightLoopInfo *info, int sample) {
        ASSERT_NE(info, nullptr);
        if (sample == 0)
            info->diffuse_scale = 0.0f;  // no diffuse from this light at all
    };
    run();
    EXPECT_FLOAT_EQ(out.irradiance.r, 1.0f) << "only the second light";
}

TEST_F(DirectLight, VisibleLightHighlightRule) {
    set_lights({1, 2});
    const Sample s{white, up, 1.0f};
    lights[1].samples = {s};  // a visible area light
    lights[2].samples = {s};  // a physical light (portal, sun)
    record(1).area = UVO_AREA_DISC;
    records[1].visible = 1;
    lights[2].shader = [](LightLoopInfo *info, int) { info->physical_light = 1; };
    block->p.skip_visible_light_highlights = 1;
    // With highlights only the rule is off.
    work.highlights_only = 1;
    run();
    const float h = out.highlight_raw.r / 2;
    EXPECT_GT(h, 0.0f);
    // Otherwise only the physical light, scaled by 1 - glossiness.
    work.highlights_only = 0;
    run();
    EXPECT_FLOAT_EQ(out.highlight_raw.r, h * (1 - 0.5f));
}

TEST_F(DirectLight, RoughnessOnlyWhenPositive) {
    set_lights({1});
    lights[1].samples = {{white, up, 1.0f}};
    block->p.diffuse_roughness = 0.5f;
    f.state.direction = Vector3{0, 0, -1};
    run();
    EXPECT_GT(out.direct_diffuse.r, 0.4f) << "rough surfaces are darker seen and lit head-on";
    EXPECT_LT(out.direct_diffuse.r, 0.49f);
}

TEST_F(DirectLight, BackSideForTranslucency) {
    set_lights({1});
    lights[1].samples = {{Color{2, 2, 2, 1}, Vector3{0, 0, -1}, 0.5f}};
    work.translucency_weight = Color{0.5f, 0.25f, 0.0f, 0.3f};
    block->p.indirect_multiplier = 2.0f;
    int32_t face = 0;
    host().script.rx_compute_avg_radiance = [&](Color *c, ShadingState *, int32_t f, const IndirectRequest *) {
        face = f;
        *c = Color{0.1f, 0.1f, 0.1f, 1};
        return Boolean(1);
    };
    run();
    // The back side is lit and gathered through the negated diffuse normal,
    // and takes the host's cosine as is.
    EXPECT_EQ(normals_seen.back().z, -1.0f);
    EXPECT_EQ(face, UVO_FACE_BACK);
    EXPECT_FLOAT_EQ(out.translucency_raw.r, 2 * 0.5f + 0.1f * 2.0f);
    EXPECT_FLOAT_EQ(out.translucency.g, out.translucency_raw.g * 0.25f);
    EXPECT_EQ(out.irradiance.r, 0.0f) << "front side: the sample is below the normal";
}
