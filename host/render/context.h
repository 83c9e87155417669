// Per-thread render context: the stack of shading states of one thread, the
// shader-state store (rx_shaderstate_get/set), the pixel's sampling context and
// scratch space for connected parameter values.
//
// Every ShadingState the host makes lives in some context's stack; its `host`
// field points at the matching StateExt.  Depth 0 is the camera (root) state;
// a ray traced from a state at depth d is shaded in the state at depth d + 1,
// which is also the state's `child`.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/scene.h"

namespace uvo_host {

constexpr int kMaxStates = 40;

class ThreadContext;
struct World;

// The host's own part of a state (ShadingState::host).
struct StateExt {
    ThreadContext *context = nullptr;
    int depth = 0;
    const Object *object = nullptr;     // object hit, or null
    uint32_t triangle = 0;              // triangle of the object hit
    const Light *light = nullptr;       // light of a light-shader call
    Vector3 texture_list[1]{};          // tex_list storage
    // Shadow walk (segment mode): where the walk continues along the ray.
    Vector3 shadow_from{}, shadow_dir{};
    float shadow_next = 0.0f, shadow_end = 0.0f;
};

// Values under shader-state keys.  An entry belongs to the depth of the state
// that set it and is seen by that state and all deeper ones; it goes when the
// ray that made its depth ends, or (lifetime 1) when the shader call that set
// it returns.  Entries never move while they exist, so the addresses handed
// out stay valid for their whole life.
class ShaderStateStore {
public:
    void *get(const char *key, int depth, int32_t *size);
    void *set(const char *key, int depth, uint64_t call, const void *value, int32_t size, int32_t lifetime);
    void drop_depth(int depth);          // everything at depth >= depth
    void drop_call(uint64_t call);       // lifetime-1 entries of one call
    int live() const;

private:
    struct Entry {
        bool used = false;
        char key[32] = {};
        int depth = 0;
        int lifetime = 0;
        uint64_t call = 0;
        uint64_t serial = 0;
        int32_t size = 0;
        alignas(16) unsigned char inline_data[448];
        std::unique_ptr<unsigned char[]> heap;
        size_t heap_size = 0;
        void *data() { return heap ? heap.get() : inline_data; }
    };
    static constexpr int kEntries = 64;
    Entry entries_[kEntries];
    uint64_t serial_ = 0;
    int high_ = 0;                      // entries_[high_..] are all unused
};

// Sampling context of the pixel sample being rendered.
struct PixelSampling {
    uint32_t pixel_seed = 0;            // hash of pixel and render seed
    uint32_t sample = 0;                // pixel sample index
    uint32_t samples = 1;               // pixel samples of the render
    uint32_t ordinal = 0;               // sampling loops begun in this pixel sample
    struct Loop {
        const void *key = nullptr;
        uint32_t seed = 0;
    };
    Loop loops[16];
    int next_loop = 0;

    // Seed of the loop identified by `key` (the caller's counter address):
    // a new one when `start`, else the one given at its start.
    uint32_t loop_seed(const void *key, bool start);
};

class ThreadContext {
public:
    explicit ThreadContext(int thread_index);

    int thread_index() const { return thread_index_; }

    // The camera state, reset for a new camera ray.
    ShadingState *root(const Scene &scene);
    // The state for a ray traced from `parent` (copied context, empty hit),
    // or null when the stack is exhausted.
    ShadingState *push(ShadingState *parent);
    // The ray of `state` ended: drop what was stored at its depth and below.
    void pop(ShadingState *state);

    World *world = nullptr;             // the world rendered; null: the current one (world_of)
    ShaderStateStore store;
    PixelSampling sampling;
    uint64_t current_call = 0;          // shader call in progress (lifetime 1 entries)
    uint64_t next_call = 1;

    // Scratch cells for connected parameter values (rx_phen_eval): a ring, so
    // a shader may hold a few values at once.
    Color *scratch() { return &scratch_[scratch_next_++ % kScratch]; }

    // The multi-output record of this camera sample's eye-ray hit
    // (kOutputSlots slots), when the camera asks for output channels; null
    // otherwise.  The renderer points it at storage of its own.
    float *eye_outputs = nullptr;

    // The light list last made by rx_inclusive_lightlist or
    // rx_exclusive_lightlist on this thread.
    std::vector<Tag> light_list;

    // Counters for statistics and benchmarks.
    uint64_t rays = 0;
    uint64_t shader_calls = 0;

private:
    int thread_index_;
    ShadingState states_[kMaxStates];
    StateExt ext_[kMaxStates];
    static constexpr int kScratch = 64;
    Color scratch_[kScratch];
    unsigned scratch_next_ = 0;
};

// The host part of a state, or null for a state the host did not make.
inline StateExt *ext_of(const ShadingState *state) {
    return state ? static_cast<StateExt *>(state->host) : nullptr;
}

// The context of the calling render thread (set by the thread that renders).
ThreadContext *current_context();
void set_current_context(ThreadContext *context);

// The context that serves `state`: its own, or the calling thread's.
inline ThreadContext *context_of(const ShadingState *state) {
    const StateExt *ext = ext_of(state);
    return ext ? ext->context : current_context();
}

inline int depth_of(const ShadingState *state) {
    const StateExt *ext = ext_of(state);
    return ext ? ext->depth : 0;
}

}  // namespace uvo_host
