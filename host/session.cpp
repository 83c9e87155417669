#include "session.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "analysis/daylight_analysis.h"
#include "render/camera_shaders.h"
#include "render/host_messages.h"
#include "render/photon_pass.h"
#include "services/photons.h"
#include "scene/frame_metadata.h"
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

void debug_line(const char *format, ...) __attribute__((format(printf, 1, 2)));
void debug_line(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vmessage(4, "debug", format, args);
    va_end(args);
}

// At verbosity 4: where the shaders and declarations came from, their
// versions, and what the scene holds.
void describe(const ShaderRegistry &registry, const std::string &declarations, const Scene &scene) {
    if (verbosity() < 4)
        return;
    debug_line("shader library %s", registry.library_path().c_str());
    debug_line("declarations %s: %zu shaders", declarations.c_str(), registry.declarations().size());
    for (const auto &[name, declaration] : registry.declarations())
        debug_line("  %s version %d, %zu parameters, %u bytes", name.c_str(), declaration.version,
                   declaration.parameters.size(), declaration.block_size);
    size_t triangles = 0;
    for (const Object &object : scene.objects)
        triangles += object.mesh.triangle_count();
    debug_line("scene %s: %zu objects, %zu triangles, %zu lights, %zu shader instances, %zu images", scene.file.c_str(),
               scene.objects.size(), triangles, scene.lights.size(), scene.instances.size(), scene.images.size());
    debug_line("frame %dx%d, %d samples per pixel, seed %u, tiles of %d, max depth %d", scene.camera.camera.x_resolution,
               scene.camera.camera.y_resolution, scene.settings.samples, scene.settings.seed,
               scene.settings.tile_size, scene.settings.max_depth);
}

}  // namespace

RenderSession::RenderSession(const SessionOptions &options) : renderer_(world_) {
    const std::string declarations =
        options.declarations.empty() ? default_declarations_dir() : options.declarations;
    registry_ = std::make_unique<ShaderRegistry>(
        declarations, options.library.empty() ? default_library_path() : options.library);
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
    if (options.seed >= 0)
        scene.settings.seed = static_cast<uint32_t>(options.seed);
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
    prepare_ground(world_);
    if (!options.luminance_map.empty()) {
        if (!scene.analysis)
            scene.analysis = std::make_shared<AnalysisPlan>();
        scene.analysis->luminance_map = true;
        scene.analysis->luminance_log = options.luminance_map != "linear";
    }
    if (options.sensor_samples > 0)
        sensor_samples_ = options.sensor_samples;
    else if (options.samples > 0 && scene.analysis)
        sensor_samples_ = std::min(scene.analysis->samples, 64 * options.samples);
    progress_interval_ = options.progress_interval;
    describe(*registry_, declarations, scene);
    attributes_["uvo:scene"] = options.scene;
    attributes_["uvo:shaders"] = registry_->library_path();
    attributes_["uvo:declarations"] = declarations;
    numbers_.ints["uvo:samples"] = scene.settings.samples;
    numbers_.int_pairs["uvo:resolution"] = {scene.camera.camera.x_resolution, scene.camera.camera.y_resolution};
    // A seed above 2^31 keeps its bits.
    numbers_.ints["uvo:seed"] = static_cast<int>(scene.settings.seed);
    const FrameMetadata meta = frame_metadata(scene);
    numbers_.rec709 = true;
    if (meta.white_luminance > 0.0f)
        numbers_.floats["whiteLuminance"] = meta.white_luminance;
    if (meta.iso_speed > 0.0f) {
        numbers_.floats["isoSpeed"] = meta.iso_speed;
        numbers_.floats["expTime"] = meta.exp_time;
        numbers_.floats["aperture"] = meta.aperture;
    }
    std::copy(meta.world_to_camera.m, meta.world_to_camera.m + 16, numbers_.matrices["worldToCamera"].begin());
    std::copy(meta.world_to_ndc.m, meta.world_to_ndc.m + 16, numbers_.matrices["worldToNDC"].begin());
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
    const RenderStats stats = renderer_.render(world_.scene.settings.threads, progress, progress_interval_);
    if (const uint64_t refused = world_.tracer->refused_rays(); refused > 0)
        host_warning("%llu rays were not traced (non-finite or out-of-range origin or direction)",
                     static_cast<unsigned long long>(refused));
    output_shaders_ran_ = !world_.scene.camera.output.empty();
    if (output_shaders_ran_) {
        raw_ = world_.framebuffer;
        run_output_shaders(world_, progress);
    }
    numbers_.ints["uvo:threads"] = stats.threads;
    numbers_.floats["uvo:render_seconds"] = static_cast<float>(stats.seconds);
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
    write_exr(base + ".exr", raw_image(), attributes_, layers, numbers_);
    // Output shaders (tone mappers) leave display values: no second encoding.
    write_png(base + ".png", world_.framebuffer, output_shaders_ran_);
    if (world_.scene.analysis && world_.scene.analysis->luminance_map)
        write_luminance_map(world_, raw_image(), *world_.scene.analysis, base, attributes_);
}

std::vector<std::string> RenderSession::analyse(const std::string &base) {
    const std::shared_ptr<AnalysisPlan> plan = world_.scene.analysis;
    if (!plan || plan->grids.empty())
        return {};
    const IlluminanceSettings settings = analysis_settings(*plan, sensor_samples_, world_.scene.settings.threads);
    const AnalysisResult result = run_analysis(world_, *plan, settings);
    host_info("daylight analysis: %llu sensor samples in %.2f s on %d threads; E_out %.6g lux",
              static_cast<unsigned long long>(result.stats.samples), result.stats.seconds, result.stats.threads,
              result.outside_lux);
    return write_analysis(result, *plan, base, world_.scene.file);
}

}  // namespace uvo_host
