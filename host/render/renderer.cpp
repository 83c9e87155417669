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
#include "render/shading.h"
#include "render/sobol.h"
#include "render/thread_pool.h"

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
    for (int s = 0; s < samples; ++s) {
        sampling.sample = static_cast<uint32_t>(s);
        sampling.ordinal = 0;
        sampling.next_loop = 0;
        for (auto &loop : sampling.loops)
            loop = PixelSampling::Loop{};
        const float rx = static_cast<float>(x + owen_sobol(static_cast<uint32_t>(s), 0, sampling.pixel_seed));
        const float ry = static_cast<float>(y + owen_sobol(static_cast<uint32_t>(s), 1, sampling.pixel_seed));
        ShadingState *root = context.root(scene);
        root->raster_x = rx;
        root->raster_y = ry;
        camera_ray(rx, ry, root->origin, root->direction);
        root->point = root->origin;
        Color c{0, 0, 0, 0};
        shade_camera_sample(root, &c);
        context.pop(root);
        sum = sum + c;
    }
    end_pixel_buffers(world_, samples);
    return sum * (1.0f / static_cast<float>(samples));
}

RenderStats Renderer::render(int threads, bool progress) {
    Scene &scene = world_.scene;
    const int width = scene.camera.camera.x_resolution, height = scene.camera.camera.y_resolution;
    world_.framebuffer = Image(width, height);
    allocate_user_framebuffers(world_);

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
    std::atomic<int> done{0};
    const bool bar = progress && isatty(STDERR_FILENO) && verbosity() >= 1;
    if (bar) {
        set_progress_bar_active(true);
        draw_progress_bar(0, tiles);
    }
    const auto start = std::chrono::steady_clock::now();
    run_jobs(tiles, stats.threads, [&](int index, int worker) {
        ThreadContext &context = *contexts[worker];
        set_current_context(&context);
        const int x0 = (index % tiles_x) * tile, y0 = (index / tiles_x) * tile;
        for (int y = y0; y < std::min(y0 + tile, height); ++y)
            for (int x = x0; x < std::min(x0 + tile, width); ++x) {
                if (world_.aborted.load(std::memory_order_relaxed))
                    return;
                world_.framebuffer.put(x, y, render_pixel(context, x, y));
            }
        const int finished = ++done;
        if (bar)
            draw_progress_bar(finished, tiles);
        set_current_context(nullptr);
    });
    stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (bar) {
        set_progress_bar_active(false);
        clear_progress_bar();
    }
    stats.pixel_samples = static_cast<uint64_t>(width) * height * scene.settings.samples;
    for (const auto &context : contexts) {
        stats.rays += context->rays;
        stats.shader_calls += context->shader_calls;
    }
    return stats;
}

}  // namespace uvo_host
