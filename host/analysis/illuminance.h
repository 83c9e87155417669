// Illuminance at sensors, by Monte Carlo integration over the scene as the
// renderer shades it: the same tracer, light sampling, environment and
// material shaders as a camera render, no second renderer.
//
// One sample of a sensor with normal n at point p is
//   E_k = sum over lights of the light's irradiance sample (rx_sample_light,
//         times the cosine to n; the sun's and point lights' light, portals)
//       + pi * L(w_k),
// where w_k is a cosine-weighted direction about n (Owen-scrambled Sobol
// points, one per sample) and L(w_k) the radiance that a gather ray (ray
// type 20) brings back along it: the sky or the ground when it leaves the
// scene, else what the material it meets returns, which holds that
// surface's direct light and, through its own gather rays, the light of
// further reflections.  A gather ray meets black at a visible rectangle
// light, whose light the light samples carry already.
//
// Interreflections: paths carry a fixed number of diffuse reflections
// (`bounces`, the options' gather depth for the pass; no Russian
// roulette).  The light lost past the last one is a fraction rho^(bounces+1)
// of the total for surfaces of mean reflectance rho (0.1 % for rho = 0.5 and
// 8 bounces).  Materials gather on as long as they ask the host for
// indirect light: `uvo_material` through rx_compute_avg_radiance and the
// built-in `lambert` with `indirect` set.
//
// Units: E_k is the luminance (the options' luminance weights applied to
// r, g, b) of the irradiance in the shaders' units, times
// `luminance_scale` (cd/m^2 per unit): lux.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/analysis_plan.h"
#include "render/world.h"

namespace uvo_host {

struct IlluminanceSettings {
    int samples = 4096;                 // most samples per sensor
    int min_samples = 64;               // fewest before the target error may stop a sensor
    double target_error = 0.0;          // relative standard error that stops early; 0: never
    int bounces = 8;                    // diffuse reflections per path
    double luminance_scale = 1.0;       // cd/m^2 per unit of the shaders' luminance
    int threads = 0;                    // 0: every core
};

struct SensorReading {
    double lux = 0.0;                   // mean of the samples
    double standard_error = 0.0;        // sample standard deviation / sqrt(samples), lux
    int samples = 0;                    // samples taken (fewer than asked when the target stopped it)
};

struct IlluminanceStats {
    double seconds = 0.0;
    uint64_t samples = 0;               // over every sensor
    uint64_t rays = 0;
    int threads = 0;
};

// Measures every sensor (in parallel over sensors; each sensor's figures
// depend only on the scene, its index and the render seed).  The world must
// be initialised (instances inited, tracer built) and not rendering.
std::vector<SensorReading> measure_illuminance(World &world, const std::vector<Sensor> &sensors,
                                               const IlluminanceSettings &settings,
                                               IlluminanceStats *stats = nullptr);

// Horizontal illuminance of the environment's upper hemisphere alone
// (directions with y >= 0; no geometry, no ground), in the shaders' units:
// pi times the mean luminance of `samples` cosine-weighted directions.
double environment_horizontal_illuminance(World &world, int samples = 16384);

// Sets the scene's ground luminance (Scene::ground) from the environment:
// reflectance * E_out / pi, in the shaders' units.  Does nothing without a
// ground.
void prepare_ground(World &world);

}  // namespace uvo_host
