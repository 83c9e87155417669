// uvo-render: renders a JSON scene with the uvo shader library into an EXR
// image and a PNG preview.
#include <CLI/CLI.hpp>
#include <climits>
#include <filesystem>

#include "image/image.h"
#include "scene/limits.h"
#include "render/camera_shaders.h"
#include "render/host_messages.h"
#include "session.h"
#include "scene_loader.h"

using namespace uvo_host;

namespace {

// Exit codes (documented in scenes/README.md).
constexpr int kExitRefused = 1;       // the scene, the command line or the output path is refused
constexpr int kExitLibrary = 2;       // the shader library or its declarations cannot be used
constexpr int kExitFailed = 3;        // the render or the writing failed (memory, disk, ...)
constexpr int kExitShaderFatal = 4;   // a shader reported a fatal error; nothing written
constexpr int kExitInterrupted = 130; // interrupted (Ctrl-C): the unfinished images were written

// "out/x.png" or "out/x.exr" names the pair by its base "out/x": the
// extension is not doubled.
std::string output_base(const std::string &output) {
    const std::filesystem::path path(output);
    const std::string ext = path.extension().string();
    if (ext == ".png" || ext == ".exr" || ext == ".PNG" || ext == ".EXR")
        return path.parent_path().empty() ? path.stem().string() : (path.parent_path() / path.stem()).string();
    return output;
}

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{"uvo-render: renders a scene with the uvo shader library"};
    SessionOptions options;
    std::string output;
    int verbosity_level = 2;
    bool no_progress = false;
    int64_t seed = -1;
    app.add_option("scene", options.scene, "scene file (JSON)")->required();
    app.set_version_flag("--version", std::string("uvo-render ") + UVO_VERSION + " (host interface " +
                                          std::to_string(UVO_HOST_INTERFACE_VERSION) + ")");
    app.add_option("-o,--output", output,
                   "output base name: writes BASE.exr and BASE.png (default out/<scene name>; a .png or .exr "
                   "ending names the same pair)");
    app.add_option("--shaders", options.library, "shader library to load (default: the one beside this program)");
    app.add_option("--declarations", options.declarations, "directory of shader declarations");
    app.add_option("-s,--samples", options.samples, "samples per pixel (overrides the scene)")->check(CLI::Range(1, INT_MAX));
    app.add_option("--seed", seed, "seed of the sampling patterns (overrides the scene's options.seed)")
        ->check(CLI::Range(int64_t(0), int64_t(UINT32_MAX)));
    app.add_option("-t,--threads", options.threads, "render threads, 0 for every core (overrides the scene)")
        ->check(CLI::Range(0, kMaxThreads));
    // Both or neither: one alone would leave the other side to a guess.
    CLI::Option *width = app.add_option("--width", options.width, "image width (overrides the scene; needs --height)")
                             ->check(CLI::Range(1, kMaxResolution));
    CLI::Option *height = app.add_option("--height", options.height, "image height (overrides the scene; needs --width)")
                              ->check(CLI::Range(1, kMaxResolution));
    width->needs(height);
    height->needs(width);
    app.add_option("--photons", options.photons, "photons per light before the frame (overrides the scene)")
        ->check(CLI::Range(0, kMaxPhotons));
    app.add_option("--photon-radius", options.photon_radius,
                   "photon-map search radius in scene units, 0 for automatic (overrides the scene)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("-v,--verbosity", verbosity_level, "0 errors, 1 warnings, 2 info, 3 progress, 4 debug")
        ->check(CLI::Range(0, 4));
    app.add_flag("--no-progress", no_progress, "no progress bar or progress lines");
    app.add_option("--progress-interval", options.progress_interval,
                   "seconds between progress lines when stderr is no terminal (0: after every tile)")
        ->check(CLI::Validator(
            [](std::string &text) {
                char *end = nullptr;
                const double seconds = std::strtod(text.c_str(), &end);
                return end != text.c_str() && *end == '\0' && seconds >= 0.0 && seconds <= 86400.0
                           ? std::string()
                           : "Value " + text + " not in range 0 to 86400 seconds";
            },
            "in [0 - 86400]"));
    app.add_option("--sensor-samples", options.sensor_samples,
                   "most samples per daylight sensor (overrides the scene; with --samples alone: 64 x samples)")
        ->check(CLI::PositiveNumber);
    app.add_option("--luminance", options.luminance_map,
                   "also write BASE_luminance.exr (cd/m2) and a false-colour BASE_luminance.png on this scale")
        ->check(CLI::IsMember({"log", "linear"}));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        // One line, and the exit code of every other refused input.
        host_error("%s", e.what());
        return kExitRefused;
    }
    set_verbosity(verbosity_level);
    if (verbosity_level >= 4)
        message_line("debug", (std::string("uvo-render ") + UVO_VERSION + ", host interface " +
                               std::to_string(UVO_HOST_INTERFACE_VERSION)).c_str());
    options.seed = seed;
    output = output_base(output);
    if (output.empty())
        output = (std::filesystem::path("out") / std::filesystem::path(options.scene).stem()).string();

    try {
        check_writable(output + ".exr");
        check_writable(output + ".png");
    } catch (const ImageError &e) {
        host_error("%s", e.what());
        return kExitRefused;
    }
    try {
        RenderSession session(options);
        const Scene &scene = session.world().scene;
        install_interrupt_handler();
        host_info("rendering %s: %dx%d, %d samples per pixel", options.scene.c_str(),
                  scene.camera.camera.x_resolution, scene.camera.camera.y_resolution, scene.settings.samples);
        const RenderStats stats = session.render(!no_progress);
        host_info("rendered in %.2f s on %d threads: %.0f pixel samples/s, %.0f rays/s", stats.seconds, stats.threads,
                  static_cast<double>(stats.pixel_samples) / std::max(stats.seconds, 1e-9),
                  static_cast<double>(stats.rays) / std::max(stats.seconds, 1e-9));
        if (session.world().interrupted) {
            // What was rendered (and what the output shaders did before they
            // stopped) is still worth a look.
            session.write(output);
            host_error("interrupted; wrote the unfinished %s.exr and %s.png", output.c_str(), output.c_str());
            return kExitInterrupted;
        }
        if (session.world().aborted) {
            host_error("the render was stopped by a fatal error; no image written");
            return kExitShaderFatal;
        }
        session.write(output);
        if (!session.world().scene.camera.output.empty())
            host_info("wrote %s.exr (as rendered) and %s.png (after the output shaders)", output.c_str(),
                      output.c_str());
        else
            host_info("wrote %s.exr and %s.png", output.c_str(), output.c_str());
        for (const std::string &file : session.analyse(output))
            host_info("wrote %s", file.c_str());
    } catch (const SceneError &e) {
        host_error("%s", e.what());
        return kExitRefused;
    } catch (const RegistryError &e) {
        host_error("%s", e.what());
        return kExitLibrary;
    } catch (const std::bad_alloc &) {
        host_error("out of memory");
        return kExitFailed;
    } catch (const std::exception &e) {
        host_error("%s", e.what());
        return kExitFailed;
    }
    if (const long live = live_shader_allocations(); live != 0)
        host_warning("%ld allocations of the shader library were not released", live);
    return 0;
}
