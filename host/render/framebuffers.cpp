#include "render/framebuffers.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace uvo_host {

namespace {

// The calling thread's pixel: its position and, per user buffer, the sum of
// the values put during its samples and whether anything was put.
struct PixelBuffers {
    bool active = false;
    int x = 0, y = 0;
    std::vector<Color> sums;
    std::vector<uint8_t> written;
};
thread_local PixelBuffers t_pixel;

// Direct puts (outside a pixel's samples) may come from several threads.
std::mutex g_direct_lock;

}  // namespace

void allocate_user_framebuffers(World &world) {
    const Camera &camera = world.scene.camera.camera;
    world.user_framebuffers.assign(world.scene.camera.framebuffers.size(),
                                   Image(camera.x_resolution, camera.y_resolution));
    for (size_t i = 0; i < world.user_framebuffers.size(); ++i)
        world.user_framebuffers[i].name = world.scene.camera.framebuffers[i];
}

void begin_pixel_buffers(World &world, int x, int y) {
    PixelBuffers &p = t_pixel;
    const size_t n = world.user_framebuffers.size();
    p.active = n > 0;
    p.x = x;
    p.y = y;
    p.sums.assign(n, Color{0, 0, 0, 0});
    p.written.assign(n, 0);
}

void end_pixel_buffers(World &world, int samples) {
    PixelBuffers &p = t_pixel;
    if (!p.active)
        return;
    p.active = false;
    const float scale = 1.0f / static_cast<float>(std::max(samples, 1));
    for (size_t i = 0; i < p.sums.size() && i < world.user_framebuffers.size(); ++i)
        if (p.written[i])
            world.user_framebuffers[i].put(p.x, p.y, p.sums[i] * scale);
}

bool put_user_framebuffer(World &world, int32_t buffer, float raster_x, float raster_y, const Color &value) {
    if (buffer < 0 || static_cast<size_t>(buffer) >= world.user_framebuffers.size())
        return false;
    Image &image = world.user_framebuffers[static_cast<size_t>(buffer)];
    if (!(raster_x >= 0.0f) || !(raster_y >= 0.0f) || raster_x >= static_cast<float>(image.width) ||
        raster_y >= static_cast<float>(image.height))
        return false;
    const int x = static_cast<int>(std::floor(raster_x)), y = static_cast<int>(std::floor(raster_y));
    if (x >= image.width || y >= image.height)
        return false;
    PixelBuffers &p = t_pixel;
    if (p.active && p.x == x && p.y == y && static_cast<size_t>(buffer) < p.sums.size()) {
        p.sums[static_cast<size_t>(buffer)] = p.sums[static_cast<size_t>(buffer)] + value;
        p.written[static_cast<size_t>(buffer)] = 1;
        return true;
    }
    std::lock_guard<std::mutex> guard(g_direct_lock);
    image.put(x, y, value);
    return true;
}

int32_t find_framebuffer(const World &world, Tag set, const std::string &name) {
    const auto *names = world.db.get<std::vector<std::string>>(set, ElementKind::FramebufferSet);
    if (names == nullptr)
        return -1;
    for (size_t i = 0; i < names->size(); ++i)
        if ((*names)[i] == name)
            return static_cast<int32_t>(i);
    return -1;
}

}  // namespace uvo_host
