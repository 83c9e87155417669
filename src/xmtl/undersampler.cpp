#include "xmtl/undersampler.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "frame/binding.h"
#include "frame/memory.h"
#include "frame/texture_spaces.h"
#include "xmtl/reflection.h"
#include "xmtl/refraction.h"

namespace uvo {

namespace {

constexpr const char *module = "interpolate";

// Holds the instance lock for a scope.  Cells are computed outside it: the
// samplers trace rays whose shading may come back to this material.
class InstanceLock {
public:
    explicit InstanceLock(ShadingState *state) {
        if (!rx_query(UVO_QUERY_INSTANCE_LOCK, state, 0, &lock_))
            lock_ = nullptr;
        if (lock_ != nullptr)
            rx_lock(lock_);
    }
    ~InstanceLock() {
        if (lock_ != nullptr)
            rx_unlock(lock_);
    }
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;
    bool held() const { return lock_ != nullptr; }

private:
    HostLock lock_ = nullptr;
};

// Set once the missing-lock warning has gone out.
std::atomic<bool> no_lock_reported{false};

// Only camera rays (possibly continued through transparent surfaces) with a
// full gather context are interpolated.
bool eligible(ShadingState *state) {
    int32_t context = 0;
    if (!rx_query(UVO_QUERY_GATHER_CONTEXT, state, 0, &context))
        return false;
    const ShadingState *s = state;
    while (s != nullptr && s->ray_type == UVO_RAY_TRANSPARENT)
        s = s->parent;
    return s != nullptr && s->ray_type == UVO_RAY_EYE;
}

void run_sampler(Color *out, ShadingState *state, const MaterialWorkRecord *work, float weight, float distance,
                 const Color *falloff_color, float *nearest, InterpolationMode mode) {
    if (mode == interpolate_refraction)
        refraction_sample(out, state, work, weight);
    else
        reflection_sample(out, state, work, weight, distance, falloff_color, nearest);
}

// Makes the probe's child look like a camera ray for the sampler: scratch
// child and texture list, eye ray type, interpolated texture coordinates.
void prepare_probe_child(ShadingState *child, ShadingState *scratch, Vector3 (&tex)[max_texture_spaces],
                         const Vector3 &origin, const Vector3 &direction) {
    child->child = scratch;
    child->ray_type = UVO_RAY_EYE;
    child->origin = origin;
    child->direction = direction;
    child->dot_nd = child->normal.x * direction.x + child->normal.y * direction.y + child->normal.z * direction.z;
    fill_texture_spaces(child, tex);
}

struct CellRequest {
    Undersampler *u;
    const MaterialWorkRecord *work;
    float falloff_distance;
    const Color *falloff_color;
    Tag bump_shader;
    InterpolationMode mode;
};

// Probes cell (x, y) from the camera and stores the sampler's result there,
// or marks the cell unusable when the probe found another material.  A probe
// that misses leaves the cell uncomputed.  The caller restores the state.
void compute_cell(ShadingState *state, const CellRequest &r, int32_t x, int32_t y) {
    Undersampler *u = r.u;
    const int32_t cell = y * u->grid_width + x;
    if (state->options != nullptr)
        state->time = 0.5f * (state->options->shutter_open + state->options->shutter_close);
    const float raster_x = static_cast<float>(x) / u->grid_scale;
    const float raster_y = static_cast<float>(y) / u->grid_scale;
    Vector3 origin, direction;
    undersampler_primary_ray(state, *u, raster_x, raster_y, &origin, &direction);
    state->primitive = nullptr;
    if (!rx_trace_probe(state, &direction, &origin) || state->child == nullptr)
        return;

    ShadingState *child = state->child;
    const ShadingState child_saved = *child;  // the host's child must not keep our scratch pointers
    ShadingState scratch{};
    Vector3 tex[max_texture_spaces];
    prepare_probe_child(child, &scratch, tex, origin, direction);
    if (r.bump_shader != 0) {
        Color ignored{0.0f, 0.0f, 0.0f, 0.0f};
        rx_call_shader(&ignored, UVO_SHADER_TEXTURE, child, r.bump_shader);
    }
    if (child->material != state->material) {
        InstanceLock lock(state);
        u->cell_index[cell] = cell_unusable;
        *child = child_saved;
        return;
    }
    child->raster_x = raster_x;
    child->raster_y = raster_y;
    rx_query(UVO_QUERY_PREPARE_STATE, child, 0, nullptr);
    Color color{0.0f, 0.0f, 0.0f, 0.0f};
    float nearest = 1e30f;
    run_sampler(&color, child, r.work, 1.0f, r.falloff_distance, r.falloff_color, &nearest, r.mode);
    Vector3 point, normal;
    rx_point_to_camera(child, &point, &child->point);
    rx_normal_to_camera(child, &normal, &child->normal);
    *child = child_saved;

    InstanceLock lock(state);
    int32_t n = u->cell_index[cell];
    if (n == cell_uncomputed)
        n = claim_slot(u, cell);
    if (n < first_slot)
        return;
    CacheSlot &slot = u->slots[n];
    slot.color = color;
    slot.nearest = nearest;
    slot.point = point;
    slot.normal = normal;
}

}  // namespace

Undersampler *create_undersampler(ShadingState *state, int32_t density) {
    rx_info("Initializing undersampler for material %d", static_cast<int>(state->material));
    if (state->camera == nullptr)
        return nullptr;
    Undersampler *u = UVO_ALLOCATE(module, Undersampler);
    if (u == nullptr)
        return nullptr;
    set_grid_geometry(u, *state->camera, density);
    if (u->grid_width < 0)
        u->grid_width = 0;
    if (u->grid_height < 0)
        u->grid_height = 0;
    u->capacity = cache_capacity;
    u->cursor = first_slot;
    const size_t pool = sizeof(CacheSlot) * size_t(cache_capacity);
    const size_t index = sizeof(uint16_t) * size_t(u->grid_width) * size_t(u->grid_height);
    u->slots = static_cast<CacheSlot *>(UVO_ALLOCATE_BYTES(module, pool));
    if (u->slots != nullptr)
        std::memset(u->slots, 0, pool);
    rx_info("Undersampler allocating %d bytes pointcache", static_cast<int>(pool));
    u->cell_index = static_cast<uint16_t *>(UVO_ALLOCATE_BYTES(module, index));
    if (u->cell_index != nullptr)
        std::memset(u->cell_index, 0, index);
    rx_info("Undersampler allocating %d bytes pointindex", static_cast<int>(index));
    if (u->slots == nullptr || u->cell_index == nullptr) {
        release_undersampler(u);
        return nullptr;
    }
    return u;
}

void release_undersampler(Undersampler *u) {
    if (u == nullptr)
        return;
    UVO_RELEASE(module, u->slots);
    UVO_RELEASE(module, u->cell_index);
    UVO_RELEASE(module, u);
}

void undersampler_primary_ray(ShadingState *state, const Undersampler &u, float raster_x, float raster_y,
                              Vector3 *origin, Vector3 *direction) {
    float px, py;
    image_plane_point(u, raster_x, raster_y, &px, &py);
    Vector3 o, d;
    if (state->camera != nullptr && state->camera->orthographic) {
        o = Vector3{px, py, 0.0f};
        d = Vector3{0.0f, 0.0f, -1.0f};
    } else {
        o = Vector3{0.0f, 0.0f, 0.0f};
        d = Vector3{px, py, -1.0f};
    }
    rx_point_from_camera(state, origin, &o);
    rx_vector_from_camera(state, direction, &d);
    const float length = std::sqrt(direction->x * direction->x + direction->y * direction->y +
                                   direction->z * direction->z);
    if (length > 0.0f)
        *direction = Vector3{direction->x / length, direction->y / length, direction->z / length};
}

bool undersampler_interpolate(Undersampler *u, Color *out, ShadingState *state, const MaterialWorkRecord *work,
                              float weight, float falloff_distance, const Color *falloff_color, int32_t half_width,
                              Tag bump_shader, float smooth, InterpolationMode mode) {
    if (state->parent != nullptr && state->parent->ray_type == UVO_RAY_ENVIRONMENT)
        return true;
    const ShadingState saved = *state;

    const float gx = u->grid_scale * state->raster_x, gy = u->grid_scale * state->raster_y;
    const int32_t ix = static_cast<int32_t>(std::floor(gx)), iy = static_cast<int32_t>(std::floor(gy));
    const float fx = gx - static_cast<float>(ix), fy = gy - static_cast<float>(iy);
    const float smooth_start = smooth;
    bool locked;
    {
        InstanceLock lock(state);  // the same values for every call of one material
        locked = lock.held();
        if (locked) {
            u->distance_exponent = 1.0f;
            u->normal_threshold = 0.9f;
            u->smooth = smooth;
        }
    }
    if (!locked) {
        // The cache is shared by the render threads: without the host's
        // instance lock it would race, so this host gets direct sampling.
        if (!no_lock_reported.exchange(true, std::memory_order_relaxed))
            rx_warning("uvo_material(_x): the host has no instance lock (query 52); glossy interpolation is "
                       "off and glossy rays are sampled directly");
        Color direct{0.0f, 0.0f, 0.0f, 0.0f};
        run_sampler(&direct, state, work, weight, falloff_distance, falloff_color, nullptr, mode);
        *out = direct;
        return true;
    }
    float nearest_seen = 2.0f * smooth_start;

    Vector3 point, normal;
    rx_point_to_camera(state, &point, &state->point);
    rx_normal_to_camera(state, &normal, &state->normal);
    const Camera *camera = state->camera;
    float reach = 0.0f;
    if (camera != nullptr) {
        const float depth = camera->orthographic ? 1.0f : -point.z;
        reach = (1.5f * static_cast<float>(half_width) / static_cast<float>(u->grid_width)) *
                (camera->aperture / camera->focal) * depth / (-state->dot_nd);
    }

    if (!eligible(state)) {
        Color direct{0.0f, 0.0f, 0.0f, 0.0f};
        run_sampler(&direct, state, work, weight, falloff_distance, falloff_color, nullptr, mode);
        *out = direct;
        return true;
    }

    const CellRequest request{u, work, falloff_distance, falloff_color, bump_shader, mode};
    Color sum{0.0f, 0.0f, 0.0f, 0.0f};
    float total = 0.0f;
    const int32_t s = half_width;
    for (int32_t x = ix - s; x <= ix + s; ++x) {
        if (x < 0 || x >= u->grid_width)
            continue;
        const float wx = edge_weight(x, ix - s, ix + s, fx);
        for (int32_t y = iy - s; y <= iy + s; ++y) {
            if (y < 0 || y >= u->grid_height)
                continue;
            const float wy = edge_weight(y, iy - s, iy + s, fy);
            const int32_t cell = y * u->grid_width + x;
            bool uncomputed;
            {
                InstanceLock lock(state);
                uncomputed = u->cell_index[cell] == cell_uncomputed;
            }
            if (uncomputed) {
                compute_cell(state, request, x, y);
                state->time = saved.time;
                state->primitive = saved.primitive;
            }
            CacheSlot slot;
            {
                InstanceLock lock(state);
                const int32_t k = u->cell_index[cell];
                if (k < first_slot)
                    continue;
                slot = u->slots[k];
            }
            const float w = slot_weight(slot, point, normal, reach, 1.0f, 0.9f) * wx * wy;
            if (!(w > 0.0f))
                continue;
            if (slot.nearest > 0.0f && slot.nearest < nearest_seen)
                nearest_seen = slot.nearest;
            sum.r += w * slot.color.r;
            sum.g += w * slot.color.g;
            sum.b += w * slot.color.b;
            sum.a += w * slot.color.a;
            total += w;
        }
    }
    *state = saved;
    if (total > 0.0f)
        *out = Color{sum.r / total, sum.g / total, sum.b / total, sum.a / total};

    const bool direct_needed = (smooth > 0.0f && smooth > nearest_seen) || !(total > 0.0f);
    if (!direct_needed)
        return true;
    Color direct{0.0f, 0.0f, 0.0f, 0.0f};
    if (total > 0.0f) {
        const Color interpolated = *out;
        run_sampler(&direct, state, work, weight, smooth, &interpolated, nullptr, mode);
    } else {
        run_sampler(&direct, state, work, weight, falloff_distance, falloff_color, nullptr, mode);
    }
    *out = direct;
    return true;
}

}  // namespace uvo
