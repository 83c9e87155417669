// The host functions the material relies on, against the real host: glossy
// lobes that agree with each other and with the Ward highlight, glossy
// transmission, Fresnel reflectance through the state, the exchanged ray
// fall-off that ends rays, probes that skip their own primitive,
// continuations that count no new bounce, object-space transforms under
// non-uniform scale, face normals of flat meshes and the light lists.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

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
        const std::string dir = uvo_host_test::scratch_dir(name);
        uvo_host_test::write_file(dir + "/scene.json", scene_text);
        SessionOptions options;
        options.scene = dir + "/scene.json";
        options.library = UVO_SHADERS_PATH;
        options.declarations = std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders";
        session = std::make_unique<RenderSession>(options);
        set_current_context(&context);
        root = context.root(session->world().scene);
    }
    ~Loaded() {
        context.pop(root);
        set_current_context(nullptr);
    }
};

// A hand-made state on a surface with normal n, the ray arriving along d.
ShadingState surface_state(Vector3 n, Vector3 d) {
    ShadingState s{};
    s.normal = s.normal_geom = n;
    s.direction = d;
    s.dot_nd = dot(n, d);
    return s;
}

}  // namespace

TEST(MaterialServices, GlossyLobesAreWardLobesOfRoughnessOneOverTheExponent) {
    // A ray straight down the normal: each direction d is the mirror of the
    // ray about a half vector h = normalize(d + n).  For a Ward lobe of
    // roughness a_u, a_v, (h.u / h.n)^2 / a_u^2 + (h.v / h.n)^2 / a_v^2 is
    // exponentially distributed with mean 1.
    const Vector3 n = normalize(Vector3{0.2f, 0.9f, 0.3f});
    Vector3 u, v;
    orthonormal_basis(n, u, v);
    ShadingState state = surface_state(n, -n);
    const int count = 4096;
    for (float e : {4.0f, 16.0f, 64.0f}) {
        double iso = 0.0, aniso = 0.0, iso_cos = 0.0, aniso_cos = 0.0, along_u = 0.0, along_v = 0.0;
        for (int i = 0; i < count; ++i) {
            const double sample[2] = {owen_sobol(i, 0, 11), owen_sobol(i, 1, 11)};
            Vector3 d{};
            rx_reflection_dir_glossy_x(&d, &state, e, sample);
            ASSERT_NEAR(length(d), 1.0f, 1e-5f);
            ASSERT_GT(dot(d, n), 0.0f) << "exponent " << e << " sample " << i;
            Vector3 h = normalize(d + n);
            double hu = dot(h, u) / dot(h, n), hv = dot(h, v) / dot(h, n);
            iso += (hu * hu + hv * hv) * e * e;
            iso_cos += dot(d, n);
            // The anisotropic lobe with equal exponents is the same lobe.
            rx_reflection_dir_anisglossy_x(&d, &state, &u, &v, e, e, sample);
            aniso_cos += dot(d, n);
            // With four times the exponent along v it narrows along v.
            rx_reflection_dir_anisglossy_x(&d, &state, &u, &v, e, 4 * e, sample);
            h = normalize(d + n);
            hu = dot(h, u) / dot(h, n);
            hv = dot(h, v) / dot(h, n);
            aniso += hu * hu * e * e + hv * hv * 16 * e * e;
            along_u += std::fabs(dot(h, u));
            along_v += std::fabs(dot(h, v));
        }
        EXPECT_NEAR(iso / count, 1.0, 0.03) << "isotropic, exponent " << e;
        EXPECT_NEAR(aniso / count, 1.0, 0.03) << "anisotropic, exponents " << e << ", " << 4 * e;
        EXPECT_NEAR(iso_cos / count, aniso_cos / count, 1e-3) << "exponent " << e;
        EXPECT_GT(along_u, 3.0 * along_v) << "exponent " << e;
    }
    // A sharper lobe hugs the mirror direction of an oblique ray, and no
    // direction goes below the surface.
    const Vector3 d_in = normalize(Vector3{0.7f, -0.5f, 0.1f});
    state = surface_state(Vector3{0, 1, 0}, d_in);
    const Vector3 m = mirror(d_in, Vector3{0, 1, 0});
    double wide = 0.0, sharp = 0.0;
    for (int i = 0; i < 1024; ++i) {
        const double sample[2] = {owen_sobol(i, 0, 3), owen_sobol(i, 1, 3)};
        Vector3 d{};
        rx_reflection_dir_glossy_x(&d, &state, 4.0f, sample);
        ASSERT_GT(d.y, 0.0f) << "sample " << i;
        wide += dot(d, m);
        rx_reflection_dir_glossy_x(&d, &state, 100.0f, sample);
        sharp += dot(d, m);
    }
    EXPECT_GT(sharp / 1024, 0.999);
    EXPECT_LT(wide / 1024, sharp / 1024 - 0.02);
}

TEST(MaterialServices, MirrorDirectionsStayAboveTheGeometricSurface) {
    // An ordinary hit: the exact mirror about the shading normal.
    const Vector3 d_in = normalize(Vector3{0.6f, -0.8f, 0.0f});
    ShadingState state = surface_state(Vector3{0, 1, 0}, d_in);
    Vector3 d{};
    rx_reflection_dir(&d, &state);
    EXPECT_NEAR(d.x, 0.6f, 1e-6f);
    EXPECT_NEAR(d.y, 0.8f, 1e-6f);
    // Near a silhouette an interpolated normal tilted away from the ray would
    // send the mirror into the surface: the direction is turned back above.
    const Vector3 grazing = normalize(Vector3{1.0f, -0.05f, 0.0f});
    state = surface_state(Vector3{0, 1, 0}, grazing);
    state.normal = normalize(Vector3{0.04f, 1.0f, 0.0f});
    const Vector3 pure = mirror(grazing, state.normal);
    ASSERT_LT(pure.y, 0.0f) << "the case needs a mirror below the surface";
    rx_reflection_dir(&d, &state);
    EXPECT_GT(d.y, 0.0f);
    EXPECT_NEAR(d.y, -pure.y, 1e-5f) << "mirrored about the geometric normal";
    EXPECT_NEAR(length(d), 1.0f, 1e-5f);
}

TEST(MaterialServices, GlossyTransmissionSpreadsAboutTheSpecularDirection) {
    const Vector3 n{0, 1, 0};
    const Vector3 d_in = normalize(Vector3{0.5f, -1.0f, 0.0f});
    ShadingState state = surface_state(n, d_in);
    Vector3 specular{};
    ASSERT_TRUE(rx_transmission_dir_specular(&specular, &state, 1.0f, 1.5f));
    // Snell: sin(t) = sin(i) / 1.5.
    EXPECT_NEAR(specular.x, d_in.x / 1.5f, 1e-5f);
    double wide = 0.0, sharp = 0.0;
    int taken = 0;
    for (int i = 0; i < 1024; ++i) {
        const double sample[2] = {owen_sobol(i, 0, 5), owen_sobol(i, 1, 5)};
        Vector3 a{}, b{};
        if (!rx_transmission_dir_glossy_x(&a, &state, 1.0f, 1.5f, 4.0f, sample) ||
            !rx_transmission_dir_glossy_x(&b, &state, 1.0f, 1.5f, 200.0f, sample))
            continue;
        ++taken;
        ASSERT_LT(a.y, 0.0f) << "transmitted rays go through, sample " << i;
        ASSERT_LT(b.y, 0.0f) << "sample " << i;
        wide += dot(a, specular);
        sharp += dot(b, specular);
        // Equal exponents: the anisotropic function is the same lobe.
        Vector3 u{1, 0, 0}, v{0, 0, 1}, c{};
        ASSERT_TRUE(rx_transmission_dir_anisglossy_x(&c, &state, 1.0f, 1.5f, &u, &v, 200.0f, 200.0f, sample));
        ASSERT_LT(c.y, 0.0f);
    }
    ASSERT_GT(taken, 1000);
    EXPECT_GT(sharp / taken, 0.999);
    EXPECT_LT(wide / taken, sharp / taken - 0.002);
    // Leaving glass beyond the critical angle: total internal reflection.
    const Vector3 steep = normalize(Vector3{0.9f, -0.3f, 0.0f});
    state = surface_state(n, steep);
    Vector3 out{};
    EXPECT_FALSE(rx_transmission_dir_specular(&out, &state, 1.5f, 1.0f));
}

TEST(MaterialServices, FresnelReflectanceThroughTheState) {
    const Vector3 n{0, 1, 0};
    auto at = [&](float angle, float ior_in, float ior_out, bool flipped = false) {
        ShadingState s = surface_state(flipped ? -n : n, Vector3{std::sin(angle), -std::cos(angle), 0});
        return rx_fresnel_reflection(&s, ior_in, ior_out);
    };
    // Normal incidence: ((n1 - n2) / (n1 + n2))^2, either way round.
    EXPECT_NEAR(at(0.0f, 1.0f, 1.5f), 0.04f, 1e-6f);
    EXPECT_NEAR(at(0.0f, 1.5f, 1.0f), 0.04f, 1e-6f);
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
    EXPECT_LT(at(1.2f, 1.0f, 1.5f), at(1.4f, 1.0f, 1.5f));
    EXPECT_LT(at(1.4f, 1.0f, 1.5f), at(1.55f, 1.0f, 1.5f));
    EXPECT_GT(at(1.5705f, 1.0f, 1.5f), 0.99f);
}

TEST(MaterialServices, RaysEndAtTheExchangedFallOffStop) {
    // A wall 5 units in front of the origin, a green environment.
    Loaded loaded("falloff", R"({"camera": {"resolution": [2, 2],
        "environment": {"shader": "constant", "params": {"color": [0, 1, 0]}}},
        "objects": [{"type": "plane", "size": 4, "transform": {"rotate": [1, 0, 0, 90], "translate": [0, 0, -5]},
                     "material": {"shader": "constant", "params": {"color": [1, 0, 0]}}}]})");
    ShadingState *state = loaded.root;
    const Vector3 origin{0, 0, 0}, ahead{0, 0, -1}, behind{0, 0, 1};
    // Exchange: the caller's values go in, the host's previous ones come out.
    double start = 2.0, stop = 3.0;
    ASSERT_TRUE(rx_ray_falloff(state, &start, &stop));
    EXPECT_EQ(start, 0.0);
    EXPECT_EQ(stop, 0.0);
    EXPECT_FALSE(rx_trace_probe(state, &ahead, &origin)) << "the wall lies beyond the stop";
    Color c{};
    EXPECT_FALSE(rx_trace_reflection(&c, state, &ahead));
    EXPECT_EQ(c.r + c.g + c.b, 0.0f) << "a ray ended by the stop meets no environment either";
    EXPECT_FALSE(rx_trace_reflection(&c, state, &behind));
    EXPECT_EQ(c.g, 0.0f);
    // The child's own rays are not limited by the parent's range.
    double child_start = 0.0, child_stop = 0.0;
    ShadingState *child = loaded.context.push(state);
    rx_ray_falloff(child, &child_start, &child_stop);
    EXPECT_EQ(child_stop, 0.0) << "each state has its own range";
    rx_ray_falloff(child, &child_start, &child_stop);
    loaded.context.pop(child);
    // A farther stop lets the wall be met.
    double start2 = 6.0, stop2 = 6.0;
    rx_ray_falloff(state, &start2, &stop2);
    EXPECT_EQ(stop2, 3.0) << "the range put in place before comes back";
    ASSERT_TRUE(rx_trace_probe(state, &ahead, &origin));
    EXPECT_NEAR(state->child->distance, 5.0, 1e-4);
    EXPECT_TRUE(rx_trace_reflection(&c, state, &ahead));
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    // Putting the first range back and then the original empty one.
    rx_ray_falloff(state, &start2, &stop2);
    rx_ray_falloff(state, &start, &stop);
    EXPECT_EQ(stop, 3.0);
    EXPECT_TRUE(rx_trace_reflection(&c, state, &behind)) << "no range: the environment again";
    EXPECT_FLOAT_EQ(c.g, 1.0f);
}

TEST(MaterialServices, ProbesSkipTheirOwnPrimitiveAndContinuationsAddNoBounce) {
    // Two parallel planes below the origin: a red one at y = -1 and a blue
    // one at y = -3.
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
    ASSERT_NEAR(hit->distance, 1.0, 1e-5);
    ASSERT_NE(hit->primitive, nullptr);
    // Just above the red plane, heading down at 45 degrees: a probe from a
    // state on that primitive passes through to the blue plane; from a state
    // without one it meets the red plane at once.
    const Vector3 slant = normalize(Vector3{1, -1, 0});
    const Vector3 above = hit->point + Vector3{0, 1e-3f, 0};
    ASSERT_TRUE(rx_trace_probe(hit, &slant, &above));
    EXPECT_NEAR(hit->child->distance, (2.0 + 1e-3) * std::sqrt(2.0), 1e-3) << "the blue plane";
    const void *own = hit->primitive;
    hit->primitive = nullptr;
    ASSERT_TRUE(rx_trace_probe(hit, &slant, &above));
    EXPECT_NEAR(hit->child->distance, 1e-3 * std::sqrt(2.0), 1e-4) << "the red plane";
    hit->primitive = own;

    // A reflection ray at the deepest reflection allowed that continues
    // through its surface (as a cut-out does) still reaches the next surface,
    // with the same ray type and depth; a further reflection is refused.
    hit->ray_type = UVO_RAY_REFLECT;
    hit->reflection_depth = 1;
    Color c{};
    EXPECT_FALSE(rx_trace_reflection(&c, hit, &down)) << "over the reflection depth";
    ASSERT_TRUE(rx_trace_continue(&c, hit));
    EXPECT_FLOAT_EQ(c.b, 1.0f) << "the blue plane beyond";
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    EXPECT_EQ(hit->child->ray_type, UVO_RAY_REFLECT);
    EXPECT_EQ(hit->child->reflection_depth, 1);
    EXPECT_NEAR(hit->child->distance, 2.0, 1e-3);
    // The transparency ray goes on the same way.
    ASSERT_TRUE(rx_trace_transparent(&c, hit));
    EXPECT_FLOAT_EQ(c.b, 1.0f);
}

TEST(MaterialServices, ObjectSpaceUnderNonUniformScaleKeepsNormalsPerpendicular) {
    Loaded loaded("object_space", R"({"camera": {"resolution": [2, 2]},
        "objects": [{"type": "sphere", "radius": 1, "segments": 32,
                     "transform": {"scale": [3, 1, 0.5], "rotate": [0, 0, 1, 30], "translate": [0, 0, -6]}}]})");
    ShadingState *root = loaded.root;
    const Vector3 origin{0.2f, 0.1f, 0}, ahead{0, 0, -1};
    ASSERT_TRUE(rx_trace_probe(root, &ahead, &origin));
    ShadingState *hit = root->child;
    // Object-space normal and two tangents of the triangle met.
    Vector3 *a, *b, *c;
    ASSERT_TRUE(rx_tri_vectors(hit, 'p', 0, &a, &b, &c));
    const Vector3 t1 = *b - *a, t2 = *c - *a;
    const Vector3 n_object = normalize(cross(t1, t2));
    Vector3 n{}, w1{}, w2{}, back{};
    rx_normal_from_object(hit, &n, &n_object);
    rx_vector_from_object(hit, &w1, &t1);
    rx_vector_from_object(hit, &w2, &t2);
    EXPECT_NEAR(length(n), 1.0f, 1e-5f);
    EXPECT_NEAR(dot(n, normalize(w1)), 0.0f, 1e-4f) << "the converted normal stays perpendicular";
    EXPECT_NEAR(dot(n, normalize(w2)), 0.0f, 1e-4f);
    EXPECT_NEAR(std::fabs(dot(n, hit->normal_geom)), 1.0f, 1e-4f) << "and is the face's internal-space normal";
    // Object space and back.
    rx_vector_to_object(hit, &back, &w1);
    EXPECT_NEAR(length(back - t1), 0.0f, 1e-5f);
    // The world is the internal space here: both conversions are identities.
    rx_vector_to_world(hit, &back, &w1);
    EXPECT_EQ(back.x, w1.x);
    rx_vector_from_world(hit, &back, &w2);
    EXPECT_EQ(back.z, w2.z);
}

TEST(MaterialServices, FlatMeshesGiveTheirFaceNormalAtEveryCorner) {
    const std::string dir = uvo_host_test::scratch_dir("flat_mesh");
    uvo_host_test::write_file(dir + "/tri.obj", "v -1 0 -1\nv 1 0 -1\nv 0 2 -1\nf 1 2 3\n");
    Loaded loaded("flat_mesh_scene", R"({"camera": {"resolution": [2, 2]},
        "objects": [{"type": "mesh", "file": ")" + dir + R"(/tri.obj", "transform": {"rotate": [0, 1, 0, 90]}}]})");
    ShadingState *root = loaded.root;
    const Vector3 origin{5, 0.5f, 0}, towards{-1, 0, 0};
    ASSERT_TRUE(rx_trace_probe(root, &towards, &origin));
    ShadingState *hit = root->child;
    Vector3 *a, *b, *c;
    ASSERT_TRUE(rx_tri_vectors(hit, 'n', 0, &a, &b, &c));
    for (const Vector3 *corner : {a, b, c}) {
        EXPECT_NEAR(corner->z, 1.0f, 1e-6f) << "object space: the triangle faces +z";
        EXPECT_NEAR(corner->x, 0.0f, 1e-6f);
    }
    Vector3 n{};
    rx_normal_from_object(hit, &n, a);
    EXPECT_NEAR(n.x, 1.0f, 1e-5f) << "turned 90 degrees about y it faces +x";
}

TEST(MaterialServices, LightListsAndLightQueriesAgree) {
    Loaded loaded("lights", R"({"camera": {"resolution": [2, 2]},
        "lights": [{"name": "a", "type": "point", "transform": {"translate": [0, 3, 0]}},
                   {"name": "b", "type": "directional", "intensity": 2, "transform": {"rotate": [1, 0, 0, -90]}},
                   {"name": "c", "type": "rectangle", "transform": {"translate": [0, 4, 0], "rotate": [1, 0, 0, -90]}}],
        "objects": [{"type": "plane", "size": 4}]})");
    ShadingState *root = loaded.root;
    int32_t count = 0;
    Tag *all = nullptr;
    ASSERT_TRUE(rx_query(UVO_QUERY_LIGHT_COUNT, root, 0, &count));
    ASSERT_TRUE(rx_query(UVO_QUERY_LIGHT_LIST, root, 0, &all));
    ASSERT_EQ(count, 3);
    using ListFn = Boolean (*)(int32_t *, Tag **, ShadingState *);
    // Handed no lights, the exclusive list is every light, as is the
    // object's; the inclusive list keeps what it is handed.
    for (ListFn list : {ListFn(rx_exclusive_lightlist), ListFn(rx_instance_lightlist)}) {
        int32_t n = 0;
        Tag *tags = nullptr;
        ASSERT_TRUE(list(&n, &tags, root));
        ASSERT_EQ(n, count);
        for (int32_t k = 0; k < n; ++k)
            EXPECT_EQ(tags[k], all[k]) << "light " << k;
    }
    int32_t n = 2;
    Tag *tags = all;
    ASSERT_TRUE(rx_inclusive_lightlist(&n, &tags, root));
    ASSERT_EQ(n, 2);
    EXPECT_TRUE(tags[0] == all[0] && tags[1] == all[1]);
    // Each instance leads to its light record, whose kind matches.
    const int32_t kinds[3] = {UVO_LIGHT_POINT, UVO_LIGHT_DIRECTIONAL, UVO_LIGHT_POINT};
    for (int32_t k = 0; k < count; ++k) {
        Tag record_tag = 0;
        ASSERT_TRUE(rx_query(UVO_QUERY_LIGHT_TAG, root, all[k], &record_tag));
        const auto *record = static_cast<const HostLight *>(rx_db_access(record_tag));
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->kind, kinds[k]) << "light " << k;
        EXPECT_EQ(record->area != UVO_AREA_NONE, k == 2) << "light " << k;
        rx_db_unpin(record_tag);
    }
    // A point above the plane's centre is lit by all three through the tags
    // of the list.
    const Vector3 down{0, -1, 0}, origin{0, 1, 0};
    ASSERT_TRUE(rx_trace_probe(root, &down, &origin));
    ShadingState *hit = root->child;
    for (int32_t k = 0; k < count; ++k) {
        Color color{};
        Vector3 direction{};
        float cosine = 0.0f;
        int32_t samples = 0;
        ASSERT_TRUE(rx_sample_light(&color, &direction, &cosine, hit, all[k], &samples)) << "light " << k;
        EXPECT_GT(color.r, 0.0f) << "light " << k;
    }
}

TEST(MaterialServices, AveragedRadianceHonoursTheGatherDepth) {
    Loaded loaded("gather_depth", R"({"options": {"gather_rays": 8},
        "camera": {"resolution": [2, 2], "environment": {"shader": "constant", "params": {"color": [0.5, 0.5, 0.5]}}},
        "objects": [{"type": "sphere", "radius": 1, "segments": 32, "transform": {"translate": [0, 0, -5]}}]})");
    ShadingState *root = loaded.root;
    const Vector3 origin{0.1f, 0.2f, 0}, ahead{0, 0, -1};
    ASSERT_TRUE(rx_trace_probe(root, &ahead, &origin));
    ShadingState *hit = root->child;
    // A convex object under a uniform environment gathers the environment.
    Color average{};
    ASSERT_TRUE(rx_compute_avg_radiance(&average, hit, UVO_FACE_FRONT, nullptr));
    EXPECT_NEAR(average.g, 0.5f, 1e-6f);
    // On a gather ray with one diffuse bounce allowed (the options' depth),
    // nothing more is gathered; a request for two bounces gathers again.
    hit->ray_type = UVO_RAY_GATHER;
    EXPECT_FALSE(rx_compute_avg_radiance(&average, hit, UVO_FACE_FRONT, nullptr));
    EXPECT_EQ(average.g, 0.0f);
    IndirectRequest request{};
    request.size = sizeof request;
    request.rays = 8;
    request.depth = 2;
    ASSERT_TRUE(rx_compute_avg_radiance(&average, hit, UVO_FACE_FRONT, &request));
    EXPECT_NEAR(average.g, 0.5f, 1e-6f);
}

TEST(MaterialServices, QueriesTheMaterialAsks) {
    Loaded loaded("material_queries", R"({"camera": {"resolution": [2, 2]},
        "lights": [{"name": "a", "type": "point"}],
        "objects": [{"type": "plane", "size": 4, "material": "uvo_material_x"}]})");
    ShadingState *root = loaded.root;
    const Vector3 down{0, -1, 0}, origin{0, 1, 0};
    ASSERT_TRUE(rx_trace_probe(root, &down, &origin));
    ShadingState *hit = root->child;
    const ShaderInstance *material = loaded.session->world().scene.objects[0].material;
    // 43: the surface shader of the material met, whose declaration (89,
    // asked without a state) is the multi-output material's.
    Tag shader = 0;
    ASSERT_TRUE(rx_query(UVO_QUERY_MATERIAL_SHADER, hit, hit->material, &shader));
    EXPECT_EQ(shader, material->tag);
    int32_t version = 0;
    ASSERT_TRUE(rx_query(UVO_QUERY_DECLARATION_VERSION, nullptr, material->record.declaration, &version));
    EXPECT_EQ(version, 16);
    Tag none = 0;
    EXPECT_FALSE(rx_query(UVO_QUERY_MATERIAL_SHADER, hit, loaded.session->world().scene.light_instances[0], &none))
        << "a light is no material";
    // 116 answers on full rays and fails on gather rays, which 142 reports
    // as reduced; 160 keeps the multi-output record private outside a call
    // that was handed a whole record.
    int32_t answer = -1;
    EXPECT_TRUE(rx_query(UVO_QUERY_GATHER_CONTEXT, hit, 0, &answer));
    answer = -1;
    ASSERT_TRUE(rx_query(UVO_QUERY_REDUCED_RAY, hit, 0, &answer));
    EXPECT_EQ(answer, 0);
    hit->ray_type = UVO_RAY_GATHER;
    EXPECT_FALSE(rx_query(UVO_QUERY_GATHER_CONTEXT, hit, 0, &answer));
    ASSERT_TRUE(rx_query(UVO_QUERY_REDUCED_RAY, hit, 0, &answer));
    EXPECT_EQ(answer, 1);
    answer = -1;
    ASSERT_TRUE(rx_query(UVO_QUERY_PRIVATE_OUTPUTS, hit, 0, &answer));
    EXPECT_EQ(answer, 1);
}
