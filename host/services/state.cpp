// Host functions: queries, the shader-state store, parameter evaluation, the
// database, memory and locks.
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "image/host_image.h"
#include "render/host_messages.h"
#include "scene/scene_box.h"
#include "render/shading.h"
#include "scene/limits.h"

using namespace uvo_host;

namespace uvo_host {
std::atomic<long> g_live_allocations{0};
long live_shader_allocations() { return g_live_allocations.load(); }
}  // namespace uvo_host

namespace {

ShaderInstance *current_instance(ShadingState *state) {
    if (state == nullptr || state->shader == nullptr)
        return nullptr;
    return static_cast<ShaderInstance *>(state->shader->host);
}

const Light *light_of(Tag tag) {
    World *world = current_world();
    if (world == nullptr)
        return nullptr;
    if (const Light *light = world->db.get<Light>(tag, ElementKind::LightInstance))
        return light;
    return world->db.get<Light>(tag, ElementKind::Light);
}

}  // namespace

extern "C" Boolean rx_query(int32_t code, ShadingState *state, Tag item, void *answer) {
    World *world = world_of(state);
    if (world == nullptr || answer == nullptr)
        return 0;
    Scene &scene = world->scene;
    switch (code) {
    case UVO_QUERY_LIGHT_TAG: {
        const Light *light = light_of(item);
        if (light == nullptr)
            return 0;
        *static_cast<Tag *>(answer) = light->tag;
        return 1;
    }
    case UVO_QUERY_LIGHT_DIRECTION:
    case UVO_QUERY_LIGHT_EDGE_U:
    case UVO_QUERY_LIGHT_EDGE_V: {
        // The light record is in its own space; the light instance is the
        // light placed in the scene, so it answers in internal space.
        if (const Light *placed = world->db.get<Light>(item, ElementKind::LightInstance)) {
            *static_cast<Vector3 *>(answer) = code == UVO_QUERY_LIGHT_DIRECTION ? placed->direction
                                              : code == UVO_QUERY_LIGHT_EDGE_U  ? placed->edge_u
                                                                                : placed->edge_v;
            return 1;
        }
        const Light *light = world->db.get<Light>(item, ElementKind::Light);
        if (light == nullptr)
            return 0;
        *static_cast<Vector3 *>(answer) = code == UVO_QUERY_LIGHT_DIRECTION ? light->record.direction
                                          : code == UVO_QUERY_LIGHT_EDGE_U  ? light->record.edge_u
                                                                            : light->record.edge_v;
        return 1;
    }
    case UVO_QUERY_MATERIAL_SHADER: {
        // A material is its surface shader's instance.
        if (world->db.get<ShaderInstance>(item, ElementKind::Shader) == nullptr)
            return 0;
        *static_cast<Tag *>(answer) = item;
        return 1;
    }
    case UVO_QUERY_USER_DATA_SLOT: {
        ShaderInstance *instance = current_instance(state);
        if (instance == nullptr)
            return 0;
        *static_cast<void ***>(answer) = &instance->user_slot;
        return 1;
    }
    case UVO_QUERY_INSTANCE_LOCK: {
        ShaderInstance *instance = current_instance(state);
        if (instance == nullptr)
            return 0;
        *static_cast<HostLock *>(answer) = &instance->lock;
        return 1;
    }
    case UVO_QUERY_LIGHT_COUNT:
        *static_cast<int32_t *>(answer) = static_cast<int32_t>(scene.light_instances.size());
        return 1;
    case UVO_QUERY_LIGHT_LIST:
        *static_cast<Tag **>(answer) = scene.light_instances.data();
        return 1;
    case UVO_QUERY_DECLARATION_VERSION: {
        const Declaration *decl = world->db.get<Declaration>(item, ElementKind::Declaration);
        if (decl == nullptr)
            return 0;
        *static_cast<int32_t *>(answer) = decl->version;
        return 1;
    }
    case UVO_QUERY_GATHER_CONTEXT:
        // Rays under an indirect-light gather are the ones with reduced sampling.
        if (state != nullptr && state->ray_type == UVO_RAY_GATHER)
            return 0;
        *static_cast<int32_t *>(answer) = 1;
        return 1;
    case UVO_QUERY_SCENE_BOX_ALL:
    case UVO_QUERY_SCENE_BOX:
        scene_box(scene, code == UVO_QUERY_SCENE_BOX_ALL, static_cast<Vector3 *>(answer));
        return 1;
    case UVO_QUERY_THREAD_CELL:
    case UVO_QUERY_REGISTER_CELL:
    case UVO_QUERY_THREAD_CELLS: {
        ShaderInstance *instance = current_instance(state);
        ThreadContext *context = context_of(state);
        if (instance == nullptr || context == nullptr)
            return 0;
        const size_t thread = static_cast<size_t>(context->thread_index());
        if (thread >= static_cast<size_t>(kMaxThreads))
            return 0;
        if (code == UVO_QUERY_THREAD_CELL) {
            const std::atomic<void **> *table = instance->cells.load(std::memory_order_acquire);
            *static_cast<void ***>(answer) = table != nullptr ? table[thread].load(std::memory_order_acquire) : nullptr;
            return 1;
        }
        std::lock_guard<std::mutex> guard(instance->cells_lock);
        std::atomic<void **> *table = instance->cells.load(std::memory_order_relaxed);
        if (code == UVO_QUERY_REGISTER_CELL) {
            if (table == nullptr) {
                table = new std::atomic<void **>[kMaxThreads]();
                instance->cells.store(table, std::memory_order_release);
            }
            table[thread].store(static_cast<void **>(answer), std::memory_order_release);
            return 1;
        }
        // Every registered cell, in thread order.
        instance->cell_list.clear();
        for (int k = 0; table != nullptr && k < kMaxThreads; ++k)
            if (void **cell = table[k].load(std::memory_order_acquire))
                instance->cell_list.push_back(cell);
        HostCellList *list = static_cast<HostCellList *>(answer);
        list->cells = instance->cell_list.data();
        list->count = static_cast<int32_t>(instance->cell_list.size());
        return 1;
    }
    case UVO_QUERY_CALL_KIND:
        *static_cast<int32_t *>(answer) = current_call_kind();
        return 1;
    case UVO_QUERY_REDUCED_RAY:
        *static_cast<int32_t *>(answer) = state != nullptr && state->ray_type == UVO_RAY_GATHER ? 1 : 0;
        return 1;
    case UVO_QUERY_PREPARE_STATE:
        // Complete a state a shader made itself from the render's context.
        if (state == nullptr)
            return 0;
        if (state->camera == nullptr)
            state->camera = &scene.camera.camera;
        if (state->options == nullptr)
            state->options = &scene.options;
        if (state->environment == 0 && scene.camera.environment != nullptr)
            state->environment = scene.camera.environment->tag;
        return 1;
    case UVO_QUERY_PRIVATE_OUTPUTS:
        // Only a call handed a whole output record may write one.
        *static_cast<int32_t *>(answer) = current_call_holds_outputs() ? 0 : 1;
        return 1;
    default:
        return 0;
    }
}

extern "C" void *rx_shaderstate_get(ShadingState *state, const char *key, int32_t *size) {
    ThreadContext *context = context_of(state);
    if (context == nullptr || key == nullptr)
        return nullptr;
    return context->store.get(key, depth_of(state), size);
}

extern "C" void *rx_shaderstate_set(ShadingState *state, const char *key, const void *value, int32_t size,
                                    int32_t lifetime) {
    ThreadContext *context = context_of(state);
    if (context == nullptr || key == nullptr)
        return nullptr;
    return context->store.set(key, depth_of(state), context->current_call, value, size, lifetime);
}

extern "C" void *rx_phen_eval(ShadingState *state, const void *parameter) {
    ShaderInstance *instance = current_instance(state);
    if (instance == nullptr)
        return const_cast<void *>(parameter);
    const char *base = static_cast<const char *>(instance->block());
    const ptrdiff_t offset = static_cast<const char *>(parameter) - base;
    const Connection *connection = offset >= 0 ? instance->connection_at(static_cast<uint32_t>(offset)) : nullptr;
    ThreadContext *context = context_of(state);
    if (connection == nullptr || context == nullptr)
        return const_cast<void *>(parameter);
    // The connected shader runs on the same state; its colour lands in a
    // scratch cell whose leading floats are the scalar or vector value.
    Color *value = context->scratch();
    *value = Color{0, 0, 0, 1};
    call_shader_instance(connection->source, value, state, UVO_SHADER_TEXTURE);
    return value;
}

extern "C" void *rx_db_access(Tag tag) {
    World *world = current_world();
    if (world == nullptr)
        return nullptr;
    const Element *element = world->db.get(tag);
    if (element == nullptr)
        return nullptr;
    switch (element->kind) {
    case ElementKind::Light:
    case ElementKind::LightInstance:
        return &static_cast<Light *>(element->data)->record;
    case ElementKind::Text:
        return const_cast<char *>(static_cast<Text *>(element->data)->text.c_str());
    case ElementKind::Image:
        return host_image_of(world, tag);  // for rx_img_* calls and the pyramid
    default:
        return nullptr;  // shaders and declarations have no public layout
    }
}

// Elements live as long as the scene: pinning needs no bookkeeping.
extern "C" void rx_db_unpin(Tag) {}

// Images (a shader's own, such as an environment map) are really deleted,
// with their pyramid; other elements belong to the scene and are kept.
extern "C" void rx_db_delete(Tag tag) {
    if (tag == 0 || delete_host_image(current_world(), tag))
        return;
    host_warning_once("rx_db_delete", "deleting database elements other than images is not supported; element kept");
}

extern "C" void rx_scene_edit_end(Tag) {}

extern "C" void *rx_mem_int_allocate(const char *, int32_t, size_t size) {
    void *memory = std::calloc(1, size ? size : 1);
    if (memory != nullptr)
        ++g_live_allocations;
    return memory;
}

extern "C" void rx_mem_int_release(const char *, int32_t, void *memory) {
    if (memory == nullptr)
        return;
    --g_live_allocations;
    std::free(memory);
}

extern "C" void rx_lock(HostLock lock) {
    if (lock != nullptr)
        static_cast<std::mutex *>(lock)->lock();
}

extern "C" void rx_unlock(HostLock lock) {
    if (lock != nullptr)
        static_cast<std::mutex *>(lock)->unlock();
}

extern "C" Boolean rx_par_aborted(void) {
    World *world = current_world();
    return world != nullptr && world->aborted.load(std::memory_order_relaxed) ? 1 : 0;
}
