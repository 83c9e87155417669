// The bump-vector operation, the tangent frame and the material's normal
// preparation.
#include "material_test_support.h"
#include "xmtl/bump_vector.h"
#include "xmtl/normals.h"
#include "xmtl/tangent_frame.h"

using namespace uvo_test;
using namespace uvo;

namespace {

struct Normals : MaterialTest {
    void SetUp() override {
        MaterialTest::SetUp();
        instance.declaration_version = 16;
        f.state.normal = f.state.normal_geom = normalized(Vector3{0, 0.6f, 0.8f});
        f.state.direction = Vector3{0, 0, -1};
        f.state.dot_nd = dot(f.state.normal, f.state.direction);
    }
    void prepare() {
        work = uvo::MaterialWorkRecord{};
        work.instance = &instance;
        uvo::prepare_normals(&f.state, &work, block.get());
    }
    // A bump shader that tilts the state's normal towards x.
    void script_bump_shader(Tag tag) {
        block->bump_shader = tag;
        host().script.rx_call_shader = [tag](Color *, int32_t kind, ShadingState *s, Tag shader) -> Boolean {
            if (kind != UVO_SHADER_TEXTURE || shader != tag)
                return 0;
            s->normal = normalized(add(s->normal, Vector3{1, 0, 0}));
            return 1;
        };
    }
};

}  // namespace

TEST(BumpVector, AddsOrReplacesInTheModesSpace) {
    StateFixture f;
    // Each space scales differently, so the space used shows in the result.
    host().script.rx_vector_from_world = [](ShadingState *, Vector3 *o, const Vector3 *i) { *o = scale(*i, 2.0f); };
    host().script.rx_vector_from_object = [](ShadingState *, Vector3 *o, const Vector3 *i) { *o = scale(*i, 3.0f); };
    host().script.rx_vector_from_camera = [](ShadingState *, Vector3 *o, const Vector3 *i) { *o = scale(*i, 4.0f); };
    const float factor[9] = {1, 1, 2, 3, 4, 1, 2, 3, 4};
    for (int32_t mode = 1; mode <= 8; ++mode) {
        Vector3 n{0, 0, 1};
        uvo::apply_bump_vector(&f.state, mode, &n, Vector3{1, 0, 0});
        const Vector3 expected = mode <= 4 ? normalized(Vector3{factor[mode], 0, 1}) : Vector3{1, 0, 0};
        EXPECT_TRUE(near(n, expected)) << "mode " << mode;
    }
    // Outside 0 to 8: no conversion; above 8 replaces, below 0 adds.
    Vector3 n{0, 0, 1};
    uvo::apply_bump_vector(&f.state, 9, &n, Vector3{0, 2, 0});
    EXPECT_TRUE(near(n, Vector3{0, 1, 0}));
    n = Vector3{0, 0, 1};
    uvo::apply_bump_vector(&f.state, -1, &n, Vector3{0, 1, 0});
    EXPECT_TRUE(near(n, normalized(Vector3{0, 1, 1})));
    // x and y both 0: ignored, whatever z says.
    n = Vector3{0.6f, 0, 0.8f};
    uvo::apply_bump_vector(&f.state, 5, &n, Vector3{0, 0, 5});
    EXPECT_EQ(n.x, 0.6f);
}

TEST(TangentFrame, ChannelsAndTheirFallbacks) {
    StateFixture f;
    Triangle tri;
    tri.script();
    const auto expect_frame = [&](int32_t channel, Vector3 u, Vector3 v) {
        Vector3 got_u, got_v;
        uvo::tangent_frame(&f.state, &got_u, &got_v, channel);
        EXPECT_TRUE(near(got_u, u)) << "u, channel " << channel;
        EXPECT_TRUE(near(got_v, v)) << "v, channel " << channel;
    };
    tri.t[1] = Vector3{-1, 0, 0};  // texture space 0 with u mirrored
    expect_frame(0, Vector3{-1, 0, 0}, Vector3{0, 1, 0});

    // All texture coordinates equal: the object axes through the object
    // transform (turned a quarter about z), v from y since the normal lies
    // along z; u = v x n.
    host().script.rx_vector_from_object = [](ShadingState *, Vector3 *out, const Vector3 *in) {
        *out = Vector3{-in->y, in->x, in->z};
    };
    tri.t[0] = tri.t[1] = tri.t[2] = Vector3{0.5f, 0.5f, 0};
    expect_frame(0, Vector3{0, 1, 0}, Vector3{-1, 0, 0});
    // -4: the texture-coordinate vector made perpendicular to the normal.
    f.state.tex = Vector3{2, 0, 1};
    expect_frame(uvo::channel_texture_vector, Vector3{1, 0, 0}, Vector3{0, -1, 0});
    // -3 and -2: from object space, normalised.
    const Vector3 derivs[2] = {{0, 3, 0}, {0, 0, 2}};
    const Vector3 bump_x{5, 0, 0}, bump_y{0, 0, -1};
    f.state.derivs = derivs;
    f.state.bump_x = &bump_x;
    f.state.bump_y = &bump_y;
    expect_frame(uvo::channel_derivatives, Vector3{-1, 0, 0}, Vector3{0, 0, 1});
    expect_frame(uvo::channel_bump_basis, Vector3{0, 1, 0}, Vector3{0, 0, -1});

    // A normal along x: the object z axis qualifies first.
    host().script.rx_vector_from_object = nullptr;
    f.state.normal = Vector3{1, 0, 0};
    expect_frame(-7, Vector3{0, 1, 0}, Vector3{0, 0, 1});
}

TEST_F(Normals, BumpShaderBumpVectorsAndDiffuseBumpOff) {
    script_bump_shader(77);
    const Vector3 entry = f.state.normal;
    const Vector3 bumped = normalized(add(entry, Vector3{1, 0, 0}));
    prepare();
    EXPECT_TRUE(near(work.entry_normal, entry, 0));
    EXPECT_TRUE(near(work.shading_normal, bumped));
    EXPECT_TRUE(near(work.diffuse_normal, bumped));

    // Bump vectors undo the bump shader: the overall one for every normal,
    // the standard one for all but the diffuse normal (bump off for diffuse).
    f.state.normal = entry;
    block->diffuse_bump_off = 1;
    block->bump_mode = 1;
    block->overall_bump = Vector3{0, 1, 0};
    block->standard_bump = Vector3{1, 0, 0};
    const Vector3 overall = normalized(add(entry, Vector3{0, 1, 0}));
    prepare();
    EXPECT_TRUE(near(work.diffuse_normal, overall));
    EXPECT_TRUE(near(work.shading_normal, normalized(add(overall, Vector3{1, 0, 0}))));

    // Query 142 reporting its flag: no bump of any kind, not even the vectors.
    f.state.normal = entry;
    host().reduced_ray = 1;
    prepare();
    EXPECT_TRUE(near(work.shading_normal, entry, 0));
    EXPECT_TRUE(near(work.diffuse_normal, entry, 0));
}

TEST_F(Normals, TangentsArePerpendicularUnitAndRotateInTurns) {
    Triangle tri;
    tri.t[1] = Vector3{-1, 0, 0};  // u along -x, v along y, before making them perpendicular
    tri.script();
    block->anisotropy_channel = 0;
    prepare();
    const Vector3 u0 = work.aniso_u, v0 = work.aniso_v;
    for (const Vector3 &t : {u0, v0}) {
        EXPECT_NEAR(dot(t, f.state.normal), 0.0f, 1e-6f) << t;
        EXPECT_NEAR(length(t), 1.0f, 1e-6f) << t;
    }

    // A twelfth of a turn: both tangents turn 30 degrees about the normal.
    const float c30 = std::sqrt(3.0f) / 2;
    block->anisotropy_rotation = 1.0f / 12;
    prepare();
    EXPECT_TRUE(near(work.aniso_u, add(scale(u0, c30), scale(v0, 0.5f))));
    EXPECT_TRUE(near(work.aniso_v, sub(scale(v0, c30), scale(u0, 0.5f))));
}

TEST_F(Normals, ShadowRaysFromBehindFlipTheNormals) {
    script_bump_shader(3);
    block->diffuse_bump_off = 1;
    const Vector3 entry = f.state.normal;
    const Vector3 bumped = normalized(add(entry, Vector3{1, 0, 0}));
    f.state.direction = Vector3{0, 0, 1};  // leaves through the surface: dot_nd > 0
    for (int32_t type : {UVO_RAY_SHADOW, UVO_RAY_EYE}) {
        const bool flips = type == UVO_RAY_SHADOW;
        f.state.normal = entry;
        f.state.inside = 0;
        f.state.ray_type = type;
        prepare();
        EXPECT_TRUE(near(work.shading_normal, flips ? negate(bumped) : bumped)) << "ray type " << type;
        EXPECT_TRUE(near(work.diffuse_normal, flips ? negate(entry) : entry)) << "ray type " << type;
        EXPECT_EQ(f.state.inside, flips ? 1 : 0) << "ray type " << type;
        EXPECT_FLOAT_EQ(f.state.dot_nd, dot(f.state.normal, f.state.direction));
    }
    // A shadow ray from the front keeps its normal.
    f.state.normal = entry;
    f.state.inside = 0;
    f.state.ray_type = UVO_RAY_SHADOW;
    f.state.direction = Vector3{0, 0, -1};
    prepare();
    EXPECT_EQ(f.state.inside, 0);
    EXPECT_TRUE(near(work.shading_normal, bumped));
}
