// The light modes of uvo_material_x in the reference host: the material
// hands the host its own lights; the inclusive list (1) keeps them, the
// exclusive list (2) is every other light of the scene, and all lights (3)
// and the instance's lights (4) are both here.  Each mode's image is the
// image of the plain list (mode 0) it stands for.
#include <gtest/gtest.h>

#include "render_support.h"

using uvo_host_test::render_in_process;
using uvo_host_test::scratch_dir;

namespace {

// A floor under two lamps of different colours, left and right.
std::string scene(int mode, const std::string &lights) {
    return R"({"options": {"samples": 1},
    "camera": {"resolution": [12, 8], "transform": {"look_at": {"from": [0, 4, 4], "to": [0, 0, 0]}}},
    "lights": [{"name": "left", "type": "point", "color": [1, 0.2, 0.2], "intensity": 8,
                "transform": {"translate": [-2, 2, 0]}},
               {"name": "right", "type": "point", "color": [0.2, 0.2, 1], "intensity": 8,
                "transform": {"translate": [2, 2, 0]}}],
    "objects": [{"type": "plane", "size": 10, "material": {"shader": "uvo_material_x", "params": {
        "reflectivity": 0, "light_mode": )" +
           std::to_string(mode) + R"(, "lights": )" + lights + "}}}]}";
}

}  // namespace

TEST(LightLists, EveryModeIsThePlainListItStandsFor) {
    const std::string dir = scratch_dir("light_lists");
    const auto left = render_in_process(dir, scene(0, R"(["left"])"));
    const auto right = render_in_process(dir, scene(0, R"(["right"])"));
    const auto both = render_in_process(dir, scene(0, R"(["left", "right"])"));
    ASSERT_GT(uvo_host_test::mean_channel(left, 0), 2 * uvo_host_test::mean_channel(left, 2)) << "left is red";
    ASSERT_GT(uvo_host_test::mean_channel(right, 2), 2 * uvo_host_test::mean_channel(right, 0)) << "right is blue";
    EXPECT_TRUE(render_in_process(dir, scene(1, R"(["left"])")).rgba == left.rgba) << "inclusive [left]";
    EXPECT_TRUE(render_in_process(dir, scene(2, R"(["left"])")).rgba == right.rgba) << "exclusive [left]";
    for (int mode : {2, 3, 4})
        EXPECT_TRUE(render_in_process(dir, scene(mode, "[]")).rgba == both.rgba) << "mode " << mode << ": every light";
    EXPECT_EQ(uvo_host_test::mean_channel(render_in_process(dir, scene(0, "[]")), 1), 0.0) << "no lights listed";
}
