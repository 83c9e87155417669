// uvo_physicalsun against the test host.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "sky/physical_sun.h"
#include "sky/sky_model.h"
#include "sky_test_support.h"

using namespace uvo;
using sky_test::dot;
using sky_test::operator*;
using uvo_test::host;

namespace {

constexpr Tag light_instance = 9;
constexpr Tag light_record = 90;

struct PhysicalSun : sky_test::ShaderTest<PhysicalSunParams, uvo_physicalsun_init, uvo_physicalsun_exit> {
    HostLight light{};
    Vector3 emission{0.0f, -0.6f, -0.8f};  // the sun at (0, 0.6, 0.8)
    Vector3 scene_box[2] = {{-1.0f, -1.0f, 0.0f}, {1.0f, 2.0f, 3.0f}};
    int box_query = 0;

    void SetUp() override {
        PhysicalSunParams &p = *block;
        p.enabled = 1;
        p.intensity = 1.0f;
        p.rgb_scale = Color{1.0f, 1.0f, 1.0f, 1.0f};
        p.saturation_level = 1.0f;
        p.penumbra_scale = 1.0f;
        p.shadow_rays = 8;
        p.photon_region_min = Vector3{-1.0f, -2.0f, 0.0f};
        p.photon_region_max = Vector3{3.0f, 2.0f, 1.0f};
        block.attach(f.shader, true);
        f.state.light_instance = light_instance;
        host().light_records[light_instance] = light_record;
        light.kind = UVO_LIGHT_DIRECTIONAL;
        host().database[light_record] = &light;
        sky_test::script_query([this](int32_t code, Tag item, void *out) -> bool {
            if (code == UVO_QUERY_LIGHT_DIRECTION && (item == light_instance || item == light_record)) {
                *static_cast<Vector3 *>(out) = emission;
                return true;
            }
            if (code == UVO_QUERY_SCENE_BOX || code == UVO_QUERY_SCENE_BOX_ALL) {
                box_query = code;
                static_cast<Vector3 *>(out)[0] = scene_box[0];
                static_cast<Vector3 *>(out)[1] = scene_box[1];
                return true;
            }
            return false;
        });
    }
    const SkyInstance &sun() const { return sky(); }
    Boolean light_call() {
        f.state.ray_type = UVO_RAY_LIGHT;
        host().call_kind = UVO_SHADER_LIGHT;
        result = Color{0.0f, 0.0f, 0.0f, 1.0f};
        host().calls.clear();
        return uvo_physicalsun(&result, &f.state, block.get());
    }
};

}  // namespace

TEST_F(PhysicalSun, InitFollowsTheLightAndBuildsTangents) {
    EXPECT_EQ(uvo_physicalsun_version(), 6);
    init();
    const Vector3 s = sun().sun_direction;
    EXPECT_NEAR(s.y, 0.6f, 1e-7f);
    EXPECT_NEAR(s.z, 0.8f, 1e-7f);
    EXPECT_TRUE(host().messages.empty());
    EXPECT_EQ(host().pins, 0);

    // Tangents: unit, perpendicular to the sun and to each other, v = u x s.
    for (const Vector3 &e : {Vector3{0.0f, -0.6f, -0.8f}, Vector3{0.0f, 0.0f, -1.0f}, Vector3{-1.0f, 0.0f, 0.0f},
                             Vector3{0.0f, -0.9995f, -0.0316f}}) {
        emission = e;
        init();
        const SkyInstance &k = sun();
        const Vector3 u = k.tangent_u, v = k.tangent_v, d = k.sun_direction;
        for (double got : {sky_test::length(u) - 1.0, sky_test::length(v) - 1.0, dot(u, d), dot(v, d), dot(u, v),
                           double(v.x) - (u.y * d.z - u.z * d.y)})
            EXPECT_NEAR(got, 0.0, 1e-6) << "sun " << d << " u " << u << " v " << v;
    }
    // The sun straight up takes the second candidate (0, 1, 0).
    emission = Vector3{0.0f, 0.0f, -1.0f};
    init();
    EXPECT_EQ(sun().tangent_u.y, 1.0f);

    // y up and a horizon shift of 1 (a tenth).
    emission = Vector3{0.0f, -0.8f, -0.6f};
    block->up_axis_y = 1;
    block->horizon_shift = 1.0f;
    init();
    const Vector3 want = sky_test::unit(0.0, 0.6, 0.8 - 0.1);
    EXPECT_NEAR(sun().sun_direction.z, want.z, 1e-6f);
    EXPECT_NEAR(sun().horizon_offset, 0.1f, 1e-7f);

    // Not a directional light: the message, and init goes on.
    light.kind = UVO_LIGHT_POINT;
    init();
    ASSERT_EQ(host().texts("error").size(), 1u);
    EXPECT_EQ(host().texts("error")[0], "uvo_physicalsun: Should be applied to a directional light source");
    EXPECT_NEAR(sun().sun_direction.z, want.z, 1e-6f);

    // No light named: no light is asked.
    f.state.light_instance = 0;
    host().calls.clear();
    init();
    for (const auto &call : host().calls)
        EXPECT_NE(call.detail, "code=32");
    EXPECT_EQ(sun().sun_direction.z, 0.0f);
}

TEST_F(PhysicalSun, ParameterReadsAndHostCallsInOrder) {
    using sky_test::joined;
    using sky_test::trace;
    // Init: version and slot, the frame parameters, the light (direction,
    // then its record's kind), the photon box, the beam parameters last.
    block->beam_mode = 1;
    block->beam_illuminance = 1000.0f;
    block->photon_energy_from_area = 1;
    host().calls.clear();
    init();
    EXPECT_EQ(joined(trace({"rx_query", "rx_mem_int_allocate", "rx_vector_to_world", "rx_db_access", "rx_db_unpin",
                            "rx_error", "rx_vector_to_light"})),
              joined({"rx_query code=89", "rx_query code=51", "rx_mem_int_allocate", "eval 76", "eval 36",
                      "rx_query code=32", "rx_vector_to_world", "rx_query code=7", "rx_db_access", "rx_db_unpin",
                      "eval 48", "eval 60", "eval 72", "eval 80", "eval 84"}));

    // Light call with two soft-shadow rays: the look parameters in the sun's
    // direction, the beam luminance before the adjustment's, the light-loop
    // record, the importance, the penumbra, then the reduced-ray test.
    block->shadow_rays = 2;
    f.options.final_gather = 1;
    const std::vector<std::string> common = {"eval 4", "eval 8", "eval 44", "rx_query code=140", "rx_query code=51",
                                             "eval 0", "eval 28", "eval 32", "eval 24", "rx_luminance",
                                             "rx_luminance"};
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> all = common;
        all.insert(all.end(), tail.begin(), tail.end());
        return joined(all);
    };
    host().evaluations.clear();
    light_call();
    EXPECT_EQ(joined(trace({"rx_query", "rx_shaderstate_get", "rx_luminance", "rx_vector_from_world", "rx_sample",
                            "rx_trace_shadow"})),
              with({"rx_shaderstate_get rxXMLD", "rx_shaderstate_get rxIM", "eval 40", "rx_query code=116",
                    "rx_query code=142", "rx_vector_from_world", "rx_vector_from_world", "rx_sample",
                    "rx_trace_shadow", "rx_sample", "rx_trace_shadow", "rx_sample"}));

    // Photon emission: the light's record, then its direction, one sample,
    // direction before origin, the two edges of the area.
    host().call_kind = UVO_SHADER_PHOTON_EMITTER;
    f.state.ray_type = UVO_RAY_PHOTON_EMIT;
    host().calls.clear();
    host().evaluations.clear();
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_EQ(joined(trace({"rx_query", "rx_luminance", "rx_sample", "rx_vector_from_light", "rx_point_from_light",
                            "rx_photon_light", "rx_shaderstate_get", "rx_trace_shadow"})),
              with({"rx_query code=7", "rx_query code=32", "rx_sample", "rx_vector_from_light",
                    "rx_point_from_light", "rx_vector_from_light", "rx_vector_from_light", "rx_photon_light"}));
}

TEST_F(PhysicalSun, PhotonBoxAndPlane) {
    // A region with extent: the plane is 0.0001 above its top.
    init();
    EXPECT_EQ(sun().photon_plane, 1.0f + 0.0001f);
    EXPECT_EQ(sun().photon_min.x, -1.0f);
    EXPECT_EQ(sun().photon_max.y, 2.0f);
    EXPECT_EQ(box_query, 0);

    // No extent: the light-space bounds of the scene box, the plane at twice its diagonal.
    block->photon_region_min = block->photon_region_max = Vector3{1.0f, 1.0f, 1.0f};
    host().script.rx_vector_to_light = [](ShadingState *, Vector3 *out, const Vector3 *in) {
        *out = Vector3{in->y, -in->x, 2.0f * in->z};  // a quarter turn and a stretch
    };
    init();
    EXPECT_EQ(box_query, UVO_QUERY_SCENE_BOX);
    const Vector3 lo = sun().photon_min, hi = sun().photon_max;
    EXPECT_TRUE(lo.x == -1.0f && lo.y == -1.0f && lo.z == 0.0f) << lo;
    EXPECT_TRUE(hi.x == 2.0f && hi.y == 1.0f && hi.z == 6.0f) << hi;
    EXPECT_NEAR(sun().photon_plane, 2.0 * std::sqrt(9.0 + 4.0 + 36.0), 1e-5);
    f.options.box_all = 1;
    init();
    EXPECT_EQ(box_query, UVO_QUERY_SCENE_BOX_ALL);
}

TEST_F(PhysicalSun, BeamNormalisationAndDeclarationVersion) {
    block->beam_mode = 1;
    block->beam_illuminance = 100000.0f;
    init();
    f.state.ray_type = UVO_RAY_EYE;  // neither a light nor a photon call: the colour
    EXPECT_EQ(uvo_physicalsun(&result, &f.state, block.get()), 1);
    EXPECT_NEAR(0.299f * result.r + 0.587f * result.g + 0.114f * result.b, 100000.0f, 1.0f) << result;
    EXPECT_EQ(result.a, 0.0f);
    // The sun's colour is kept, only scaled.
    const Color raw = sunlight_color(sun(), 2.0f);
    EXPECT_NEAR(result.r / result.b, raw.r / raw.b, 1e-5);
    block->intensity = 2.0f;
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_NEAR(0.299f * result.r + 0.587f * result.g + 0.114f * result.b, 200000.0f, 2.0f);
    block->intensity = 1.0f;

    // Each channel is C x beam_illuminance / Lc, in that order, with Lc the
    // host's luminance of the raw colour (its first rx_luminance call).
    std::vector<float> luminances;
    host().script.rx_luminance = [&](ShadingState *, const Color *c) -> float {
        luminances.push_back(0.299f * c->r + 0.587f * c->g + 0.114f * c->b);
        return luminances.back();
    };
    for (float beam : {100000.0f, 1234.5f, 77777.7f, 3.3f, 98765.4f, 0.51f}) {
        block->beam_illuminance = beam;
        init();
        luminances.clear();
        uvo_physicalsun(&result, &f.state, block.get());
        ASSERT_EQ(luminances.size(), 2u) << "normalisation, then the colour adjustment";
        const float Lc = luminances[0];
        EXPECT_TRUE(sky_test::same_rgb(result, Color{raw.r * beam / Lc, raw.g * beam / Lc, raw.b * beam / Lc, 0}))
            << "beam " << beam << ": " << result;
    }
    host().script.rx_luminance = nullptr;

    // Version 5 declarations have no beam parameters.
    host().declaration_version = 5;
    init();
    EXPECT_FALSE(evaluated(offsetof(PhysicalSunParams, beam_mode)) ||
                 evaluated(offsetof(PhysicalSunParams, beam_illuminance)));
    EXPECT_EQ(sun().luminance_mode, 0);
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_EQ(result.g, raw.g);

    // rgb_scale with red 0 uses 1.25e-5 on all three, whatever green and
    // blue hold, times the intensity.
    block->rgb_scale = Color{0.0f, 7.0f, 7.0f, 1.0f};
    block->intensity = 2.0f;
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_TRUE(sky_test::same_rgb(result, (1.25e-5f * 2.0f) * raw)) << result;
}

TEST_F(PhysicalSun, LightCallShadowRaysAndImportance) {
    init();
    static_assert(sizeof(LightLoopInfo) == 28);
    sky_test::store(UVO_KEY_LIGHT_LOOP, LightLoopInfo{28, 0.5f, 1.0f, 0.3f, 0.2f, 0, 0});
    const Color raw = sunlight_color(sun(), 2.0f);

    // -1: the light unshadowed, no shadow test at all.
    block->shadow_rays = -1;
    EXPECT_EQ(light_call(), 1);
    EXPECT_EQ(host().count("rx_trace_shadow"), 0);
    EXPECT_EQ(result.g, raw.g);
    const LightLoopInfo *seen = reinterpret_cast<const LightLoopInfo *>(host().store[UVO_KEY_LIGHT_LOOP].data());
    EXPECT_EQ(seen->diffuse_scale, 1.0f);
    EXPECT_EQ(seen->specular_scale, 1.0f);
    EXPECT_EQ(seen->physical_light, 1);

    // 0: one hard shadow ray, and its answer is the call's.
    block->shadow_rays = 0;
    host().script.rx_trace_shadow = [](Color *c, ShadingState *) -> Boolean {
        c->r *= 0.5f, c->g *= 0.5f, c->b *= 0.5f;
        return 0;
    };
    EXPECT_EQ(light_call(), 0);
    EXPECT_EQ(host().count("rx_trace_shadow"), 1);
    EXPECT_EQ(result.g, 0.5f * raw.g);

    // Soft shadows: 8 rays at importance 0.3 become trunc(2.4) = 2.
    host().script.rx_trace_shadow = [](Color *, ShadingState *) -> Boolean { return 1; };
    block->shadow_rays = 8;
    sky_test::store(UVO_KEY_IMPORTANCE, 0.3f);
    EXPECT_EQ(light_call(), 1);
    EXPECT_EQ(host().count("rx_trace_shadow"), 2);
    EXPECT_NEAR(result.g, raw.g, 1e-6f * raw.g);
    // ... and never below one.
    sky_test::store(UVO_KEY_IMPORTANCE, 0.01f);
    light_call();
    EXPECT_EQ(host().count("rx_trace_shadow"), 1);
    // The count asked of the sampler stays a count where the product leaves
    // the integers: at importance 1 (absent) and 3 (stored, not range-checked).
    std::vector<int32_t> asked;
    host().script.rx_sample = [&](double *, int32_t *, ShadingState *, int32_t, int32_t *count) -> Boolean {
        asked.push_back(*count);
        return 0;
    };
    block->shadow_rays = INT32_MAX;
    host().store.erase(UVO_KEY_IMPORTANCE);
    light_call();
    sky_test::store(UVO_KEY_IMPORTANCE, 3.0f);
    block->shadow_rays = 1 << 30;
    light_call();
    EXPECT_EQ(asked, (std::vector<int32_t>{INT32_MAX, INT32_MAX}));
    host().script.rx_sample = nullptr;
    block->shadow_rays = 8;
    host().store.erase(UVO_KEY_IMPORTANCE);

    // Hard shadows on reduced rays and without penumbra.
    f.options.final_gather = 1;
    host().reduced_ray = 1;
    light_call();
    EXPECT_EQ(host().count("rx_trace_shadow"), 1);
    EXPECT_EQ(host().count("rx_sample"), 0);
    host().reduced_ray = 0;
    block->penumbra_scale = 0.0f;
    light_call();
    EXPECT_EQ(host().count("rx_trace_shadow"), 1);

    // No light to give: false, before any shadow test.
    block->penumbra_scale = 1.0f;
    emission = Vector3{0.0f, -0.99f, 0.14f};  // the sun below the horizon
    init();
    host().script.rx_query = nullptr;
    EXPECT_EQ(light_call(), 0);
    EXPECT_EQ(host().count("rx_trace_shadow"), 0);
}

TEST_F(PhysicalSun, SoftShadowDirectionsStayInThePenumbraDisc) {
    init();
    const Vector3 dl = sky_test::unit(0.1, 0.6, 0.8);
    f.state.normal = sky_test::unit(0.0, 0.3, 1.0);
    f.state.dot_nd = -0.77f;
    std::vector<Vector3> dirs;
    int k = 0;
    host().script.rx_trace_shadow = [&](Color *c, ShadingState *s) -> Boolean {
        dirs.push_back(s->direction);
        EXPECT_FLOAT_EQ(s->dot_nd, static_cast<float>(-dot(s->normal, s->direction)));
        // Every other sample is blocked; the others arrive dimmed to a half.
        c->r *= 0.5f, c->g *= 0.5f, c->b *= 0.5f;
        return (k++ % 2) == 0;
    };
    for (float haze : {0.0f, 10.0f}) {
        block->haze_level = haze;
        block->shadow_rays = 16;
        dirs.clear();
        k = 0;
        f.state.direction = dl;
        f.state.ray_type = UVO_RAY_LIGHT;
        host().call_kind = UVO_SHADER_LIGHT;
        result = Color{0, 0, 0, 1};
        ASSERT_EQ(uvo_physicalsun(&result, &f.state, block.get()), 1);
        ASSERT_EQ(dirs.size(), 16u);
        // Half the rays arrive at half strength: a quarter of the light.
        const Color raw = sunlight_color(sun(), haze + 2.0f);
        EXPECT_NEAR(result.g, 0.25f * raw.g, 1e-5f * raw.g) << "haze " << haze;
        // Radius 0.5 (T / 200 + 0.01) x penumbra: 0.01 at haze 0, 0.035 at haze 10.
        const double radius = 0.5 * ((haze + 2.0) / 200.0 + 0.01);
        double widest = 0.0;
        for (const Vector3 &d : dirs) {
            EXPECT_NEAR(sky_test::length(d), 1.0, 1e-6);
            const double off = std::sqrt(std::fmax(0.0, 2.0 - 2.0 * dot(d, dl)));
            EXPECT_LE(off, radius * 1.001) << d << " haze " << haze;
            widest = std::fmax(widest, off);
        }
        EXPECT_GT(widest, 0.6 * radius) << "haze " << haze;
        EXPECT_EQ(f.state.direction.x, dl.x);
        EXPECT_EQ(f.state.dot_nd, -0.77f);
    }
}

TEST_F(PhysicalSun, PhotonEmission) {
    block->photon_energy_from_area = 1;
    init();
    host().call_kind = UVO_SHADER_PHOTON_EMITTER;
    f.state.ray_type = UVO_RAY_PHOTON_EMIT;
    host().script.rx_sample = [](double *s, int32_t *instance, ShadingState *, int32_t dim, int32_t *count) -> Boolean {
        EXPECT_EQ(instance, nullptr);
        EXPECT_EQ(count, nullptr);
        EXPECT_EQ(dim, 2);
        s[0] = 0.25;
        s[1] = 0.75;
        return 1;
    };
    Color energy{};
    Vector3 origin{}, direction{};
    host().script.rx_photon_light = [&](Color *e, ShadingState *s) -> Boolean {
        energy = *e;
        origin = s->origin;
        direction = s->direction;
        return 0;
    };
    result = Color{5.0f, 6.0f, 7.0f, 0.5f};  // the host's photon energy
    EXPECT_EQ(uvo_physicalsun(&result, &f.state, block.get()), 1);
    EXPECT_EQ(origin.x, 0.0f);
    EXPECT_EQ(origin.y, 1.0f);
    EXPECT_EQ(origin.z, 1.0001f);
    EXPECT_EQ(direction.y, emission.y);
    EXPECT_EQ(direction.z, emission.z);
    // Area energy: the 4 x 4 rectangle times the light's colour times pi.
    const float pi = std::numbers::pi_v<float>;
    EXPECT_FLOAT_EQ(energy.g, 16.0f * result.g * pi);
    EXPECT_FLOAT_EQ(energy.b, 16.0f * result.b * pi);
    EXPECT_EQ(energy.a, 0.5f);

    // Without area energy the host's energy goes out unchanged.
    block->photon_energy_from_area = 0;
    init();
    result = Color{5.0f, 6.0f, 7.0f, 0.5f};
    uvo_physicalsun(&result, &f.state, block.get());
    EXPECT_EQ(energy.r, 5.0f);
    EXPECT_EQ(energy.b, 7.0f);

    // Switched off: no photon and a black light.
    block->enabled = 0;
    host().calls.clear();
    result = Color{5.0f, 6.0f, 7.0f, 0.5f};
    EXPECT_EQ(uvo_physicalsun(&result, &f.state, block.get()), 1);
    EXPECT_EQ(host().count("rx_photon_light"), 0);
    EXPECT_EQ(result.r, 0.0f);
    EXPECT_EQ(result.a, 0.0f);
}
