// One render from start to end, as uvo-render runs it and as tests and
// benchmarks drive it in-process: load the shader library and declarations,
// read the scene, build the tracer, run the shader lifecycle around the
// frame, write the images.
#pragma once

#include <map>
#include <memory>
#include <string>

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

    World &world() { return world_; }
    // The frame before the output shaders (the main buffer itself when the
    // camera has none).
    const Image &raw_image() const { return output_shaders_ran_ ? raw_ : world_.framebuffer; }
    Renderer &renderer() { return renderer_; }

private:
    World world_;
    std::unique_ptr<ShaderRegistry> registry_;
    Renderer renderer_;
    std::map<std::string, std::string> attributes_;
    Image raw_;
    bool output_shaders_ran_ = false;
};

// Allocations of the shader library not released yet.
long live_shader_allocations();

}  // namespace uvo_host
