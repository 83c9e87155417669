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
    ShadingState child{};
    std::vector<double> hits;  // distance per probe, 0 = miss
    size_t probe = 0;
    std::vector<Vector3> probe_directions;

    void SetUp() override {
        MaterialTest::SetUp();
        f.state.child = &child;
        block->indirect_multiplier = 2.0f;
        block->ao_ambient_color = Color{0.5f, 0.5f, 0.5f, 1};
        work.diffuse_normal = f.state.normal;
        work.diffuse_weight = Color{0.5f, 0.25f, 1.0f, 0.4f};
        work.importance = 1.0f;
        work.indirect_enabled = 1;
        work.indirect_quality = 1.0f;
        work.ao_samples = 4;
        host().script.rx_compute_avg_radiance = [](Color *c, ShadingState *, int32_t, const IndirectRequest *) {
            *c = Color{0.1f, 0.2f, 0.3f, 1};
            return Boolean(1);
        };
        host().script.rx_trace_probe = [this](ShadingState *s, const Vector3 *d, const Vector3 *) -> Boolean {
            probe_directions.push_back(*d);
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
    Vector3 normal_seen{};
    IndirectRequest request{};
    work.diffuse_normal = normalized(Vector3{0, 1, 1});
    host().script.rx_compute_avg_radiance = [&](Color *c, ShadingState *s, int32_t face, const IndirectRequest *q) {
        EXPECT_EQ(face, UVO_FACE_FRONT);
        normal_seen = s->normal;
        request = *q;
        *c = Color{0.1f, 0.2f, 0.3f, 1};
        return Boolean(1);
    };
    f.options.gather_rays = 100;
    work.indirect_quality = 0.55f;
    work.importance = 0.5f;
    run();
    EXPECT_TRUE(near(normal_seen, work.diffuse_normal, 0)) << "gathered about the diffuse normal";
    EXPECT_EQ(f.state.normal.y, 0.0f) << "and the normal put back";
    EXPECT_EQ(request.size, 44);
    EXPECT_EQ(request.rays, 55);
    EXPECT_FLOAT_EQ(request.importance, 2.0f * 0.5f);
    EXPECT_TRUE(near(out.indirect_gathered, Color{0.2f, 0.4f, 0.6f, 0}));
    EXPECT_TRUE(near(out.occlusion_ambient, out.indirect_gathered));
    EXPECT_TRUE(near(out.indirect, Color{0.1f, 0.1f, 0.6f, 0}));
    EXPECT_TRUE(near(out.occlusion, white) && probe_directions.empty()) << "no occlusion";

    // Failed gather context: importance 1.  Roulette said no: nothing gathered.
    work.indirect_query_failed = 1;
    run();
    EXPECT_EQ(request.importance, 1.0f);
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
    EXPECT_EQ(probe_directions.size(), 4u);
    EXPECT_TRUE(near(out.occlusion_ambient, Color{0.25f, 0.25f, 0.25f, 0.5f}));
    EXPECT_FLOAT_EQ(out.occlusion.r, 0.5f);
    EXPECT_EQ(out.occlusion.a, 1.0f);
    // Probes leave 0.25 N + 0.75 d, normalised, from the point.
    for (const Vector3 &d : probe_directions)
        EXPECT_NEAR(length(d), 1.0f, 1e-5f);

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
    probe_directions.clear();
    run();
    EXPECT_TRUE(probe_directions.empty());
    EXPECT_EQ(out.occlusion.r, 1.0f);
}

TEST_F(Indirect, ProbeCountAndHostRange) {
    work.ao_mode = 1;
    work.ao_samples = 16;
    work.importance = 0.3f;
    EXPECT_EQ(uvo::occlusion_probe_count(&f.state, work, false), 4);
    work.importance = 0.01f;
    EXPECT_EQ(uvo::occlusion_probe_count(&f.state, work, false), 1);
    // A huge opacity, probe count or gather ray count is cut to the named limit.
    work.importance = 1e30f;
    EXPECT_EQ(uvo::occlusion_probe_count(&f.state, work, false), uvo::max_sample_count);
    f.options.gather_rays = 1 << 30;
    for (float quality : {1e9f, -1e9f}) {
        work.indirect_quality = quality;
        EXPECT_EQ(uvo::indirect_request(&f.state, work, 1.0f).rays, std::copysign(uvo::max_sample_count, quality));
    }
    work.importance = 0.01f;
    // Reduced rays: one probe, none when bleeding.
    f.options.final_gather = 1;
    host().reduced_ray = 1;
    EXPECT_EQ(uvo::occlusion_probe_count(&f.state, work, false), 1);
    EXPECT_EQ(uvo::occlusion_probe_count(&f.state, work, true), 0);
    // Bleeding on gather rays without final gathering: over the depth, none.
    host().reduced_ray = 0;
    f.options.final_gather = 0;
    f.state.ray_type = UVO_RAY_GATHER;
    f.options.depth_limit = 2;
    f.state.reflection_depth = 3;
    EXPECT_EQ(uvo::occlusion_probe_count(&f.state, work, true), 0);

    // The fall-off range is set to D for the probes and put back.
    f.state.ray_type = UVO_RAY_EYE;
    work.ao_distance = 3.0f;
    std::vector<std::pair<double, double>> ranges;
    host().script.rx_ray_falloff = [&](ShadingState *, double *start, double *stop) -> Boolean {
        ranges.emplace_back(*start, *stop);
        *start = 100;
        *stop = 200;
        return 1;
    };
    run();
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0], std::make_pair(3.0, 3.0));
    EXPECT_EQ(ranges[1], std::make_pair(100.0, 200.0));
}

TEST_F(Indirect, BleedingTintsByTheOccludersShading) {
    work.ao_mode = 2;
    work.indirect_enabled = 0;
    work.ao_distance = 2.0f;
    work.ao_samples = 2;
    f.state.reflection_depth = 1;
    hits = {1.0, 0.0};
    // The occluder's material (3) has shader 44, and one texture space per `spaces`.
    Vector3 tex_vertices[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    int32_t spaces = 1;
    host().script.rx_tri_vectors = [&](ShadingState *, int32_t which, int32_t index, Vector3 **a, Vector3 **b,
                                       Vector3 **c) -> Boolean {
        if (which != 't' || index >= spaces)
            return 0;
        *a = &tex_vertices[0];
        *b = &tex_vertices[1];
        *c = &tex_vertices[2];
        return 1;
    };
    host().script.rx_query = [](int32_t code, ShadingState *s, Tag item, void *answer) -> Boolean {
        if (code != UVO_QUERY_MATERIAL_SHADER || item != 3)
            return default_query(code, s, item, answer);
        *static_cast<Tag *>(answer) = 44;
        return 1;
    };
    child.bary = Vector3{0.5f, 0.25f, 0.25f};
    ShadingState seen{};  // its texture list is gone after the call: the first entry is kept
    Vector3 tex_seen{};
    float importance_seen = 0;
    host().script.rx_call_shader = [&](Color *c, int32_t kind, ShadingState *s, Tag shader) -> Boolean {
        EXPECT_TRUE(kind == UVO_SHADER_MATERIAL && shader == 44u) << kind << " " << shader;
        seen = *s;
        tex_seen = s->tex_count > 0 ? s->tex_list[0] : Vector3{};
        importance_seen = f.state.importance;
        *c = Color{1.0f, 0.0f, 0.0f, 1};
        return 1;
    };
    run();
    EXPECT_EQ(seen.ray_type, UVO_RAY_GATHER);
    EXPECT_EQ(seen.reflection_depth, 2);
    EXPECT_EQ(seen.tex_count, 1);
    EXPECT_FLOAT_EQ(tex_seen.x, 0.25f) << "texture coordinates at the probe's hit";
    EXPECT_FLOAT_EQ(importance_seen, 0.4f / 2) << "importance pushed with the diffuse luminance per probe";
    EXPECT_EQ(f.state.importance, 1.0f) << "and popped";
    // One probe of two, weight 1 - 1/2 (not squared): S = 0.25, bleed red.
    const float s = 0.25f, open = 0.75f;
    EXPECT_FLOAT_EQ(out.occlusion_ambient.r, 1.0f * s + open * 0.5f);
    EXPECT_FLOAT_EQ(out.occlusion_ambient.g, open * 0.5f);
    EXPECT_FLOAT_EQ(out.occlusion.r, open);

    // Every texture space the host has is filled, up to the named limit,
    // past which one warning goes out for the whole run.
    for (int32_t n : {uvo::max_texture_spaces + 5, uvo::max_texture_spaces + 5}) {
        spaces = n;
        run();
        EXPECT_EQ(seen.tex_count, uvo::max_texture_spaces);
    }
    EXPECT_EQ(host().texts("warning").size(), 1u);
}
