#include "shaders/shader_registry.h"

#include <dlfcn.h>

#include <filesystem>

#include "render/host_messages.h"
#include "shaders/builtin_shaders.h"
#include "render/context.h"
#include "scene/limits.h"

namespace uvo_host {

namespace {

// The module that exports the host functions: this very library.
void *host_module() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&rx_query), &info) == 0 || info.dli_fname == nullptr)
        return nullptr;
    return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

// The directory of this library (libuvo_host.so), the root of the relative
// look-ups: a build tree and an installed or moved tree alike keep the shader
// library beside it and the declarations at ../share/uvo/shaders (from
// lib/; UVO_INSTALLED_DECLARATIONS).
std::filesystem::path host_library_dir() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&rx_query), &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::filesystem::path() : path.parent_path();
}
}  // namespace

std::string default_library_path() {
    const std::filesystem::path dir = host_library_dir();
    return dir.empty() ? std::string(UVO_SHADERS_SONAME) : (dir / UVO_SHADERS_SONAME).string();
}

std::string default_declarations_dir() {
    const std::filesystem::path dir = host_library_dir();
    std::error_code ec;
    if (!dir.empty()) {
        const std::filesystem::path installed = (dir / UVO_INSTALLED_DECLARATIONS).lexically_normal();
        if (std::filesystem::is_directory(installed, ec))
            return installed.string();
    }
    return UVO_SOURCE_DECLARATIONS;
}

ShaderRegistry::ShaderRegistry(const std::string &declarations_dir, const std::string &library_path)
    : library_path_(library_path) {
    try {
        declarations_ = load_declarations(declarations_dir);
        for (const BuiltinShader &builtin : builtin_shaders()) {
            Declaration decl = parse_declaration(nlohmann::json::parse(builtin.declaration));
            declarations_.emplace(decl.name, std::move(decl));
        }
    } catch (const DeclarationError &e) {
        throw RegistryError(e.what());
    }
    library_ = dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr)
        throw RegistryError(library_path + ": cannot load the shader library: " + dlerror());
    auto set_handle = reinterpret_cast<UvoSetModuleHandleFn>(dlsym(library_, "rxSetModuleHandle"));
    if (set_handle == nullptr)
        throw RegistryError(library_path + ": not a shader library (no rxSetModuleHandle)");
    void *module = host_module();
    if (module == nullptr)
        throw RegistryError("cannot find the module of the host functions");
    set_handle(module);
    dlclose(module);  // drop the extra reference that RTLD_NOLOAD took
}

ShaderRegistry::~ShaderRegistry() {
    if (library_ != nullptr)
        dlclose(library_);
}

void ShaderRegistry::register_declarations(Database &db) {
    for (auto &[name, decl] : declarations_)
        decl.tag = db.add(ElementKind::Declaration, &decl);
}

ShaderCode *ShaderRegistry::find(const std::string &name, std::string &why) {
    auto known = codes_.find(name);
    if (known != codes_.end())
        return known->second.get();
    auto decl = declarations_.find(name);
    if (decl == declarations_.end()) {
        why = "unknown shader \"" + name + "\"";
        return nullptr;
    }
    auto code = std::make_unique<ShaderCode>();
    code->name = name;
    code->declaration = &decl->second;
    for (const BuiltinShader &builtin : builtin_shaders())
        if (name == builtin.name) {
            code->shader = builtin.shader;
            code->builtin = true;
        }
    if (!code->builtin) {
        code->shader = reinterpret_cast<UvoShaderFn>(dlsym(library_, name.c_str()));
        if (code->shader == nullptr) {
            why = "shader \"" + name + "\" is declared but " + library_path_ + " does not export it";
            return nullptr;
        }
        code->init = reinterpret_cast<UvoInitFn>(dlsym(library_, (name + "_init").c_str()));
        code->exit = reinterpret_cast<UvoExitFn>(dlsym(library_, (name + "_exit").c_str()));
        code->version = reinterpret_cast<UvoVersionFn>(dlsym(library_, (name + "_version").c_str()));
    }
    ShaderCode *result = code.get();
    codes_.emplace(name, std::move(code));
    return result;
}

namespace {

// A light shader's init and exit see the light they serve in the state, as
// its calls do; every other instance sees none.
void serve_light(const Scene &scene, const ShaderInstance &instance, ShadingState *state) {
    state->light_instance = 0;
    StateExt *ext = ext_of(state);
    if (ext != nullptr)
        ext->light = nullptr;
    for (const Light &light : scene.lights)
        if (light.shader == &instance) {
            state->light_instance = light.instance_tag;
            if (ext != nullptr)
                ext->light = &light;
            return;
        }
}

// A context of its own for init and exit calls, current while it lives, with
// a root state that belongs to no ray.
struct InitExitContext {
    ThreadContext context{0};
    ThreadContext *saved = current_context();
    ShadingState *state;
    explicit InitExitContext(Scene &scene) {
        set_current_context(&context);
        state = context.root(scene);
        state->ray_type = UVO_RAY_NONE;
    }
    ~InitExitContext() {
        context.pop(state);
        set_current_context(saved);
    }
};

}  // namespace

void ShaderRegistry::init_instances(Scene &scene) {
    InitExitContext scope(scene);
    ShadingState *state = scope.state;
    for (ShaderInstance &instance : scene.instances) {
        ShaderCode *code = instance.code;
        if (!code->initialised) {
            code->initialised = true;
            if (code->version != nullptr) {
                const int32_t version = code->version();
                if (version != code->declaration->version)
                    host_warning("shader %s: the library reports version %d, its declaration says %d",
                                 code->name.c_str(), static_cast<int>(version),
                                 static_cast<int>(code->declaration->version));
            }
            if (code->init != nullptr) {
                Boolean request = 0;
                state->shader = nullptr;
                code->init(state, nullptr, &request);
                code->wants_instance_init = request != 0;
            }
        }
        if (code->init != nullptr && code->wants_instance_init) {
            Boolean request = 0;
            state->shader = &instance.record;
            serve_light(scene, instance, state);
            code->init(state, instance.block(), &request);
            state->shader = nullptr;
        }
        instance.initialised = true;
    }
}

void ShaderRegistry::exit_instances(Scene &scene) {
    InitExitContext scope(scene);
    ShadingState *state = scope.state;
    for (auto it = scene.instances.rbegin(); it != scene.instances.rend(); ++it) {
        ShaderInstance &instance = *it;
        if (!instance.initialised)
            continue;
        instance.initialised = false;
        if (instance.code->exit != nullptr) {
            state->shader = &instance.record;
            serve_light(scene, instance, state);
            instance.code->exit(state, instance.block());
            state->shader = nullptr;
        }
        // The exit released the thread cells the shader registered.
        std::lock_guard<std::mutex> guard(instance.cells_lock);
        if (std::atomic<void **> *table = instance.cells.load(std::memory_order_relaxed))
            for (int k = 0; k < kMaxThreads; ++k)
                table[k].store(nullptr, std::memory_order_relaxed);
        instance.cell_list.clear();
    }
    for (auto &[name, code] : codes_) {
        if (!code->initialised)
            continue;
        code->initialised = false;
        if (code->exit != nullptr)
            code->exit(state, nullptr);
    }
}

}  // namespace uvo_host
