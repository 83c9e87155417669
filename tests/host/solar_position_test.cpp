// The solar position against the almanac's worked example and the geometry
// of solar noon and of the scene's compass.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/solar_position.h"

using namespace uvo_host;

TEST(SolarPosition, AlmanacExampleOf13October1992) {
    // The published worked example of the low-precision solar coordinates:
    // 1992 October 13.0 TD, JDE 2448908.5, apparent right ascension
    // 13h13m31.4s = 198.38083 degrees, declination -7.78507 degrees, and an
    // equation of time of 13m42.7s.
    EXPECT_DOUBLE_EQ(julian_day(1992, 10, 13), 2448908.5);
    EXPECT_DOUBLE_EQ(julian_day(2000, 1, 1), 2451544.5);
    const SolarPosition p = solar_coordinates(2448908.5);
    EXPECT_NEAR(p.right_ascension, 198.38083, 2e-4);
    EXPECT_NEAR(p.declination, -7.78507, 2e-4);
    EXPECT_NEAR(p.equation_of_time, 13.0 + 42.7 / 60.0, 0.05);
}

TEST(SolarPosition, SolarNoonStandsDueSouthAtColatitudePlusDeclination) {
    // Zurich (47.37 N, 8.54 E, UTC+2 in summer) on the June solstice: at the
    // local time of solar noon the sun is due south at 90 - lat + dec.
    SolarTime t;
    t.year = 2026, t.month = 6, t.day = 21, t.timezone = 2, t.latitude = 47.37, t.longitude = 8.54;
    t.hours = 12.0;
    const SolarPosition at_twelve = solar_position(t);
    t.hours = 12.0 - at_twelve.hour_angle / 15.0;  // 15 degrees per hour
    const SolarPosition noon = solar_position(t);
    EXPECT_NEAR(noon.hour_angle, 0.0, 0.01);
    EXPECT_NEAR(noon.azimuth, 180.0, 0.05);
    EXPECT_NEAR(noon.elevation, 90.0 - t.latitude + noon.declination, 0.01);
    EXPECT_NEAR(noon.declination, 23.43, 0.02);
    // Scene compass: north -z, east +x, y up.
    const Vector3 d = sun_direction(noon);
    EXPECT_NEAR(d.z, std::cos(noon.elevation * M_PI / 180.0), 1e-4);
    EXPECT_NEAR(d.x, 0.0, 1e-3);
    t.hours = 7.0;  // morning: east of south, sun towards +x
    EXPECT_GT(sun_direction(solar_position(t)).x, 0.5f);
}
