#include "render/renderer.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "render/camera_shaders.h"
#include "render/framebuffers.h"
#include "render/host_messages.h"
#include "render/progress.h"
#include "render/shading.h"
#include "render/sobol.h"
#include "render/thread_pool.h"
#include "scene/output_channels.h"

namespace uvo_host {


Renderer::Renderer(World &world) : world_(world) {}

void Renderer::camera_ray(float rx, float ry, Vector3 &origin, Vector3 &direction) const {
    const Camera &cam = world_.scene.camera.camera;
    const float sx = (rx / static_cast<float>(cam.x_resolution) - 0.5f) * cam.aperture;
    const float sy = (0.5f - ry / static_cast<float>(cam.y_resolution)) * cam.aperture / cam.aspect;
    Vector3 o{0, 0, 0}, d{sx, sy, -cam.focal};
    if (cam.orthographic) {
        o = Vector3{sx, sy, 0};
        d = Vector3{0, 0, -1};
    }
    const float *m = world_.scene.camera.to_world.m;
    origin = transform_point(m, o);
    direction = normalize(transform_vector(m, d));
}

Color Renderer::render_pixel(ThreadContext &context, int x, int y) {
    const Scene &scene = world_.scene;
    const int samples = scene.settings.samples;
    PixelSampling &sampling = context.sampling;
    sampling.pixel_seed = hash_combine(hash_combine(hash_u32(scene.settings.seed), static_cast<uint32_t>(x)),
                                       static_cast<uint32_t>(y));
    sampling.samples = static_cast<uint32_t>(samples);
    begin_pixel_buffers(world_, x, y);
    Color sum{0, 0, 0, 0};
    const std::vector<int> &channels = scene.camera.output_channels;
    float slots[kOutputSlots];
    std::vector<Color> channel_sums(channels.size(), Color{0, 0, 0, 0});
    context.eye_outputs = channels.empty() ? nullptr : slots;
    int done = 0;
    for (int s = 0; s < samples; ++s) {
        ++done;
        sampling.sample = static_cast<uint32_t>(s);
        sampling.ordinal = 0;
        sampling.next_loop = 0;
        for (auto &loop : sampling.loops)
            loop = PixelSampling::Loop{};
        const float rx = static_cast<float>(x + owen_sobol(static_cast<uint32_t>(s), 0, sampling.pixel_seed));
        const float ry = static_cast<float>(y + owen_sobol(static_cast<uint32_t>(s), 1, sampling.pixel_seed));
        ShadingState *root = context.root(scene);
        // Shaders see raster positions as on the camera's image plane: x
        // right, y up from the lower-left corner (the interpolation cache
        // probes the scene by them); the frame's rows count from the top.
        root->raster_x = rx;
        root->raster_y = static_cast<float>(scene.camera.camera.y_resolution) - ry;
        camera_ray(rx, ry, root->origin, root->direction);
        root->point = root->origin;
        Color c{0, 0, 0, 0};
        if (!channels.empty())
            std::fill(slots, slots + kOutputSlots, 0.0f);  // a sample that hits nothing adds nothing
        shade_camera_sample(root, &c);
        context.pop(root);
        sum = sum + c;
        for (size_t i = 0; i < channels.size(); ++i) {
            const OutputChannel &channel = kOutputChannels[channels[i]];
            const float *v = slots + channel.slot;
            channel_sums[i] = channel_sums[i] + (channel.colour ? Color{v[0], v[1], v[2], v[3]}
                                                                : Color{v[0], v[0], v[0], 1.0f});
        }
        if (world_.aborted.load(std::memory_order_relaxed))
            break;  // the pixel stays as far as it got
    }
    context.eye_outputs = nullptr;
    end_pixel_buffers(world_, done);
    const float scale = 1.0f / static_cast<float>(done);
    for (size_t i = 0; i < channels.size(); ++i)
        world_.output_channels[i].put(x, y, channel_sums[i] * scale);
    return sum * scale;
}

RenderStats Renderer::render(int threads, bool progress, double progress_interval) {
    Scene &scene = world_.scene;
    const int width = scene.camera.camera.x_resolution, height = scene.camera.camera.y_resolution;
    world_.framebuffer = Image(width, height);
    allocate_user_framebuffers(world_);
    world_.output_channels.clear();
    for (int channel : scene.camera.output_channels) {
        world_.output_channels.emplace_back(width, height);
        world_.output_channels.back().name = kOutputChannels[channel].name;
    }

    const int tile = std::max(1, scene.settings.tile_size);
    const int tiles_x = (width + tile - 1) / tile, tiles_y = (height + tile - 1) / tile;
    const int tiles = tiles_x * tiles_y;
    RenderStats stats;
    stats.threads = resolve_thread_count(threads);
    std::vector<std::unique_ptr<ThreadContext>> contexts;
    for (int i = 0; i < stats.threads; ++i) {
        contexts.push_back(std::make_unique<ThreadContext>(i));
        contexts.back()->world = &world_;
    }
    std::atomic<uint64_t> finished_pixels{0};
    auto meter = std::make_unique<ProgressMeter>(tiles, progress, progress_interval);
    const auto start = std::chrono::steady_clock::now();
    run_jobs(tiles, stats.threads, [&](int index, int worker) {
        ThreadContext &context = *contexts[worker];
        set_current_context(&context);
        const int x0 = (index % tiles_x) * tile, y0 = (index / tiles_x) * tile;
        uint64_t finished = 0;
        for (int y = y0; y < std::min(y0 + tile, height); ++y)
            for (int x = x0; x < std::min(x0 + tile, width); ++x) {
                if (world_.aborted.load(std::memory_order_relaxed)) {
                    finished_pixels += finished;
                    return;
                }
                world_.framebuffer.put(x, y, render_pixel(context, x, y));
                // A pixel cut short by a stop is not counted as finished.
                finished += !world_.aborted.load(std::memory_order_relaxed);
            }
        finished_pixels += finished;
        meter->step();
        set_current_context(nullptr);
    });
    stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    meter.reset();
    stats.pixel_samples = finished_pixels.load() * static_cast<uint64_t>(scene.settings.samples);
    for (const auto &context : contexts) {
        stats.rays += context->rays;
        stats.shader_calls += context->shader_calls;
    }
    return stats;
}

}  // namespace uvo_host
