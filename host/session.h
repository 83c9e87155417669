// One render from start to end, as uvo-render runs it and as tests and
// benchmarks drive it in-process: load the shader library and declarations,
// read the scene, build the tracer, run the shader lifecycle around the
// frame, write the images.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/host_messages.h"
#include "render/renderer.h"
#include "shaders/shader_registry.h"
#include "render/world.h"

namespace uvo_host {

struct SessionOptions {
    std::string scene;                  // scene file
    std::string library;                // shader library; empty: default_library_path()
    std::string declarations;           // declaration directory; empty: default_declarations_dir()
    int samples = 0;                    // > 0 overrides the scene's samples per pixel
    int threads = -1;                   // >= 0 overrides the scene's thread count
    int width = 0, height = 0;          // > 0 override the resolution (aspect kept from the scene)
    // > 0 overrides the samples per sensor of the daylight analysis; when 0
    // and `samples` is given, the sensors take at most 64 * samples.
    int sensor_samples = 0;
    // "log" or "linear": write the luminance map of the render (as the
    // analysis section's luminance_map asks), whatever the scene says.
    std::string luminance_map;
    int64_t seed = -1;                  // >= 0 overrides the scene's seed (32 bits)
    double progress_interval = 10.0;    // seconds between progress lines when stderr is no terminal
    int photons = -1;                   // >= 0 overrides the scene's photons per light
    float photon_radius = -1.0f;        // >= 0 overrides the scene's photon search radius (0: automatic)
};

class RenderSession {
public:
    // Loads everything and runs shader and instance init.  Throws
    // RegistryError or SceneError with a complete message.
    explicit RenderSession(const SessionOptions &options);
    // Runs instance and shader exit.
    ~RenderSession();
    RenderSession(const RenderSession &) = delete;
    RenderSession &operator=(const RenderSession &) = delete;

    // Renders the frame, then runs the camera's output shaders over it (the
    // frame as rendered is kept as the raw image).
    RenderStats render(bool progress);
    // Writes <base>.exr: the raw image (float RGBA, settings in the header)
    // with one layer per user frame buffer; and <base>.png: the final image
    // (after the output shaders) in 8 bits: sRGB-encoded when there are no
    // output shaders (both files then hold the same image), else the output
    // shaders' values as they are, since a tone mapper's result is already
    // meant for the display.
    void write(const std::string &base) const;

    // Runs the scene's daylight analysis (its "analysis" section: sensors,
    // daylight factors) and writes its files next to `base`
    // (analysis/daylight_analysis.h); returns the files written, none when
    // the scene has no sensors.
    std::vector<std::string> analyse(const std::string &base);

    World &world() { return world_; }
    // The frame before the output shaders (the main buffer itself when the
    // camera has none).
    const Image &raw_image() const { return output_shaders_ran_ ? raw_ : world_.framebuffer; }
    Renderer &renderer() { return renderer_; }
    // What the EXR header records about the render (uvo:scene, ...).
    const std::map<std::string, std::string> &attributes() const { return attributes_; }

private:
    World world_;
    std::unique_ptr<ShaderRegistry> registry_;
    Renderer renderer_;
    std::map<std::string, std::string> attributes_;
    ExrNumbers numbers_;
    Image raw_;
    bool output_shaders_ran_ = false;
    int sensor_samples_ = 0;            // 0: the scene's
    double progress_interval_ = 10.0;
};

// Allocations of the shader library not released yet.
long live_shader_allocations();

}  // namespace uvo_host
