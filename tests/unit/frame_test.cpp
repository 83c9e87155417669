// Host binding, messages and the shared parameter and memory helpers.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "frame/binding.h"
#include "frame/memory.h"
#include "frame/params.h"
#include "frame/shader.h"
#include "test_host.h"
#include "test_paths.h"

extern "C" void rxSetModuleHandle(void *module);

using uvo_test::host;

namespace {

void *test_host_module() { return dlopen("libuvo_testhost.so", RTLD_NOW | RTLD_NOLOAD); }

std::string hex_low32(const void *handle) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(handle) & 0xffffffffu));
    return text;
}

// Rebinds to the test host when a test leaves.
struct Rebind {
    ~Rebind() { rxSetModuleHandle(test_host_module()); }
};

}  // namespace

TEST(Binding, SecondHandleRebindsEveryFunctionInTheNewModule) {
    Rebind rebind;
    uvo::rx_info("to the test host");
    ASSERT_EQ(host().texts("info").size(), 1u);

    void *alt = dlopen(UVO_ALTHOST_PATH, RTLD_NOW);
    ASSERT_NE(alt, nullptr) << dlerror();
    auto *count = static_cast<int *>(dlsym(alt, "alt_host_info_count"));
    auto *last = static_cast<const char *>(dlsym(alt, "alt_host_last_info"));
    rxSetModuleHandle(alt);
    uvo::rx_info("to the %s host", "second");
    EXPECT_EQ(*count, 1);
    EXPECT_STREQ(last, "to the second host");
    EXPECT_EQ(host().texts("info").size(), 1u) << "the old binding was used";

    // The second module lacks rx_query: every attempt reports it and yields 0.
    testing::internal::CaptureStderr();
    int32_t answer = 7;
    EXPECT_EQ(uvo::rx_query(UVO_QUERY_REDUCED_RAY, nullptr, 0, &answer), 0);
    EXPECT_EQ(uvo::rx_query(UVO_QUERY_REDUCED_RAY, nullptr, 0, &answer), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, 7) << "a failed lookup answers nothing";
    // The code comes from dlerror's report, which the lookup consumes.
    const std::string prefix = "dlsym failed on \"rx_query\" (handle: " + hex_low32(alt) + " error: 1)";
    EXPECT_EQ(dlerror(), nullptr) << "stale text left for the host";
    size_t first = err.find(prefix);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_NE(err.find(prefix, first + 1), std::string::npos) << "reported once per attempt: " << err;
    EXPECT_EQ(err.back(), '\n');
}

TEST(Binding, NullHandleIsReportedAndTheLookupStillRuns) {
    Rebind rebind;
    rxSetModuleHandle(nullptr);
    testing::internal::CaptureStderr();
    uvo::rx_progress("still %d", 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "DYNLOAD: dl_handle null\n");
    // The global scope holds the test host, so the message arrived.
    EXPECT_EQ(host().texts("progress"), std::vector<std::string>{"still 1"});
}

TEST(Messages, HostReceivesFinishedText) {
    const int y = 32, height = 64;
    uvo::rx_progress("uvo_exposure_simple: %d percent", 100 * y / height);
    uvo::rx_nerror(42, "numbered %s", "error");
    uvo::rx_nwarning(7, "%5.1f", 3.25);
    ASSERT_EQ(host().messages.size(), 3u);
    EXPECT_EQ(host().messages[0].text, "uvo_exposure_simple: 50 percent");
    EXPECT_EQ(host().messages[0].level, "progress");
    EXPECT_EQ(host().messages[1].number, 42);
    EXPECT_EQ(host().messages[1].text, "numbered error");
    EXPECT_EQ(host().messages[2].text, "  3.2");
}

TEST(Messages, LongTextIsCutToTheBuffer) {
    const std::string long_text(3000, 'x');
    uvo::rx_warning("%s", long_text.c_str());
    ASSERT_EQ(host().messages.size(), 1u);
    EXPECT_EQ(host().messages[0].text, std::string(1023, 'x'));
}

namespace {
struct Block {
    float a;
    Color c;
    uvo::ParamArray<Tag, 3> tags;
};
}  // namespace

// Unconnected fields are read from the block without the host; connected
// ones through the host at their offset, falling back to the block on null.
TEST(Params, FieldsComeFromTheBlockOrTheHost) {
    uvo_test::StateFixture f;
    uvo_test::ParamBlock<Block> block;
    block->a = 2.5f;
    block.attach(f.shader, false);
    EXPECT_EQ(uvo::eval(&f.state, block.get(), block->a), 2.5f);

    block.attach(f.shader, true);
    block.storage.flags[0] = 0;  // `a` stays unconnected
    static const float connected_value = 9.0f;
    Color from_host{1, 2, 3, 4};
    host().script.rx_phen_eval = [&](ShadingState *, const void *p) -> void * {
        return p == &block->c ? static_cast<void *>(&from_host) : const_cast<float *>(&connected_value);
    };
    EXPECT_EQ(uvo::eval(&f.state, block.get(), block->a), 2.5f);
    EXPECT_EQ(uvo::eval(&f.state, block.get(), block->c).b, 3.0f);

    block.storage.flags[0] = 1;
    host().script.rx_phen_eval = [](ShadingState *, const void *) -> void * { return nullptr; };
    EXPECT_EQ(uvo::eval(&f.state, block.get(), block->a), 2.5f);
}
