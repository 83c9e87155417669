// uvo_roundcorners in real renders: a box whose material is the rounding
// shader with the host's normal_color chained behind it shows its shading
// normals as colours.  Across an edge they must turn smoothly from one face's
// normal to the other's; far from edges they must stay the face normal.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "render_support.h"

using namespace uvo_host;
using uvo_host_test::render_in_process;
using uvo_host_test::scratch_dir;

namespace {

// A box of side 2 (faces at +-1) seen by an orthographic camera along
// (0, -1, -1), centred on the edge between the top face (+y) and the front
// face (+z) at x = 0.3: the image's rows cross the edge, the top face above.
std::string edge_scene(double radius, int resolution) {
    std::ostringstream s;
    s << R"({"options": {"samples": 1},
        "camera": {"resolution": [)" << resolution << ", " << resolution
      << R"(], "orthographic": true, "aperture": 1.2,
                   "transform": {"look_at": {"from": [0.3, 4, 4], "to": [0.3, 1, 1], "up": [0, 1, 0]}}},
        "objects": [{"type": "box", "size": 2,
            "material": {"shader": "uvo_roundcorners", "params": {"radius": )"
      << radius << R"(,
                "chained_shader": {"shader": "normal_color", "params": {"mapped": false}}}}}]})";
    return s.str();
}

Vector3 normal_at(const Image &image, int x, int y) {
    const Color c = image.get(x, y);
    return Vector3{c.r, c.g, c.b};
}

std::string column_text(const Image &image, int x) {
    std::ostringstream s;
    for (int y = 0; y < image.height; ++y) {
        const Vector3 n = normal_at(image, x, y);
        s << y << ": (" << n.x << ", " << n.y << ", " << n.z << ")\n";
    }
    return s.str();
}

}  // namespace

TEST(RoundCorners, NormalsTurnSmoothlyAcrossAnEdgeAndStayFlatAwayFromIt) {
    const int size = 48;
    const Image image = render_in_process(scratch_dir("edge"), edge_scene(0.3, size));
    ASSERT_EQ(image.width, size);
    const int x = size / 2;
    const std::string column = column_text(image, x);
    // Ends: beyond the radius each face keeps its own normal exactly.
    const Vector3 top = normal_at(image, x, 0), front = normal_at(image, x, size - 1);
    EXPECT_EQ(top.x, 0.0f) << column;
    EXPECT_EQ(top.y, 1.0f) << column;
    EXPECT_EQ(top.z, 0.0f) << column;
    EXPECT_EQ(front.x, 0.0f) << column;
    EXPECT_EQ(front.y, 0.0f) << column;
    EXPECT_EQ(front.z, 1.0f) << column;
    // Down the column the normal turns from +y to +z: y never grows, z never
    // shrinks, every pixel is a unit normal in the plane of the two face
    // normals, and no step between neighbours is large (a sharp edge jumps
    // by sqrt(2) in one step).
    int turning = 0;
    float largest_step = 0.0f;
    for (int y = 1; y < size; ++y) {
        const Vector3 a = normal_at(image, x, y - 1), b = normal_at(image, x, y);
        EXPECT_LE(b.y, a.y + 1e-6f) << "row " << y << "\n" << column;
        EXPECT_GE(b.z, a.z - 1e-6f) << "row " << y << "\n" << column;
        EXPECT_NEAR(length(b), 1.0f, 1e-5f) << "row " << y;
        EXPECT_NEAR(b.x, 0.0f, 1e-5f) << "row " << y;
        largest_step = std::max(largest_step, length(b - a));
        if (b.y < 0.999f && b.z < 0.999f)
            ++turning;
    }
    EXPECT_LT(largest_step, 0.25f) << column;
    // The transition is spread over the rows within the radius of the edge
    // on both faces (0.3 of 1.2 units of film per face, seen at 45 degrees).
    EXPECT_GE(turning, 8) << column;
    // Across the edge the normal is symmetric: the pixel pair straddling it
    // mirrors y and z.
    const Vector3 mid = normal_at(image, x, size / 2 - 1), mid2 = normal_at(image, x, size / 2);
    EXPECT_NEAR(mid.y, mid2.z, 0.1f) << column;

    // Without rounding the same column jumps at the edge: the measure above
    // does see a sharp edge.
    const Image sharp = render_in_process(scratch_dir("sharp"), edge_scene(0.0, size));
    float sharp_step = 0.0f;
    for (int y = 1; y < size; ++y)
        sharp_step = std::max(sharp_step, length(normal_at(sharp, x, y) - normal_at(sharp, x, y - 1)));
    EXPECT_GT(sharp_step, 1.3f) << column_text(sharp, x);
}

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
    for (int y = 0; y <= last; ++y)
        EXPECT_NEAR(sharp.get(x, y).g, flat, 1e-5f) << "row " << y << ": no rounding, no change";
    // The rounded edge turns towards the light: up to cos 0 against cos 45.
    EXPECT_GT(brightest, 1.3f * flat) << column;
}
