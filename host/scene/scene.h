// The scene in memory: shader instances, lights, objects, camera and render
// settings, and the host database that hands out their Tags.  Filled by the
// scene loader (scene_loader.cpp), read-only while rendering except for the
// instances' user-data slots and thread cells, which the shaders own.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scene/declarations.h"
#include "image/image.h"
#include "scene/vecmath.h"

namespace uvo_host {

// A shader's code: the library's exported functions or a built-in's.
struct ShaderCode {
    std::string name;                   // "uvo_light_surface", "lambert", ...
    const Declaration *declaration = nullptr;
    UvoShaderFn shader = nullptr;
    UvoInitFn init = nullptr;           // may be null
    UvoExitFn exit = nullptr;           // may be null
    UvoVersionFn version = nullptr;     // may be null
    bool builtin = false;
    bool initialised = false;           // shader-level init has run
    bool wants_instance_init = false;   // its shader-level init asked for it
};

struct ShaderInstance;

// A parameter fed by another shader: the byte offset of the parameter in the
// block and the shader instance that computes it.
struct Connection {
    uint32_t offset;
    ParamType type;
    ShaderInstance *source;
};

// One shader instance: its code, its parameter block and what the host keeps
// for it between calls.
struct ShaderInstance {
    std::string label;                  // where the scene declares it, for messages
    ShaderCode *code = nullptr;
    std::vector<uint32_t> words;        // block, appended array elements, connection flags
    std::vector<Connection> connections;
    ShaderRecord record{};              // handed to every call; record.host == this
    void *user_slot = nullptr;          // query 51
    std::mutex lock;                    // query 52
    bool initialised = false;           // instance init has run
    Tag tag = 0;
    // Per-thread cells registered by the shader (queries 124, 126, 127): one
    // slot per render thread, allocated at the first registration.  A thread
    // writes only its own slot, so query 124 (once per shading call of some
    // shaders) reads without a lock; registering, listing and clearing lock.
    std::mutex cells_lock;
    std::atomic<std::atomic<void **> *> cells{nullptr};  // kMaxThreads slots, or null
    std::vector<void **> cell_list;     // the answer of query 127
    ~ShaderInstance() { delete[] cells.load(); }

    void *block() { return words.data(); }
    const Connection *connection_at(uint32_t offset) const {
        for (const Connection &c : connections)
            if (c.offset == offset)
                return &c;
        return nullptr;
    }
};

struct Light {
    std::string name;
    HostLight record{};                 // what rx_db_access hands to shaders
    Mat4 to_world = Mat4::identity();   // light space -> internal space
    Mat4 from_world = Mat4::identity();
    Color emission{1, 1, 1, 1};         // point: intensity (W/sr); directional: irradiance;
                                        // rectangle: radiance of its front face
    ShaderInstance *shader = nullptr;
    Tag tag = 0;                        // the light (HostLight)
    Tag instance_tag = 0;               // its instance: what light lists and shaders hand around
    // Internal-space geometry, derived from the record and to_world.
    Vector3 position{}, direction{}, edge_u{}, edge_v{};
    float area = 0.0f;
};

// A triangle mesh in object space with one attribute set per vertex.
struct Mesh {
    std::vector<Vector3> positions;
    std::vector<Vector3> normals;       // empty: flat shading
    std::vector<Vector3> uvs;           // empty: no texture space
    std::vector<uint32_t> indices;      // three per triangle
    size_t triangle_count() const { return indices.size() / 3; }
};

struct Object {
    std::string name;
    Mesh mesh;
    Mat4 to_world = Mat4::identity();   // object space -> internal space
    Mat4 from_world = Mat4::identity();
    std::vector<Vector3> world_positions;
    std::vector<Vector3> world_normals;
    ShaderInstance *material = nullptr;
    Tag material_tag = 0;
    unsigned geometry_id = 0;           // the tracer's id
};

// Host-only render settings beside the contract's RenderOptions.
struct HostSettings {
    int samples = 16;                   // per pixel
    int threads = 0;                    // 0: all cores
    int max_depth = 6;                  // total ray depth below the eye ray
    int reflection_depth = 4;
    int refraction_depth = 4;
    int tile_size = 16;
    uint32_t seed = 0;                  // decorrelates whole renders
    int photons = 0;                    // photon emission calls per light before rendering
    float photon_radius = 0.0f;         // largest photon-map search radius, scene units; 0: 5% of the scene's extent
    int photon_nearest = 50;            // photons per radiance estimate; 0: always the whole radius
    int photon_depth = 10;              // interactions per photon
};

struct Camera3 {
    Camera camera{};
    Mat4 to_world = Mat4::identity();   // camera space (looks along -z, y up) -> internal
    Mat4 from_world = Mat4::identity();
    float white_luminance = 0.0f;       // cd/m2 of a pixel value 1; 0: the environment's (scene/frame_metadata.h)
    std::vector<ShaderInstance *> lens;
    std::vector<ShaderInstance *> output;
    ShaderInstance *environment = nullptr;
    // User frame buffers by name, numbered from 0 in this order (output
    // image 12 + number); camera.frame_buffers is the Tag of this list.
    std::vector<std::string> framebuffers;
    ShaderInstance *volume = nullptr;   // called on eye rays (call kind 5), or null
    // Output channels asked for (indices into kOutputChannels), in the
    // camera's order; written as EXR layers of their names.
    std::vector<int> output_channels;
};

// The ground that environment rays below the horizon (direction y < 0) meet
// instead of the environment shader: a uniform grey luminance, for the
// daylight factor's usual ground.  The session sets `luminance` from the
// environment's own horizontal illuminance before rendering:
// reflectance * E_out / pi (analysis/illuminance.h).
struct EnvironmentGround {
    bool enabled = false;
    float reflectance = 0.0f;
    float luminance = 0.0f;             // in the shaders' units (grey)
};

struct AnalysisPlan;                    // analysis/analysis_plan.h

struct Text {
    std::string text;                   // rx_db_access hands out its zero-terminated characters
};

enum class ElementKind { None, Light, LightInstance, Shader, Declaration, Text, Image, FramebufferSet };

struct Element {
    ElementKind kind = ElementKind::None;
    void *data = nullptr;
};

// Tags are indices + 1 into one table of elements.  Elements are added while
// a scene loads (and by shader init); reads come from every render thread and
// take no lock: the table grows in fixed chunks that never move.
class Database {
public:
    Database() = default;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;
    ~Database() {
        for (auto &chunk : chunks_)
            delete[] chunk.load();
    }

    Tag add(ElementKind kind, void *data) {
        std::lock_guard<std::mutex> guard(lock_);
        const uint32_t index = count_.load(std::memory_order_relaxed);
        if (index >= kChunkSize * kChunks)
            return 0;
        Element *chunk = chunks_[index / kChunkSize].load(std::memory_order_relaxed);
        if (chunk == nullptr) {
            chunk = new Element[kChunkSize];
            chunks_[index / kChunkSize].store(chunk, std::memory_order_release);
        }
        chunk[index % kChunkSize] = Element{kind, data};
        count_.store(index + 1, std::memory_order_release);
        return index + 1;
    }
    const Element *get(Tag tag) const {
        if (tag == 0 || tag > count_.load(std::memory_order_acquire))
            return nullptr;
        const uint32_t index = tag - 1;
        return &chunks_[index / kChunkSize].load(std::memory_order_acquire)[index % kChunkSize];
    }
    // Forgets an element: its Tag then reads as kind None.  Only while no
    // render thread reads the table (instance exit, scene edits).
    void remove(Tag tag) {
        std::lock_guard<std::mutex> guard(lock_);
        if (tag == 0 || tag > count_.load(std::memory_order_acquire))
            return;
        const uint32_t index = tag - 1;
        chunks_[index / kChunkSize].load(std::memory_order_acquire)[index % kChunkSize] = Element{};
    }
    template <class T>
    T *get(Tag tag, ElementKind kind) const {
        const Element *e = get(tag);
        return e && e->kind == kind ? static_cast<T *>(e->data) : nullptr;
    }

private:
    static constexpr uint32_t kChunkSize = 4096;
    static constexpr uint32_t kChunks = 1024;
    std::mutex lock_;
    std::atomic<uint32_t> count_{0};
    std::atomic<Element *> chunks_[kChunks] = {};
};

struct Scene {
    std::string file;                   // the scene file, for messages
    Camera3 camera;
    RenderOptions options{};
    HostSettings settings;
    std::deque<ShaderInstance> instances;
    std::deque<Light> lights;
    std::deque<Object> objects;
    std::deque<Text> texts;
    std::deque<Image> images;
    std::vector<Tag> light_instances;   // query 71, light lists
    Vector3 box_min{0, 0, 0}, box_max{0, 0, 0};
    float scale = 1.0f;                 // extent of the scene, for ray offsets
    EnvironmentGround ground;           // options "ground_reflectance"
    std::shared_ptr<AnalysisPlan> analysis; // the "analysis" section, or null
};

}  // namespace uvo_host
