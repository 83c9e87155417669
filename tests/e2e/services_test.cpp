// The host functions themselves: every function of the contract is exported
// by the host module, the shader-state store keeps its lifetimes, samples
// repeat per pixel sample and honour counts, and queries answer for the
// instance being called.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "render/context.h"
#include "render_support.h"
#include "render/shading.h"

using namespace uvo_host;

TEST(Services, TheHostModuleExportsEveryContractFunction) {
    void *module = dlopen("libuvo_host.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr) << dlerror();
    std::vector<std::string> missing;
#define UVO_CHECK_EXPORT(ret, name, params) \
    if (dlsym(module, #name) == nullptr)    \
        missing.push_back(#name);
#define UVO_CHECK_MESSAGE(name, params) UVO_CHECK_EXPORT(void, name, params)
    UVO_HOST_FUNCTIONS(UVO_CHECK_EXPORT)
    UVO_HOST_MESSAGES(UVO_CHECK_MESSAGE)
#undef UVO_CHECK_EXPORT
#undef UVO_CHECK_MESSAGE
    dlclose(module);
    EXPECT_TRUE(missing.empty()) << "missing: " << ::testing::PrintToString(missing);
}

TEST(Services, ShaderStateEntriesLiveAsLongAsTheirLifetime) {
    ShaderStateStore store;
    const float a = 0.5f, b = 0.25f;
    // Set at depth 1 by call 7 with lifetime "ray": seen at 1 and below, not above.
    void *stored = store.set("rxIM", 1, 7, &a, sizeof a, UVO_LIFETIME_RAY);
    ASSERT_NE(stored, nullptr);
    int32_t size = 0;
    EXPECT_EQ(store.get("rxIM", 1, &size), stored);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(store.get("rxIM", 3, nullptr), stored);
    EXPECT_EQ(store.get("rxIM", 0, nullptr), nullptr);
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
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<int32_t>(i * 3);
    store.set("rxXMST", 2, 9, big.data(), static_cast<int32_t>(big.size() * 4), UVO_LIFETIME_RAY);
    const auto *copy = static_cast<const int32_t *>(store.get("rxXMST", 2, &size));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(size, 1200);
    EXPECT_EQ(copy[299], 897);
    // Removal, and the end of the ray at depth 2.
    store.set("rxXMST", 2, 9, nullptr, 0, UVO_LIFETIME_RAY);
    EXPECT_EQ(store.get("rxXMST", 2, nullptr), nullptr);
    store.set("KEY_10", 2, 9, &a, sizeof a, UVO_LIFETIME_RAY);
    store.drop_depth(2);
    EXPECT_EQ(store.get("KEY_10", 5, nullptr), nullptr);
    EXPECT_EQ(store.live(), 1);
    store.drop_depth(0);
    EXPECT_EQ(store.live(), 0);
}

TEST(Services, SampleLoopsRepeatPerPixelSampleAndHonourCounts) {
    ThreadContext context(0);
    set_current_context(&context);
    context.sampling.pixel_seed = 1234;
    context.sampling.samples = 4;
    auto run_loop = [&](uint32_t sample, int32_t count) {
        context.sampling.sample = sample;
        context.sampling.ordinal = 0;
        std::vector<double> values;
        int32_t instance = 0, n = count;
        double u[3];
        while (rx_sample(u, &instance, nullptr, 3, &n)) {
            for (double v : u) {
                EXPECT_GE(v, 0.0);
                EXPECT_LT(v, 1.0);
            }
            values.insert(values.end(), u, u + 3);
        }
        EXPECT_EQ(instance, count);
        return values;
    };
    const auto first = run_loop(0, 5);
    EXPECT_EQ(first.size(), 15u);
    EXPECT_EQ(run_loop(0, 5), first) << "same pixel sample, same numbers";
    EXPECT_NE(run_loop(1, 5), first) << "the next pixel sample continues the sequence";
    // Over all pixel samples, a loop of 4 covers 16 points that stratify each
    // dimension into 16 intervals.
    std::vector<int> strata(16, 0);
    for (uint32_t s = 0; s < 4; ++s) {
        const auto values = run_loop(s, 4);
        for (size_t i = 0; i < values.size(); i += 3)
            ++strata[static_cast<int>(values[i] * 16)];
    }
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(strata[k], 1) << "stratum " << k;
    // A count of zero yields nothing; without a count the loop never ends.
    int32_t instance = 0, zero = 0;
    double u[2];
    EXPECT_FALSE(rx_sample(u, &instance, nullptr, 2, &zero));
    for (int k = 0; k < 100; ++k)
        ASSERT_TRUE(rx_sample(u, &instance, nullptr, 2, nullptr));
    set_current_context(nullptr);
}

TEST(Services, QueriesAnswerForTheInstanceBeingCalled) {
    const std::string dir = uvo_host_test::scratch_dir("queries");
    uvo_host_test::write_file(dir + "/scene.json", R"({"camera": {"resolution": [2, 2]},
        "lights": [{"name": "a", "type": "point"}, {"name": "b", "type": "rectangle", "size": [2, 3]}],
        "objects": [{"type": "box", "material": "uvo_light_surface"}, {"type": "box", "material": "lambert"}]})");
    SessionOptions options;
    options.scene = dir + "/scene.json";
    options.library = UVO_SHADERS_PATH;
    options.declarations = std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders";
    RenderSession session(options);
    Scene &scene = session.world().scene;
    ThreadContext context(0);
    set_current_context(&context);
    ShadingState *state = context.root(scene);
    for (Object &object : scene.objects) {
        state->shader = &object.material->record;
        void **slot = nullptr;
        ASSERT_TRUE(rx_query(UVO_QUERY_USER_DATA_SLOT, state, 0, &slot));
        EXPECT_EQ(slot, &object.material->user_slot) << object.material->code->name;
        HostLock lock = nullptr;
        ASSERT_TRUE(rx_query(UVO_QUERY_INSTANCE_LOCK, state, 0, &lock));
        rx_lock(lock);
        EXPECT_FALSE(object.material->lock.try_lock()) << "rx_lock holds the instance lock";
        rx_unlock(lock);
        int32_t version = 0;
        ASSERT_TRUE(rx_query(UVO_QUERY_DECLARATION_VERSION, state, state->shader->declaration, &version));
        EXPECT_EQ(version, object.material->code->declaration->version);
    }
    int32_t count = 0;
    Tag *lights = nullptr;
    ASSERT_TRUE(rx_query(UVO_QUERY_LIGHT_COUNT, state, 0, &count));
    ASSERT_TRUE(rx_query(UVO_QUERY_LIGHT_LIST, state, 0, &lights));
    ASSERT_EQ(count, 2);
    Vector3 edge{};
    ASSERT_TRUE(rx_query(UVO_QUERY_LIGHT_EDGE_V, state, lights[1], &edge));
    EXPECT_FLOAT_EQ(edge.y, 3.0f);
    // Reduced rays are the gather rays.
    int32_t reduced = -1;
    rx_query(UVO_QUERY_REDUCED_RAY, state, 0, &reduced);
    EXPECT_EQ(reduced, 0);
    state->ray_type = UVO_RAY_GATHER;
    rx_query(UVO_QUERY_REDUCED_RAY, state, 0, &reduced);
    EXPECT_EQ(reduced, 1);
    int32_t gather = 0;
    EXPECT_FALSE(rx_query(UVO_QUERY_GATHER_CONTEXT, state, 0, &gather));
    // Transforms: a light's space is placed by its transform.
    scene.lights[1].to_world = translation(Vector3{1, 2, 3});
    state->light_instance = lights[1];
    Vector3 p{}, origin{0, 0, 0};
    rx_point_from_light(state, &p, &origin);
    EXPECT_FLOAT_EQ(p.z, 3.0f);
    context.pop(state);
    set_current_context(nullptr);
}

TEST(Services, ProbeFillsTheHitAndTriangleVectorsAgreeWithIt) {
    const std::string dir = uvo_host_test::scratch_dir("probe");
    uvo_host_test::write_file(dir + "/scene.json", R"({"options": {"gather_rays": 8},
        "camera": {"resolution": [2, 2], "environment": {"shader": "constant", "params": {"color": [0.5, 0.5, 0.5]}}},
        "objects": [{"type": "sphere", "radius": 1, "segments": 32, "transform": {"translate": [1, 0, 0]},
                     "material": "lambert"}]})");
    SessionOptions options;
    options.scene = dir + "/scene.json";
    options.library = UVO_SHADERS_PATH;
    options.declarations = std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders";
    RenderSession session(options);
    ThreadContext context(0);
    set_current_context(&context);
    ShadingState *root = context.root(session.world().scene);
    const Vector3 origin{1.1f, 0.2f, 5.0f}, direction{0, 0, -1};
    ASSERT_TRUE(rx_trace_probe(root, &direction, &origin));
    ShadingState *hit = root->child;
    EXPECT_NEAR(hit->distance, 4.0, 0.05);
    EXPECT_NEAR(hit->point.z, 5.0 - hit->distance, 1e-4);
    EXPECT_LT(hit->dot_nd, -0.9f) << "the normal faces the ray";
    EXPECT_NEAR(hit->bary.x + hit->bary.y + hit->bary.z, 1.0f, 1e-5f);
    EXPECT_EQ(hit->inside, 0);
    // The triangle's object-space vertices, weighted by the barycentrics, give
    // the hit point in object space (the sphere sits at x = 1).
    Vector3 *a, *b, *c;
    ASSERT_TRUE(rx_tri_vectors(hit, 'p', 0, &a, &b, &c));
    const Vector3 local = *a * hit->bary.x + *b * hit->bary.y + *c * hit->bary.z;
    EXPECT_NEAR(local.x + 1.0f, hit->point.x, 1e-4f);
    EXPECT_NEAR(local.y, hit->point.y, 1e-4f);
    EXPECT_NEAR(local.z, hit->point.z, 1e-4f);
    ASSERT_TRUE(rx_tri_vectors(hit, 't', 0, &a, &b, &c));
    const Vector3 uv = *a * hit->bary.x + *b * hit->bary.y + *c * hit->bary.z;
    EXPECT_NEAR(uv.x, hit->tex.x, 1e-5f);
    EXPECT_NEAR(uv.y, hit->tex.y, 1e-5f);
    // Object space from internal space and back.
    Vector3 n_object{}, n_back{};
    rx_vector_to_object(hit, &n_object, &hit->normal);
    rx_vector_from_object(hit, &n_back, &n_object);
    EXPECT_NEAR(n_back.z, hit->normal.z, 1e-5f);
    // A convex object under a uniform sky: the averaged radiance is the sky.
    Color average{};
    ASSERT_TRUE(rx_compute_avg_radiance(&average, hit, UVO_FACE_FRONT, nullptr));
    EXPECT_NEAR(average.g, 0.5f, 1e-5f);
    // Missing the sphere: no hit.
    const Vector3 away{0, 0, 1};
    EXPECT_FALSE(rx_trace_probe(root, &away, &origin));
    context.pop(root);
    set_current_context(nullptr);
}
