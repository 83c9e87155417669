// Importance bookkeeping: the push/pop arithmetic and the reduced-ray test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "frame/importance.h"
#include "test_host.h"

using uvo_test::host;

namespace {

float stored_importance() {
    auto it = host().store.find(UVO_KEY_IMPORTANCE);
    EXPECT_NE(it, host().store.end());
    float value;
    std::memcpy(&value, it->second.data(), sizeof value);
    return value;
}

void set_importance(float value) { host().store[UVO_KEY_IMPORTANCE].assign(
        reinterpret_cast<const char *>(&value), reinterpret_cast<const char *>(&value) + sizeof value); }

}  // namespace

// Below a stored importance p (none at the root; one above 1 counts as none)
// a count n becomes trunc(sqrt(weight) x n x p), at least 1, and 1 or no
// count stays 1; the branch weight p x weight comes back, the branch's
// importance is that over the count, and pop puts p (or 1) back.
TEST(Importance, PushScalesTheCountAndPopPutsTheImportanceBack) {
    struct Row {
        float stored;  // < 0: none
        int32_t count, want_count;  // count 0: no count
        float weight, want_branch;
    };
    const Row rows[] = {
        {-1.0f, 16, 16, 0.25f, 0.25f},   // at the root the count is kept
        {0.5f, 16, 4, 0.25f, 0.125f},    // trunc(sqrt(0.25) x 16 x 0.5)
        {0.01f, 16, 1, 0.04f, 0.0004f},  // trunc(0.032) raised to 1
        {0.01f, 1, 1, 0.5f, 0.005f},
        {0.01f, 0, 1, 0.5f, 0.005f},
        {1.5f, 16, 16, 0.25f, 0.25f},
    };
    for (const Row &r : rows) {
        host().reset();
        uvo_test::StateFixture f;
        if (r.stored >= 0.0f)
            set_importance(r.stored);
        const float saved = r.stored >= 0.0f && r.stored <= 1.0f ? r.stored : 1.0f;
        uvo::ImportanceFrame frame;
        int32_t count = r.count;
        const float branch = uvo::push_importance(&f.state, &frame, r.count ? &count : nullptr, r.weight);
        EXPECT_TRUE(count == (r.count ? r.want_count : 0) && frame.saved_importance == saved)
            << "stored " << r.stored << " count " << r.count << " -> " << count;
        EXPECT_FLOAT_EQ(branch, r.want_branch) << "stored " << r.stored << " count " << r.count;
        EXPECT_FLOAT_EQ(f.state.importance, r.want_branch / r.want_count) << "stored " << r.stored;
        EXPECT_FLOAT_EQ(stored_importance(), r.want_branch / r.want_count) << "stored " << r.stored;
        uvo::pop_importance(&f.state, &frame);
        EXPECT_TRUE(uvo::current_importance(&f.state) == saved && f.state.importance == saved) << r.stored;
    }
    // Weights nobody bounds: a count beyond int32_t is cut to the limit, NaN gives 1.
    uvo_test::StateFixture f;
    set_importance(0.01f);
    uvo::ImportanceFrame frame;
    for (auto [weight, expected] : {std::pair{1e30f, uvo::max_sample_count}, {std::nanf(""), 1}}) {
        int32_t count = 16;
        uvo::push_importance(&f.state, &frame, &count, weight);
        EXPECT_EQ(count, expected) << "weight " << weight;
        uvo::pop_importance(&f.state, &frame);
    }
}

TEST(Importance, ReducedRaysTakeTheLowSampleCountAtAnyDepth) {
    uvo_test::StateFixture f;
    f.options.final_gather = 1;
    host().reduced_ray = 1;
    uvo::ImportanceFrame frame{1, 0.0f};
    int32_t count = 64;
    uvo::push_importance(&f.state, &frame, &count, 1.0f);
    EXPECT_EQ(count, 1);
    uvo::pop_importance(&f.state, &frame);

    set_importance(0.9f);
    count = 64;
    uvo::push_importance(&f.state, &frame, &count, 1.0f);
    EXPECT_EQ(count, 1);
}

TEST(ReducedRay, FollowsTheDecisionOrder) {
    uvo_test::StateFixture f;
    // 1. No final gather: never reduced.
    host().reduced_ray = 1;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 0);

    f.options.final_gather = 1;
    // 2. Gather rays are reduced.
    f.state.ray_type = UVO_RAY_GATHER;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 1);

    // 3. Eye rays under a gather parent key are not.
    f.state.ray_type = UVO_RAY_EYE;
    host().store[UVO_KEY_GATHER_PARENT] = {1};
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 0);
    host().store.clear();

    // 4. A failing query 116 means reduced.
    host().gather_context_ok = 0;
    host().reduced_ray = 0;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 1);

    // 5. Otherwise query 142 decides.
    host().gather_context_ok = 1;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 0);
    host().reduced_ray = 5;
    f.state.ray_type = UVO_RAY_REFLECT;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 1);
}
