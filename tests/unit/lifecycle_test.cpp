// The lifecycle conventions every shader of the built library shares, checked
// on the library as a host loads it: version calls work before any host is
// bound, and init and exit for the shader as a whole (no parameter block) ask
// for instance init, succeed and allocate nothing.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "test_host.h"
#include "test_paths.h"

using uvo_test::host;

namespace {

const std::map<std::string, int> versions = {
    {"uvo_material", 14},       {"uvo_material_x", 16},  {"uvo_roundcorners", 3},
    {"uvo_physicalsky", 5},     {"uvo_physicalsun", 6},  {"uvo_ciesky", 1},
    {"uvo_portal_light", 9},    {"uvo_light_surface", 3}, {"uvo_exposure_simple", 1},
    {"uvo_exposure_photographic", 4}, {"uvo_lens_bokeh", 4}, {"uvo_envblur", 1},
};

struct Library {
    void *handle = dlopen(UVO_SHADERS_PATH, RTLD_NOW | RTLD_LOCAL);
    ~Library() {
        if (handle != nullptr)
            dlclose(handle);
    }
    template <class F>
    F get(const std::string &name) const {
        return reinterpret_cast<F>(dlsym(handle, name.c_str()));
    }
};

}  // namespace

TEST(Lifecycle, VersionsAnswerBeforeTheHostIsBound) {
    Library library;
    ASSERT_NE(library.handle, nullptr) << dlerror();
    testing::internal::CaptureStderr();
    int found = 0;
    for (const auto &[shader, version] : versions) {
        auto fn = library.get<UvoVersionFn>(shader + "_version");
        if (fn == nullptr)
            continue;
        ++found;
        EXPECT_EQ(fn(), version) << shader;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a version call reached for the host";
    EXPECT_GE(found, 1);
}

TEST(Lifecycle, ShaderLevelInitAndExitWithANullBlock) {
    Library library;
    ASSERT_NE(library.handle, nullptr) << dlerror();
    auto set_module = library.get<UvoSetModuleHandleFn>("rxSetModuleHandle");
    ASSERT_NE(set_module, nullptr);
    set_module(dlopen("libuvo_testhost.so", RTLD_NOW | RTLD_NOLOAD));

    uvo_test::StateFixture f;
    for (const auto &[shader, version] : versions) {
        auto init = library.get<UvoInitFn>(shader + "_init");
        auto exit = library.get<UvoExitFn>(shader + "_exit");
        if (init != nullptr) {
            Boolean request = 0;
            EXPECT_EQ(init(&f.state, nullptr, &request) != 0, true) << shader;
            EXPECT_NE(request, 0) << shader << " must ask for instance init";
        }
        if (exit != nullptr) {
            EXPECT_NE(exit(&f.state, nullptr), 0) << shader;
        }
    }
    EXPECT_TRUE(host().live.empty());
}
