// The sun's position in the sky from a date, a local clock time, a time zone
// and a place: the low-precision solar coordinates of the astronomical
// almanac series (mean longitude, mean anomaly, equation of centre,
// nutation-corrected apparent longitude and obliquity), as in the NOAA solar
// calculator.  Good to about 0.01 degree in declination for years 1800 to
// 2100.  A pure model: no host, no state.
#pragma once

#include "scene/vecmath.h"

namespace uvo_host {

struct SolarTime {
    int year = 2000, month = 1, day = 1;   // Gregorian calendar date of the local clock
    double hours = 12.0;                   // local clock time in hours (12.5 is 12:30)
    double timezone = 0.0;                 // hours ahead of UTC (east positive; +1 for Central Europe)
    double latitude = 0.0;                 // degrees, north positive
    double longitude = 0.0;                // degrees, east positive
};

struct SolarPosition {
    double julian_day = 0.0;               // of the instant, UT
    double declination = 0.0;              // degrees
    double right_ascension = 0.0;          // degrees, [0, 360)
    double equation_of_time = 0.0;         // minutes: apparent minus mean solar time
    double hour_angle = 0.0;               // degrees, negative before solar noon
    double elevation = 0.0;                // degrees above the horizon, geometric (no refraction)
    double azimuth = 0.0;                  // degrees clockwise from north, [0, 360)
    double refraction = 0.0;               // degrees the atmosphere lifts the sun's image (NOAA's fit)
};

// Julian day of 0h UT of a Gregorian calendar date.
double julian_day(int year, int month, int day);

// The sun's coordinates at Julian day `jd` (UT): declination, right
// ascension, equation of time; the place-dependent fields are left 0.
SolarPosition solar_coordinates(double jd);

// The sun's position seen from the place and time of `t`.
SolarPosition solar_position(const SolarTime &t);

// Unit direction towards the sun in scene space: y up, `north` the scene's
// north on the ground (any vector with a horizontal part), east = north x up.
Vector3 sun_direction(const SolarPosition &p, Vector3 north = Vector3{0, 0, -1});

}  // namespace uvo_host
