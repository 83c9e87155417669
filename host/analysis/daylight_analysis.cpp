#include "analysis/daylight_analysis.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "analysis/false_colour.h"
#include "render/host_messages.h"

namespace uvo_host {

namespace {

std::string environment_name(const World &world) {
    const ShaderInstance *environment = world.scene.camera.environment;
    return environment != nullptr && environment->code != nullptr ? environment->code->name : "none";
}

void summarise(GridResult &g, const AnalysisPlan &plan) {
    const size_t n = g.readings.size();
    if (n == 0)
        return;
    g.min_lux = g.max_lux = g.readings[0].lux;
    double sum = 0.0;
    int above_df = 0, above_lux = 0;
    for (size_t i = 0; i < n; ++i) {
        const SensorReading &r = g.readings[i];
        g.min_lux = std::min(g.min_lux, r.lux);
        g.max_lux = std::max(g.max_lux, r.lux);
        sum += r.lux;
        if (r.lux > 0.0)
            g.max_relative_error = std::max(g.max_relative_error, r.standard_error / r.lux);
        above_lux += r.lux >= plan.lux_threshold ? 1 : 0;
        above_df += !g.daylight_factor.empty() && g.daylight_factor[i] >= plan.df_threshold ? 1 : 0;
    }
    g.mean_lux = sum / static_cast<double>(n);
    g.uniformity = g.mean_lux > 0.0 ? g.min_lux / g.mean_lux : 0.0;
    g.share_above_df = static_cast<double>(above_df) / static_cast<double>(n);
    g.share_above_lux = static_cast<double>(above_lux) / static_cast<double>(n);
    g.area_above_df = above_df * g.grid->cell_area();
    g.area_above_lux = above_lux * g.grid->cell_area();
}

std::ofstream open_text(const std::string &path) {
    std::ofstream out(path);
    if (!out)
        throw std::runtime_error(path + ": cannot be written");
    return out;
}

void write_csv(const GridResult &g, const std::string &path) {
    std::ofstream out = open_text(path);
    out << "x,y,z,lux,stderr,daylight_factor\n";
    char line[256];
    for (size_t i = 0; i < g.readings.size(); ++i) {
        const Vector3 &p = g.grid->sensors[i].position;
        const SensorReading &r = g.readings[i];
        std::snprintf(line, sizeof line, "%.6g,%.6g,%.6g,%.6g,%.4g,", p.x, p.y, p.z, r.lux, r.standard_error);
        out << line;
        if (!g.daylight_factor.empty()) {
            std::snprintf(line, sizeof line, "%.5g", g.daylight_factor[i]);
            out << line;
        }
        out << '\n';
    }
    if (!out)
        throw std::runtime_error(path + ": cannot be written");
}

std::string summary_text(const AnalysisResult &result, const AnalysisPlan &plan, const std::string &scene_file) {
    std::ostringstream s;
    char line[512];
    const IlluminanceSettings &set = result.settings;
    s << "Daylight analysis of " << scene_file << "\n\n";
    std::snprintf(line, sizeof line,
                  "Method: Monte Carlo, up to %d samples per sensor (at least %d; stop at %.3g%% relative standard "
                  "error%s),\n%d diffuse reflections per path (fixed depth, no Russian roulette), "
                  "luminance scale %g cd/m2 per unit.\n",
                  set.samples, set.min_samples, set.target_error * 100.0, set.target_error > 0 ? "" : ": off",
                  set.bounces, set.luminance_scale);
    s << line;
    std::snprintf(line, sizeof line, "Environment: %s. Outside horizontal illuminance E_out (sky hemisphere alone): %.6g lux.\n",
                  result.environment.c_str(), result.outside_lux);
    s << line;
    std::snprintf(line, sizeof line, "Run: %.2f s on %d threads, %llu samples (%.0f samples/s).\n\n",
                  result.stats.seconds, result.stats.threads, static_cast<unsigned long long>(result.stats.samples),
                  static_cast<double>(result.stats.samples) / std::max(result.stats.seconds, 1e-9));
    s << line;
    for (const GridResult &g : result.grids) {
        std::snprintf(line, sizeof line, "Grid %s: %zu sensors\n", g.grid->name.c_str(), g.readings.size());
        s << line;
        std::snprintf(line, sizeof line, "  illuminance   min %.4g  mean %.4g  max %.4g lux\n", g.min_lux, g.mean_lux,
                      g.max_lux);
        s << line;
        if (!g.daylight_factor.empty() && result.outside_lux > 0.0) {
            const double k = 100.0 / result.outside_lux;
            std::snprintf(line, sizeof line, "  daylight factor  min %.3f  mean %.3f  max %.3f %%\n",
                          g.min_lux * k, g.mean_lux * k, g.max_lux * k);
            s << line;
        }
        std::snprintf(line, sizeof line, "  uniformity (min/mean) %.3f\n", g.uniformity);
        s << line;
        std::snprintf(line, sizeof line, "  largest relative standard error %.2f %%\n", g.max_relative_error * 100.0);
        s << line;
        const double area = g.grid->cell_area() * static_cast<double>(g.readings.size());
        // "at or above <threshold>: <share> of the sensors[, <area> of <total> m2]"
        auto above = [&](const char *threshold, double share, double area_above) {
            std::snprintf(line, sizeof line, "  at or above %s: %.0f%% of the sensors", threshold, share * 100.0);
            s << line;
            if (area > 0.0) {
                std::snprintf(line, sizeof line, ", %.3g of %.3g m2", area_above, area);
                s << line;
            }
            s << "\n";
        };
        char threshold[64];
        if (!g.daylight_factor.empty()) {
            std::snprintf(threshold, sizeof threshold, "%g%% DF", plan.df_threshold);
            above(threshold, g.share_above_df, g.area_above_df);
        }
        std::snprintf(threshold, sizeof threshold, "%g lux", plan.lux_threshold);
        above(threshold, g.share_above_lux, g.area_above_lux);
        s << "\n";
    }
    return s.str();
}

}  // namespace

IlluminanceSettings analysis_settings(const AnalysisPlan &plan, int samples_override, int threads) {
    IlluminanceSettings s;
    s.samples = samples_override > 0 ? samples_override : plan.samples;
    s.min_samples = std::min(plan.min_samples, s.samples);
    s.target_error = plan.target_error;
    s.bounces = plan.bounces;
    s.luminance_scale = plan.luminance_scale;
    s.threads = threads;
    return s;
}

AnalysisResult run_analysis(World &world, const AnalysisPlan &plan, const IlluminanceSettings &settings) {
    AnalysisResult result;
    result.settings = settings;
    result.environment = environment_name(world);
    result.daylight_factor = plan.daylight_factor;
    result.outside_lux = environment_horizontal_illuminance(world) * settings.luminance_scale;
    if (plan.daylight_factor && result.environment != "uvo_ciesky")
        host_warning("daylight factors are meant under uvo_ciesky; the environment is %s", result.environment.c_str());
    if (plan.daylight_factor && !(result.outside_lux > 0.0))
        host_warning("the environment gives no horizontal illuminance: no daylight factors");
    std::vector<Sensor> sensors;
    for (const SensorGrid &grid : plan.grids)
        sensors.insert(sensors.end(), grid.sensors.begin(), grid.sensors.end());
    const std::vector<SensorReading> readings = measure_illuminance(world, sensors, settings, &result.stats);
    size_t next = 0;
    for (const SensorGrid &grid : plan.grids) {
        GridResult &g = result.grids.emplace_back();
        g.grid = &grid;
        g.readings.assign(readings.begin() + static_cast<long>(next),
                          readings.begin() + static_cast<long>(next + grid.sensors.size()));
        next += grid.sensors.size();
        if (plan.daylight_factor && result.outside_lux > 0.0)
            for (const SensorReading &r : g.readings)
                g.daylight_factor.push_back(r.lux / result.outside_lux * 100.0);
        summarise(g, plan);
    }
    return result;
}

std::vector<std::string> write_analysis(const AnalysisResult &result, const AnalysisPlan &plan,
                                        const std::string &base, const std::string &scene_file) {
    std::vector<std::string> written;
    for (const GridResult &g : result.grids) {
        const std::string stem = base + "_" + g.grid->name;
        write_csv(g, stem + ".csv");
        written.push_back(stem + ".csv");
        ColourScale scale;
        std::vector<double> values;
        std::string title;
        if (!g.daylight_factor.empty()) {
            values = g.daylight_factor;
            scale.unit = "DF %";
            title = g.grid->name + ": DAYLIGHT FACTOR %";
            scale.max = plan.legend_max_lux > 0.0 ? plan.legend_max_lux / result.outside_lux * 100.0
                                                  : *std::max_element(values.begin(), values.end());
        } else {
            for (const SensorReading &r : g.readings)
                values.push_back(r.lux);
            scale.unit = "LUX";
            title = g.grid->name + ": ILLUMINANCE LUX";
            scale.max = plan.legend_max_lux > 0.0 ? plan.legend_max_lux : g.max_lux;
        }
        if (!(scale.max > 0.0))
            scale.max = 1.0;
        write_png(stem + ".png", grid_picture(*g.grid, values, scale, title), true);
        written.push_back(stem + ".png");
    }
    std::ofstream out = open_text(base + "_summary.txt");
    out << summary_text(result, plan, scene_file);
    if (!out)
        throw std::runtime_error(base + "_summary.txt: cannot be written");
    written.push_back(base + "_summary.txt");
    return written;
}

void write_luminance_map(const World &world, const Image &frame, const AnalysisPlan &plan, const std::string &base,
                         std::map<std::string, std::string> attributes) {
    Color w = world.scene.options.luminance_weights;
    if (w.r == 0.0f && w.g == 0.0f && w.b == 0.0f)
        w = Color{0.212671f, 0.715160f, 0.072169f, 0.0f};
    const size_t pixels = static_cast<size_t>(frame.width) * frame.height;
    std::vector<float> luminance(pixels);
    Image exr(frame.width, frame.height);
    for (size_t i = 0; i < pixels; ++i) {
        const float *p = &frame.rgba[i * 4];
        const float l = static_cast<float>((w.r * p[0] + w.g * p[1] + w.b * p[2]) * plan.luminance_scale);
        luminance[i] = l;
        exr.rgba[i * 4] = exr.rgba[i * 4 + 1] = exr.rgba[i * 4 + 2] = l;
        exr.rgba[i * 4 + 3] = 1.0f;
    }
    char conversion[256];
    std::snprintf(conversion, sizeof conversion, "L = (%g R + %g G + %g B) x %g", w.r, w.g, w.b,
                  plan.luminance_scale);
    attributes["uvo:luminance_units"] = "cd/m2";
    attributes["uvo:luminance_conversion"] = conversion;
    write_exr(base + "_luminance.exr", exr, attributes);

    ColourScale scale;
    scale.log = plan.luminance_log;
    scale.unit = "CD/M2";
    scale.max = plan.luminance_max;
    if (!(scale.max > 0.0) && pixels > 0) {
        std::vector<float> sorted = luminance;
        const size_t at = std::min(pixels - 1, pixels * 99 / 100);
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(at), sorted.end());
        scale.max = sorted[at];
    }
    if (!(scale.max > 0.0))
        scale.max = 1.0;
    scale.min = scale.log ? scale.max / 1000.0 : 0.0;
    write_png(base + "_luminance.png", luminance_picture(luminance, frame.width, frame.height, scale), true);
}

}  // namespace uvo_host
