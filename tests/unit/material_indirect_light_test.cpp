// Indirect light and ambient occlusion with scripted gathering and probes.
#include "material_test_support.h"
#include "frame/importance.h"
#include "frame/texture_spaces.h"
#include "xmtl/indirect_light.h"
#include "xmtl/indirect_request.h"

using namespace uvo_test;
using namespace uvo;

namespace {

struct Indirect : MaterialTest {
    std::vector<double> hits;  // distance per probe, 0 = miss
    size_t probe = 0;

    void SetUp() override {
        MaterialTest::SetUp();
        block->indirect_multiplier = 2.0f;
        block->ao_ambient_color = Color{0.5f, 0.5f, 0.5f, 1};
        work.diffuse_normal = f.state.normal;
        work.diffuse_weight = Color{0.5f, 0.25f, 1.0f, 0.4f};
        work.importance = 1.0f;
        work.indirect_enabled = 1;
        work.indirect_quality = 1.0f;
        work.ao_samples = 4;
        answer(host().script.rx_compute_avg_radiance, Color{0.1f, 0.2f, 0.3f, 1});
        host().script.rx_trace_probe = [this](ShadingState *s, const Vector3 *, const Vector3 *) -> Boolean {
            const double h = probe < hits.size() ? hits[probe] : 0.0;
            ++probe;
            s->child->distance = h;
            s->child->material = 3;
            return h > 0;
        };
    }
    void run() {
        out = uvo::MaterialOutputs{};
        out.occlusion = Color{1, 1, 1, 1};
        probe = 0;
        uvo::indirect_light(&out, &f.state, &work, block.get());
    }
};

}  // namespace

TEST_F(Indirect, GatheredLightWithoutOcclusion) {
    run();
    EXPECT_TRUE(near(out.indirect_gathered, Color{0.2f, 0.4f, 0.6f, 0}));
    EXPECT_TRUE(near(out.occlusion_ambient, out.indirect_gathered));
    EXPECT_TRUE(near(out.indirect, Color{0.1f, 0.1f, 0.6f, 0}));
    EXPECT_TRUE(near(out.occlusion, white)) << "no occlusion";
    // Roulette said no: nothing gathered.
    work.indirect_enabled = 0;
    run();
    EXPECT_TRUE(near(out.indirect, Color{}));
}

TEST_F(Indirect, OcclusionWeightsAndOpenness) {
    work.ao_mode = 1;
    work.indirect_enabled = 0;  // occlusion alone
    // No distance limit, black dark colour, half of the probes hit.
    hits = {1.0, 0.0, 5.0, 0.0};
    run();
    EXPECT_TRUE(near(out.occlusion_ambient, Color{0.25f, 0.25f, 0.25f, 0.5f}));
    EXPECT_FLOAT_EQ(out.occlusion.r, 0.5f);
    EXPECT_EQ(out.occlusion.a, 1.0f);

    // D = 2 and a hit at 1: weight 0.25 in plain mode.
    work.ao_distance = 2.0f;
    hits = {1.0, 0.0, 0.0, 0.0};
    run();
    EXPECT_FLOAT_EQ(out.occlusion.g, 1.0f - 0.25f / 4);
    // Hits at or beyond D are open sky.
    hits = {2.0, 3.0, 0.0, 0.0};
    run();
    EXPECT_EQ(out.occlusion.g, 1.0f);

    // A dark colour: occluded light takes it, negative channels count as 0.
    block->ao_dark_color = Color{0.5f, -1.0f, 1.0f, 0};
    work.ao_distance = 0.0f;
    hits = {1.0, 1.0, 0.0, 0.0};
    run();
    EXPECT_FLOAT_EQ(out.occlusion_ambient.r, 0.5f * 0.5f * 0.5f + 0.5f * 0.5f);
    EXPECT_FLOAT_EQ(out.occlusion_ambient.g, 0.5f * 0.5f);
    EXPECT_FLOAT_EQ(out.occlusion_ambient.b, 0.5f);

    // Detail mode moves the gathered light into the ambient colour.
    block->ao_dark_color = Color{};
    work.indirect_enabled = 1;
    work.ao_detail_mode = 1;
    run();
    EXPECT_FLOAT_EQ(out.occlusion_ambient.r, 0.5f * (0.5f + 0.2f));
    EXPECT_FLOAT_EQ(out.indirect_gathered.r, 0.2f);

    // Without ambient light there is nothing to occlude: no probes.
    work.ao_detail_mode = 0;
    work.indirect_enabled = 0;
    block->ao_ambient_color = Color{};
    run();
    EXPECT_EQ(out.occlusion.r, 1.0f);
}

TEST_F(Indirect, GatherRequestAndTheLimitsOfItsCounts) {
    // The record the host reads: the rays scaled by the quality,
    // importance 1 after a failed gather query.
    f.options.gather_rays = 100;
    work.indirect_quality = 0.55f;
    work.indirect_query_failed = 1;
    const IndirectRequest request = uvo::indirect_request(&f.state, work, 2.0f);
    EXPECT_EQ(request.rays, 55);
    EXPECT_EQ(request.importance, 1.0f);
    // A huge opacity, probe count or gather ray count is cut to the named limit.
    work.ao_mode = 1;
    work.ao_samples = 16;
    work.importance = 1e30f;
    EXPECT_EQ(uvo::occlusion_probe_count(&f.state, work, false), uvo::max_sample_count);
    f.options.gather_rays = 1 << 30;
    for (float quality : {1e9f, -1e9f}) {
        work.indirect_quality = quality;
        EXPECT_EQ(uvo::indirect_request(&f.state, work, 1.0f).rays, std::copysign(uvo::max_sample_count, quality));
    }
}

TEST_F(Indirect, BleedingTintsByTheOccludersShading) {
    work.ao_mode = 2;
    work.indirect_enabled = 0;
    work.ao_distance = 2.0f;
    work.ao_samples = 2;
    f.state.reflection_depth = 1;
    hits = {1.0, 0.0};
    // The occluder's material (3) has shader 44, which shades red, and one texture space.
    Triangle occluder;
    occluder.script();
    host().script.rx_query = [](int32_t code, ShadingState *s, Tag item, void *answer) -> Boolean {
        if (code != UVO_QUERY_MATERIAL_SHADER || item != 3)
            return default_query(code, s, item, answer);
        *static_cast<Tag *>(answer) = 44;
        return 1;
    };
    int32_t tex_count = 0;
    host().script.rx_call_shader = [&](Color *c, int32_t kind, ShadingState *s, Tag shader) -> Boolean {
        tex_count = s->tex_count;
        *c = kind == UVO_SHADER_MATERIAL && shader == 44u ? Color{1.0f, 0.0f, 0.0f, 1} : Color{};
        return 1;
    };
    run();
    // One probe of two, weight 1 - 1/2 (not squared): S = 0.25, bleed red.
    const float s = 0.25f, open = 0.75f;
    EXPECT_FLOAT_EQ(out.occlusion_ambient.r, 1.0f * s + open * 0.5f);
    EXPECT_FLOAT_EQ(out.occlusion_ambient.g, open * 0.5f);
    EXPECT_FLOAT_EQ(out.occlusion.r, open);

    // Every texture space the host has is filled, up to the named limit,
    // past which one warning goes out for the whole run.
    for (int32_t n : {uvo::max_texture_spaces + 5, uvo::max_texture_spaces + 5}) {
        occluder.spaces = n;
        run();
        EXPECT_EQ(tex_count, uvo::max_texture_spaces);
    }
    EXPECT_EQ(host().texts("warning").size(), 1u);
}
