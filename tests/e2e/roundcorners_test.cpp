// uvo_roundcorners in a real render, as the bump shader of the material: the
// rounded edge of a box turns towards the light.  The shape of the rounding
// itself is tested against a scripted edge in the unit tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "render_support.h"

using namespace uvo_host;
using uvo_host_test::render_in_process;
using uvo_host_test::scratch_dir;

TEST(RoundCorners, AsTheMaterialsBumpShaderItLightsTheRoundedEdge) {
    // The same view of the edge; the box is a white diffuse uvo_material_x
    // whose bump shader rounds its edges, lit by a directional light along
    // (0, -1, -1): both faces meet it at 45 degrees, the rounded edge head on.
    auto render = [](const std::string &name, double radius) {
        std::ostringstream s;
        s << R"({"options": {"samples": 1},
            "camera": {"resolution": [8, 48], "orthographic": true, "aperture": 0.2, "aspect": 0.1667,
                       "transform": {"look_at": {"from": [0.3, 4, 4], "to": [0.3, 1, 1], "up": [0, 1, 0]}}},
            "lights": [{"name": "sun", "type": "directional", "intensity": 1, "transform": {"rotate": [1, 0, 0, -45]}}],
            "objects": [{"type": "box", "size": 2,
                "material": {"shader": "uvo_material_x", "params": {"diffuse_color": [1, 1, 1], "reflectivity": 0,
                    "indirect_multiplier": 0, "light_mode": 3,
                    "bump_shader": {"shader": "uvo_roundcorners", "params": {"radius": )"
          << radius << "}}}}}]}";
        return render_in_process(scratch_dir(name), s.str());
    };
    const Image rounded = render("bumped", 0.3), sharp = render("unbumped", 0.0);
    const int x = 4, last = rounded.height - 1;
    std::string column;
    float brightest = 0.0f;
    for (int y = 0; y <= last; ++y) {
        column += std::to_string(rounded.get(x, y).g) + " ";
        brightest = std::max(brightest, rounded.get(x, y).g);
    }
    // Flat parts of both faces get the same light, with or without rounding.
    const float flat = sharp.get(x, 0).g;
    ASSERT_GT(flat, 0.0f);
    EXPECT_NEAR(sharp.get(x, last).g, flat, 1e-5f);
    EXPECT_FLOAT_EQ(rounded.get(x, 0).g, flat) << column;
    EXPECT_FLOAT_EQ(rounded.get(x, last).g, flat) << column;
    // The rounded edge turns towards the light: up to cos 0 against cos 45.
    EXPECT_GT(brightest, 1.3f * flat) << column;
}
