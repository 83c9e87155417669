// uvo_portal_light against the test host, and its geometric weight against
// the exact solid angle of a rectangle.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <set>

#include "portal/portal_light.h"
#include "portal/portal_model.h"
#include "portal/portal_records.h"
#include "thread_cells.h"

using uvo_test::host;
using namespace uvo;

namespace {

constexpr double pi = std::numbers::pi;

// Exact solid angle of the triangle (a, b, c) seen from the origin (Van
// Oosterom and Strackee).
double triangle_solid_angle(const double a[3], const double b[3], const double c[3]) {
    auto dot = [](const double *x, const double *y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
    const double la = std::sqrt(dot(a, a)), lb = std::sqrt(dot(b, b)), lc = std::sqrt(dot(c, c));
    const double triple = a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                          a[2] * (b[0] * c[1] - b[1] * c[0]);
    const double den = la * lb * lc + dot(a, b) * lc + dot(a, c) * lb + dot(b, c) * la;
    return std::fabs(2.0 * std::atan2(triple, den));
}

// Solid angle of the rectangle |x| <= w/2, |y| <= h/2, z = 0 seen from p.
double rectangle_solid_angle(double w, double h, Vector3 p) {
    double c[4][3];
    const double sx[4] = {-1, 1, 1, -1}, sy[4] = {-1, -1, 1, 1};
    for (int k = 0; k < 4; ++k) {
        c[k][0] = sx[k] * w / 2 - p.x;
        c[k][1] = sy[k] * h / 2 - p.y;
        c[k][2] = -p.z;
    }
    return triangle_solid_angle(c[0], c[1], c[2]) + triangle_solid_angle(c[0], c[2], c[3]);
}

struct PortalLight : ::testing::Test {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<PortalLightParams> block;
    uvo_test::ThreadCells cells;
    std::map<Tag, HostLight> lights;  // light instance k uses light Tag 100 + k
    std::atomic<int> pins{0};
    int build_delay_us = 0;  // widens the window in which appends can collide
    Color result{};
    bool initialised = false;

    void SetUp() override {
        block->enabled = 1;
        block->intensity_scale = 1.0f;
        block->tint = block->transparency = Color{1, 1, 1, 1};
        block.attach(f.shader, false);
        add_light(1, Vector3{0, 2, 0}, Vector3{1, 0, 0});  // a = 2 along y, b = 1 along x
        cells.install([this](int32_t code, ShadingState *s, Tag item, void *answer) -> Boolean {
            auto it = lights.find(code == UVO_QUERY_LIGHT_TAG ? item + 100 : item);
            if (code == UVO_QUERY_LIGHT_TAG && it != lights.end()) {
                *static_cast<Tag *>(answer) = item + 100;
                return 1;
            }
            if (code < 32 || code > 34 || it == lights.end())
                return uvo_test::default_query(code, s, item, answer);
            const HostLight &l = it->second;
            *static_cast<Vector3 *>(answer) = code == 32 ? l.direction : code == 33 ? l.edge_u : l.edge_v;
            return 1;
        });
        host().script.rx_db_access = [this](Tag tag) -> void * {
            std::this_thread::sleep_for(std::chrono::microseconds(build_delay_us));
            auto it = lights.find(tag);
            return it == lights.end() ? nullptr : (++pins, &it->second);
        };
        host().script.rx_db_unpin = [this](Tag) { --pins; };
        f.state.light_instance = 1;
        f.state.ray_type = UVO_RAY_LIGHT;
        f.state.origin = Vector3{0, 0, 0};  // the sample on the opening
        f.state.direction = Vector3{0, 0, -1};
        f.state.point = Vector3{0, 0, -3};
    }
    void TearDown() override {
        if (initialised)
            uvo_portal_light_exit(&f.state, block.get());
        EXPECT_EQ(pins, 0) << "pinned lights left";
    }
    void add_light(Tag instance, Vector3 edge_u, Vector3 edge_v, int32_t area = UVO_AREA_RECTANGLE) {
        HostLight l{};
        l.area = area;
        l.visible = 1;
        l.direction = Vector3{0, 0, -1};
        l.edge_u = edge_u;
        l.edge_v = edge_v;
        lights[instance + 100] = l;
    }
    void init() {
        Boolean request = 0;
        uvo_portal_light_init(&f.state, block.get(), &request);
        initialised = true;
    }
    Boolean shade() { return uvo_portal_light(&result, &f.state, block.get()); }
    std::vector<Tag> listed() {
        std::vector<Tag> out;
        for (auto *r = static_cast<portal::PortalRecord *>(host().user_slot); r; r = r->next)
            out.push_back(r->light_instance);
        return out;
    }
};

float luminance(Color c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }

}  // namespace

TEST(PortalModel, FarFieldWeightIsTheSolidAngleOverPi) {
    portal::PortalGeometry g{};
    portal::portal_geometry_build(&g, Vector3{0, 0.5f, 0}, Vector3{1, 0, 0}, Vector3{0, 0, -1}, 1, 1);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int k = 0; k < 200; ++k) {
        const Vector3 d = portal::normalized(Vector3{u(rng), u(rng), -0.2f - std::fabs(u(rng))});
        const Vector3 p = portal::scale(d, 20.0f + 20.0f * std::fabs(u(rng)));
        const double exact = rectangle_solid_angle(1.0, 0.5, p);
        EXPECT_NEAR(portal::portal_geometric_weight(g, p) * pi, exact, 2e-3 * exact)
            << "p = " << p.x << " " << p.y << " " << p.z;
    }
    // The near field takes over continuously at r = a + b.
    for (float r : {1.5f * 0.9999f, 1.5f * 1.0001f})
        EXPECT_NEAR(portal::portal_geometric_weight(g, Vector3{0, 0, -r}), 0.5 / (1.5 * 1.5) / pi, 1e-3) << r;
}

TEST_F(PortalLight, BackSideGetsNoLightButTheLoopLearnsItIsPhysical) {
    init();
    LightLoopInfo loop{28, 0, 1, 1, 1, 0, 0};
    host().store[UVO_KEY_LIGHT_LOOP].assign(reinterpret_cast<char *>(&loop), reinterpret_cast<char *>(&loop + 1));
    result = Color{-1, -1, -1, -1};
    for (Vector3 p : {Vector3{0, 0, 3}, Vector3{0.2f, 0, 0}}) {
        f.state.point = p;
        EXPECT_EQ(shade(), 2) << p.z;
        EXPECT_EQ(result.r, -1.0f);
    }
    EXPECT_EQ(host().count("rx_trace_shadow") + host().count("rx_luminance"), 0);
    std::memcpy(&loop, host().store[UVO_KEY_LIGHT_LOOP].data(), sizeof loop);
    EXPECT_EQ(loop.physical_light, 1);

    block->reverse_side = 1;  // the same point is now in front
    block->cast_shadows = 0;
    f.state.point = Vector3{0, 0, 3};
    EXPECT_EQ(shade(), 1);
    EXPECT_GT(result.r, 0.0f);
}

TEST_F(PortalLight, LuminanceCutoffModes) {
    init();
    block->cast_shadows = 0;
    ASSERT_EQ(shade(), 1);
    const Color base = result;
    const float L = luminance(base);
    auto run = [&](float cutoff) {
        block->luminance_cutoff = cutoff;
        result = Color{};
        return shade();
    };
    EXPECT_EQ(run(L / 3), 1);
    EXPECT_FLOAT_EQ(result.g, 0.5f * base.g) << "3x the threshold halves";
    EXPECT_EQ(run(L / 5), 1);
    EXPECT_FLOAT_EQ(result.g, base.g) << "5x the threshold passes unchanged";
    EXPECT_EQ(run(L * 1.01f), 0);
    block->tint = Color{0, 0, 0, 1};
    EXPECT_EQ(run(0), 0) << "a black sample returns 0 with the cut-off off";

    // Negative: roulette on L / |cutoff| with the host's number.
    block->tint = Color{1, 1, 1, 1};
    double draw = 0;
    host().script.rx_sample = [&](double *s, int32_t *, ShadingState *, int32_t dim, int32_t *) -> Boolean {
        EXPECT_EQ(dim, 1);
        *s = draw;
        return 1;
    };
    draw = 0.49;
    EXPECT_EQ(run(-2 * L), 1);
    EXPECT_FLOAT_EQ(result.g, 2 * base.g);
    draw = 0.51;
    EXPECT_EQ(run(-2 * L), 0);
    // Below the floor a / 50 nothing survives, whatever the number.
    block->tint = Color{1000, 1000, 1000, 1};
    draw = 0.0;
    EXPECT_EQ(run(-1000 * L * 10), 0) << "ratio 0.1 <= a / 50 = " << 1000 * L * 10 / 50;

    // With the host's own sequence the survivors keep the mean.
    block->tint = Color{1, 1, 1, 1};
    host().script.rx_sample = nullptr;
    const int n = 4000;
    int kept = 0;
    double sum = 0;
    for (int k = 0; k < n; ++k) {
        if (run(-4 * L) == 1) {
            ++kept;
            sum += result.g;
        }
    }
    EXPECT_NEAR(kept / double(n), 0.25, 3 * std::sqrt(0.25 * 0.75 / n));
    EXPECT_NEAR(sum / n, base.g, 0.05 * base.g);
}

TEST_F(PortalLight, LooksOutThroughTheOpeningAndShadowsFromTheOffsetOrigin) {
    init();
    block->tint = Color{0.5f, 0.25f, 2.0f, 1};
    block->intensity_scale = 3.0f;
    block->cast_shadows = 0;
    ASSERT_EQ(shade(), 1);  // environment 0: white x tint
    portal::PortalGeometry g{};
    portal::portal_geometry_build(&g, Vector3{0, 2, 0}, Vector3{1, 0, 0}, Vector3{0, 0, -1}, 1, 1);
    const float k = 3.0f * portal::portal_geometric_weight(g, f.state.point);
    EXPECT_FLOAT_EQ(result.r, 0.5f * k);
    EXPECT_FLOAT_EQ(result.b, 2.0f * k);

    block->own_environment = 1;
    block->environment_shader = 77;
    block->call_environment_directly = 1;
    block->cast_shadows = 1;
    block->shadow_start_offset = 0.5f;
    Vector3 list[1] = {{9, 9, 9}};
    f.state.tex_list = list;
    f.state.tex_count = 1;
    f.state.origin = Vector3{0.25f, 0.5f, 0};  // uv (0.25 / b + 0.5, 0.5 / a + 0.5)
    ShadingState seen{};
    Vector3 first_entry{};
    host().script.rx_call_shader = [&](Color *c, int32_t kind, ShadingState *s, Tag shader) -> Boolean {
        EXPECT_EQ(kind, UVO_SHADER_ENVIRONMENT);
        EXPECT_EQ(shader, 77u);
        seen = *s;
        first_entry = s->tex_list[0];
        *c = Color{2, 2, 2, 0};
        return 1;
    };
    Vector3 shadow_origin{};
    host().script.rx_trace_shadow = [&](Color *, ShadingState *s) -> Boolean {
        shadow_origin = s->origin;
        return 0;
    };
    EXPECT_EQ(shade(), 0) << "the shadow ray's answer";
    EXPECT_EQ(seen.ray_type, UVO_RAY_GATHER);
    EXPECT_EQ(seen.direction.z, 1.0f) << "looks out, against the light ray";
    EXPECT_FLOAT_EQ(seen.tex.x, 0.75f);
    EXPECT_FLOAT_EQ(seen.tex.y, 0.75f);
    EXPECT_FLOAT_EQ(first_entry.y, 0.75f);
    EXPECT_EQ(f.state.tex.x, 0.0f);
    EXPECT_EQ(list[0].x, 9.0f) << "texture coordinates restored";
    EXPECT_FLOAT_EQ(result.r, 2 * 0.5f * k);
    EXPECT_FLOAT_EQ(shadow_origin.z, 0.5f) << "moved back against the ray by the offset";

    block->call_environment_directly = 0;
    Tag traced_in = 0;
    host().script.rx_trace_environment = [&](Color *c, ShadingState *s, const Vector3 *d) -> Boolean {
        traced_in = s->environment;
        EXPECT_EQ(d->z, 1.0f);
        *c = Color{1, 1, 1, 0};
        return 1;
    };
    shade();
    EXPECT_EQ(traced_in, 77u);
}

TEST_F(PortalLight, RecordFollowsTheLightTransformAndMatchesTheSolidAngle) {
    // Light frame: x -> internal (0, 2, 0), y -> (-3, 0, 0), z -> (0, 0, 1), origin (10, 0, 5).
    auto linear = [](const Vector3 *in) { return Vector3{-3 * in->y, 2 * in->x, in->z}; };
    host().script.rx_vector_from_light = [&](ShadingState *, Vector3 *out, const Vector3 *in) { *out = linear(in); };
    host().script.rx_point_from_light = [&](ShadingState *, Vector3 *out, const Vector3 *in) {
        *out = portal::add(linear(in), Vector3{10, 0, 5});
    };
    lights[101].edge_u = Vector3{0, 1, 0};  // scaled by 3: a = 3
    lights[101].edge_v = Vector3{1, 0, 0};  // scaled by 2: b = 2
    init();
    block->cast_shadows = 0;
    f.state.point = Vector3{10, 0, 5 - 40};
    f.state.origin = Vector3{10, 0.5f, 5};  // 0.5 along the light's x axis: uv (0.5 / 2 + 0.5, 0.5)
    block->own_environment = 1;
    block->environment_shader = 5;
    Vector3 uv{};
    host().script.rx_trace_environment = [&](Color *c, ShadingState *s, const Vector3 *) -> Boolean {
        uv = s->tex;
        *c = Color{1, 1, 1, 0};
        return 1;
    };
    ASSERT_EQ(shade(), 1);
    const double a = 3, b = 2, d = 40;
    const double solid_angle = 4 * std::asin(a * b / std::sqrt((a * a + 4 * d * d) * (b * b + 4 * d * d)));
    EXPECT_NEAR(result.r * pi, solid_angle, 2e-3 * solid_angle);
    EXPECT_FLOAT_EQ(uv.x, 0.75f);
    EXPECT_FLOAT_EQ(uv.y, 0.5f);
}

TEST_F(PortalLight, InitReportsShapeGeometryAndRasterizerLimits) {
    const std::string shape = "Shader 'uvo_portal_light' must be applied to a VISIBLE rectangular area light to work "
                              "correctly!";
    auto cycle = [&](Tag instance) {
        host().messages.clear();
        f.state.light_instance = instance;
        init();
        uvo_portal_light_exit(&f.state, block.get());
        initialised = false;
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
    block->transparency.g = 0.9f;
    block->visible = 1;
    EXPECT_EQ(cycle(1).size(), 2u);
}

TEST_F(PortalLight, PhotonsLeaveTheOpeningOnItsSideWithTheSeenEnergy) {
    init();
    block->tint = Color{1, 0.5f, 0.25f, 1};
    block->intensity_scale = 2.0f;
    std::vector<std::pair<Vector3, Vector3>> photons;  // origin, direction
    host().script.rx_photon_light = [&](Color *energy, ShadingState *s) -> Boolean {
        photons.emplace_back(s->origin, s->direction);
        EXPECT_FLOAT_EQ(energy->g, 0.5f * 2 * 1 * 2 * 3.1415927f) << "tint x a x b x intensity x pi";
        EXPECT_EQ(s->normal.z, -1.0f);
        return 1;
    };
    const int32_t types[3] = {UVO_RAY_PHOTON_EMIT, 23, 24};
    for (int k = 0; k < 300; ++k) {
        f.state.ray_type = types[k % 3];
        f.state.origin = Vector3{0, 0, 0};
        block->reverse_side = k >= 200;
        ASSERT_EQ(shade(), 1);
    }
    ASSERT_EQ(photons.size(), 300u);
    for (size_t k = 0; k < photons.size(); ++k) {
        const auto &[o, d] = photons[k];
        EXPECT_TRUE(std::fabs(o.x) <= 0.5f && std::fabs(o.y) <= 1.0f && o.z == 0.0f) << o.x << " " << o.y;
        EXPECT_NEAR(portal::length(d), 1.0f, 1e-5f);
        EXPECT_TRUE(k < 200 ? d.z <= 0.0f : d.z >= 0.0f) << "photon " << k << " d.z " << d.z;
    }

    f.options.box_all = 1;
    block->volume_photons_only = 1;
    host().script.rx_photon_volume_scattering = [](Color *, ShadingState *, const Vector3 *) -> Boolean { return 7; };
    EXPECT_EQ(shade(), 7);
    f.state.ray_type = UVO_RAY_LIGHT;
    EXPECT_EQ(shade(), 2) << "no direct light with volume photons only";
}

TEST_F(PortalLight, VisibleRectangleShowsOrPassesThroughTimesTransparency) {
    init();
    f.state.ray_type = UVO_RAY_EYE;
    f.state.pass_through = 1;
    block->transparency = Color{0.5f, 0.5f, 0.5f, 1};
    host().script.rx_trace_transparent = [](Color *c, ShadingState *s) -> Boolean {
        EXPECT_EQ(s->pass_through, 0);
        *c = Color{1, 1, 1, 1};
        return 5;
    };
    EXPECT_EQ(shade(), 5);
    EXPECT_EQ(result.r, 0.5f);
    ASSERT_TRUE(host().store.count(UVO_KEY_SKY_IS_HDR));
    EXPECT_EQ(host().lifetimes[UVO_KEY_SKY_IS_HDR], UVO_LIFETIME_RAY);

    block->visible = 1;
    block->intensity_scale = 3.0f;
    f.camera.environment = 55;
    host().script.rx_trace_environment = [](Color *c, ShadingState *s, const Vector3 *d) -> Boolean {
        EXPECT_EQ(s->environment, 55u);
        EXPECT_EQ(d->z, -1.0f) << "the eye ray goes on unflipped";
        *c = Color{2, 2, 2, 0};
        return 1;
    };
    EXPECT_EQ(shade(), 1);
    EXPECT_EQ(result.g, 2 * 3 * 0.5f);

    f.state.ray_type = UVO_RAY_DISPLACE;
    EXPECT_EQ(shade(), 0);
    block->enabled = 0;
    EXPECT_EQ(shade(), 2);
}

TEST_F(PortalLight, SecondLightInstanceGetsItsOwnRecordAndExitFreesAllCells) {
    add_light(2, Vector3{0, 4, 0}, Vector3{1, 0, 0});
    init();
    block->cast_shadows = 0;
    f.state.point = Vector3{0, 0, -30};
    shade();
    const float first = result.r;
    f.state.light_instance = 2;
    shade();
    EXPECT_NEAR(result.r, 2 * first, 1e-6f) << "twice the area, same far-field point";
    std::thread([&] {
        ShadingState s = f.state;
        Color c;
        uvo_portal_light(&c, &s, block.get());
    }).join();
    EXPECT_EQ(listed(), (std::vector<Tag>{1, 2}));
    EXPECT_EQ(cells.cells.size(), 2u);
    uvo_portal_light_exit(&f.state, block.get());
    initialised = false;
    EXPECT_EQ(host().user_slot, nullptr);
    EXPECT_EQ(host().allocations["portal"], 2 + 2);
    EXPECT_EQ(host().releases["portal"], 2 + 2);
}

TEST_F(PortalLight, ConcurrentFirstCallsLoseNoRecord) {
    const int instances = 64, threads = 8;
    for (Tag k = 1; k <= instances; ++k)
        add_light(k, Vector3{0, 1.0f + k / 64.0f, 0}, Vector3{1, 0, 0});
    init();
    block->cast_shadows = 0;
    build_delay_us = 100;
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

    const std::vector<Tag> list = listed();
    EXPECT_EQ(list.size(), size_t(instances));
    EXPECT_EQ(std::set<Tag>(list.begin(), list.end()).size(), size_t(instances));
    for (int k = 1; k <= instances; ++k) {
        const float expected = (1.0f + k / 64.0f) / (30.0f * 30.0f) / float(pi);
        for (int t = 0; t < threads; ++t)
            EXPECT_NEAR(seen[t][k], expected, 1e-5f * expected) << "thread " << t << " instance " << k;
    }
    EXPECT_EQ(cells.cells.size(), size_t(threads));
    uvo_portal_light_exit(&f.state, block.get());
    initialised = false;
    EXPECT_EQ(host().releases["portal"], instances + threads);
}
