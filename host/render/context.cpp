#include "render/context.h"

#include "render/sobol.h"

#include <cstring>

namespace uvo_host {

namespace {
thread_local ThreadContext *t_context = nullptr;
}

ThreadContext *current_context() { return t_context; }
void set_current_context(ThreadContext *context) { t_context = context; }

void *ShaderStateStore::get(const char *key, int depth, int32_t *size) {
    Entry *best = nullptr;
    for (int i = 0; i < high_; ++i) {
        Entry &e = entries_[i];
        if (!e.used || e.depth > depth || std::strncmp(e.key, key, sizeof e.key) != 0)
            continue;
        if (best == nullptr || e.depth > best->depth || (e.depth == best->depth && e.serial > best->serial))
            best = &e;
    }
    if (best == nullptr)
        return nullptr;
    if (size != nullptr)
        *size = best->size;
    return best->data();
}

void *ShaderStateStore::set(const char *key, int depth, uint64_t call, const void *value, int32_t size,
                            int32_t lifetime) {
    Entry *existing = nullptr;
    for (int i = 0; i < high_; ++i) {
        Entry &e = entries_[i];
        if (e.used && e.depth == depth && std::strncmp(e.key, key, sizeof e.key) == 0)
            existing = &e;
    }
    if (value == nullptr || size <= 0) {
        if (existing != nullptr) {
            existing->used = false;
            existing->heap.reset();
        }
        return nullptr;
    }
    Entry *e = existing;
    if (e == nullptr) {
        for (int i = 0; i < kEntries && e == nullptr; ++i)
            if (!entries_[i].used)
                e = &entries_[i];
        if (e == nullptr)
            return nullptr;  // store full: the caller sees the value as absent
        if (e - entries_ >= high_)
            high_ = static_cast<int>(e - entries_) + 1;
        e->used = true;
        std::strncpy(e->key, key, sizeof e->key - 1);
        e->depth = depth;
    }
    e->lifetime = lifetime;
    e->call = call;
    e->serial = ++serial_;
    e->size = size;
    if (static_cast<size_t>(size) > sizeof e->inline_data) {
        if (e->heap_size < static_cast<size_t>(size)) {
            e->heap.reset(new unsigned char[size]);
            e->heap_size = static_cast<size_t>(size);
        }
    } else {
        e->heap.reset();
        e->heap_size = 0;
    }
    std::memcpy(e->data(), value, static_cast<size_t>(size));
    return e->data();
}

void ShaderStateStore::drop_depth(int depth) {
    for (int i = 0; i < high_; ++i)
        if (entries_[i].used && entries_[i].depth >= depth) {
            entries_[i].used = false;
            entries_[i].heap.reset();
        }
    while (high_ > 0 && !entries_[high_ - 1].used)
        --high_;
}

void ShaderStateStore::drop_call(uint64_t call) {
    for (int i = 0; i < high_; ++i)
        if (entries_[i].used && entries_[i].lifetime == UVO_LIFETIME_SHADER && entries_[i].call == call) {
            entries_[i].used = false;
            entries_[i].heap.reset();
        }
    while (high_ > 0 && !entries_[high_ - 1].used)
        --high_;
}

int ShaderStateStore::live() const {
    int n = 0;
    for (int i = 0; i < high_; ++i)
        n += entries_[i].used ? 1 : 0;
    return n;
}

uint32_t PixelSampling::loop_seed(const void *key, bool start) {
    if (!start && key != nullptr)
        for (const Loop &loop : loops)
            if (loop.key == key)
                return loop.seed;
    // A new loop: its seed follows from its place in the pixel sample's
    // sequence of loops, never from addresses or threads.
    const uint32_t seed = hash_u32(pixel_seed ^ hash_u32(++ordinal * 0x9e3779b9u));
    if (key != nullptr) {
        for (Loop &loop : loops)
            if (loop.key == key) {
                loop.seed = seed;
                return seed;
            }
        loops[next_loop] = Loop{key, seed};
        next_loop = (next_loop + 1) % 16;
    }
    return seed;
}

ThreadContext::ThreadContext(int thread_index) : thread_index_(thread_index) {
    for (int d = 0; d < kMaxStates; ++d) {
        ext_[d].context = this;
        ext_[d].depth = d;
    }
}

ShadingState *ThreadContext::root(const Scene &scene) {
    store.drop_depth(0);
    ShadingState &s = states_[0];
    s = ShadingState{};
    ext_[0] = StateExt{};
    ext_[0].context = this;
    ext_[0].depth = 0;
    s.host = &ext_[0];
    s.child = &states_[1];
    s.ray_type = UVO_RAY_EYE;
    s.camera = &scene.camera.camera;
    s.options = &scene.options;
    s.environment = scene.camera.environment ? scene.camera.environment->tag : 0;
    s.volume = scene.camera.volume ? scene.camera.volume->tag : 0;
    s.importance = 1.0f;
    return &s;
}

ShadingState *ThreadContext::push(ShadingState *parent) {
    const int d = depth_of(parent) + 1;
    if (d >= kMaxStates)
        return nullptr;
    ShadingState &s = states_[d];
    s = ShadingState{};
    ext_[d] = StateExt{};
    ext_[d].context = this;
    ext_[d].depth = d;
    s.host = &ext_[d];
    s.parent = parent;
    s.child = d + 1 < kMaxStates ? &states_[d + 1] : nullptr;
    s.reflection_depth = parent->reflection_depth;
    s.refraction_depth = parent->refraction_depth;
    s.importance = parent->importance;
    s.sample_level = parent->sample_level;
    s.sample_instance = parent->sample_instance;
    s.time = parent->time;
    s.raster_x = parent->raster_x;
    s.raster_y = parent->raster_y;
    s.environment = parent->environment;
    s.volume = parent->volume;
    s.user = parent->user;
    s.user_size = parent->user_size;
    s.camera = parent->camera;
    s.options = parent->options;
    s.inside = parent->inside;
    return &s;
}

void ThreadContext::pop(ShadingState *state) { store.drop_depth(depth_of(state)); }

}  // namespace uvo_host
