// Reading typed values out of a scene's JSON with errors that name the file,
// the JSON path (a JSON pointer) and the problem.  The scene loader builds on
// it; every check throws SceneError.
#pragma once

#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "scene/vecmath.h"

namespace uvo_host {

// A scene that cannot be rendered: the message names the file, the JSON path
// of the offending value and the problem.
struct SceneError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A key as one JSON-pointer token ('~' and '/' escaped).
std::string pointer_token(const std::string &key);

class JsonReader {
public:
    explicit JsonReader(std::string name) : name_(std::move(name)) {}

protected:
    using json = nlohmann::json;
    std::string name_;  // the scene file, first in every message

    [[noreturn]] void fail(const std::string &path, const std::string &problem) const {
        throw SceneError(name_ + ": " + (path.empty() ? "/" : path) + ": " + problem);
    }

    static std::string child(const std::string &path, const std::string &key) {
        return path + "/" + pointer_token(key);
    }
    static std::string child(const std::string &path, size_t index) { return path + "/" + std::to_string(index); }

    void check_keys(const json &object, const std::string &path, std::initializer_list<const char *> allowed) const {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool known = false;
            for (const char *key : allowed)
                known = known || it.key() == key;
            if (!known)
                fail(child(path, it.key()), "unknown key \"" + it.key() + "\"");
        }
    }

    const json &object_at(const json &value, const std::string &path) const {
        if (!value.is_object())
            fail(path, "expected an object");
        return value;
    }

    // Every number the scene gives becomes a float: one beyond its range
    // would silently become an infinity.
    void check_float_range(double d, const std::string &path) const {
        if (!(std::fabs(d) <= FLT_MAX))
            fail(path, "the number " + format_number(d) + " is beyond single-precision range");
    }

    double number(const json &object, const char *key, const std::string &path, double fallback,
                  double min = -HUGE_VAL) const {
        if (!object.contains(key))
            return fallback;
        const json &v = object[key];
        if (!v.is_number())
            fail(child(path, key), "expected a number");
        const double d = v.get<double>();
        check_float_range(d, child(path, key));
        if (d < min)
            fail(child(path, key), "must be at least " + format_number(min));
        return d;
    }

    int integer(const json &object, const char *key, const std::string &path, int fallback, int min,
                int max = 1000000000) const {
        if (!object.contains(key))
            return fallback;
        const json &v = object[key];
        if (!v.is_number_integer())
            fail(child(path, key), "expected an integer");
        // An unsigned value beyond the signed range must not wrap into it.
        const bool too_big = v.is_number_unsigned() && v.get<unsigned long long>() > static_cast<unsigned long long>(max);
        const long long n = too_big ? max + 1LL : v.get<long long>();
        if (n < min || n > max)
            fail(child(path, key), "must be an integer from " + std::to_string(min) + " to " + std::to_string(max));
        return static_cast<int>(n);
    }

    bool boolean(const json &object, const char *key, const std::string &path, bool fallback) const {
        if (!object.contains(key))
            return fallback;
        if (!object[key].is_boolean())
            fail(child(path, key), "expected true or false");
        return object[key].get<bool>();
    }

    std::string string(const json &object, const char *key, const std::string &path) const {
        if (!object.contains(key))
            fail(path, std::string("missing \"") + key + "\"");
        if (!object[key].is_string())
            fail(child(path, key), "expected a string");
        return object[key].get<std::string>();
    }

    std::vector<double> numbers(const json &value, const std::string &path, size_t count, const char *what) const {
        if (!value.is_array() || value.size() != count)
            fail(path, std::string("expected ") + what);
        std::vector<double> out;
        for (const auto &v : value) {
            if (!v.is_number())
                fail(path, std::string("expected ") + what);
            check_float_range(v.get<double>(), path);
            out.push_back(v.get<double>());
        }
        return out;
    }

    Vector3 vector(const json &value, const std::string &path) const {
        const auto n = numbers(value, path, 3, "a vector [x, y, z]");
        return Vector3{static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])};
    }

    static std::string format_number(double d) {
        std::ostringstream out;
        out << d;
        return out.str();
    }

    // --- transforms ---------------------------------------------------------

    Mat4 transform(const json &owner, const std::string &owner_path) const {
        if (!owner.contains("transform"))
            return Mat4::identity();
        const std::string path = child(owner_path, "transform");
        const json &t = object_at(owner["transform"], path);
        check_keys(t, path, {"matrix", "translate", "rotate", "scale", "look_at"});
        if (t.contains("matrix")) {
            if (t.size() != 1)
                fail(path, "\"matrix\" excludes the other keys");
            const auto m = numbers(t["matrix"], child(path, "matrix"), 16, "16 numbers, row-major, row vectors");
            Mat4 result;
            for (int i = 0; i < 16; ++i)
                result.m[i] = static_cast<float>(m[i]);
            return result;
        }
        Mat4 result = Mat4::identity();
        if (t.contains("scale")) {
            const json &s = t["scale"];
            if (s.is_number()) {
                check_float_range(s.get<double>(), child(path, "scale"));
                const float f = s.get<float>();
                result = result * scaling(Vector3{f, f, f});
            } else {
                result = result * scaling(vector(s, child(path, "scale")));
            }
        }
        if (t.contains("rotate")) {
            const std::string rpath = child(path, "rotate");
            const json &r = t["rotate"];
            const bool many = r.is_array() && !r.empty() && r[0].is_array();
            const json list = many ? r : json::array({r});
            for (size_t i = 0; i < list.size(); ++i) {
                const auto a = numbers(list[i], many ? child(rpath, i) : rpath, 4,
                                       "a rotation [axis x, axis y, axis z, degrees]");
                const Vector3 axis{static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<float>(a[2])};
                if (is_zero(axis))
                    fail(many ? child(rpath, i) : rpath, "the rotation axis is zero");
                result = result * rotation(axis, static_cast<float>(a[3]));
            }
        }
        if (t.contains("look_at")) {
            if (t.contains("translate"))
                fail(path, "\"look_at\" and \"translate\" exclude each other");
            const std::string lpath = child(path, "look_at");
            const json &l = object_at(t["look_at"], lpath);
            check_keys(l, lpath, {"from", "to", "up"});
            if (!l.contains("from") || !l.contains("to"))
                fail(lpath, "needs \"from\" and \"to\"");
            const Vector3 from = vector(l["from"], child(lpath, "from"));
            const Vector3 to = vector(l["to"], child(lpath, "to"));
            const Vector3 up = l.contains("up") ? vector(l["up"], child(lpath, "up")) : Vector3{0, 1, 0};
            const Vector3 z = normalize(from - to);
            const Vector3 x = normalize(cross(up, z));
            if (is_zero(from - to) || length(cross(up, z)) < 1e-6f)
                fail(lpath, "\"from\", \"to\" and \"up\" do not define a direction");
            result = result * frame(x, cross(z, x), z, from);
        } else if (t.contains("translate")) {
            result = result * translation(vector(t["translate"], child(path, "translate")));
        }
        return result;
    }

    Mat4 inverse_of(const Mat4 &m, const std::string &path) const {
        Mat4 inv;
        if (!invert(m.m, inv.m))
            fail(path, "the transform is singular");
        return inv;
    }

};

}  // namespace uvo_host
