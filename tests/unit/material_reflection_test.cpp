// Reflection and refraction stages with scripted tracing.
#include <limits>

#include "material_test_support.h"
#include "xmtl/reflection.h"
#include "xmtl/refraction.h"

using namespace uvo_test;

namespace {

const float nan_value = std::numeric_limits<float>::quiet_NaN();

// One scripted ray: whether it hits, at what distance, with what colour.
struct Ray {
    bool hit;
    double distance;
    Color color;
};

struct Traced : MaterialTest {
    std::vector<Ray> rays;
    size_t next = 0;
    int32_t user_magic = 0;  // of the record child rays see, at the last trace
    IndexPair pair;

    void SetUp() override {
        uvo::material_state().invalid_number_reported = 0;
        MaterialTest::SetUp();
        work.reflection_weight = Color{0.5f, 0.5f, 0.5f, 0.5f};
        work.refraction_weight = Color{0.5f, 0.25f, 1.0f, 0.4f};
        work.internal_reflection_factor = work.reflection_glossiness = work.refraction_glossiness = 1.0f;
        work.anisotropy = work.importance = 1.0f;
        work.ior = 1.5f;
        auto trace = [this](Color *c, ShadingState *s, const Vector3 *) -> Boolean {
            user_magic = s->user ? *static_cast<const int32_t *>(s->user) : 0;
            const Ray r = next < rays.size() ? rays[next] : Ray{false, 0, {}};
            ++next;
            s->child->distance = r.distance;
            s->child->hit_object = r.hit && r.distance > 0 ? &child : nullptr;
            if (r.hit)
                *c = r.color;
            return r.hit;
        };
        host().script.rx_trace_reflection = trace;
        host().script.rx_trace_refraction = trace;
        answer(host().script.rx_trace_environment, Color{0.0f, 0.0f, 1.0f, 1.0f});  // the sky
        pair.script();
    }
    // Each call shades at the root of the ray tree, where counts are not scaled.
    void run(decltype(uvo::reflection_stage) stage) {
        host().store.erase(UVO_KEY_IMPORTANCE);
        out = uvo::MaterialOutputs{};
        next = 0;
        stage(&out, &f.state, &work, block.get());
    }
    void reflect() { run(uvo::reflection_stage); }
    void refract() { run(uvo::refraction_stage); }
};

}  // namespace

TEST_F(Traced, MirrorReflectionWeightedAndMarked) {
    rays = {{true, 3.0, Color{1.0f, 0.5f, 0.25f, 1}}};
    work.internal_reflection_factor = 0.5f;
    reflect();
    EXPECT_TRUE(near(out.reflection_raw, Color{1.0f, 0.5f, 0.25f, 0}));
    EXPECT_TRUE(near(out.reflection, Color{0.25f, 0.125f, 0.0625f, 0}));
    EXPECT_EQ(user_magic, UVO_REFLECTION_MARKER_MAGIC) << "the marker the reflection-ray roulette looks for";
    EXPECT_EQ(f.state.user, nullptr) << "no pointer to the marker left behind";

    // Reflections from inside that are suppressed, and highlights only
    // without final gathering: black.
    work.internal_reflection_factor = 0.0f;
    reflect();
    EXPECT_TRUE(near(out.reflection_raw, Color{}));
    work.internal_reflection_factor = 1.0f;
    work.highlights_only = 1;
    reflect();
    EXPECT_TRUE(near(out.reflection_raw, Color{}));
    // With final gathering: the cached radiance.
    f.options.final_gather = 1;
    work.indirect_enabled = 1;
    answer(host().script.rx_compute_avg_radiance, Color{0.3f, 0.3f, 0.3f, 1});
    reflect();
    EXPECT_TRUE(near(out.reflection_raw, Color{0.3f, 0.3f, 0.3f, 1}));
}

TEST_F(Traced, ReflectionFalloffBlendsTowardsItsColour) {
    block->reflection_falloff_enable = block->reflection_falloff_color_enable = 1;
    block->reflection_falloff_distance = 10.0f;
    block->reflection_falloff_color = Color{0.0f, 1.0f, 0.0f, 1};
    // A hit at distance 0 with no hit object is a miss: the fall-off colour.
    const Color traced{1.0f, 0.0f, 0.0f, 1}, green{0, 1, 0, 0};
    for (const auto &[d, expected] : {std::pair{5.0, Color{0.25f, 0.75f, 0, 0}}, std::pair{20.0, green},
                                      std::pair{0.0, green}}) {
        rays = {{true, d, traced}};
        reflect();
        EXPECT_TRUE(near(out.reflection_raw, expected)) << "hit at " << d;
    }

    // Without a fall-off colour but with the environment fallback: misses
    // see the environment.
    block->reflection_falloff_enable = 0;
    work.reflection_environment_fallback = 1;
    work.reflection_glossiness = 0.5f;
    work.reflection_samples = 3;
    rays = {};
    reflect();
    EXPECT_TRUE(near(out.reflection_raw, Color{0, 0, 1, 0}));
}

TEST_F(Traced, CutoffSkipsUnimportantBranches) {
    rays = {{true, 1.0, white}};
    // Branch importance 0.5 (the weight at the root) against cut-off x q.
    work.reflection_cutoff = 1.0f;
    for (const auto &[q, skipped] : {std::pair{0.4, false}, std::pair{0.6, true}}) {
        script_samples(q);
        reflect();
        EXPECT_EQ(out.reflection_raw.r, skipped ? 0.0f : 1.0f) << "q " << q;
    }
    // A skipped refraction is black without coverage.
    work.refraction_cutoff = 10.0f;
    refract();
    EXPECT_TRUE(near(out.refraction_raw, Color{}));
}

TEST_F(Traced, InvalidNumbersAreBlackAndReportedOnce) {
    rays = {{true, 1.0, Color{nan_value, 0, 0, 1}}};
    reflect();
    EXPECT_TRUE(near(out.reflection_raw, Color{}));
    EXPECT_EQ(host().texts("info"),
              std::vector<std::string>{"uvo_material(_x): A reflection ray hit some object returning invalid numbers. "
                                       "NaN prevention now enabled."});
    // From now on each sample is tested: the good ones still count.
    work.reflection_glossiness = 0.5f;
    work.reflection_samples = 2;
    rays = {{true, 1.0, Color{nan_value, 0, 0, 1}}, {true, 1.0, white}};
    reflect();
    EXPECT_TRUE(near(out.reflection_raw, Color{0.5f, 0.5f, 0.5f, 0}));
    rays = {{true, 1.0, Color{0, nan_value, 0, 1}}};
    refract();
    EXPECT_EQ(host().texts("info").size(), 1u) << "one message for reflection and refraction together";
    EXPECT_TRUE(near(out.refraction_raw, Color{}));
}

TEST_F(Traced, RefractionDirectionsIndicesAndLobeExponents) {
    rays = {{true, 1.0, white}};
    for (const auto &[inside, thin, expect_in, expect_out] :
         {std::tuple{0, 0, 1.0f, 1.5f}, std::tuple{1, 0, 1.5f, 1.0f}, std::tuple{1, 1, 1.0f, 1.0f}}) {
        f.state.inside = inside;
        work.thin_walled = thin;
        refract();
        EXPECT_EQ(std::make_pair(pair.in, pair.out), std::make_pair(expect_in, expect_out))
            << "inside " << inside << " thin " << thin;
    }
    EXPECT_TRUE(near(out.refraction, Color{0.5f, 0.25f, 1.0f, 1.0f}));

    // Total internal reflection: a reflected ray with full coverage.
    pair.transmits = 0;
    rays = {{true, 1.0, Color{0.2f, 0.2f, 0.2f, 0.0f}}};
    refract();
    EXPECT_TRUE(near(out.refraction_raw, Color{0.2f, 0.2f, 0.2f, 1.0f}));

    // Glossy: a failed ray adds nothing but counts, even when the host
    // lowers the count in the loop.
    host().script.rx_transmission_dir_glossy_x = [](Vector3 *d, ShadingState *s, float, float, float,
                                                    const double *) -> Boolean {
        *d = s->direction;
        return 1;
    };
    work.refraction_glossiness = 0.6f;
    work.refraction_samples = 2;
    rays = {{false, 0, {}}, {true, 1.0, white}};
    refract();
    EXPECT_TRUE(near(out.refraction_raw, Color{0.5f, 0.5f, 0.5f, 0.5f}));
    rays = {{true, 1.0, white}, {true, 1.0, white}};
    host().script.rx_sample = [](double *x, int32_t *instance, ShadingState *, int32_t dim, int32_t *count) -> Boolean {
        if (count != nullptr)
            *count = 1;
        if (instance != nullptr && count != nullptr && (*instance)++ >= *count)
            return 0;
        std::fill(x, x + dim, 0.5);
        return 1;
    };
    refract();
    EXPECT_TRUE(near(out.refraction_raw, Color{0.5f, 0.5f, 0.5f, 0.5f})) << out.refraction_raw.r;
}

TEST_F(Traced, RefractionFalloffLimitAndColour) {
    work.refraction_falloff_enable = 1;
    work.refraction_falloff_distance = 4.0f;
    for (const auto &[d, expected] : {std::pair{1.0, Color{0.75f, 0.75f, 0.75f, 0.75f}},
                                      std::pair{4.0, Color{0, 0, 0, 0}}, std::pair{0.0, Color{0, 0, 0, 1}}}) {
        rays = {{true, d, white}};
        refract();
        EXPECT_TRUE(near(out.refraction_raw, expected)) << "hit at " << d;
    }

    // Colour mode: no limit, fade towards the colour by distance.
    work.refraction_falloff_color_enable = 1;
    work.refraction_falloff_color = Color{0.5f, 0.5f, 0.5f, 1};
    rays = {{true, 8.0, white}};
    refract();
    EXPECT_TRUE(near(out.refraction_raw, Color{0.25f, 0.25f, 0.25f, 1}));

    // The surface hit applied it already: not again.  Inside the object: no
    // record, no limit.
    host().script.rx_trace_refraction = [](Color *c, ShadingState *s, const Vector3 *) -> Boolean {
        if (s->user != nullptr)
            static_cast<RefractionFalloffRecord *>(s->user)->applied = 1;
        s->child->distance = 8.0;
        *c = white;
        return 1;
    };
    refract();
    EXPECT_TRUE(near(out.refraction_raw, white));
    f.state.inside = 1;
    work.refraction_falloff_color_enable = 0;
    refract();
    EXPECT_TRUE(near(out.refraction_raw, white));
}
