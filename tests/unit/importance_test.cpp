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

TEST(Importance, PushAtTheRootKeepsTheCountAndReturnsTheWeight) {
    uvo_test::StateFixture f;
    uvo::ImportanceFrame frame;
    int32_t count = 16;
    const float branch = uvo::push_importance(&f.state, &frame, &count, 0.25f);
    EXPECT_EQ(count, 16);
    EXPECT_FLOAT_EQ(branch, 0.25f);
    EXPECT_FLOAT_EQ(f.state.importance, 0.25f / 16);
    EXPECT_FLOAT_EQ(stored_importance(), 0.25f / 16);
    EXPECT_EQ(host().lifetimes[UVO_KEY_IMPORTANCE], 1);
    EXPECT_EQ(host().store[UVO_KEY_IMPORTANCE].size(), 4u);

    uvo::pop_importance(&f.state, &frame);
    EXPECT_FLOAT_EQ(uvo::current_importance(&f.state), 1.0f);
    EXPECT_FLOAT_EQ(f.state.importance, 1.0f);
}

TEST(Importance, PushBelowABranchScalesTheCount) {
    uvo_test::StateFixture f;
    set_importance(0.5f);
    uvo::ImportanceFrame frame;
    int32_t count = 16;
    const float branch = uvo::push_importance(&f.state, &frame, &count, 0.25f);
    EXPECT_EQ(count, 4);  // trunc(sqrt(0.25) * 16 * 0.5)
    EXPECT_FLOAT_EQ(f.state.importance, 0.5f * 0.25f / 4);
    EXPECT_FLOAT_EQ(branch, 0.125f);
    uvo::pop_importance(&f.state, &frame);
    EXPECT_FLOAT_EQ(uvo::current_importance(&f.state), 0.5f);
    EXPECT_FLOAT_EQ(frame.saved_importance, 0.5f);
}

TEST(Importance, CountsAreRaisedToOneAndOneIsNeverScaled) {
    uvo_test::StateFixture f;
    set_importance(0.01f);
    uvo::ImportanceFrame frame;
    int32_t count = 16;  // trunc(sqrt(0.04) * 16 * 0.01) = 0 -> 1
    uvo::push_importance(&f.state, &frame, &count, 0.04f);
    EXPECT_EQ(count, 1);
    uvo::pop_importance(&f.state, &frame);

    count = 1;
    const float branch = uvo::push_importance(&f.state, &frame, &count, 0.5f);
    EXPECT_EQ(count, 1);
    EXPECT_FLOAT_EQ(branch, 0.01f * 0.5f);
    uvo::pop_importance(&f.state, &frame);

    // No count: n = 1.
    EXPECT_FLOAT_EQ(uvo::push_importance(&f.state, &frame, nullptr, 0.5f), 0.005f);
    uvo::pop_importance(&f.state, &frame);

    // Weights nobody bounds: a count beyond int32_t is cut to the limit, NaN gives 1.
    for (auto [weight, expected] : {std::pair{1e30f, uvo::max_sample_count}, {std::nanf(""), 1}}) {
        count = 16;
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

TEST(Importance, AStoredImportanceAboveOneIsIgnored) {
    uvo_test::StateFixture f;
    set_importance(1.5f);
    EXPECT_FLOAT_EQ(uvo::current_importance(&f.state), 1.5f);  // no range test here
    uvo::ImportanceFrame frame;
    int32_t count = 16;
    EXPECT_FLOAT_EQ(uvo::push_importance(&f.state, &frame, &count, 0.25f), 0.25f);
    EXPECT_EQ(count, 16);
    EXPECT_FLOAT_EQ(frame.saved_importance, 1.0f);
    uvo::pop_importance(&f.state, &frame);
    EXPECT_FLOAT_EQ(stored_importance(), 1.0f);
}

TEST(ReducedRay, FollowsTheDecisionOrder) {
    uvo_test::StateFixture f;
    // 1. No final gather: never reduced, no host call at all.
    host().reduced_ray = 1;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 0);
    EXPECT_TRUE(host().calls.empty());

    f.options.final_gather = 1;
    // 2. Gather rays are reduced without asking.
    f.state.ray_type = UVO_RAY_GATHER;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 1);
    EXPECT_TRUE(host().calls.empty());

    // 3. Eye rays under a gather parent key are not.
    f.state.ray_type = UVO_RAY_EYE;
    host().store[UVO_KEY_GATHER_PARENT] = {1};
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 0);
    host().store.clear();

    // 4. A failing query 116 means reduced; query 142 is not asked.
    host().calls.clear();
    host().gather_context_ok = 0;
    host().reduced_ray = 0;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 1);
    EXPECT_EQ(host().count("rx_query"), 1);

    // 5. Otherwise query 142 decides.
    host().gather_context_ok = 1;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 0);
    host().reduced_ray = 5;
    f.state.ray_type = UVO_RAY_REFLECT;
    EXPECT_EQ(uvo::is_reduced_ray(&f.state), 1);
}
