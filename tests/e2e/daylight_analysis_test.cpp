// Illuminance sensors against closed forms: the CIE overcast sky over an
// open ground, an integrating sphere lit from its centre, and the reference
// room through uvo-render (files, daylight factors falling off with depth).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "analysis/daylight_analysis.h"
#include "render_support.h"

using namespace uvo_host;
using namespace uvo_host_test;

namespace {

constexpr double kPi = std::numbers::pi;

AnalysisResult analyse(RenderSession &session, int samples, int bounces) {
    const AnalysisPlan &plan = *session.world().scene.analysis;
    IlluminanceSettings settings = analysis_settings(plan, samples, 1);
    settings.bounces = bounces;
    return run_analysis(session.world(), plan, settings);
}

}  // namespace

TEST(DaylightAnalysis, OpenGroundUnderOvercastSkyReadsSevenThirdsPiLz) {
    // E = integral of Lz (1 + 2 cos t) cos t over the hemisphere = 7 pi / 3 Lz,
    // and the same sky gives E_out, so the daylight factor is 100 %.
    const double lz = 2500.0;
    auto session = open_session(scratch_dir("overcast"), R"({"options": {"samples": 1, "ground_reflectance": 0.2},
        "camera": {"resolution": [1, 1], "environment": {"shader": "uvo_ciesky", "params":
            {"overcast_fraction": 1, "zenith_luminance": )" + std::to_string(lz) + R"(, "up_axis_y": true}}},
        "objects": [{"type": "plane", "size": 20, "material": {"shader": "lambert", "params": {"indirect": true}}}],
        "analysis": {"daylight_factor": true, "grids": [{"name": "g", "points": [{"position": [0, 0, 0]}]}]}})");
    const AnalysisResult r = analyse(*session, 1024, 4);
    const double want = 7.0 * kPi / 3.0 * lz;
    const SensorReading &s = r.grids[0].readings[0];
    EXPECT_NEAR(s.lux, want, 0.005 * want) << "stderr " << s.standard_error;
    EXPECT_NEAR(r.outside_lux, want, 0.005 * want);
    EXPECT_NEAR(r.grids[0].daylight_factor[0], 100.0, 0.5);
    EXPECT_GT(s.standard_error, 0.0);
    // The ground below the horizon: 0.2 E_out / pi.
    EXPECT_NEAR(session->world().scene.ground.luminance, 0.2 * r.outside_lux / kPi, 1e-3 * r.outside_lux);
}

TEST(DaylightAnalysis, IntegratingSphereLitFromItsCentre) {
    // Inside a closed Lambertian sphere (reflectance rho, area A) a point
    // light of flux Phi gives E = Phi / (A (1 - rho)) on the wall; a sensor
    // turned away from the light reads only the interreflected part,
    // rho Phi / (A (1 - rho)), and with one reflection allowed rho Phi / A.
    const double rho = 0.5, flux = 1000.0, area = 4.0 * kPi;
    auto session = open_session(scratch_dir("sphere"), R"({"options": {"samples": 1},
        "camera": {"resolution": [1, 1]},
        "lights": [{"name": "bulb", "type": "point", "intensity": )" + std::to_string(flux / (4.0 * kPi)) + R"(}],
        "objects": [{"type": "sphere", "radius": 1, "segments": 256, "material": {"shader": "lambert",
            "params": {"diffuse": [0.5, 0.5, 0.5], "samples": 1, "indirect": true}}}],
        "analysis": {"grids": [{"name": "s", "points": [
            {"position": [0.9995, 0, 0], "normal": [-1, 0, 0]},
            {"position": [0, 0.5, 0], "normal": [0, 1, 0]}]}]}})");
    const double wall = flux / (area * (1.0 - rho));
    const AnalysisResult full = analyse(*session, 2048, 12);
    const SensorReading &facing = full.grids[0].readings[0], away = full.grids[0].readings[1];
    EXPECT_NEAR(facing.lux, wall, 0.01 * wall) << "stderr " << facing.standard_error;
    EXPECT_NEAR(away.lux, rho * wall, 0.01 * rho * wall) << "stderr " << away.standard_error;
    const AnalysisResult one = analyse(*session, 512, 1);
    EXPECT_NEAR(one.grids[0].readings[1].lux, rho * flux / area, 0.01 * rho * flux / area);
}

TEST(DaylightAnalysis, ReferenceRoomWritesItsFilesAndDaylightFallsOffWithDepth) {
    const std::string dir = scratch_dir("room");
    const CommandResult run = run_render(std::string(UVO_SOURCE_DIR) +
                                         "/scenes/daylight_factor_room.json --width 32 --height 24 --samples 1 "
                                         "--sensor-samples 256 --no-progress -v 1 -o " + dir + "/room");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    for (const char *file : {"room_work_plane.png", "room_summary.txt", "room_luminance.exr", "room_luminance.png"})
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + file)) << file;
    std::ifstream csv(dir + "/room_work_plane.csv");
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "x,y,z,lux,stderr,daylight_factor");
    double df_front = 0, df_back = 0;  // sums over the rows x = 0.5 and x = 5.5
    int rows = 0;
    while (std::getline(csv, line)) {
        std::istringstream in(line);
        double v[6];
        char comma;
        in >> v[0] >> comma >> v[1] >> comma >> v[2] >> comma >> v[3] >> comma >> v[4] >> comma >> v[5];
        ASSERT_TRUE(in) << line;
        EXPECT_GT(v[5], 0.1) << line;
        EXPECT_LT(v[5], 50.0) << line;
        df_front += v[0] < 1 ? v[5] : 0;
        df_back += v[0] > 5 ? v[5] : 0;
        ++rows;
    }
    EXPECT_EQ(rows, 18);
    EXPECT_GT(df_front, 3.0 * df_back);
}
