// uvo_portal_light against the test host, and its geometric weight against
// the exact solid angle of a rectangle.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>

#include "color_check.h"
#include "portal/portal_light.h"
#include "portal/portal_records.h"
#include "thread_cells.h"

using uvo_test::host;
using namespace uvo;

namespace {

constexpr double pi = std::numbers::pi;

// Exact solid angle of the rectangle |x| <= w/2, |y| <= h/2, z = 0 seen from
// p: signed sum over its corners of the corner-rectangle formula.
double rectangle_solid_angle(double w, double h, Vector3 p) {
    const double X[2] = {-w / 2 - p.x, w / 2 - p.x}, Y[2] = {-h / 2 - p.y, h / 2 - p.y}, z = std::fabs(p.z);
    double sum = 0;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            sum += (i == j ? 1 : -1) * std::atan(X[i] * Y[j] / (z * std::sqrt(X[i] * X[i] + Y[j] * Y[j] + z * z)));
    return sum;
}

struct PortalLight : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<PortalLightParams> block;
    uvo_test::ThreadCells cells;
    std::map<Tag, HostLight> lights;  // light instance k uses light Tag 100 + k
    int build_delay_us = 0;  // widens the window in which appends can collide
    Color result{};
    bool initialised = false;

    void SetUp() override {
        block->enabled = block->cast_shadows = 1;
        block->intensity_scale = 1.0f;
        block->tint = block->transparency = Color{1, 1, 1, 1};
        block.attach(f.shader, false);
        add_light(1, Vector3{0, 2, 0}, Vector3{1, 0, 0});  // a = 2 along y, b = 1 along x
        cells.install([this](int32_t code, ShadingState *s, Tag item, void *answer) -> Boolean {
            auto it = lights.find(code == UVO_QUERY_LIGHT_TAG ? item + 100 : item);
            if (it == lights.end() || (code != UVO_QUERY_LIGHT_TAG && (code < 32 || code > 34)))
                return uvo_test::default_query(code, s, item, answer);
            if (code == UVO_QUERY_LIGHT_TAG)
                *static_cast<Tag *>(answer) = item + 100;
            else
                *static_cast<Vector3 *>(answer) = code == 32   ? it->second.direction
                                                  : code == 33 ? it->second.edge_u
                                                               : it->second.edge_v;
            return 1;
        });
        host().script.rx_db_access = [this](Tag tag) -> void * {
            std::this_thread::sleep_for(std::chrono::microseconds(build_delay_us));
            auto it = lights.find(tag);
            return it == lights.end() ? nullptr : &it->second;
        };
        f.state.light_instance = 1, f.state.ray_type = UVO_RAY_LIGHT;
        f.state.origin = Vector3{0, 0, 0};  // the sample on the opening
        f.state.direction = Vector3{0, 0, -1}, f.state.point = Vector3{0, 0, -3};
    }
    void TearDown() override {
        if (initialised)
            uvo_portal_light_exit(&f.state, block.get());
    }
    void add_light(Tag instance, Vector3 edge_u, Vector3 edge_v, int32_t area = UVO_AREA_RECTANGLE) {
        lights[instance + 100] = HostLight{0, area, 1, 0, {}, Vector3{0, 0, -1}, edge_u, edge_v, {}, 0, 0};
    }
    void init() {
        Boolean request = 0;
        uvo_portal_light_init(&f.state, block.get(), &request);
        initialised = true;
    }
    Boolean shade() { return uvo_portal_light(&result, &f.state, block.get()); }
};

}  // namespace

TEST_F(PortalLight, BackSideGetsNoLightButTheLoopLearnsItIsPhysical) {
    init();
    LightLoopInfo loop{28, 0, 1, 1, 1, 0, 0};
    host().store[UVO_KEY_LIGHT_LOOP].assign(reinterpret_cast<char *>(&loop), reinterpret_cast<char *>(&loop + 1));
    result = Color{-1, -1, -1, -1};
    for (Vector3 p : {Vector3{0, 0, 3}, Vector3{0.2f, 0, 0}}) {
        f.state.point = p;
        EXPECT_EQ(shade(), 2) << p.z;
    }
    EXPECT_EQ(result.r, -1.0f);
    std::memcpy(&loop, host().store[UVO_KEY_LIGHT_LOOP].data(), sizeof loop);
    EXPECT_EQ(loop.physical_light, 1);
    block->reverse_side = 1, block->cast_shadows = 0;  // the same point is now in front
    f.state.point = Vector3{0, 0, 3};
    EXPECT_TRUE(shade() == 1 && result.r > 0.0f) << result.r;
}

TEST_F(PortalLight, LuminanceCutoffModes) {
    init();
    block->cast_shadows = 0;
    ASSERT_EQ(shade(), 1);
    const Color base = result;
    const float L = 0.299f * base.r + 0.587f * base.g + 0.114f * base.b;
    auto run = [&](float cutoff) {
        block->luminance_cutoff = cutoff;
        result = Color{};
        return shade();
    };
    EXPECT_TRUE(run(L / 3) == 1 && std::fabs(result.g - 0.5f * base.g) < 1e-6f * base.g) << "3x the threshold halves";
    EXPECT_TRUE(run(L / 5) == 1 && result.g == base.g) << "5x the threshold passes unchanged";
    EXPECT_EQ(run(L * 1.01f), 0);
    block->tint = Color{0, 0, 0, 1};
    EXPECT_EQ(run(0), 0) << "a black sample returns 0 with the cut-off off";
    // Negative: roulette on ratio = L / a, never below the floor a / 50.
    block->tint = Color{1000, 1000, 1000, 1};
    int survivors = 0;
    for (int k = 0; k < 50; ++k)
        survivors += run(-1000 * L * 10);
    EXPECT_EQ(survivors, 0) << "ratio 0.1 <= a / 50 = " << 1000 * L * 10 / 50;
    block->tint = Color{1, 1, 1, 1};
    const int n = 4000;
    int kept = 0;
    double sum = 0;
    for (int k = 0; k < n; ++k)
        if (run(-4 * L) == 1)
            ++kept, sum += result.g;
    EXPECT_NEAR(kept / double(n), 0.25, 3 * std::sqrt(0.25 * 0.75 / n)) << "survival probability L / a";
    EXPECT_NEAR(sum / n, base.g, 0.05 * base.g) << "survivors scaled by a / L keep the mean";
}

TEST_F(PortalLight, LooksOutThroughTheOpeningAndShadowsFromTheOffsetOrigin) {
    init();
    block->tint = Color{0.5f, 0.25f, 2.0f, 1}, block->intensity_scale = 3.0f, block->cast_shadows = 0;
    ASSERT_EQ(shade(), 1);  // environment 0: white x tint
    portal::PortalGeometry g{};
    portal::portal_geometry_build(&g, Vector3{0, 2, 0}, Vector3{1, 0, 0}, Vector3{0, 0, -1}, 1, 1);
    const float k = 3.0f * portal::portal_geometric_weight(g, f.state.point);
    EXPECT_COLOR_NEAR(result, (Color{0.5f * k, 0.25f * k, 2.0f * k, 0}), 1e-6);

    block->own_environment = block->call_environment_directly = block->cast_shadows = 1;
    block->environment_shader = 77, block->shadow_start_offset = 0.5f;
    Vector3 list[1] = {{9, 9, 9}};
    f.state.tex_list = list, f.state.tex_count = 1;
    f.state.origin = Vector3{0.25f, 0.5f, 0};  // uv (0.25 / b + 0.5, 0.5 / a + 0.5)
    ShadingState seen{};
    Vector3 first_entry{}, shadow_origin{};
    host().script.rx_call_shader = [&](Color *c, int32_t, ShadingState *s, Tag) -> Boolean {
        seen = *s, first_entry = s->tex_list[0];
        *c = Color{2, 2, 2, 0};
        return 1;
    };
    host().script.rx_trace_shadow = [&](Color *, ShadingState *s) -> Boolean { return (shadow_origin = s->origin), 0; };
    EXPECT_EQ(shade(), 0) << "the shadow ray's answer";
    EXPECT_EQ(seen.direction.z, 1.0f) << "looking out";
    EXPECT_FLOAT_EQ(seen.tex.x + seen.tex.y + first_entry.y, 3 * 0.75f);
    EXPECT_FLOAT_EQ(result.r, 2 * 0.5f * k);
    EXPECT_FLOAT_EQ(shadow_origin.z, 0.5f) << "moved back against the ray by the offset";
}

TEST_F(PortalLight, RecordFollowsTheLightTransformAndMatchesTheSolidAngle) {
    // Light frame: x -> internal (0, 2, 0), y -> (-3, 0, 0), z -> (0, 0, 1), origin (10, 0, 5).
    auto linear = [](const Vector3 *in) { return Vector3{-3 * in->y, 2 * in->x, in->z}; };
    host().script.rx_vector_from_light = [&](ShadingState *, Vector3 *out, const Vector3 *in) { *out = linear(in); };
    host().script.rx_point_from_light = [&](ShadingState *, Vector3 *out, const Vector3 *in) {
        *out = portal::add(linear(in), Vector3{10, 0, 5});
    };
    lights[101].edge_u = Vector3{0, 1, 0}, lights[101].edge_v = Vector3{1, 0, 0};  // scaled: a = 3, b = 2
    init();
    block->cast_shadows = 0, block->own_environment = 1, block->environment_shader = 5;
    f.state.point = Vector3{10, 0, 5 - 40};
    f.state.origin = Vector3{10, 0.5f, 5};  // 0.5 along the light's x axis: uv (0.5 / 2 + 0.5, 0.5)
    Vector3 uv{};
    host().script.rx_trace_environment = [&](Color *c, ShadingState *s, const Vector3 *d) -> Boolean {
        EXPECT_TRUE(s->environment == 5u && d->z == 1.0f) << "looks out, against the light ray";
        uv = s->tex;
        *c = Color{1, 1, 1, 0};
        return 1;
    };
    ASSERT_EQ(shade(), 1);
    EXPECT_NEAR(result.r * pi, rectangle_solid_angle(2, 3, Vector3{0, 0, 40}), 2e-3 * result.r * pi);
    EXPECT_TRUE(uvo_test::near(uv, Vector3{0.75f, 0.5f, uv.z}, 1e-6f)) << uv;
}

TEST_F(PortalLight, InitReportsShapeGeometryAndRasterizerLimits) {
    const std::string shape =
        "Shader 'uvo_portal_light' must be applied to a VISIBLE rectangular area light to work correctly!";
    auto cycle = [&](Tag instance) {
        host().messages.clear();
        f.state.light_instance = instance;
        init();
        initialised = !uvo_portal_light_exit(&f.state, block.get());
        return host().texts();
    };
    add_light(2, Vector3{0, 1, 0}, Vector3{1, 0, 0}, UVO_AREA_DISC);
    EXPECT_EQ(cycle(2), std::vector<std::string>{shape});
    lights[101].visible = 0;
    EXPECT_EQ(cycle(1), std::vector<std::string>{shape});
    block->enabled = 0;
    EXPECT_TRUE(cycle(1).empty());
    EXPECT_TRUE(cycle(9).empty()) << "an instance without a light keeps only its Tag";

    add_light(3, Vector3{0, 1, 0.5f}, Vector3{1, 0, 0.5f});
    lights[103].direction = Vector3{0, 1, 0};
    const std::vector<std::string> geometry = {portal::fault_direction_message, portal::fault_edge_u_message,
                                               portal::fault_edge_v_message};
    EXPECT_EQ(cycle(3), geometry);

    f.options.render_mode = UVO_RENDER_RASTERIZER;
    EXPECT_TRUE(cycle(1).empty()) << "transparency (1, 1, 1) is fine with the rasterizer";
    block->transparency.g = 0.9f, block->visible = 1;
    EXPECT_EQ(cycle(1).size(), 2u);
}

TEST_F(PortalLight, PhotonsLeaveTheOpeningOnItsSideWithTheSeenEnergy) {
    init();
    block->tint = Color{1, 0.5f, 0.25f, 1}, block->intensity_scale = 2.0f;
    int photons = 0;
    host().script.rx_photon_light = [&](Color *energy, ShadingState *s) -> Boolean {
        const Vector3 o = s->origin, d = s->direction;
        EXPECT_TRUE(std::fabs(o.x) <= 0.5f && std::fabs(o.y) <= 1.0f && o.z == 0.0f) << o.x << " " << o.y;
        EXPECT_TRUE(std::fabs(portal::length(d) - 1.0f) < 1e-5f && d.z * (block->reverse_side ? -1 : 1) <= 0.0f &&
                    s->normal.z == -1.0f) << "photon " << photons << " " << d;
        EXPECT_FLOAT_EQ(energy->g, 0.5f * 2 * 1 * 2 * 3.1415927f) << "tint x a x b x intensity x pi";
        return ++photons;
    };
    const int32_t types[3] = {UVO_RAY_PHOTON_EMIT, 23, 24};
    for (int k = 0; k < 300; ++k) {
        f.state.ray_type = types[k % 3], f.state.origin = Vector3{0, 0, 0};
        block->reverse_side = k >= 200;
        shade();
    }
    EXPECT_EQ(photons, 300);
    block->volume_photons_only = 1;  // read only with the bounding-box flag
    EXPECT_EQ(shade(), 301);
    f.options.box_all = 1;
    f.state.ray_type = UVO_RAY_LIGHT;
    EXPECT_EQ(shade(), 2) << "no direct light with volume photons only";
}

TEST_F(PortalLight, VisibleRectangleShowsOrPassesThroughTimesTransparency) {
    init();
    f.state.ray_type = UVO_RAY_EYE, f.state.pass_through = 1;
    block->transparency = Color{0.5f, 0.5f, 0.5f, 1};
    uvo_test::answer(host().script.rx_trace_transparent, Color{1, 1, 1, 1}, 5);
    EXPECT_TRUE(shade() == 5 && result.r == 0.5f) << result.r;

    block->visible = 1, block->intensity_scale = 3.0f;
    f.camera.environment = 55;
    host().script.rx_trace_environment = [](Color *c, ShadingState *s, const Vector3 *d) -> Boolean {
        EXPECT_TRUE(s->environment == 55u && d->z == -1.0f) << "the eye ray goes on unflipped";
        *c = Color{2, 2, 2, 0};
        return 1;
    };
    EXPECT_TRUE(shade() == 1 && result.g == 2 * 3 * 0.5f) << result.g;
    f.state.ray_type = UVO_RAY_DISPLACE;
    EXPECT_EQ(shade(), 0);
    block->enabled = 0;
    EXPECT_EQ(shade(), 2);
}

// Every light instance gets one record of its own, however many threads make
// its first call at once, and exit frees them all and every thread's cell.
TEST_F(PortalLight, ConcurrentFirstCallsLoseNoRecordAndExitFreesAll) {
    const int instances = 64, threads = 8;
    for (Tag k = 1; k <= instances; ++k)
        add_light(k, Vector3{0, 1.0f + k / 64.0f, 0}, Vector3{1, 0, 0});
    init();
    block->cast_shadows = 0, build_delay_us = 100;
    host().record_calls = false;
    f.state.point = Vector3{0, 0, -30};
    std::vector<std::vector<float>> seen(threads, std::vector<float>(instances + 1));
    std::atomic<bool> go{false};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            ShadingState s = f.state;
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < instances; ++i) {
                s.light_instance = 1 + (i * 7 + t * 13) % instances;
                Color c{};
                uvo_portal_light(&c, &s, block.get());
                seen[t][s.light_instance] = c.r;
            }
        });
    go = true;
    for (auto &thread : pool)
        thread.join();

    for (Tag k = 1; k <= instances; ++k) {
        const float expected = (1.0f + k / 64.0f) / (30.0f * 30.0f) / float(pi);  // far field, a x b / r^2 / pi
        for (int t = 0; t < threads; ++t)
            EXPECT_NEAR(seen[t][k], expected, 1e-5f * expected) << "thread " << t << " instance " << k;
    }
    initialised = !uvo_portal_light_exit(&f.state, block.get());
    EXPECT_EQ(host().releases["portal"], instances + threads);
}
