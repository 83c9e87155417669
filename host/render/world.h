// The render world: everything the exported host functions reach.  A call
// on a state finds the world through the state's context (world_of); other
// calls use the current world, of which there is one at a time.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "render/context.h"
#include "render/tracer.h"
#include "scene/scene.h"

namespace uvo_host {

class ShaderRegistry;
struct PhotonMaps;

struct World {
    Database db;
    ShaderRegistry *registry = nullptr;
    Scene scene;
    std::unique_ptr<Tracer> tracer;
    Image framebuffer;                  // main colour buffer of the frame
    std::vector<Image> user_framebuffers; // user frame buffers, numbered as the camera names them
    std::vector<Image> output_channels; // the camera's output channels (Image::name: the channel)
    std::atomic<bool> aborted{false};   // rx_par_aborted
    std::atomic<bool> interrupted{false}; // the abort came from SIGINT, not a fatal message
    std::shared_ptr<PhotonMaps> photon_maps; // made by the photon pass (render/photon_pass.h), or null
};

// The current world: the one the exported host functions serve when a call
// carries no state of a render thread (set by the session around its life).
World *current_world();
void set_current_world(World *world);

// The world `state` belongs to: the world of its render thread's context
// (ThreadContext::world), else the current world.
inline World *world_of(const ShadingState *state) {
    const ThreadContext *context = context_of(state);
    return context != nullptr && context->world != nullptr ? context->world : current_world();
}

}  // namespace uvo_host
