// Host functions: output images (the frame's buffers, for output shaders),
// user frame buffers (rx_fb_put) and the shader interface with its
// frame-buffer accessor.
//
// Output image 0 is the main colour buffer; output image 12 + k is user frame
// buffer k (the camera's list of names, in order).  The images are the
// world's own buffers: what an output shader writes is what uvo-render saves.
#include <atomic>
#include <deque>
#include <mutex>

#include "render/framebuffers.h"
#include "image/host_image.h"
#include "render/host_messages.h"
#include "render/shading.h"

using namespace uvo_host;

namespace {

constexpr int32_t kMainImage = 0;
constexpr int32_t kFirstUserImage = 12;

// One handle per output image, made at its first opening and kept for the
// process: a handle points at whichever world opened it last.
std::mutex g_outputs_lock;
std::deque<std::pair<int32_t, HostImage>> g_outputs;

HostImage &output_handle(int32_t index) {
    for (auto &[i, handle] : g_outputs)
        if (i == index)
            return handle;
    g_outputs.emplace_back(std::piecewise_construct, std::forward_as_tuple(index), std::forward_as_tuple());
    return g_outputs.back().second;
}

std::atomic<long> g_live_accessors{0};

// An accessor of one frame-buffer set: the contract's record first, so the
// pointer handed out is both.
struct Accessor {
    HostFramebuffers api;
    Tag set;
};

Boolean accessor_find(HostFramebuffers *self, const char *name, int32_t *index) {
    World *world = current_world();
    if (world == nullptr || name == nullptr)
        return 0;
    const int32_t found = find_framebuffer(*world, reinterpret_cast<Accessor *>(self)->set, name);
    if (found < 0)
        return 0;
    if (index != nullptr)
        *index = found;
    return 1;
}

void accessor_release(HostFramebuffers *self) {
    if (self == nullptr)
        return;
    --g_live_accessors;
    delete reinterpret_cast<Accessor *>(self);
}

// No accessor for a Tag that is not a frame-buffer set.
HostFramebuffers *interface_framebuffers(HostShaderInterface *, Tag set) {
    World *world = current_world();
    if (world == nullptr || world->db.get<std::vector<std::string>>(set, ElementKind::FramebufferSet) == nullptr)
        return nullptr;
    auto *accessor = new Accessor{HostFramebuffers{accessor_find, accessor_release}, set};
    ++g_live_accessors;
    return &accessor->api;
}

// The interface itself is one static record; releasing it is a no-op.
void interface_release(HostShaderInterface *) {}
HostShaderInterface g_interface{2, interface_framebuffers, interface_release};

}  // namespace

namespace uvo_host {
long live_framebuffer_accessors() { return g_live_accessors.load(); }
}  // namespace uvo_host

extern "C" HostImage *rx_output_image_open(ShadingState *, int32_t index) {
    World *world = current_world();
    if (world == nullptr)
        return nullptr;
    Image *image = nullptr;
    if (index == kMainImage) {
        image = &world->framebuffer;
    } else if (index >= kFirstUserImage &&
               static_cast<size_t>(index - kFirstUserImage) < world->user_framebuffers.size()) {
        image = &world->user_framebuffers[static_cast<size_t>(index - kFirstUserImage)];
    } else {
        host_warning_once("rx_output_image_open", "there is no output image %d (0: colour, 12 and up: the %zu "
                          "frame buffers of the camera)", static_cast<int>(index), world->user_framebuffers.size());
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_outputs_lock);
    HostImage &handle = output_handle(index);
    handle.image = image;
    return &handle;
}

// The images stay the world's; closing only ends what the handle reaches.
extern "C" void rx_output_image_close(ShadingState *, int32_t index) {
    std::lock_guard<std::mutex> guard(g_outputs_lock);
    for (auto &[i, handle] : g_outputs)
        if (i == index)
            handle.image = nullptr;
}

// The value is a Color (float RGBA): every user frame buffer of this host
// holds colours.
extern "C" Boolean rx_fb_put(ShadingState *state, int32_t buffer, const void *value) {
    World *world = world_of(state);
    if (world == nullptr || state == nullptr || value == nullptr)
        return 0;
    // Camera samples carry y-up raster positions (renderer.cpp); output
    // shaders walk the frame's rows.
    float y = state->raster_y;
    if (state->ray_type != UVO_RAY_OUTPUT)
        y = static_cast<float>(world->scene.camera.camera.y_resolution) - y;
    if (put_user_framebuffer(*world, buffer, state->raster_x, y, *static_cast<const Color *>(value)))
        return 1;
    if (buffer < 0 || static_cast<size_t>(buffer) >= world->user_framebuffers.size())
        host_warning_once("rx_fb_put", "there is no user frame buffer %d (the camera names %zu); values dropped",
                          static_cast<int>(buffer), world->user_framebuffers.size());
    return 0;
}

extern "C" HostShaderInterface *rx_get_shader_interface(int32_t version) {
    return version == 2 ? &g_interface : nullptr;
}
