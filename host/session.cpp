#include "session.h"

#include <filesystem>

#include "render/camera_shaders.h"
#include "render/host_messages.h"
#include "services/photons.h"
#include "scene_loader.h"

namespace uvo_host {

RenderSession::RenderSession(const SessionOptions &options) : renderer_(world_) {
    registry_ = std::make_unique<ShaderRegistry>(
        options.declarations.empty() ? default_declarations_dir() : options.declarations,
        options.library.empty() ? default_library_path() : options.library);
    world_.registry = registry_.get();
    registry_->register_declarations(world_.db);
    set_current_world(&world_);
    load_scene(options.scene, world_);
    Scene &scene = world_.scene;
    if (options.samples > 0) {
        scene.settings.samples = options.samples;
        scene.options.samples = options.samples;
    }
    if (options.threads >= 0)
        scene.settings.threads = options.threads;
    if (options.width > 0 && options.height > 0) {
        scene.camera.camera.x_resolution = options.width;
        scene.camera.camera.y_resolution = options.height;
    }
    world_.tracer = std::make_unique<Tracer>(scene);
    registry_->init_instances(scene);
    attributes_["uvo:scene"] = options.scene;
    attributes_["uvo:shaders"] = registry_->library_path();
    attributes_["uvo:samples"] = std::to_string(scene.settings.samples);
    attributes_["uvo:resolution"] = std::to_string(scene.camera.camera.x_resolution) + "x" +
                                    std::to_string(scene.camera.camera.y_resolution);
    attributes_["uvo:seed"] = std::to_string(scene.settings.seed);
}

RenderSession::~RenderSession() {
    registry_->exit_instances(world_.scene);
    world_.tracer.reset();
    if (current_world() == &world_)
        set_current_world(nullptr);
}

RenderStats RenderSession::render(bool progress) {
    if (world_.scene.settings.photons > 0) {
        clear_photons();
        const size_t photons = emit_photons(world_, world_.scene.settings.photons);
        host_info("%zu photons emitted", photons);
    }
    const RenderStats stats = renderer_.render(world_.scene.settings.threads, progress);
    output_shaders_ran_ = !world_.scene.camera.output.empty();
    if (output_shaders_ran_) {
        raw_ = world_.framebuffer;
        run_output_shaders(world_, progress);
    }
    attributes_["uvo:threads"] = std::to_string(stats.threads);
    attributes_["uvo:render_seconds"] = std::to_string(stats.seconds);
    return stats;
}

void RenderSession::write(const std::string &base) const {
    const std::filesystem::path parent = std::filesystem::path(base).parent_path();
    if (!parent.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(parent, ec);
    }
    std::vector<const Image *> layers;
    for (const Image &buffer : world_.user_framebuffers)
        layers.push_back(&buffer);
    write_exr(base + ".exr", raw_image(), attributes_, layers);
    // Output shaders (tone mappers) leave display values: no second encoding.
    write_png(base + ".png", world_.framebuffer, output_shaders_ran_);
}

}  // namespace uvo_host
