// Test entry: binds the library's host functions to the test host before any
// test runs, and checks after each test that the test host saw no leak.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "test_host.h"

extern "C" void rxSetModuleHandle(void *module);

namespace {

class HostEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        void *module = dlopen("libuvo_testhost.so", RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(module, nullptr) << dlerror();
        rxSetModuleHandle(module);
    }
};

class LeakListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override { uvo_test::host().reset(); }
    void OnTestEnd(const ::testing::TestInfo &) override {
        auto &h = uvo_test::host();
        EXPECT_TRUE(h.live.empty()) << h.live.size() << " host allocations leaked, the first from module "
                                    << (h.live.empty() ? "" : h.live.begin()->second.module) << " line "
                                    << (h.live.empty() ? 0 : h.live.begin()->second.line);
        EXPECT_EQ(h.bad_releases, 0) << "released memory the host never gave";
    }
};

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new HostEnvironment);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LeakListener);
    return RUN_ALL_TESTS();
}
