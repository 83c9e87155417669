// The undersampler against the test host, alone and under the material stages.
#include "xmtl/undersampler.h"
#include "material_test_support.h"
#include "xmtl/reflection.h"
#include "xmtl/refraction.h"

using namespace uvo_test;

namespace {

struct Interpolation : MaterialTest {
    uvo::Undersampler *u = nullptr;
    int hit_object = 0;

    // What the scripted scene answers.
    Boolean probe_hits = 1;
    Tag probe_material = 7;
    Color traced{0.2f, 0.4f, 0.6f, 0.0f};
    double trace_distance = 2.0;

    void SetUp() override {
        MaterialTest::SetUp();
        f.state.material = 7;
        f.state.origin = Vector3{0.0f, 0.0f, 0.0f};
        f.state.point = Vector3{0.0f, 0.0f, -5.0f};
        f.state.raster_x = 10.5f;
        f.state.raster_y = 10.5f;
        f.state.parent = nullptr;
        work.reflection_samples = 1;
        work.reflection_glossiness = 1.0f;
        work.refraction_samples = 1;
        work.refraction_glossiness = 1.0f;
        work.anisotropy = 1.0f;
        host().script.rx_trace_probe = [this](ShadingState *s, const Vector3 *, const Vector3 *) -> Boolean {
            ShadingState *c = s->child;
            c->point = Vector3{0.0f, 0.0f, -5.0f};
            c->normal = Vector3{0.0f, 0.0f, 1.0f};
            c->material = probe_material;
            c->bary = Vector3{1.0f, 0.0f, 0.0f};
            return probe_hits;
        };
        host().script.rx_trace_reflection = [this](Color *r, ShadingState *s, const Vector3 *) -> Boolean {
            *r = traced;
            s->child->distance = trace_distance;
            s->child->hit_object = &hit_object;
            return 1;
        };
        u = uvo::create_undersampler(&f.state, 1);  // 64 x 64 cells, one per pixel
        ASSERT_NE(u, nullptr);
    }
    void TearDown() override { uvo::release_undersampler(u); }

    Color interpolate(int32_t s, float smooth = 0.0f, uvo::InterpolationMode mode = uvo::interpolate_reflection) {
        Color got{-1.0f, -1.0f, -1.0f, -1.0f};
        EXPECT_TRUE(uvo::undersampler_interpolate(u, &got, &f.state, &work, 1.0f, 0.0f, nullptr, s, 0, smooth, mode));
        return got;
    }
    int probes() const { return host().count("rx_trace_probe"); }
    int traces() const { return host().count("rx_trace_reflection"); }
};

}  // namespace

TEST(InterpolationInit, CreationReportsItsMemoryAndReleaseBalancesIt) {
    StateFixture f;
    f.camera.x_resolution = 640;
    f.camera.y_resolution = 480;
    f.state.material = 42;
    uvo::Undersampler *u = uvo::create_undersampler(&f.state, 2);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(host().texts("info"), (std::vector<std::string>{"Initializing undersampler for material 42",
                                                              "Undersampler allocating 1572864 bytes pointcache",
                                                              "Undersampler allocating 153600 bytes pointindex"}));
    uvo::release_undersampler(u);
}

TEST_F(Interpolation, ComputedCellsAreReusedWithoutTracing) {
    // A 3 x 3 window probes nine cells once, each traced once; the colour is
    // the traced one wherever the weights fall.
    EXPECT_TRUE(near(interpolate(1), traced));
    EXPECT_EQ(probes(), 9);
    EXPECT_EQ(traces(), 9);
    EXPECT_TRUE(near(interpolate(1), traced));
    EXPECT_EQ(probes(), 9) << "the same cells again: nothing probed";
    EXPECT_EQ(traces(), 9) << "the same cells again: nothing traced";
    // One pixel to the right only the new column is computed.
    f.state.raster_x = 11.5f;
    interpolate(1);
    EXPECT_EQ(probes(), 12);
}

TEST_F(Interpolation, OtherMaterialsAreMarkedForGoodAndMissesRetried) {
    // A cell that shows another material is never probed again; with no
    // usable cell the state's own reflection is traced every time.
    probe_material = 99;
    EXPECT_TRUE(near(interpolate(0), traced));
    EXPECT_EQ(probes(), 1);
    EXPECT_EQ(traces(), 1);
    interpolate(0);
    EXPECT_EQ(probes(), 1);
    EXPECT_EQ(traces(), 2);
    // A probe that hits nothing leaves its cell to be tried next time.
    f.state.raster_x = 30.5f;
    probe_hits = 0;
    interpolate(0);
    interpolate(0);
    EXPECT_EQ(probes(), 3);
}

TEST_F(Interpolation, OnlyCameraRaysWithAFullGatherContextAreInterpolated) {
    ShadingState parent{};
    const struct {
        Boolean gather_ok;
        int32_t ray_type;
        int32_t parent_type;  // -1: no parent
        bool probed;
    } cases[] = {
        {1, UVO_RAY_EYE, -1, true},
        {0, UVO_RAY_EYE, -1, false},
        {1, UVO_RAY_TRANSPARENT, UVO_RAY_EYE, true},
        {1, UVO_RAY_TRANSPARENT, UVO_RAY_REFLECT, false},
        {1, UVO_RAY_REFLECT, -1, false},
    };
    for (const auto &c : cases) {
        host().calls.clear();
        host().gather_context_ok = c.gather_ok;
        f.state.ray_type = c.ray_type;
        parent.ray_type = c.parent_type;
        f.state.parent = c.parent_type >= 0 ? &parent : nullptr;
        f.state.raster_x += 3.0f;  // a fresh cell each time
        SCOPED_TRACE(row("gather", c.gather_ok, "ray", c.ray_type, "parent", c.parent_type));
        EXPECT_TRUE(near(interpolate(0), traced));
        EXPECT_EQ(probes(), c.probed ? 1 : 0);
    }
    // Below an environment ray nothing is done at all.
    f.state.ray_type = UVO_RAY_EYE;
    parent.ray_type = UVO_RAY_ENVIRONMENT;
    f.state.parent = &parent;
    EXPECT_TRUE(near(interpolate(0), Color{-1.0f, -1.0f, -1.0f, -1.0f}));

    // A host without an instance lock: the shared cache would race, so the
    // direct sampler runs, with one warning for the run.
    host().calls.clear();
    f.state.parent = nullptr;
    host().script.rx_query = [](int32_t code, ShadingState *, Tag, void *) -> Boolean {
        return code == UVO_QUERY_GATHER_CONTEXT;
    };
    for (int i = 0; i < 2; ++i) {
        f.state.raster_x += 3.0f;
        EXPECT_TRUE(near(interpolate(0), traced));
    }
    EXPECT_EQ(probes(), 0);
    EXPECT_EQ(host().texts("warning").size(), 1u);
}

TEST_F(Interpolation, NearbyReflectedObjectsAreTracedWithinTheSmoothingDistance) {
    // The cell saw an object 0.3 away.  A smoothing distance of 1.0 traces
    // the state's own reflection too; 0.2 and 0 keep the interpolated colour.
    trace_distance = 0.3;
    const struct {
        float smooth;
        int direct_traces;
    } cases[] = {{1.0f, 1}, {0.2f, 0}, {0.0f, 0}};
    for (const auto &c : cases) {
        host().calls.clear();
        f.state.raster_x += 3.0f;
        const Color got = interpolate(0, c.smooth);
        EXPECT_EQ(traces(), 1 + c.direct_traces) << "smooth " << c.smooth;
        // Interpolated and traced colours agree here, and so does any blend of them.
        EXPECT_TRUE(near(got, traced)) << "smooth " << c.smooth;
    }
}

TEST_F(Interpolation, StagesUseTheCacheOnlyForFullySampledCameraRays) {
    instance.reflection_undersampler = u;
    instance.refraction_undersampler = u;
    work.instance = &instance;
    work.reflection_weight = work.refraction_weight = Color{1.0f, 1.0f, 1.0f, 1.0f};
    work.internal_reflection_factor = 1.0f;
    f.options.final_gather = 1;  // reduced rays exist only with final gathering
    const struct {
        bool refraction;
        int32_t interpolate, reduced, ray_type;
        bool used;
    } cases[] = {
        {false, 0, 0, UVO_RAY_EYE, false}, {false, 1, 0, UVO_RAY_EYE, true}, {false, 1, 1, UVO_RAY_EYE, false},
        {false, 1, 0, UVO_RAY_REFLECT, false}, {true, 1, 0, UVO_RAY_EYE, true}, {true, 1, 0, UVO_RAY_REFRACT, false},
    };
    for (const auto &c : cases) {
        host().calls.clear();
        host().reduced_ray = c.reduced;
        f.state.ray_type = c.ray_type;
        f.state.raster_x += 3.0f;
        work.reflection_interpolate = c.refraction ? 0 : c.interpolate;
        work.refraction_interpolate = c.refraction ? c.interpolate : 0;
        uvo::MaterialOutputs outputs{};
        (c.refraction ? uvo::refraction_stage : uvo::reflection_stage)(&outputs, &f.state, &work, block.get());
        SCOPED_TRACE(row(c.refraction ? "refraction" : "reflection", c.interpolate, c.reduced, c.ray_type));
        EXPECT_EQ(probes(), c.used ? 1 : 0);
    }
}
