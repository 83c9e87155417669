// The shader lifecycle as the host drives it, seen from a shader library that
// logs its calls: version once, shader init, instance init for each instance
// (with its own user-data slot and the declaration's version), the shader
// calls, instance exit for each instance, shader exit.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "render_support.h"

using namespace uvo_host;

TEST(Lifecycle, EveryShaderGoesThroughVersionInitCallsAndExit) {
    // Keep the probe library loaded past the session, so its log can be read.
    void *probe = dlopen(UVO_PROBE_SHADERS_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(probe, nullptr) << dlerror();
    auto log = reinterpret_cast<const char *(*)()>(dlsym(probe, "probe_log"));
    ASSERT_NE(log, nullptr);

    const std::string dir = uvo_host_test::scratch_dir("lifecycle");
    uvo_host_test::write_file(dir + "/scene.json", R"({"options": {"samples": 1},
        "camera": {"resolution": [4, 2], "orthographic": true, "aperture": 2,
                   "transform": {"translate": [0, 0, 5]}},
        "objects": [
            {"type": "box", "transform": {"scale": [1, 2, 1], "translate": [-0.5, 0, 0]},
             "material": {"shader": "uvo_probe", "params": {"value": 0.25}}},
            {"type": "box", "transform": {"scale": [1, 2, 1], "translate": [0.5, 0, 0]},
             "material": {"shader": "uvo_probe", "params": {"value": 0.75}}}]})");
    Image image;
    {
        SessionOptions options;
        options.scene = dir + "/scene.json";
        options.library = UVO_PROBE_SHADERS_PATH;
        options.declarations = UVO_PROBE_DECLARATIONS;
        RenderSession session(options);
        EXPECT_EQ(std::string(log()), "version;init-shader;init-instance 0.25 v5;init-instance 0.75 v5;");
        session.render(false);
        image = session.world().framebuffer;
    }
    EXPECT_EQ(std::string(log()),
              "version;init-shader;init-instance 0.25 v5;init-instance 0.75 v5;"
              "exit-instance 0.75;exit-instance 0.25;exit-shader;");
    // Each instance's calls found its own record through its slot.
    for (int y = 0; y < 2; ++y) {
        EXPECT_FLOAT_EQ(image.get(0, y).r, 0.25f) << "row " << y;
        EXPECT_FLOAT_EQ(image.get(3, y).r, 0.75f) << "row " << y;
    }
    dlclose(probe);
}
