// The glossy exponent and the glossy reflection direction sampler.
#include "material_test_support.h"
#include "xmtl/glossy.h"

using namespace uvo_test;
using namespace uvo;

namespace {

Vector3 mirror(Vector3 d, Vector3 n) { return sub(d, scale(n, 2.0f * dot(d, n))); }

struct Glossy : MaterialTest {
    const double sample[2] = {0.25, 0.75};
    Vector3 dir{9, 9, 9};
    Vector3 lobe{};  // what the lobe function answers; zero: the sharp mirror of the state's direction

    void SetUp() override {
        MaterialTest::SetUp();
        f.state.direction = normalized(Vector3{1, 0, -1});
        f.state.normal = f.state.normal_geom = Vector3{0, 0, 1};
        f.state.dot_nd = dot(f.state.direction, f.state.normal);
        host().script.rx_reflection_dir_glossy_x = [this](Vector3 *d, ShadingState *s, float, const double *) {
            *d = length(lobe) > 0 ? lobe : mirror(s->direction, s->normal);
        };
    }
    void draw(float glossiness, float anisotropy) {
        uvo::glossy_reflection_dir(&dir, &f.state, &work, glossiness, anisotropy, sample);
    }
};

}  // namespace

TEST_F(Glossy, MirrorAndDiffuseEnds) {
    draw(1.0f, 1.0f);
    EXPECT_TRUE(near(dir, mirror(f.state.direction, f.state.normal)));
    host().script.rx_reflection_dir_diffuse_x = [&](Vector3 *d, ShadingState *, const double *) {
        *d = Vector3{0, 1, 0};
    };
    for (float g : {0.0f, -1.0f}) {
        draw(g, 1.0f);
        EXPECT_TRUE(near(dir, Vector3{0, 1, 0})) << "glossiness " << g;
    }
}

TEST_F(Glossy, LobeAroundTheNormalGivesTheHalfWayVector) {
    const ShadingState before = f.state;
    // A tilted lobe direction L: mirror about h = normalise(L + N).
    lobe = normalized(Vector3{0.3f, 0.2f, 1});
    draw(0.75f, 1.0f);
    EXPECT_TRUE(near(dir, mirror(before.direction, normalized(add(lobe, before.normal)))));
}

TEST_F(Glossy, DirectionsBelowTheGeometricSurfaceAreMirroredBack) {
    // A bumped shading normal tilted away from the geometry: a grazing ray
    // mirrored about it would go under the surface.
    f.state.direction = normalized(Vector3{1, 0, -0.1f});
    f.state.normal = normalized(Vector3{0.5f, 0, 1});
    f.state.dot_nd = dot(f.state.direction, f.state.normal);
    lobe = f.state.normal;
    draw(0.5f, 1.0f);
    const Vector3 r = mirror(f.state.direction, f.state.normal);
    ASSERT_LT(r.z, 0.0f) << "the case must go under the surface";
    EXPECT_TRUE(near(dir, Vector3{r.x, r.y, -r.z}));
}
