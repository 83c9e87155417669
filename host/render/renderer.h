// The frame loop: camera rays for every pixel sample, tile-parallel over the
// cores, into the world's frame buffer.  A pixel's value depends only on the
// scene, its position and the sample count, never on the thread that renders
// it or the order of tiles.
#pragma once

#include <cstdint>

#include "render/context.h"
#include "render/world.h"

namespace uvo_host {

struct RenderStats {
    double seconds = 0.0;
    int threads = 0;
    uint64_t pixel_samples = 0; // of the pixels finished (an interrupted render counts fewer)
    uint64_t rays = 0;          // rays traced, eye and secondary, shadow walks counted once
    uint64_t shader_calls = 0;
};

class Renderer {
public:
    explicit Renderer(World &world);

    // Renders the whole frame with `threads` workers (0: all cores); shows
    // its progress on stderr when `progress` is set (render/progress.h: a bar
    // on a terminal, else a line every `progress_interval` seconds).
    RenderStats render(int threads, bool progress, double progress_interval = 10.0);

    // The averaged colour of pixel (x, y) (row 0 at the top), rendered with
    // `context`, which must be the calling thread's current context.
    Color render_pixel(ThreadContext &context, int x, int y);

    // Camera ray through raster position (rx, ry) in pixels, internal space.
    void camera_ray(float rx, float ry, Vector3 &origin, Vector3 &direction) const;

private:
    World &world_;
};

}  // namespace uvo_host
