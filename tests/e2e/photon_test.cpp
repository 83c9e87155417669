// The reference host's photon pass with the library's materials and lights:
// power bookkeeping and stored density in a closed diffuse box, the focus of
// a glass ball's caustic, segment shadows through two panes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/photon_pass.h"
#include "render_support.h"

using namespace uvo_host;
using uvo_host_test::open_session;
using uvo_host_test::scratch_dir;

namespace {

// Every photon ends escaped, absorbed or cut at the depth limit.
void expect_balanced(const PhotonStats &s) {
    EXPECT_NEAR(s.escaped_power + s.absorbed_power + s.cut_power, s.emitted_power, 1e-4 * s.emitted_power)
        << "escaped " << s.escaped_power << " absorbed " << s.absorbed_power << " cut " << s.cut_power;
}

}  // namespace

// A point light in a closed box of albedo rho: photons straight from the
// light are not stored and each bounce survives with probability rho, so the
// stored power is emitted * rho / (1 - rho), a sixth on each face.
TEST(PhotonPass, ClosedDiffuseBoxStoresRhoOverOneMinusRhoOfTheEmittedPower) {
    const double rho = 0.6;
    auto session = open_session(scratch_dir("photon_box"), R"({"options": {"photons": 20000, "photon_depth": 30},
        "camera": {"resolution": [2, 2]}, "lights": [{"name": "bulb", "type": "point", "intensity": 2}],
        "objects": [{"type": "box", "size": 2, "material": {"shader": "uvo_material_x", "params": {
            "diffuse_color": [0.6, 0.6, 0.6], "reflectivity": 0}}}]})");
    const PhotonStats s = run_photon_pass(session->world(), false);
    const double n = static_cast<double>(s.emitted);
    EXPECT_NEAR(s.emitted_power, 4.0 * std::numbers::pi * 2.0, 1e-3);
    EXPECT_EQ(s.escaped_power, 0.0);
    expect_balanced(s);
    const double mean = s.stored_power / n, sigma = std::sqrt((s.stored_power_sq / n - mean * mean) * n);
    const double expected = s.emitted_power * rho / (1.0 - rho);
    EXPECT_NEAR(s.stored_power, expected, 4.0 * sigma) << "sigma " << sigma;

    const PhotonMaps &maps = *session->world().photon_maps;
    EXPECT_EQ(maps.caustic.size(), 0u);
    double face[6] = {};
    for (const StoredPhoton &p : maps.global.photons()) {
        const float c[3] = {p.position.x, p.position.y, p.position.z};
        const auto axis = std::max_element(c, c + 3, [](float a, float b) { return std::fabs(a) < std::fabs(b); });
        face[2 * (axis - c) + (*axis > 0 ? 1 : 0)] += p.power.a;
    }
    for (int f = 0; f < 6; ++f)
        EXPECT_NEAR(face[f], expected / 6.0, 0.08 * expected / 6.0) << "face " << f;
    // The kd-tree's estimate at a face's centre: about the faces' mean irradiance.
    const Color e = maps.global.irradiance(Vector3{0, -1, 0}, Vector3{0, 1, 0}, 0.3f);
    EXPECT_NEAR((e.r + e.g + e.b) / 3, expected / 24.0, 0.1 * expected / 24.0);
}

// The sun straight down through a thin bundle around the axis of a glass
// ball (radius R, index n) over a floor of albedo 0.7: paraxial rays cross
// the axis n R / (2 (n - 1)) below the centre.  Each caustic photon's line,
// traced back from the floor, crosses the axis at its focus.
TEST(PhotonPass, GlassBallCausticFocusesWhereItsIndexPutsIt) {
    auto session = open_session(scratch_dir("photon_ball"), R"({"options": {"photons": 4000, "caustics": true},
        "camera": {"resolution": [2, 2]}, "lights": [{"name": "sun", "type": "directional",
            "transform": {"look_at": {"from": [0, 10, 0], "to": [0, 0, 0], "up": [0, 0, -1]}},
            "shader": {"shader": "uvo_physicalsun", "params": {"up_axis_y": true,
                "photon_region_min": [-0.1, -0.1, 0], "photon_region_max": [0.1, 0.1, 0]}}}],
        "objects": [{"type": "plane", "size": 4, "material": {"shader": "uvo_material_x", "params": {"reflectivity": 0}}},
            {"type": "sphere", "radius": 0.5, "segments": 128, "transform": {"translate": [0, 2, 0]},
             "material": {"shader": "uvo_material_x", "params": {"diffuse_weight": 0, "transparency": 1,
                 "refraction_ior": 1.5, "reflectivity": 0, "refractive_caustics": true}}}]})");
    const PhotonStats s = run_photon_pass(session->world(), false);
    expect_balanced(s);
    // The clear ball absorbs nothing, the floor 30% of what reaches it.
    EXPECT_NEAR(s.absorbed_power / s.emitted_power, 0.3, 0.02);
    const PhotonMaps &maps = *session->world().photon_maps;
    ASSERT_GT(maps.caustic.size(), 1000u) << "stored " << s.stored;
    std::vector<double> focus;
    for (const StoredPhoton &p : maps.caustic.photons()) {
        const double dx = p.direction.x, dz = p.direction.z;
        if (dx * dx + dz * dz > 1e-12)
            focus.push_back(2.0 - p.position.y + (p.position.x * dx + p.position.z * dz) / (dx * dx + dz * dz) *
                                                     p.direction.y);
    }
    std::nth_element(focus.begin(), focus.begin() + focus.size() / 2, focus.end());
    const double predicted = 1.5 * 0.5 / (2.0 * 0.5);
    EXPECT_NEAR(focus[focus.size() / 2], predicted, 0.1 * predicted);
}

// A lamp low on the left shines through vertical glass panes onto the floor
// under the camera.  Segment shadows go on through every surface, so two
// panes pass the square of what one passes.
TEST(PhotonPass, SegmentShadowsPassThroughEveryPane) {
    double lit[3];
    for (int panes = 0; panes < 3; ++panes) {
        std::string objects = R"({"type": "plane", "size": 6, "material": {"shader": "uvo_material_x", "params": {
            "reflectivity": 0, "indirect_multiplier": 0}}})";
        for (int i = 0; i < panes; ++i)
            objects += R"(, {"type": "box", "transform": {"scale": [0.02, 3, 4], "translate": [)" +
                       std::to_string(-1.2 - 0.3 * i) + R"(, 0, 0]}, "material": {"shader": "uvo_material_x", "params": {
                "diffuse_weight": 0, "transparency": 1, "refraction_ior": 1.5, "refraction_color": [0.9, 0.9, 0.9],
                "reflectivity": 0.5, "fresnel_from_ior": true}}})";
        lit[panes] = uvo_host_test::mean_channel(
            uvo_host_test::render_in_process(scratch_dir("segment_panes"),
                R"({"options": {"samples": 1, "shadow": "segments"}, )" + uvo_host_test::top_camera(0.8, 8) +
                R"(, "lights": [{"name": "lamp", "type": "point", "intensity": 10, "transform": {"translate": [-3, 0.8, 0]}}],
                "objects": [)" + objects + "]}"), 1);
    }
    const double one = lit[1] / lit[0], two = lit[2] / lit[0];
    ASSERT_TRUE(one > 0.5 && one < 0.9) << "a pane passes most of the light: " << one;
    EXPECT_NEAR(two, one * one, 0.01) << "open " << lit[0] << " one pane " << lit[1] << " two " << lit[2];
}
