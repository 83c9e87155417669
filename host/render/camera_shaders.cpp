#include "render/camera_shaders.h"

#include <unistd.h>

#include <csignal>

#include "render/host_messages.h"
#include "render/shading.h"

namespace uvo_host {

namespace {

// Position of `instance` in the camera's lens chain, or -1.
int lens_index(const Scene &scene, const ShaderInstance *instance) {
    const auto &lens = scene.camera.lens;
    for (size_t i = 0; i < lens.size(); ++i)
        if (lens[i] == instance)
            return static_cast<int>(i);
    return -1;
}

// Calls lens `index` of the chain on `state` for the ray (origin,
// direction); the state's own ray is put back afterwards.
Boolean call_lens(const Scene &scene, size_t index, ShadingState *state, const Vector3 &origin,
                  const Vector3 &direction, Color *result) {
    const Vector3 saved_origin = state->origin, saved_direction = state->direction, saved_point = state->point;
    state->origin = origin;
    state->direction = direction;
    state->point = origin;
    *result = Color{0, 0, 0, 0};
    const Boolean answer = call_shader_instance(scene.camera.lens[index], result, state, UVO_SHADER_LENS);
    state->origin = saved_origin;
    state->direction = saved_direction;
    state->point = saved_point;
    return answer;
}

void on_interrupt(int) {
    // Only lock-free atomic stores here; the default action comes back so
    // that a second interrupt ends the process.
    if (World *world = current_world()) {
        world->interrupted.store(true);
        world->aborted.store(true);
    }
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

void shade_camera_sample(ShadingState *root, Color *result) {
    const Scene &scene = world_of(root)->scene;
    if (scene.camera.lens.empty()) {
        trace_and_shade(root, UVO_RAY_EYE, root->origin, root->direction, result);
        return;
    }
    call_lens(scene, 0, root, root->origin, root->direction, result);
}

Boolean trace_eye(ShadingState *state, const Vector3 &origin, const Vector3 &direction, Color *result) {
    const Scene &scene = world_of(state)->scene;
    if (current_call_kind() == UVO_SHADER_LENS && state->shader != nullptr) {
        const int index = lens_index(scene, static_cast<const ShaderInstance *>(state->shader->host));
        if (index >= 0 && static_cast<size_t>(index) + 1 < scene.camera.lens.size())
            return call_lens(scene, static_cast<size_t>(index) + 1, state, origin, normalize(direction), result);
    }
    return trace_and_shade(state, UVO_RAY_EYE, origin, direction, result);
}

int run_output_shaders(World &world, bool progress) {
    Scene &scene = world.scene;
    if (scene.camera.output.empty())
        return 0;
    ThreadContext context(0);
    context.world = &world;
    ThreadContext *saved = current_context();
    set_current_context(&context);
    const bool line = progress && isatty(STDERR_FILENO) && verbosity() >= 1;
    if (line) {
        set_progress_bar_active(true);
        set_progress_line_active(true);
    }
    int called = 0;
    for (ShaderInstance *output : scene.camera.output) {
        ShadingState *state = context.root(scene);
        state->ray_type = UVO_RAY_OUTPUT;
        state->raster_x = state->raster_y = 0.0f;
        Color result{0, 0, 0, 0};
        if (!call_shader_instance(output, &result, state, UVO_SHADER_OUTPUT))
            host_warning("output shader %s (%s) reported a failure", output->code->name.c_str(),
                         output->label.c_str());
        context.pop(state);
        ++called;
    }
    if (line) {
        set_progress_line_active(false);
        set_progress_bar_active(false);
        clear_progress_bar();
    }
    set_current_context(saved);
    return called;
}

void install_interrupt_handler() { std::signal(SIGINT, on_interrupt); }

}  // namespace uvo_host
