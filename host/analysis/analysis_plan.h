// What a scene asks of the daylight analysis (its "analysis" section, format
// in scenes/README.md): illuminance sensors, grouped into named grids, the
// integrator's sample budget, the daylight factor, the photometric scale and
// the luminance map of the camera render.  Filled by the scene loader
// (read_analysis), read-only afterwards.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "scene/vecmath.h"

namespace uvo_host {

// One illuminance meter: a point and the unit normal of its receiving face,
// both in internal (scene) space.  It is no geometry: rays pass through it.
struct Sensor {
    Vector3 position{};
    Vector3 normal{0, 1, 0};
};

// A named set of sensors.  A grid is origin + i * spacing_u * axis_u +
// j * spacing_v * axis_v for i < count_u, j < count_v (sensor index
// j * count_u + i); a list of points is a grid of count_u points and
// count_v = 1 with no axes.
struct SensorGrid {
    std::string name;                   // file names: <base>_<name>.csv, .png
    std::vector<Sensor> sensors;
    bool regular = false;               // origin, axes and spacings below are meaningful
    Vector3 origin{}, axis_u{}, axis_v{};  // unit axes, scene space
    double spacing_u = 1.0, spacing_v = 1.0;  // scene units (metres by convention)
    int count_u = 0, count_v = 1;
    // Area each sensor stands for (m^2): spacing_u * spacing_v for a grid,
    // 0 (no area figures) for a list of points.
    double cell_area() const { return regular ? spacing_u * spacing_v : 0.0; }
};

// The integrator's budget and the figures asked for.
struct AnalysisPlan {
    std::vector<SensorGrid> grids;
    int samples = 4096;                 // most samples per sensor
    int min_samples = 64;               // fewest before the target error may stop a sensor
    double target_error = 0.0;          // relative standard error that stops a sensor early; 0: never
    int bounces = 8;                    // diffuse reflections a path carries (fixed depth, no roulette)
    // cd/m^2 per unit of the luminance the shaders return: 1 for uvo_ciesky
    // and lights given in photometric units; 1 / (pi rgb_scale intensity)
    // for uvo_physicalsky, whose colours are pi times the model's cd/m^2
    // times rgb_scale and intensity (docs/daylight.md).
    double luminance_scale = 1.0;
    bool daylight_factor = false;       // report DF = E / E_out * 100 against the sky's own E_out
    double df_threshold = 2.0;          // percent, for the area figure of the summary
    double lux_threshold = 300.0;       // lux, likewise
    double legend_max_lux = 0.0;        // false-colour scale top; 0: the grid's maximum
    // Luminance map of the camera render: <base>_luminance.exr in cd/m^2 and
    // a false-colour <base>_luminance.png with a log or linear legend.
    bool luminance_map = false;
    bool luminance_log = true;
    double luminance_max = 0.0;         // legend top in cd/m^2; 0: the image's 99th percentile
};

// Reads the "analysis" section at JSON pointer `path` of scene file `file`.
// Throws SceneError naming the file, the path and the problem.
AnalysisPlan read_analysis(const nlohmann::json &value, const std::string &file, const std::string &path);

// Reads a sun position {"date": "YYYY-MM-DD", "time": "HH:MM[:SS]",
// "timezone": hours east of UTC, "latitude": degrees north, "longitude":
// degrees east, "north": optional scene vector of north, default [0, 0, -1]}
// and returns the unit direction towards the sun in scene space (y up).
// Throws SceneError.
Vector3 read_sun_position(const nlohmann::json &value, const std::string &file, const std::string &path);

}  // namespace uvo_host
