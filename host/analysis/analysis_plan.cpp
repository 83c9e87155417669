#include "analysis/analysis_plan.h"

#include <cstdio>
#include <set>

#include "analysis/solar_position.h"
#include "scene/scene_json.h"

namespace uvo_host {

namespace {

// The most sensors one scene may ask for, so that no file makes memory or
// time grow without bound.
constexpr long kMaxSensors = 1000000;

class AnalysisReader : private JsonReader {
public:
    explicit AnalysisReader(std::string file) : JsonReader(std::move(file)) {}

    AnalysisPlan read(const json &value, const std::string &path) {
        const json &a = object_at(value, path);
        check_keys(a, path, {"grids", "samples", "min_samples", "target_error", "bounces", "luminance_scale",
                             "daylight_factor", "thresholds", "legend_max_lux", "luminance_map"});
        AnalysisPlan plan;
        plan.samples = integer(a, "samples", path, plan.samples, 1, 1 << 24);
        plan.min_samples = integer(a, "min_samples", path, std::min(plan.min_samples, plan.samples), 2, 1 << 24);
        plan.target_error = number(a, "target_error", path, 0.0, 0.0);
        plan.bounces = integer(a, "bounces", path, plan.bounces, 1, 16);
        plan.luminance_scale = number(a, "luminance_scale", path, 1.0, 0.0);
        plan.daylight_factor = boolean(a, "daylight_factor", path, false);
        plan.legend_max_lux = number(a, "legend_max_lux", path, 0.0, 0.0);
        if (a.contains("thresholds")) {
            const std::string tpath = child(path, "thresholds");
            const json &t = object_at(a["thresholds"], tpath);
            check_keys(t, tpath, {"daylight_factor", "lux"});
            plan.df_threshold = number(t, "daylight_factor", tpath, plan.df_threshold, 0.0);
            plan.lux_threshold = number(t, "lux", tpath, plan.lux_threshold, 0.0);
        }
        if (a.contains("luminance_map")) {
            const std::string lpath = child(path, "luminance_map");
            const json &l = object_at(a["luminance_map"], lpath);
            check_keys(l, lpath, {"scale", "max"});
            plan.luminance_map = true;
            if (l.contains("scale")) {
                const std::string scale = string(l, "scale", lpath);
                if (scale != "log" && scale != "linear")
                    fail(child(lpath, "scale"), "expected \"log\" or \"linear\"");
                plan.luminance_log = scale == "log";
            }
            plan.luminance_max = number(l, "max", lpath, 0.0, 0.0);
        }
        if (a.contains("grids")) {
            const std::string gpath = child(path, "grids");
            if (!a["grids"].is_array())
                fail(gpath, "expected a list of sensor grids");
            std::set<std::string> names;
            long total = 0;
            for (size_t i = 0; i < a["grids"].size(); ++i) {
                SensorGrid grid = read_grid(a["grids"][i], child(gpath, i));
                if (!names.insert(grid.name).second)
                    fail(child(child(gpath, i), "name"), "a grid named \"" + grid.name + "\" exists already");
                total += static_cast<long>(grid.sensors.size());
                if (total > kMaxSensors)
                    fail(child(gpath, i), "more than " + std::to_string(kMaxSensors) + " sensors");
                plan.grids.push_back(std::move(grid));
            }
        }
        return plan;
    }

    Vector3 sun(const json &value, const std::string &path) const {
        const json &o = object_at(value, path);
        check_keys(o, path, {"date", "time", "timezone", "latitude", "longitude", "north"});
        SolarTime t;
        const std::string date = string(o, "date", path);
        char extra = 0;
        if (std::sscanf(date.c_str(), "%d-%d-%d%c", &t.year, &t.month, &t.day, &extra) != 3 || t.month < 1 ||
            t.month > 12 || t.day < 1 || t.day > 31 || t.year < 1800 || t.year > 2200)
            fail(child(path, "date"), "expected a date \"YYYY-MM-DD\" from 1800 to 2200");
        const std::string time = string(o, "time", path);
        int h = 0, m = 0;
        double sec = 0.0;
        const int got = std::sscanf(time.c_str(), "%d:%d:%lf%c", &h, &m, &sec, &extra);
        if ((got != 2 && got != 3) || h < 0 || h > 24 || m < 0 || m > 59 || sec < 0 || sec >= 60)
            fail(child(path, "time"), "expected a local time \"HH:MM\" or \"HH:MM:SS\"");
        t.hours = h + m / 60.0 + sec / 3600.0;
        t.timezone = number(o, "timezone", path, 0.0, -14.0);
        if (t.timezone > 14.0)
            fail(child(path, "timezone"), "must be from -14 to 14 hours");
        if (!o.contains("latitude") || !o.contains("longitude"))
            fail(path, "needs \"latitude\" and \"longitude\"");
        t.latitude = number(o, "latitude", path, 0.0, -90.0);
        t.longitude = number(o, "longitude", path, 0.0, -180.0);
        if (t.latitude > 90.0 || t.longitude > 180.0)
            fail(path, "latitude must be from -90 to 90, longitude from -180 to 180 degrees");
        Vector3 north{0, 0, -1};
        if (o.contains("north")) {
            north = vector(o["north"], child(path, "north"));
            if (std::fabs(north.x) + std::fabs(north.z) < 1e-6f)
                fail(child(path, "north"), "north needs a horizontal part (x or z)");
        }
        return sun_direction(solar_position(t), north);
    }

private:
    Vector3 unit(const json &value, const std::string &path) const {
        const Vector3 v = vector(value, path);
        if (!(length(v) > 1e-12f))
            fail(path, "expected a non-zero direction");
        return normalize(v);
    }

    SensorGrid read_grid(const json &value, const std::string &path) {
        const json &g = object_at(value, path);
        check_keys(g, path, {"name", "origin", "axes", "spacing", "counts", "normal", "points"});
        SensorGrid grid;
        grid.name = string(g, "name", path);
        // The name becomes part of file names: keep it to a safe alphabet.
        if (grid.name.empty() ||
            grid.name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") !=
                std::string::npos)
            fail(child(path, "name"), "expected letters, digits, '_' or '-'");
        const Vector3 normal = g.contains("normal") ? unit(g["normal"], child(path, "normal")) : Vector3{0, 1, 0};
        if (g.contains("points")) {
            if (g.contains("origin") || g.contains("axes") || g.contains("spacing") || g.contains("counts"))
                fail(path, "\"points\" excludes \"origin\", \"axes\", \"spacing\" and \"counts\"");
            const std::string ppath = child(path, "points");
            if (!g["points"].is_array() || g["points"].empty() ||
                g["points"].size() > static_cast<size_t>(kMaxSensors))
                fail(ppath, "expected a list of points");
            for (size_t i = 0; i < g["points"].size(); ++i) {
                const std::string p = child(ppath, i);
                const json &point = object_at(g["points"][i], p);
                check_keys(point, p, {"position", "normal"});
                if (!point.contains("position"))
                    fail(p, "missing \"position\"");
                Sensor s;
                s.position = vector(point["position"], child(p, "position"));
                s.normal = point.contains("normal") ? unit(point["normal"], child(p, "normal")) : normal;
                grid.sensors.push_back(s);
            }
            grid.count_u = static_cast<int>(grid.sensors.size());
            return grid;
        }
        for (const char *key : {"origin", "axes", "spacing", "counts"})
            if (!g.contains(key))
                fail(path, std::string("a grid needs \"") + key + "\" (or \"points\" instead)");
        grid.regular = true;
        grid.origin = vector(g["origin"], child(path, "origin"));
        const std::string apath = child(path, "axes");
        if (!g["axes"].is_array() || g["axes"].size() != 2)
            fail(apath, "expected two axes [[x, y, z], [x, y, z]]");
        grid.axis_u = unit(g["axes"][0], child(apath, 0));
        grid.axis_v = unit(g["axes"][1], child(apath, 1));
        if (length(cross(grid.axis_u, grid.axis_v)) < 1e-3f)
            fail(apath, "the axes are parallel");
        const auto spacing = numbers(g["spacing"], child(path, "spacing"), 2, "two spacings [u, v]");
        if (!(spacing[0] > 0) || !(spacing[1] > 0))
            fail(child(path, "spacing"), "spacings must be positive");
        grid.spacing_u = spacing[0];
        grid.spacing_v = spacing[1];
        const auto counts = numbers(g["counts"], child(path, "counts"), 2, "two counts [u, v]");
        if (counts[0] < 1 || counts[1] < 1 || counts[0] != std::floor(counts[0]) ||
            counts[1] != std::floor(counts[1]) || counts[0] * counts[1] > kMaxSensors)
            fail(child(path, "counts"), "expected whole numbers from 1, at most " + std::to_string(kMaxSensors) +
                                            " sensors");
        grid.count_u = static_cast<int>(counts[0]);
        grid.count_v = static_cast<int>(counts[1]);
        for (int j = 0; j < grid.count_v; ++j)
            for (int i = 0; i < grid.count_u; ++i) {
                Sensor s;
                s.position = grid.origin + grid.axis_u * static_cast<float>(i * grid.spacing_u) +
                             grid.axis_v * static_cast<float>(j * grid.spacing_v);
                s.normal = normal;
                grid.sensors.push_back(s);
            }
        return grid;
    }
};

}  // namespace

Vector3 read_sun_position(const nlohmann::json &value, const std::string &file, const std::string &path) {
    return AnalysisReader(file).sun(value, path);
}

AnalysisPlan read_analysis(const nlohmann::json &value, const std::string &file, const std::string &path) {
    return AnalysisReader(file).read(value, path);
}

}  // namespace uvo_host
