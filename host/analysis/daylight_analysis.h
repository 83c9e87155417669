// The daylight analysis of a scene, start to end: measure every sensor
// grid, work out the daylight factors against the environment's own
// horizontal illuminance, and write the results next to the render's output
// base:
//   <base>_<grid>.csv     x,y,z,lux,stderr,daylight_factor (scene space; the
//                         last column empty without a daylight factor)
//   <base>_<grid>.png     false-colour picture of the grid with its legend
//   <base>_summary.txt    one page: method, E_out, per grid min, mean, max,
//                         uniformity and the areas above the thresholds
// and, for the luminance map of a camera render,
//   <base>_luminance.exr  luminance in cd/m^2 (R = G = B), the conversion in
//                         its attributes
//   <base>_luminance.png  the same in false colour with a legend in cd/m^2
#pragma once

#include <map>
#include <string>
#include <vector>

#include "analysis/analysis_plan.h"
#include "analysis/illuminance.h"
#include "image/image.h"
#include "render/world.h"

namespace uvo_host {

// Figures of one grid.
struct GridResult {
    const SensorGrid *grid = nullptr;
    std::vector<SensorReading> readings;
    std::vector<double> daylight_factor;  // percent, one per sensor; empty without
    double min_lux = 0.0, mean_lux = 0.0, max_lux = 0.0;
    double uniformity = 0.0;            // min / mean
    double max_relative_error = 0.0;    // largest standard error / value over the sensors
    // Share of the sensors (and, for a regular grid, the area they stand
    // for, m^2) at or above the thresholds.
    double share_above_df = 0.0, area_above_df = 0.0;
    double share_above_lux = 0.0, area_above_lux = 0.0;
};

struct AnalysisResult {
    double outside_lux = 0.0;           // E_out: horizontal illuminance of the sky hemisphere alone
    bool daylight_factor = false;
    std::string environment;            // the environment shader's name, for the report
    IlluminanceSettings settings;
    IlluminanceStats stats;
    std::vector<GridResult> grids;
};

// The integrator settings of `plan`; `samples_override` > 0 replaces its
// samples per sensor (min_samples shrinks to fit).
IlluminanceSettings analysis_settings(const AnalysisPlan &plan, int samples_override, int threads);

// Measures every grid of `plan` and works out its figures.
AnalysisResult run_analysis(World &world, const AnalysisPlan &plan, const IlluminanceSettings &settings);

// Writes the CSV files, pictures and summary of `result` next to `base`;
// returns the files written.  Throws ImageError (or std::runtime_error for
// the text files) when a file cannot be written.
std::vector<std::string> write_analysis(const AnalysisResult &result, const AnalysisPlan &plan,
                                        const std::string &base, const std::string &scene_file);

// Writes the luminance map of `frame` (a frame as rendered, in the shaders'
// units) as <base>_luminance.exr and <base>_luminance.png; `attributes` go
// into the EXR beside the conversion's own.
void write_luminance_map(const World &world, const Image &frame, const AnalysisPlan &plan, const std::string &base,
                         std::map<std::string, std::string> attributes);

}  // namespace uvo_host
