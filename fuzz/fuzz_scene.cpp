// Scene files as uvo-render reads them: any text through the scene loader
// (JSON, then every value it names).  A scene the loader refuses ends in its
// error, as uvo-render ends with a message; anything else (a crash, a
// sanitizer report, memory without bound, a hang) is a finding.
//
// Relative file names resolve in data/, which holds a mesh (cube.obj) and a
// texture (checker.png) for scenes to name.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "render/world.h"
#include "scene_loader.h"
#include "shaders/shader_registry.h"

using namespace uvo_host;

namespace {
// Loaded once: the declarations and the shader library every scene uses.
std::unique_ptr<ShaderRegistry> registry;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    registry = std::make_unique<ShaderRegistry>(UVO_DECLARATIONS_DIR, UVO_SHADERS_PATH);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    World world;
    world.registry = registry.get();
    registry->register_declarations(world.db);
    set_current_world(&world);
    try {
        load_scene_text(text, "fuzz.json", UVO_FUZZ_DATA, world);
    } catch (const std::exception &) {
        // Refused with a message (SceneError), or another error uvo-render
        // reports and exits on.
    }
    set_current_world(nullptr);
    return 0;
}
