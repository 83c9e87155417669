// Light list modes 1 and 2 of uvo_material_x in the reference host: the
// material hands the host its own lights; the inclusive list keeps them, the
// exclusive list is every other light of the scene.  Each mode's image is the
// image of the plain list it stands for.
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

TEST(LightLists, InclusiveKeepsTheMaterialsLightsExclusiveTakesTheOthers) {
    const std::string dir = scratch_dir("light_lists");
    const auto left = render_in_process(dir, scene(0, R"(["left"])"));
    const auto right = render_in_process(dir, scene(0, R"(["right"])"));
    ASSERT_GT(uvo_host_test::mean_channel(left, 0), 2 * uvo_host_test::mean_channel(left, 2)) << "left is red";
    ASSERT_GT(uvo_host_test::mean_channel(right, 2), 2 * uvo_host_test::mean_channel(right, 0)) << "right is blue";
    EXPECT_TRUE(render_in_process(dir, scene(1, R"(["left"])")).rgba == left.rgba) << "inclusive [left]";
    EXPECT_TRUE(render_in_process(dir, scene(2, R"(["left"])")).rgba == right.rgba) << "exclusive [left]";
    EXPECT_TRUE(render_in_process(dir, scene(2, R"([])")).rgba ==
                render_in_process(dir, scene(0, R"(["left", "right"])")).rgba)
        << "exclusive of nothing: every light";
}
