#include "analysis/solar_position.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace uvo_host {

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

double wrap360(double a) {
    a = std::fmod(a, 360.0);
    return a < 0.0 ? a + 360.0 : a;
}

}  // namespace

double julian_day(int year, int month, int day) {
    if (month <= 2) {
        year -= 1;
        month += 12;
    }
    const int a = year / 100;
    const int b = 2 - a + a / 4;
    return std::floor(365.25 * (year + 4716)) + std::floor(30.6001 * (month + 1)) + day + b - 1524.5;
}

SolarPosition solar_coordinates(double jd) {
    SolarPosition p;
    p.julian_day = jd;
    const double t = (jd - 2451545.0) / 36525.0;  // Julian centuries from J2000.0
    const double l0 = wrap360(280.46646 + t * (36000.76983 + t * 0.0003032));  // mean longitude
    const double m = 357.52911 + t * (35999.05029 - 0.0001537 * t);            // mean anomaly
    const double e = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);        // orbit eccentricity
    const double c = std::sin(m * kDeg) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                     std::sin(2 * m * kDeg) * (0.019993 - 0.000101 * t) + std::sin(3 * m * kDeg) * 0.000289;
    const double omega = 125.04 - 1934.136 * t;  // longitude of the Moon's ascending node
    const double lambda = l0 + c - 0.00569 - 0.00478 * std::sin(omega * kDeg);  // apparent longitude
    const double eps0 = 23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60.0) / 60.0;
    const double eps = eps0 + 0.00256 * std::cos(omega * kDeg);  // obliquity, corrected for nutation
    p.right_ascension =
        wrap360(std::atan2(std::cos(eps * kDeg) * std::sin(lambda * kDeg), std::cos(lambda * kDeg)) / kDeg);
    p.declination = std::asin(std::sin(eps * kDeg) * std::sin(lambda * kDeg)) / kDeg;
    const double y = std::pow(std::tan(eps * kDeg / 2.0), 2);
    const double eot = y * std::sin(2 * l0 * kDeg) - 2 * e * std::sin(m * kDeg) +
                       4 * e * y * std::sin(m * kDeg) * std::cos(2 * l0 * kDeg) -
                       0.5 * y * y * std::sin(4 * l0 * kDeg) - 1.25 * e * e * std::sin(2 * m * kDeg);
    p.equation_of_time = 4.0 * eot / kDeg;
    return p;
}

SolarPosition solar_position(const SolarTime &t) {
    const double jd = julian_day(t.year, t.month, t.day) + (t.hours - t.timezone) / 24.0;
    SolarPosition p = solar_coordinates(jd);
    // True solar time in minutes, then the hour angle (0 at solar noon).
    const double solar_minutes = std::fmod(t.hours * 60.0 + p.equation_of_time + 4.0 * t.longitude -
                                               60.0 * t.timezone + 1440.0 * 4, 1440.0);
    p.hour_angle = solar_minutes / 4.0 - 180.0;
    const double lat = t.latitude * kDeg, dec = p.declination * kDeg, ha = p.hour_angle * kDeg;
    const double cos_zenith =
        std::clamp(std::sin(lat) * std::sin(dec) + std::cos(lat) * std::cos(dec) * std::cos(ha), -1.0, 1.0);
    const double zenith = std::acos(cos_zenith);
    p.elevation = 90.0 - zenith / kDeg;
    // Azimuth from the horizontal components (north, east) of the sun's direction.
    const double north = std::cos(lat) * std::sin(dec) - std::sin(lat) * std::cos(dec) * std::cos(ha);
    const double east = -std::cos(dec) * std::sin(ha);
    p.azimuth = wrap360(std::atan2(east, north) / kDeg);
    // NOAA's refraction fit, in degrees.
    const double h = p.elevation;
    const double te = std::tan(h * kDeg);
    double r = 0.0;
    if (h > 85.0)
        r = 0.0;
    else if (h > 5.0)
        r = 58.1 / te - 0.07 / (te * te * te) + 0.000086 / std::pow(te, 5);
    else if (h > -0.575)
        r = 1735.0 + h * (-518.2 + h * (103.4 + h * (-12.79 + h * 0.711)));
    else
        r = -20.772 / te;
    p.refraction = r / 3600.0;
    return p;
}

Vector3 sun_direction(const SolarPosition &p, Vector3 north) {
    const Vector3 up{0, 1, 0};
    north.y = 0.0f;
    north = is_zero(north) ? Vector3{0, 0, -1} : normalize(north);
    const Vector3 east = cross(north, up);
    const double el = p.elevation * kDeg, az = p.azimuth * kDeg;
    return normalize(north * static_cast<float>(std::cos(el) * std::cos(az)) +
                     east * static_cast<float>(std::cos(el) * std::sin(az)) + up * static_cast<float>(std::sin(el)));
}

}  // namespace uvo_host
