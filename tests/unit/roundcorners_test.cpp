// uvo_roundcorners against a scripted box edge and single probes.
#include <limits>

#include "material_test_support.h"
#include "xmtl/roundcorners.h"

using namespace uvo_test;
using namespace uvo;

namespace {

// One face of a scene: a half-plane with a constant vertex normal.
struct Face {
    Vector3 normal;    // plane normal, also the vertex normal
    float offset;      // plane: dot(normal, p) == offset
    Vector3 bound;     // the face is where dot(bound, p) <= 0
    Tag material = 1;
};

// A host that traces probes against `faces`, honours the ray fall-off range
// the shader sets, and answers rx_tri_vectors 'n' for the face hit.
struct Scene {
    std::vector<Face> faces;
    double falloff_start = 1e30, falloff_stop = 1e30;
    Vector3 normals[3];

    void script() {
        host().script.rx_ray_falloff = [this](ShadingState *, double *start, double *stop) -> Boolean {
            return std::swap(falloff_start, *start), std::swap(falloff_stop, *stop), 1;
        };
        host().script.rx_trace_probe = [this](ShadingState *s, const Vector3 *d, const Vector3 *o) -> Boolean {
            double best = std::numeric_limits<double>::infinity();
            const Face *hit = nullptr;
            for (const Face &f : faces) {
                const double denominator = dot(f.normal, *d), t = (f.offset - dot(f.normal, *o)) / denominator;
                if (denominator != 0.0 && t > 1e-7 && t < best && t <= falloff_stop &&
                    dot(f.bound, add(*o, scale(*d, float(t)))) <= 1e-6f)
                    best = t, hit = &f;
            }
            if (hit == nullptr)
                return 0;
            s->child->distance = best, s->child->material = hit->material, s->child->primitive = hit;
            s->child->bary = Vector3{0.2f, 0.3f, 0.5f};
            return 1;
        };
        host().script.rx_tri_vectors = [this](ShadingState *s, int32_t which, int32_t, Vector3 **a, Vector3 **b,
                                               Vector3 **c) -> Boolean {
            if (which != 'n' || s->primitive == nullptr)
                return 0;
            normals[0] = normals[1] = normals[2] = static_cast<const Face *>(s->primitive)->normal;
            *a = &normals[0], *b = &normals[1], *c = &normals[2];
            return 1;
        };
    }
};

struct RoundCorners : BlockTest<uvo::RoundCornersParams> {
    Scene scene;
    Vector3 result{9, 9, 9};
    const float radius = 0.5f;
    int primitive_dummy = 0;

    void SetUp() override {
        BlockTest::SetUp();
        f.state.material = 1, f.state.primitive = &primitive_dummy;
        block->radius = radius;
        // A box edge along the y axis: top face z = 0 for x <= 0, side face x = 0 for z <= 0.
        scene.faces = {Face{{0, 0, 1}, 0, {1, 0, 0}}, Face{{1, 0, 0}, 0, {0, 0, 1}}};
        scene.script();
    }
    Boolean shade() { return uvo::uvo_roundcorners(&result, &f.state, block.get()); }
    // Puts the state on the box at signed distance s from the edge (s < 0 on
    // the top face, s > 0 on the side face) and returns the rounded normal.
    Vector3 normal_at(float s) {
        f.state.point = s <= 0 ? Vector3{s, 0, 0} : Vector3{0, 0, -s};
        f.state.normal = f.state.normal_geom = s <= 0 ? Vector3{0, 0, 1} : Vector3{1, 0, 0};
        f.state.direction = negate(f.state.normal), f.state.dot_nd = -1.0f;
        EXPECT_EQ(shade(), 1);
        return f.state.normal;
    }
};

}  // namespace

TEST_F(RoundCorners, FlatFaceFarFromEdgesKeepsItsNormalExactly) {
    for (float s : {-2 * radius, -radius}) {
        EXPECT_TRUE(near(normal_at(s), Vector3{0, 0, 1}, 0)) << "s " << s;
        EXPECT_EQ(result.x, 0.0f) << "s " << s;
    }
    // A coplanar neighbour face within the radius adds nothing either.
    scene.faces = {Face{{0, 0, 1}, 0, {0, 0, 0}}, Face{{0, 0, 1}, -0.01f, {0, 0, 0}}};
    EXPECT_TRUE(near(normal_at(-0.1f), Vector3{0, 0, 1}, 0));
}

TEST_F(RoundCorners, OneProbeAtHalfTheRadiusAddsAQuarterOfItsNormal) {
    // Only the first probe (along b = t x Ng = +x here) meets a wall.
    scene.faces = {Face{{-1, 0, 0}, 1.5f * radius, {0, 0, 0}}};  // the wall x = -1.5 r
    const Vector3 n = normal_at(-2 * radius);  // far from the box edge, which is not in this scene
    EXPECT_TRUE(near(n, normalized(Vector3{-0.25f, 0, 1}))) << n;
    EXPECT_NEAR(f.state.dot_nd, dot(n, f.state.direction), 1e-7f);
    // Another material's face counts only when asked for.
    scene.faces[0].material = 2;
    EXPECT_TRUE(near(normal_at(-2 * radius), Vector3{0, 0, 1}, 0));
    block->include_other_materials = 1;
    EXPECT_TRUE(near(normal_at(-2 * radius), n));
}

TEST_F(RoundCorners, NoRoundingWithoutRadiusOrOnExcludedRays) {
    for (int32_t type : {5, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19, 23, 24, 27}) {
        f.state.ray_type = type;
        EXPECT_TRUE(near(normal_at(-0.01f), Vector3{0, 0, 1}, 0)) << "ray type " << type;
    }
    f.state.ray_type = UVO_RAY_REFLECT;
    block->radius = 0.0f;
    EXPECT_TRUE(near(normal_at(-0.01f), Vector3{0, 0, 1}, 0));
    // Radius 0 with mode 5 and (2, 0, 0): the new normal (1, 0, 0).
    block->vector_mode = 5, block->perturb_vector = Vector3{2, 0, 0};
    normal_at(-0.01f);
    EXPECT_TRUE(near(result, Vector3{1, 0, 0}) && near(f.state.normal, Vector3{0, 0, 1}, 0)) << "normal put back";
}

TEST_F(RoundCorners, VectorModesReturnPerturbationOrNormalInTheirSpace) {
    // Mode 1 with no vector: the pure rounding perturbation; state unchanged.
    const Vector3 rounded = normal_at(-0.1f);
    block->vector_mode = 1;
    EXPECT_TRUE(near(normal_at(-0.1f), Vector3{0, 0, 1}, 0) && f.state.dot_nd == -1.0f) << "state unchanged";
    EXPECT_TRUE(near(result, sub(rounded, Vector3{0, 0, 1})) && result.x > 0.0f) << result;
    // Output spaces: to_world doubles, to_object swaps x and z, to_camera negates.
    host().script.rx_vector_to_world = [](ShadingState *, Vector3 *o, const Vector3 *i) { *o = scale(*i, 2.0f); };
    host().script.rx_vector_to_object = [](ShadingState *, Vector3 *o, const Vector3 *i) { *o = {i->z, i->y, i->x}; };
    host().script.rx_vector_to_camera = [](ShadingState *, Vector3 *o, const Vector3 *i) { *o = negate(*i); };
    block->radius = 0.0f, block->perturb_vector = Vector3{0, 1, 0};
    const Vector3 added = sub(normalized(Vector3{0, 1, 1}), Vector3{0, 0, 1});
    const Vector3 expected[9] = {{}, added, scale(added, 2), Vector3{added.z, added.y, added.x}, negate(added),
                                 Vector3{0, 1, 0}, Vector3{0, 2, 0}, Vector3{0, 1, 0}, Vector3{0, -1, 0}};
    for (int32_t mode : {1, 3, 5, 8}) {
        block->vector_mode = mode;
        normal_at(-0.1f);
        EXPECT_TRUE(near(result, expected[mode]) && near(f.state.normal, Vector3{0, 0, 1}, 0)) << "mode " << mode;
    }
}

TEST_F(RoundCorners, ModeZeroChainsAndKeepsTheRoundedNormal) {
    // The chained shader (31) writes the result; it sees the rounded normal.
    block->chained_shader = 31;
    host().script.rx_call_shader = [&](Color *r, int32_t kind, ShadingState *s, Tag shader) -> Boolean {
        if (kind == UVO_SHADER_TEXTURE && shader == 31u)
            *reinterpret_cast<Vector3 *>(r) = s->normal;
        return 1;
    };
    const Vector3 n = normal_at(-0.1f);
    EXPECT_TRUE(near(result, n, 0) && n.x > 0.0f) << n << " chained shader wrote " << result;
}
