// The analytic daylight model shared by the three daylight shaders: direct
// sunlight after the atmosphere, the Perez luminance distribution of the clear
// sky with turbidity-dependent coefficients, zenith luminance and
// chromaticity, the CIE standard clear and overcast skies, XYZ to RGB, zenith
// luminance estimates from the sun's elevation, and small shaping helpers.
//
// Everything here is a pure function of its arguments and the SkyInstance (no
// host call), safe on all render threads.  Directions are unit vectors in the
// sky frame (z up, see sky_instance.h); angles are radians unless a name says
// degrees; luminances are cd/m^2.  Where a step is documented "double" it is
// computed in double precision and rounded to float where stated; the rest is
// single precision.
#pragma once

#include <cstdint>

#include "sky/sky_instance.h"

namespace uvo {

// Bits of the physical sky's model_flags, read by sky_xyz.
enum SkyModelFlags : int32_t {
    sky_flag_blend_chromaticity = 1,  // pull the chromaticity ratios towards 1 by (cos g + 4) / 5
    sky_flag_fixed_x_a = 2            // A of x is -0.01925 T - 0.25922 (no sun-height term)
};

// Colour of direct sunlight for the record's sun_direction at turbidity T:
// extraterrestrial irradiance per channel (red 0.61, green 0.55, blue 0.47 um)
// times Rayleigh, aerosol and ozone transmittance along the relative optical
// air mass.  Black, alpha 0, when the sun is at or below the horizon.
Color sunlight_color(const SkyInstance &instance, float turbidity);

// Relative luminance F(theta, gamma) / F(0, theta_s) of the turbidity model
// for view `dir` and sun `sun`; double throughout, 1 at the zenith.
double perez_ratio(const Vector3 &dir, const Vector3 &sun, float turbidity);

// CIE X, Y, Z of the sky in direction `dir` whose luminance is `Y`: zenith
// chromaticity from the sun's zenith angle and T, distributed by the Perez
// ratios of x and y.  `flags` is SkyModelFlags.  Y comes back unchanged.
Vector3 sky_xyz(const Vector3 &dir, const Vector3 &sun, float turbidity, float Y, int32_t flags);

// RGB sky radiance (times pi) in direction `dir` for the sun direction `sun`
// as the caller prepared them (both above the horizon).  Mode 0 uses the
// turbidity zenith luminance and perez_ratio, any other mode
// sky_luminance(instance, dir).  Alpha 0; a NaN channel makes all three 0.
Color sky_color(const Vector3 &sun, const Vector3 &dir, float turbidity, int32_t flags,
                const SkyInstance &instance);

// Perez coefficients A, B, C, D, E of one quantity (double).
struct PerezCoefficients {
    double A, B, C, D, E;
};

// The part of sky_color that depends on the sun, the turbidity and the
// flags alone, computed once by sky_terms (the physical sky's instance init
// keeps one beside its SkyInstance): the zenith luminance of the turbidity
// model, the sun's zenith angle, the Perez coefficients of luminance, x and y
// with the denominators F(0, theta_s) of their quotients, and the zenith
// chromaticity.  Every value is the one sky_color would compute, so
// sky_color with terms gives sky_color's results bit for bit.
struct SkyTerms {
    Vector3 sun;         // as given to sky_terms
    float turbidity;
    int32_t flags;       // SkyModelFlags
    float zenith_luminance;  // turbidity_zenith_luminance(sun.z, turbidity)
    double theta_s;      // acos(sun.z)
    PerezCoefficients luminance, x, y;
    double luminance_zenith, x_zenith, y_zenith;  // F(0, theta_s) of each
    double xz, yz;       // zenith chromaticity
};
void sky_terms(const Vector3 &sun, float turbidity, int32_t flags, SkyTerms &terms);

// Whether `terms` were made for exactly this sun, turbidity and flags.
bool sky_terms_for(const SkyTerms &terms, const Vector3 &sun, float turbidity, int32_t flags);

// sky_color(terms.sun, dir, terms.turbidity, terms.flags, instance).
Color sky_color(const SkyTerms &terms, const Vector3 &dir, const SkyInstance &instance);

// Zenith luminance Yz (cd/m^2) of the turbidity model for a sun of zenith
// angle acos(sun_z): double, rounded to float.
float turbidity_zenith_luminance(float sun_z, float turbidity);

// Luminance (cd/m^2) in direction `dir` from the record's luminance mode:
// 0 the CIE clear/overcast blend, 1 the user Perez distribution, both scaled
// to zenith_luminance; any other mode 0.  NaN or values so large that adding
// 1 leaves them unchanged in float come back as 0.
float sky_luminance(const SkyInstance &instance, const Vector3 &dir);

// Unnormalised CIE standard clear sky for view `dir` and sun `sun` (double).
double cie_clear_relative(const Vector3 &dir, const Vector3 &sun);

// perez_norm of the CIE skies: 1 / cie_clear_relative at the zenith.
float cie_perez_norm(const Vector3 &sun);

// perez_norm of user Perez coefficients {A, B, C, D, E} for a sun at zenith
// angle theta_s (single precision, as the init computes it) and height sun_z.
float user_perez_norm(const float perez[5], float theta_s, float sun_z);

// Sun elevation in degrees from the record's sun_direction, rounded to float.
float sun_elevation_degrees(const SkyInstance &instance);

// CIE clear-sky estimate of the zenith luminance (cd/m^2) from the sun's
// elevation: a tabulated factor times a polynomial in sin(elevation).
// 0 below the horizon.
float clear_zenith_luminance(const SkyInstance &instance);

// CIE overcast estimate of the zenith luminance (cd/m^2) from the sun's
// elevation.  0 below the horizon.
float overcast_zenith_luminance(const SkyInstance &instance);

// Turbidity T = haze + 2 of a haze parameter, never below 2.
float turbidity_from_haze(float haze);

// Factors from physical values to RGB of the sky and the sun: the r, g, b of
// `rgb_scale`, or 1.25e-5 in every channel when its red is not positive;
// each times `intensity`.
void rgb_scale_factors(const Color &rgb_scale, float intensity, float s[3]);

// Saturation actually applied at turbidity T: a hazy sky pulls saturations
// below 1 towards sigma^3 (fully at T >= 17); above 1 unchanged.
float haze_saturation(float saturation, float turbidity);

// 0 below lo, 1 from hi on, (3 - 2t) t^2 with t = (x - lo) / (hi - lo) between.
float smooth_step(float lo, float hi, float x);

// `v` with its up component raised to at least 0.001 at the same azimuth,
// renormalised; directions above that are returned unchanged.
Vector3 lift_above_horizon(const Vector3 &v);

// A world direction in the record's sky frame: y and z exchanged when
// swap_y_z, then the horizon offset subtracted from z and renormalised.
Vector3 to_sky_frame(const SkyInstance &instance, Vector3 v);

}  // namespace uvo
