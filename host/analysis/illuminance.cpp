#include "analysis/illuminance.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <numbers>

#include "render/directions.h"
#include "render/shading.h"
#include "render/sobol.h"
#include "render/thread_pool.h"
#include "shaders/builtin_shaders.h"

namespace uvo_host {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kCheckEvery = 32;         // samples between looks at the target error

double luminance_of(const RenderOptions &options, const Color &c) {
    const Color &w = options.luminance_weights;
    if (w.r == 0.0f && w.g == 0.0f && w.b == 0.0f)
        return 0.212671 * c.r + 0.715160 * c.g + 0.072169 * c.b;
    return static_cast<double>(w.r) * c.r + static_cast<double>(w.g) * c.g + static_cast<double>(w.b) * c.b;
}

// Starts sample `k` of the sensor whose sequence `seed` names: the same
// bookkeeping a pixel sample gets, so that every rx_sample loop below
// stratifies across the sensor's samples.
void begin_sample(PixelSampling &sampling, uint32_t seed, uint32_t samples, uint32_t k) {
    sampling.pixel_seed = seed;
    sampling.samples = samples;
    sampling.sample = k;
    sampling.ordinal = 0;
    sampling.next_loop = 0;
    for (auto &loop : sampling.loops)
        loop = PixelSampling::Loop{};
}

// The sensor's state: a point just off the sensor along its normal, looked
// at from the front, on no surface.
ShadingState *sensor_state(ThreadContext &context, const Scene &scene, const Sensor &sensor, float offset,
                           const RenderOptions *options) {
    ShadingState *root = context.root(scene);
    root->options = options;
    root->point = sensor.position + sensor.normal * offset;
    root->origin = root->point + sensor.normal;
    root->direction = -sensor.normal;
    root->normal = sensor.normal;
    root->normal_geom = sensor.normal;
    root->dot_nd = -1.0f;
    return root;
}

SensorReading measure_one(ThreadContext &context, World &world, const Sensor &sensor, uint32_t seed,
                          const IlluminanceSettings &settings, const RenderOptions &options) {
    const Scene &scene = world.scene;
    const float offset = world.tracer->epsilon() * (1.0f + std::fabs(sensor.position.x) +
                                                     std::fabs(sensor.position.y) + std::fabs(sensor.position.z));
    double mean = 0.0, m2 = 0.0;  // Welford's running mean and sum of squared deviations
    int n = 0;
    const uint32_t samples = static_cast<uint32_t>(settings.samples);
    for (uint32_t k = 0; k < samples; ++k) {
        begin_sample(context.sampling, seed, samples, k);
        ShadingState *root = sensor_state(context, scene, sensor, offset, &options);
        const Color direct = direct_irradiance(root);
        const Vector3 d =
            cosine_direction(sensor.normal, sensor.normal, owen_sobol(k, 0, seed), owen_sobol(k, 1, seed));
        Color incoming{0, 0, 0, 0};
        trace_and_shade(root, UVO_RAY_GATHER, root->point, d, &incoming);
        context.pop(root);
        // Light samples carry the irradiance over π (rx_sample_light), gather
        // rays the radiance of a cosine-weighted direction: both times π.
        const double e = kPi * (luminance_of(options, direct) + luminance_of(options, incoming)) *
                         settings.luminance_scale;
        ++n;
        const double delta = e - mean;
        mean += delta / n;
        m2 += delta * (e - mean);
        if (world.aborted.load(std::memory_order_relaxed))
            break;
        if (settings.target_error > 0.0 && n >= settings.min_samples && n % kCheckEvery == 0) {
            const double error = std::sqrt(m2 / (n - 1) / n);
            if (error <= settings.target_error * std::fabs(mean))
                break;
        }
    }
    SensorReading reading;
    reading.lux = mean;
    reading.samples = n;
    reading.standard_error = n > 1 ? std::sqrt(m2 / (n - 1) / n) : 0.0;
    return reading;
}

}  // namespace

std::vector<SensorReading> measure_illuminance(World &world, const std::vector<Sensor> &sensors,
                                               const IlluminanceSettings &settings, IlluminanceStats *stats) {
    Scene &scene = world.scene;
    // The pass's own options: the gather depth carries the bounces, and the
    // ray depth must let every gather ray through.
    RenderOptions options = scene.options;
    options.gather_depth = settings.bounces;
    const int saved_depth = scene.settings.max_depth;
    scene.settings.max_depth = std::max(saved_depth, settings.bounces + 2);

    const int threads = resolve_thread_count(settings.threads);
    std::vector<std::unique_ptr<ThreadContext>> contexts;
    for (int i = 0; i < threads; ++i) {
        contexts.push_back(std::make_unique<ThreadContext>(i));
        contexts.back()->world = &world;
    }
    std::vector<SensorReading> readings(sensors.size());
    const uint32_t base_seed = hash_combine(hash_u32(scene.settings.seed), 0x5e45u);
    const auto start = std::chrono::steady_clock::now();
    run_jobs(static_cast<int>(sensors.size()), threads, [&](int index, int worker) {
        ThreadContext &context = *contexts[worker];
        set_current_context(&context);
        if (!world.aborted.load(std::memory_order_relaxed))
            readings[index] = measure_one(context, world, sensors[index],
                                          hash_combine(base_seed, static_cast<uint32_t>(index)), settings, options);
        set_current_context(nullptr);
    });
    scene.settings.max_depth = saved_depth;
    if (stats != nullptr) {
        stats->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        stats->threads = threads;
        stats->samples = 0;
        stats->rays = 0;
        for (const SensorReading &r : readings)
            stats->samples += static_cast<uint64_t>(r.samples);
        for (const auto &context : contexts)
            stats->rays += context->rays;
    }
    return readings;
}

double environment_horizontal_illuminance(World &world, int samples) {
    ThreadContext context(0);
    context.world = &world;
    ThreadContext *saved = current_context();
    set_current_context(&context);
    const Vector3 up{0, 1, 0};
    const uint32_t seed = 0x0e0a7u;
    double sum = 0.0;
    for (int k = 0; k < samples; ++k) {
        begin_sample(context.sampling, seed, static_cast<uint32_t>(samples), static_cast<uint32_t>(k));
        ShadingState *root = context.root(world.scene);
        root->normal = root->normal_geom = up;
        const uint32_t i = static_cast<uint32_t>(k);
        const Vector3 d = cosine_direction(up, up, owen_sobol(i, 0, seed), owen_sobol(i, 1, seed));
        // Straight to the environment shader: the sky alone, never the ground.
        Color c{0, 0, 0, 0};
        if (ShaderInstance *environment = world.db.get<ShaderInstance>(root->environment, ElementKind::Shader)) {
            ShadingState *state = context.push(root);
            state->ray_type = UVO_RAY_ENVIRONMENT;
            state->direction = d;
            call_shader_instance(environment, &c, state, UVO_SHADER_ENVIRONMENT);
            context.pop(state);
        }
        context.pop(root);
        sum += luminance_of(world.scene.options, c);
    }
    set_current_context(saved);
    return samples > 0 ? kPi * sum / samples : 0.0;
}

void prepare_ground(World &world) {
    EnvironmentGround &ground = world.scene.ground;
    if (!ground.enabled)
        return;
    ground.luminance =
        static_cast<float>(ground.reflectance * environment_horizontal_illuminance(world) / kPi);
}

}  // namespace uvo_host
