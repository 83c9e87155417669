// The glossy exponent and the glossy reflection direction sampler.
#include "material_test_support.h"
#include "xmtl/glossy.h"
#include "xmtl/weight_models.h"

using namespace uvo_test;
using namespace uvo;

namespace {

Vector3 mirror(Vector3 d, Vector3 n) { return sub(d, scale(n, 2.0f * dot(d, n))); }

struct Glossy : MaterialTest {
    const double sample[2] = {0.25, 0.75};
    Vector3 dir{9, 9, 9};
    // What the lobe functions saw and answer.
    Vector3 lobe{0, 0, 1};
    Vector3 seen_direction{}, seen_u{}, seen_v{};
    float seen_dot = 0, seen_exponent = 0, seen_exponent_v = 0;
    const double *seen_sample = nullptr;

    void SetUp() override {
        MaterialTest::SetUp();
        f.state.direction = normalized(Vector3{1, 0, -1});
        f.state.normal = f.state.normal_geom = Vector3{0, 0, 1};
        f.state.dot_nd = dot(f.state.direction, f.state.normal);
        work.aniso_u = Vector3{1, 0, 0};
        work.aniso_v = Vector3{0, 1, 0};
        host().script.rx_reflection_dir_glossy_x = [this](Vector3 *d, ShadingState *s, float e, const double *x) {
            seen_direction = s->direction;
            seen_dot = s->dot_nd;
            seen_exponent = e;
            seen_sample = x;
            *d = lobe;
        };
        host().script.rx_reflection_dir_anisglossy_x = [this](Vector3 *d, ShadingState *s, const Vector3 *u,
                                                              const Vector3 *v, float eu, float ev, const double *x) {
            seen_direction = s->direction;
            seen_dot = s->dot_nd;
            seen_u = *u;
            seen_v = *v;
            seen_exponent = eu;
            seen_exponent_v = ev;
            seen_sample = x;
            *d = lobe;
        };
    }
    void draw(float glossiness, float anisotropy) {
        uvo::glossy_reflection_dir(&dir, &f.state, &work, glossiness, anisotropy, sample);
    }
};

}  // namespace

TEST_F(Glossy, ExponentAndTheMirrorAndDiffuseEnds) {
    draw(1.0f, 1.0f);
    EXPECT_TRUE(near(dir, mirror(f.state.direction, f.state.normal)));
    EXPECT_EQ(host().count("rx_reflection_dir"), 1);
    draw(1.5f, 3.0f);
    EXPECT_EQ(host().count("rx_reflection_dir"), 2);

    const double *passed = nullptr;
    host().script.rx_reflection_dir_diffuse_x = [&](Vector3 *d, ShadingState *, const double *x) {
        passed = x;
        *d = Vector3{0, 0, 1};
    };
    for (float g : {0.0f, -1.0f}) {
        draw(g, 1.0f);
        EXPECT_EQ(passed, sample);
        EXPECT_TRUE(near(dir, Vector3{0, 0, 1}));
    }
    EXPECT_EQ(host().count("rx_reflection_dir_glossy_x") + host().count("rx_reflection_dir_anisglossy_x"), 0);
}

TEST_F(Glossy, LobeAroundTheNormalGivesTheHalfWayVector) {
    const ShadingState before = f.state;
    // The lobe answers the normal itself: the result is the plain mirror.
    draw(0.5f, 1.0f);
    EXPECT_TRUE(near(seen_direction, Vector3{0, 0, -1}, 0)) << "lobe centred on the normal";
    EXPECT_EQ(seen_dot, -1.0f);
    EXPECT_EQ(seen_exponent, 16.0f);
    EXPECT_EQ(seen_sample, sample);
    EXPECT_TRUE(near(dir, mirror(before.direction, before.normal)));

    // A tilted lobe direction L: mirror about h = normalise(L + N).
    lobe = normalized(Vector3{0.3f, 0.2f, 1});
    draw(0.75f, 1.005f);  // within 0.01 of 1: isotropic
    EXPECT_EQ(seen_exponent, 64.0f);
    const Vector3 h = normalized(add(lobe, before.normal));
    EXPECT_TRUE(near(dir, mirror(before.direction, h)));
    EXPECT_NEAR(length(dir), 1.0f, 1e-5f);
    EXPECT_EQ(host().count("rx_reflection_dir_anisglossy_x"), 0);

    // Beyond 0.01 of 1: the anisotropic lobe with the tangents, the second
    // exponent scaled by the anisotropy.
    for (const float a : {1.02f, 0.98f}) {
        draw(0.5f, a);
        EXPECT_TRUE(near(seen_u, work.aniso_u, 0)) << "anisotropy " << a;
        EXPECT_TRUE(near(seen_v, work.aniso_v, 0)) << "anisotropy " << a;
        EXPECT_EQ(seen_exponent, 16.0f) << "anisotropy " << a;
        EXPECT_FLOAT_EQ(seen_exponent_v, 16.0f * a) << "anisotropy " << a;
    }
    EXPECT_EQ(host().count("rx_reflection_dir_anisglossy_x"), 2);
    EXPECT_EQ(host().count("rx_reflection_dir_glossy_x"), 2);

    // Everything the calls changed is back.
    EXPECT_TRUE(near(f.state.direction, before.direction, 0));
    EXPECT_TRUE(near(f.state.normal, before.normal, 0));
    EXPECT_EQ(f.state.dot_nd, before.dot_nd);
}

TEST_F(Glossy, DirectionsBelowTheGeometricSurfaceAreMirroredBack) {
    // A bumped shading normal tilted away from the geometry: a grazing ray
    // mirrored about it would go under the surface.
    f.state.direction = normalized(Vector3{1, 0, -0.1f});
    f.state.normal = normalized(Vector3{0.5f, 0, 1});
    f.state.normal_geom = Vector3{0, 0, 1};
    f.state.dot_nd = dot(f.state.direction, f.state.normal);
    lobe = f.state.normal;
    draw(0.5f, 1.0f);
    const Vector3 r = mirror(f.state.direction, f.state.normal);
    ASSERT_LT(r.z, 0.0f) << "the case must go under the surface";
    EXPECT_TRUE(near(dir, Vector3{r.x, r.y, -r.z}));
    EXPECT_GE(dir.z, 0.0f);
}
