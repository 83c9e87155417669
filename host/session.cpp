#include "session.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "render/camera_shaders.h"
#include "render/host_messages.h"
#include "render/photon_pass.h"
#include "services/photons.h"
#include "scene_loader.h"

namespace uvo_host {

namespace {

// Refuses a frame whose buffers (main, raw copy, user buffers, output
// channels, the 8-bit preview) would not fit in the machine's memory, before
// anything is allocated.
void check_frame_memory(const Scene &scene) {
    const Camera &camera = scene.camera.camera;
    const double pixels = static_cast<double>(camera.x_resolution) * camera.y_resolution;
    const double buffers = 2.0 + scene.camera.framebuffers.size() + scene.camera.output_channels.size();
    const double needed = pixels * (buffers * 4 * sizeof(float) + 4);
    const double machine = static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGESIZE));
    if (machine > 0 && needed > machine * 0.75) {
        char text[200];
        std::snprintf(text, sizeof text, "a %dx%d frame with %.0f buffers needs %.1f GiB; this machine has %.1f GiB",
                      camera.x_resolution, camera.y_resolution, buffers, needed / (1 << 30), machine / (1 << 30));
        throw SceneError(scene.file + ": /camera/resolution: " + text);
    }
}

}  // namespace

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
    if (options.photons >= 0)
        scene.settings.photons = options.photons;
    if (options.photon_radius >= 0.0f)
        scene.settings.photon_radius = options.photon_radius;
    if ((options.width > 0) != (options.height > 0))
        throw SceneError("--width and --height: give both or neither");
    if (options.width > 0) {
        // The new film keeps the shape of the scene's pixels: the image
        // aspect follows the new width and height.
        Camera &camera = scene.camera.camera;
        const double pixel_aspect =
            camera.aspect * static_cast<double>(camera.y_resolution) / camera.x_resolution;
        camera.x_resolution = options.width;
        camera.y_resolution = options.height;
        camera.aspect = static_cast<float>(pixel_aspect * options.width / options.height);
    }
    check_frame_memory(scene);
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
        const PhotonStats p = run_photon_pass(world_, progress);
        host_info("photon pass: %llu photons emitted, %llu stored (%llu caustic), %llu photon rays in %.2f s",
                  static_cast<unsigned long long>(p.emitted), static_cast<unsigned long long>(p.stored),
                  static_cast<unsigned long long>(p.caustic), static_cast<unsigned long long>(p.traced), p.seconds);
    }
    const RenderStats stats = renderer_.render(world_.scene.settings.threads, progress);
    if (const uint64_t refused = world_.tracer->refused_rays(); refused > 0)
        host_warning("%llu rays were not traced (non-finite or out-of-range origin or direction)",
                     static_cast<unsigned long long>(refused));
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
    for (const Image &channel : world_.output_channels)
        layers.push_back(&channel);
    write_exr(base + ".exr", raw_image(), attributes_, layers);
    // Output shaders (tone mappers) leave display values: no second encoding.
    write_png(base + ".png", world_.framebuffer, output_shaders_ran_);
}

}  // namespace uvo_host
