// The host functions against the real host.  Every contract function is
// exported: the library binds them all and reports one missing in every
// render (see the material-scene render).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numeric>
#include <utility>

#include "color_check.h"
#include "render/context.h"
#include "render/directions.h"
#include "render_support.h"
#include "render/shading.h"
#include "render/sobol.h"

using namespace uvo_host;

namespace {

// A loaded scene with this thread's context, released in order.
struct Loaded {
    std::unique_ptr<RenderSession> session;
    ThreadContext context{0};
    ShadingState *root = nullptr;

    Loaded(const std::string &name, const std::string &scene_text) {
        session = uvo_host_test::open_session(uvo_host_test::scratch_dir(name), scene_text);
        set_current_context(&context);
        root = context.root(session->world().scene);
    }
    ~Loaded() { context.pop(root), set_current_context(nullptr); }
    Scene &scene() { return session->world().scene; }
};

// A hand-made state on a surface with normal n, the ray arriving along d.
ShadingState surface_state(Vector3 n, Vector3 d) {
    ShadingState s{};
    s.normal = s.normal_geom = n;
    s.direction = d, s.dot_nd = dot(n, d);
    return s;
}

}  // namespace

TEST(Services, ShaderStateEntriesLiveAsLongAsTheirLifetime) {
    ShaderStateStore store;
    const float a = 0.5f, b = 0.25f;
    // Set at depth 1 by call 7 with lifetime "ray": seen at 1 and below, not above.
    void *stored = store.set("rxIM", 1, 7, &a, sizeof a, UVO_LIFETIME_RAY);
    ASSERT_NE(stored, nullptr);
    int32_t size = 0;
    EXPECT_TRUE(store.get("rxIM", 1, &size) == stored && size == 4);
    EXPECT_TRUE(store.get("rxIM", 3, nullptr) == stored && store.get("rxIM", 0, nullptr) == nullptr);
    // A deeper entry shadows it; rewriting at the same depth keeps the address.
    void *deeper = store.set("rxIM", 2, 8, &b, sizeof b, UVO_LIFETIME_SHADER);
    EXPECT_EQ(*static_cast<float *>(store.get("rxIM", 2, nullptr)), 0.25f);
    EXPECT_EQ(store.set("rxIM", 2, 8, &a, sizeof a, UVO_LIFETIME_SHADER), deeper);
    EXPECT_EQ(*static_cast<float *>(store.get("rxIM", 3, nullptr)), 0.5f);
    // Call 8 returns: its shader-lifetime entry goes, the parent's shows again.
    store.drop_call(8);
    EXPECT_EQ(store.get("rxIM", 2, nullptr), stored);
    // A record larger than the inline space survives intact.
    std::vector<int32_t> big(300);
    std::iota(big.begin(), big.end(), 0);
    store.set("rxXMST", 2, 9, big.data(), static_cast<int32_t>(big.size() * 4), UVO_LIFETIME_RAY);
    const auto *copy = static_cast<const int32_t *>(store.get("rxXMST", 2, &size));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(size == 1200 && copy[299] == 299) << size;
    // Removal, and the end of the ray at depth 2.
    store.set("rxXMST", 2, 9, nullptr, 0, UVO_LIFETIME_RAY);
    EXPECT_EQ(store.get("rxXMST", 2, nullptr), nullptr);
    store.set("KEY_10", 2, 9, &a, sizeof a, UVO_LIFETIME_RAY);
    store.drop_depth(2);
    EXPECT_TRUE(store.get("KEY_10", 5, nullptr) == nullptr && store.live() == 1);
    store.drop_depth(0);
    EXPECT_EQ(store.live(), 0) << "all gone at the end of the primary ray";
}

TEST(Services, SampleLoopsHonourTheirCounts) {
    // How a loop's points spread over the pixel samples shows in the bokeh
    // and portal renders.
    ThreadContext context(0);
    set_current_context(&context);
    context.sampling.pixel_seed = 1234, context.sampling.samples = 4;
    int32_t loop = 0, five = 5;
    double p[3];
    while (rx_sample(p, &loop, nullptr, 3, &five))
        for (double v : p)
            EXPECT_TRUE(v >= 0.0 && v < 1.0) << v;
    EXPECT_EQ(loop, 5);
    // A count of zero yields nothing; without a count the loop never ends.
    int32_t instance = 0, zero = 0;
    double u[2];
    EXPECT_FALSE(rx_sample(u, &instance, nullptr, 2, &zero));
    for (int k = 0; k < 100; ++k)
        ASSERT_TRUE(rx_sample(u, &instance, nullptr, 2, nullptr));
    set_current_context(nullptr);
}

TEST(Services, ImagePyramidLevelsAverageTwoByTwoDownToOneTexel) {
    Loaded loaded("pyramid", R"({"camera": {"resolution": [2, 2]}})");
    HostImageDesc desc{};
    desc.width = 4, desc.height = 2, desc.filter = 1, desc.type = 13;
    HostImage *image = rx_img_image_dbcreate(&desc, nullptr);
    ASSERT_NE(image, nullptr);
    // Texel (x, y) has red x + 4 y: level 1 averages 2 x 2 blocks, level 2 all.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            const Color c{float(x + 4 * y), 1, 0, 1};
            rx_img_put_color(image, &c, x, y);
        }
    int32_t w = 0, h = 0;
    Color c{};
    HostImage *top = rx_img_pyramid_get_level(image, 2, &w, &h);  // level 1 made on the way
    ASSERT_TRUE(top != nullptr && w == 1 && h == 1) << w << " x " << h;
    rx_img_get_color(top, &c, 0, 0);
    EXPECT_TRUE(uvo_test::near(c, Color{3.5f, 1, 0, 1})) << c;
    HostImage *half = rx_img_pyramid_get_level(image, 1, &w, &h);
    ASSERT_TRUE(half != nullptr && w == 2 && h == 1) << w << " x " << h;
    rx_img_get_color(half, &c, 1, 0);
    EXPECT_TRUE(uvo_test::near(c, Color{4.5f, 1, 0, 1})) << c;
    EXPECT_EQ(rx_img_pyramid_get_level(image, 3, nullptr, nullptr), nullptr) << "no level past 1 x 1";
}

TEST(Services, QueriesAnswerForTheInstanceBeingCalledAndTheScenesLights) {
    Loaded loaded("queries", R"({"camera": {"resolution": [2, 2]},
        "lights": [{"name": "a", "type": "point", "transform": {"translate": [0, 3, 0]}},
                   {"name": "b", "type": "directional", "intensity": 2, "transform": {"rotate": [1, 0, 0, -90]}},
                   {"name": "c", "type": "rectangle", "size": [2, 3],
                    "transform": {"translate": [0, 4, 0], "rotate": [1, 0, 0, -90]}}],
        "objects": [{"type": "plane", "size": 4, "material": "uvo_material_x"},
                    {"type": "box", "transform": {"translate": [0, -5, 0]}, "material": "lambert"}]})");
    ShadingState *state = loaded.root;
    // Per instance: its own lock (its user-data slot and declaration
    // version: see the lifecycle test).
    for (Object &object : loaded.scene().objects) {
        state->shader = &object.material->record;
        HostLock lock = nullptr;
        ASSERT_TRUE(rx_query(UVO_QUERY_INSTANCE_LOCK, state, 0, &lock));
        rx_lock(lock);
        EXPECT_FALSE(object.material->lock.try_lock()) << "rx_lock holds the instance lock";
        rx_unlock(lock);
    }
    state->shader = nullptr;
    // The scene's light instances (each lights a floor: the renders of each
    // light kind), and a rectangle's side as the shader sees it.
    int32_t count = 0;
    Tag *all = nullptr;
    ASSERT_TRUE(rx_query(UVO_QUERY_LIGHT_COUNT, state, 0, &count) && rx_query(UVO_QUERY_LIGHT_LIST, state, 0, &all));
    ASSERT_EQ(count, 3);
    Vector3 edge{};
    EXPECT_TRUE(rx_query(UVO_QUERY_LIGHT_EDGE_V, state, all[2], &edge) && std::fabs(length(edge) - 3.0f) < 1e-5f)
        << "the rectangle's v side " << edge;
}

TEST(Services, ProbesFillTheHitAndTriangleVectorsAgreeWithIt) {
    Loaded loaded("probe", R"({"options": {"gather_rays": 8},
        "camera": {"resolution": [2, 2], "environment": {"shader": "constant", "params": {"color": [0.5, 0.5, 0.5]}}},
        "objects": [{"type": "sphere", "radius": 1, "segments": 32, "transform": {"translate": [1, 0, 0]},
                     "material": "lambert"}]})");
    const Vector3 origin{1.1f, 0.2f, 5.0f}, direction{0, 0, -1}, away{0, 0, 1};
    ASSERT_TRUE(rx_trace_probe(loaded.root, &direction, &origin));
    ShadingState *hit = loaded.root->child;
    EXPECT_TRUE(std::fabs(hit->distance - 4.0) < 0.05 && std::fabs(hit->point.z - (5.0 - hit->distance)) < 1e-4)
        << hit->distance << " " << hit->point;
    EXPECT_LT(hit->dot_nd, -0.9f) << "the normal faces the ray";
    EXPECT_NEAR(hit->bary.x + hit->bary.y + hit->bary.z, 1.0f, 1e-5f);
    // The triangle's object-space vertices, weighted by the barycentrics, give
    // the hit point (the sphere sits at x = 1), its texture vertices the texture coordinate.
    auto at_hit = [&](int32_t which) {
        Vector3 *a, *b, *c;
        EXPECT_TRUE(rx_tri_vectors(hit, which, 0, &a, &b, &c)) << char(which);
        return *a * hit->bary.x + *b * hit->bary.y + *c * hit->bary.z;
    };
    const Vector3 local = at_hit('p'), uv = at_hit('t');
    EXPECT_TRUE(length(local + Vector3{1, 0, 0} - hit->point) < 1e-4f) << local << " " << hit->point;
    EXPECT_TRUE(std::fabs(uv.x - hit->tex.x) < 1e-5f && std::fabs(uv.y - hit->tex.y) < 1e-5f) << uv;
    // A convex object under a uniform sky gathers the sky; on a gather ray
    // with one diffuse bounce allowed nothing more, unless a request asks for two.
    Color average{};
    EXPECT_TRUE(rx_compute_avg_radiance(&average, hit, UVO_FACE_FRONT, nullptr) && std::fabs(average.g - 0.5f) < 1e-5f)
        << average;
    hit->ray_type = UVO_RAY_GATHER;
    EXPECT_FALSE(rx_compute_avg_radiance(&average, hit, UVO_FACE_FRONT, nullptr) || average.g != 0.0f) << average;
    IndirectRequest request{};
    request.size = sizeof request, request.rays = 8, request.depth = 2;
    EXPECT_TRUE(rx_compute_avg_radiance(&average, hit, UVO_FACE_FRONT, &request) && std::fabs(average.g - 0.5f) < 1e-5f)
        << average;
    EXPECT_FALSE(rx_trace_probe(loaded.root, &away, &origin)) << "missing the sphere";
}

TEST(Services, GlossyLobesAreWardLobesOfRoughnessOneOverTheExponent) {
    // A ray down the normal: with h = normalize(d + n), a Ward lobe of roughness
    // a_u, a_v has (h.u / h.n)^2 / a_u^2 + (h.v / h.n)^2 / a_v^2 of mean 1.
    const Vector3 n = normalize(Vector3{0.2f, 0.9f, 0.3f});
    Vector3 u, v;
    orthonormal_basis(n, u, v);
    ShadingState state = surface_state(n, -n);
    // The half vector's slopes along u and v.
    auto slopes = [&](Vector3 d) {
        const Vector3 h = normalize(d + n);
        return std::pair{dot(h, u) / dot(h, n), dot(h, v) / dot(h, n)};
    };
    const int count = 4096;
    for (float e : {4.0f, 16.0f, 64.0f}) {
        double iso = 0.0, aniso = 0.0, along_u = 0.0, along_v = 0.0;
        for (int i = 0; i < count; ++i) {
            const double sample[2] = {owen_sobol(i, 0, 11), owen_sobol(i, 1, 11)};
            Vector3 d{};
            rx_reflection_dir_glossy_x(&d, &state, e, sample);
            ASSERT_TRUE(std::fabs(length(d) - 1.0f) < 1e-5f && dot(d, n) > 0.0f) << "exponent " << e << " sample " << i;
            const auto [su, sv] = slopes(d);
            iso += double(su * su + sv * sv) * e * e;
            // With four times the exponent along v it narrows along v.
            rx_reflection_dir_anisglossy_x(&d, &state, &u, &v, e, 4 * e, sample);
            const auto [au, av] = slopes(d);
            aniso += double(au * au) * e * e + double(av * av) * 16 * e * e;
            along_u += std::fabs(au), along_v += std::fabs(av);
        }
        EXPECT_TRUE(std::fabs(iso / count - 1.0) < 0.03 && std::fabs(aniso / count - 1.0) < 0.03)
            << "exponent " << e << ": isotropic " << iso / count << ", anisotropic (x 4 along v) " << aniso / count;
        EXPECT_GT(along_u, 3.0 * along_v) << "exponent " << e;
    }
    // Around an oblique ray no direction goes below the surface.
    state = surface_state(Vector3{0, 1, 0}, normalize(Vector3{0.7f, -0.5f, 0.1f}));
    for (int i = 0; i < 1024; ++i) {
        const double sample[2] = {owen_sobol(i, 0, 3), owen_sobol(i, 1, 3)};
        Vector3 d{};
        rx_reflection_dir_glossy_x(&d, &state, 4.0f, sample);
        ASSERT_GT(d.y, 0.0f) << "sample " << i;
    }
}

TEST(Services, GlossyTransmissionSpreadsAboutTheSpecularDirection) {
    const Vector3 n{0, 1, 0}, d_in = normalize(Vector3{0.5f, -1.0f, 0.0f});
    ShadingState state = surface_state(n, d_in);
    Vector3 specular{};
    ASSERT_TRUE(rx_transmission_dir_specular(&specular, &state, 1.0f, 1.5f));
    EXPECT_NEAR(specular.x, d_in.x / 1.5f, 1e-5f) << "Snell: sin(t) = sin(i) / 1.5";
    double wide = 0.0, sharp = 0.0;
    int taken = 0;
    for (int i = 0; i < 1024; ++i) {
        const double sample[2] = {owen_sobol(i, 0, 5), owen_sobol(i, 1, 5)};
        Vector3 a{}, b{};
        if (!rx_transmission_dir_glossy_x(&a, &state, 1.0f, 1.5f, 4.0f, sample) ||
            !rx_transmission_dir_glossy_x(&b, &state, 1.0f, 1.5f, 200.0f, sample))
            continue;
        ++taken;
        ASSERT_TRUE(a.y < 0.0f && b.y < 0.0f) << "transmitted rays go through, sample " << i;
        wide += dot(a, specular), sharp += dot(b, specular);
    }
    ASSERT_GT(taken, 1000);
    EXPECT_TRUE(sharp / taken > 0.999 && wide / taken < sharp / taken - 0.002) << wide / taken << " " << sharp / taken;
    // Leaving glass beyond the critical angle: total internal reflection.
    state = surface_state(n, normalize(Vector3{0.9f, -0.3f, 0.0f}));
    Vector3 out{};
    EXPECT_FALSE(rx_transmission_dir_specular(&out, &state, 1.5f, 1.0f));
}

TEST(Services, FresnelReflectanceThroughTheState) {
    const Vector3 n{0, 1, 0};
    auto at = [&](float angle, float ior_in, float ior_out, bool flipped = false) {
        ShadingState s = surface_state(flipped ? -n : n, Vector3{std::sin(angle), -std::cos(angle), 0});
        return rx_fresnel_reflection(&s, ior_in, ior_out);
    };
    // Normal incidence: ((n1 - n2) / (n1 + n2))^2, either way round.
    for (auto [in, out] : {std::pair{1.0f, 1.5f}, {1.5f, 1.0f}})
        EXPECT_NEAR(at(0.0f, in, out), 0.04f, 1e-6f) << in << " to " << out;
    // Brewster's angle: the p-polarised part vanishes, R = rs^2 / 2.
    const float brewster = std::atan(1.5f);
    const float ci = std::cos(brewster), ct = std::cos(std::asin(std::sin(brewster) / 1.5f));
    const float rs = (ci - 1.5f * ct) / (ci + 1.5f * ct);
    EXPECT_NEAR(at(brewster, 1.0f, 1.5f), 0.5f * rs * rs, 1e-5f);
    // Reciprocity: the same pair of angles from either side reflects alike.
    for (float angle : {0.2f, 0.5f, 0.7f}) {
        const float inside = std::asin(std::sin(angle) / 1.5f);
        EXPECT_NEAR(at(angle, 1.0f, 1.5f), at(inside, 1.5f, 1.0f), 1e-5f) << "angle " << angle;
        // A normal that faces away (a bumped normal) gives the same value.
        EXPECT_NEAR(at(angle, 1.0f, 1.5f, true), at(angle, 1.0f, 1.5f), 1e-6f) << "angle " << angle;
    }
    // Beyond the critical angle inside glass everything is reflected; at
    // grazing incidence from outside nearly everything.
    EXPECT_FLOAT_EQ(at(0.8f, 1.5f, 1.0f), 1.0f);
    EXPECT_TRUE(at(1.2f, 1.0f, 1.5f) < at(1.4f, 1.0f, 1.5f) && at(1.4f, 1.0f, 1.5f) < at(1.55f, 1.0f, 1.5f));
    EXPECT_GT(at(1.5705f, 1.0f, 1.5f), 0.99f);
}

TEST(Services, RaysEndAtTheExchangedFallOffStop) {
    // A wall 5 units in front of the origin, a green environment.
    Loaded loaded("falloff", R"({"camera": {"resolution": [2, 2],
        "environment": {"shader": "constant", "params": {"color": [0, 1, 0]}}},
        "objects": [{"type": "plane", "size": 4, "transform": {"rotate": [1, 0, 0, 90], "translate": [0, 0, -5]},
                     "material": {"shader": "constant", "params": {"color": [1, 0, 0]}}}]})");
    ShadingState *state = loaded.root;
    const Vector3 origin{0, 0, 0}, ahead{0, 0, -1}, behind{0, 0, 1};
    // Exchange: the caller's values go in, the host's previous ones come out.
    double start = 2.0, stop = 3.0;
    ASSERT_TRUE(rx_ray_falloff(state, &start, &stop) && start == 0.0 && stop == 0.0) << start << " " << stop;
    EXPECT_FALSE(rx_trace_probe(state, &ahead, &origin)) << "the wall lies beyond the stop";
    Color c{};
    EXPECT_FALSE(rx_trace_reflection(&c, state, &ahead));
    EXPECT_EQ(c.r + c.g + c.b, 0.0f) << "a ray ended by the stop meets no environment either";
    EXPECT_FALSE(rx_trace_reflection(&c, state, &behind) || c.g != 0.0f);
    // A farther stop lets the wall be met.
    double start2 = 6.0, stop2 = 6.0;
    rx_ray_falloff(state, &start2, &stop2);
    EXPECT_EQ(stop2, 3.0) << "the range put in place before comes back";
    EXPECT_TRUE(rx_trace_probe(state, &ahead, &origin) && std::fabs(state->child->distance - 5.0) < 1e-4);
    EXPECT_TRUE(rx_trace_reflection(&c, state, &ahead) && c.r == 1.0f) << c;
    // Putting the original empty range back: the environment again.
    rx_ray_falloff(state, &start, &stop);
    EXPECT_TRUE(rx_trace_reflection(&c, state, &behind) && c.g == 1.0f) << c;
}

TEST(Services, ProbesSkipTheirOwnPrimitiveAndContinuationsAddNoBounce) {
    // A red plane at y = -1 and a blue one at y = -3.
    Loaded loaded("continue", R"({"options": {"reflection_depth": 1},
        "camera": {"resolution": [2, 2]},
        "objects": [{"type": "plane", "size": 10, "transform": {"translate": [0, -1, 0]},
                     "material": {"shader": "constant", "params": {"color": [1, 0, 0]}}},
                    {"type": "plane", "size": 10, "transform": {"translate": [0, -3, 0]},
                     "material": {"shader": "constant", "params": {"color": [0, 0, 1]}}}]})");
    ShadingState *root = loaded.root;
    const Vector3 down{0, -1, 0}, origin{0.3f, 0, 0.2f};
    ASSERT_TRUE(rx_trace_probe(root, &down, &origin));
    ShadingState *hit = root->child;
    ASSERT_TRUE(std::fabs(hit->distance - 1.0) < 1e-5 && hit->primitive != nullptr) << hit->distance;
    // Just above the red plane, heading down at 45 degrees: from a state on
    // that primitive the probe passes through to the blue plane.
    const Vector3 slant = normalize(Vector3{1, -1, 0}), above = hit->point + Vector3{0, 1e-3f, 0};
    ASSERT_TRUE(rx_trace_probe(hit, &slant, &above));
    EXPECT_NEAR(hit->child->distance, (2.0 + 1e-3) * std::sqrt(2.0), 1e-3) << "the blue plane";
    // A reflection ray at the deepest reflection allowed that continues
    // through its surface (as a cut-out does) still reaches the next surface,
    // with the same ray type and depth; a further reflection is refused.
    hit->ray_type = UVO_RAY_REFLECT, hit->reflection_depth = 1;
    Color c{};
    EXPECT_FALSE(rx_trace_reflection(&c, hit, &down)) << "over the reflection depth";
    ASSERT_TRUE(rx_trace_continue(&c, hit));
    EXPECT_TRUE(c.b == 1.0f && c.r == 0.0f) << "the blue plane beyond: " << c;
    EXPECT_TRUE(hit->child->ray_type == UVO_RAY_REFLECT && hit->child->reflection_depth == 1);
    EXPECT_NEAR(hit->child->distance, 2.0, 1e-3);
    // The transparency ray goes on the same way.
    EXPECT_TRUE(rx_trace_transparent(&c, hit) && c.b == 1.0f) << c;
}

TEST(Services, ObjectSpaceUnderNonUniformScaleKeepsNormalsPerpendicular) {
    Loaded loaded("object_space", R"({"camera": {"resolution": [2, 2]},
        "objects": [{"type": "sphere", "radius": 1, "segments": 32,
                     "transform": {"scale": [3, 1, 0.5], "rotate": [0, 0, 1, 30], "translate": [0, 0, -6]}}]})");
    const Vector3 origin{0.2f, 0.1f, 0}, ahead{0, 0, -1};
    ASSERT_TRUE(rx_trace_probe(loaded.root, &ahead, &origin));
    ShadingState *hit = loaded.root->child;
    // Object-space normal and two tangents of the triangle met.
    Vector3 *a, *b, *c;
    ASSERT_TRUE(rx_tri_vectors(hit, 'p', 0, &a, &b, &c));
    const Vector3 t1 = *b - *a, t2 = *c - *a, n_object = normalize(cross(t1, t2));
    Vector3 n{}, w1{}, w2{}, back{};
    rx_normal_from_object(hit, &n, &n_object);
    rx_vector_from_object(hit, &w1, &t1);
    rx_vector_from_object(hit, &w2, &t2);
    EXPECT_NEAR(length(n), 1.0f, 1e-5f);
    EXPECT_TRUE(std::fabs(dot(n, normalize(w1))) < 1e-4f && std::fabs(dot(n, normalize(w2))) < 1e-4f)
        << "the converted normal stays perpendicular: " << n;
    EXPECT_NEAR(std::fabs(dot(n, hit->normal_geom)), 1.0f, 1e-4f) << "and is the face's internal-space normal";
    rx_vector_to_object(hit, &back, &w1);
    EXPECT_NEAR(length(back - t1), 0.0f, 1e-5f) << "object space and back";
}

TEST(Services, FlatMeshesGiveTheirFaceNormalAtEveryCorner) {
    const std::string dir = uvo_host_test::scratch_dir("flat_mesh");
    uvo_host_test::write_file(dir + "/tri.obj", "v -1 0 -1\nv 1 0 -1\nv 0 2 -1\nf 1 2 3\n");
    Loaded loaded("flat_mesh_scene", R"({"camera": {"resolution": [2, 2]},
        "objects": [{"type": "mesh", "file": ")" + dir + R"(/tri.obj", "transform": {"rotate": [0, 1, 0, 90]}}]})");
    const Vector3 origin{5, 0.5f, 0}, towards{-1, 0, 0};
    ASSERT_TRUE(rx_trace_probe(loaded.root, &towards, &origin));
    ShadingState *hit = loaded.root->child;
    Vector3 *a, *b, *c;
    ASSERT_TRUE(rx_tri_vectors(hit, 'n', 0, &a, &b, &c));
    for (const Vector3 *corner : {a, b, c})
        EXPECT_TRUE(std::fabs(corner->z - 1.0f) < 1e-6f && std::fabs(corner->x) < 1e-6f) << "faces +z: " << *corner;
    Vector3 n{};
    rx_normal_from_object(hit, &n, a);
    EXPECT_NEAR(n.x, 1.0f, 1e-5f) << "turned 90 degrees about y it faces +x";
}
