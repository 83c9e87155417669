// The minimal host's exported functions: fixed answers, nothing recorded.
#include "minimal_host.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace uvo_bench {

MinimalHost &minimal_host() {
    static MinimalHost instance;
    return instance;
}

namespace {

int32_t lock_dummy = 0;

// The shader-state store: a few keys, as a shader keeps per ray.  A free
// entry has no key.
struct StoreEntry {
    const char *given;  // the key's address when it was set: callers pass the same literal
    char key[32];
    char value[1024];
    int32_t size;
};
StoreEntry store[8];

StoreEntry *find(const char *key) {
    for (StoreEntry &e : store)
        if (e.given == key && e.key[0] != 0)
            return &e;
    for (StoreEntry &e : store)
        if (e.key[0] != 0 && std::strcmp(e.key, key) == 0)
            return &e;
    return nullptr;
}

// Fractional parts of the square roots of 2, 3, 5, ...: a low-discrepancy
// Kronecker sequence in up to eight dimensions.
constexpr double steps[8] = {0.41421356237309515, 0.7320508075688772, 0.2360679774997898, 0.6457513110645907,
                             0.3166247903554,     0.6055512754639891, 0.1231056256176606, 0.3588989435406736};
uint32_t global_sample = 0;

template <class R>
R zero() {
    if constexpr (!std::is_void_v<R>)
        return R();
}

void mirror(Vector3 *d, const ShadingState *s) {
    const float k = 2.0f * s->dot_nd;
    *d = Vector3{s->direction.x - k * s->normal.x, s->direction.y - k * s->normal.y,
                 s->direction.z - k * s->normal.z};
}

void cosine_lobe(Vector3 *d, const ShadingState *s, const double *x) {
    const double phi = 6.283185307179586 * x[0], r = std::sqrt(x[1]);
    const float a = static_cast<float>(r * std::cos(phi)), b = static_cast<float>(r * std::sin(phi)),
                c = static_cast<float>(std::sqrt(1.0 - x[1]));
    // Around the normal, facing the incoming ray; any frame will do.
    const Vector3 n = s->normal;
    const float sign = s->dot_nd > 0.0f ? -1.0f : 1.0f;
    *d = Vector3{a + sign * c * n.x, b + sign * c * n.y, sign * c * n.z};
}

Boolean hit(Color *result, ShadingState *state) {
    static int hit_object = 0;
    *result = minimal_host().trace_color;
    if (state != nullptr && state->child != nullptr) {
        state->child->distance = 1.0;
        state->child->hit_object = &hit_object;
    }
    return 1;
}

}  // namespace

void reset_minimal_host() {
    minimal_host() = MinimalHost{};
    for (StoreEntry &e : store)
        e.key[0] = 0;
    global_sample = 0;
}

}  // namespace uvo_bench

using uvo_bench::minimal_host;

#define HOST extern "C" __attribute__((visibility("default")))
#define ZERO(ret, name, params) \
    HOST ret name params { return uvo_bench::zero<ret>(); }
#define IDENTITY(name) \
    HOST void name(ShadingState *, Vector3 *out, const Vector3 *in) { *out = *in; }

HOST Boolean rx_query(int32_t code, ShadingState *, Tag, void *answer) {
    auto &h = minimal_host();
    switch (code) {
    case UVO_QUERY_USER_DATA_SLOT: *static_cast<void ***>(answer) = &h.user_slot; return 1;
    case UVO_QUERY_INSTANCE_LOCK: *static_cast<HostLock *>(answer) = &uvo_bench::lock_dummy; return 1;
    case UVO_QUERY_DECLARATION_VERSION: *static_cast<int32_t *>(answer) = h.declaration_version; return 1;
    case UVO_QUERY_GATHER_CONTEXT: *static_cast<int32_t *>(answer) = 1; return 1;
    case UVO_QUERY_REDUCED_RAY: *static_cast<int32_t *>(answer) = 0; return 1;
    case UVO_QUERY_CALL_KIND: *static_cast<int32_t *>(answer) = h.call_kind; return 1;
    default: return 0;
    }
}

HOST void *rx_shaderstate_get(ShadingState *, const char *key, int32_t *size) {
    uvo_bench::StoreEntry *e = uvo_bench::find(key);
    if (e == nullptr)
        return nullptr;
    if (size != nullptr)
        *size = e->size;
    return e->value;
}

HOST void *rx_shaderstate_set(ShadingState *, const char *key, const void *value, int32_t size, int32_t) {
    using namespace uvo_bench;
    StoreEntry *e = find(key);
    if (value == nullptr && size == 0) {
        if (e != nullptr)
            e->key[0] = 0;
        return nullptr;
    }
    if (size < 0 || size_t(size) > sizeof e->value || key[0] == 0 || std::strlen(key) >= sizeof e->key)
        return nullptr;
    if (e == nullptr) {
        for (StoreEntry &free : store)
            if (free.key[0] == 0) {
                e = &free;
                break;
            }
        if (e == nullptr)
            return nullptr;
        std::strcpy(e->key, key);
    }
    e->given = key;
    e->size = size;
    if (value != nullptr)
        std::memcpy(e->value, value, size_t(size));
    else
        std::memset(e->value, 0, size_t(size));
    return e->value;
}

HOST void *rx_phen_eval(ShadingState *, const void *parameter) { return const_cast<void *>(parameter); }

HOST void *rx_db_access(Tag tag) {
    auto *images = minimal_host().images;
    return images != nullptr ? images->access(tag) : nullptr;
}
HOST void rx_db_unpin(Tag tag) {
    if (auto *images = minimal_host().images)
        images->unpin(tag);
}
HOST void rx_db_delete(Tag tag) {
    if (auto *images = minimal_host().images)
        images->erase(tag);
}
HOST void rx_scene_edit_end(Tag) {}
HOST void *rx_mem_int_allocate(const char *, int32_t, size_t size) { return std::calloc(1, size ? size : 1); }
HOST void rx_mem_int_release(const char *, int32_t, void *memory) { std::free(memory); }
ZERO(void, rx_lock, (HostLock))
ZERO(void, rx_unlock, (HostLock))
ZERO(Boolean, rx_par_aborted, (void))

HOST Boolean rx_trace_eye(Color *r, ShadingState *s, const Vector3 *, const Vector3 *) { return uvo_bench::hit(r, s); }
HOST Boolean rx_trace_reflection(Color *r, ShadingState *s, const Vector3 *) { return uvo_bench::hit(r, s); }
HOST Boolean rx_trace_refraction(Color *r, ShadingState *s, const Vector3 *) { return uvo_bench::hit(r, s); }
HOST Boolean rx_trace_transparent(Color *r, ShadingState *s) { return uvo_bench::hit(r, s); }
HOST Boolean rx_trace_continue(Color *r, ShadingState *s) { return uvo_bench::hit(r, s); }
HOST Boolean rx_trace_environment(Color *r, ShadingState *, const Vector3 *) {
    *r = minimal_host().environment_color;
    return 1;
}
ZERO(Boolean, rx_trace_probe, (ShadingState *, const Vector3 *, const Vector3 *))
HOST Boolean rx_trace_shadow(Color *, ShadingState *) { return 1; }
HOST Boolean rx_trace_shadow_seg(Color *, ShadingState *) { return 1; }
ZERO(Boolean, rx_call_shader, (Color *, int32_t, ShadingState *, Tag))

HOST Boolean rx_sample(double *sample, int32_t *instance, ShadingState *, int32_t dimension, int32_t *count) {
    uint32_t index;
    if (instance != nullptr) {
        if (count != nullptr && *instance >= *count)
            return 0;
        index = static_cast<uint32_t>((*instance)++);
    } else {
        index = uvo_bench::global_sample++;
    }
    for (int32_t d = 0; d < dimension; ++d) {
        const double x = 0.5 + (index + 1) * uvo_bench::steps[d & 7];
        sample[d] = x - std::floor(x);
    }
    return 1;
}

HOST Boolean rx_sample_light(Color *c, Vector3 *d, float *cosine, ShadingState *, Tag light, int32_t *samples) {
    if (light == 0 || *samples >= 1)
        return 0;
    *c = minimal_host().light;
    *d = minimal_host().light_direction;
    *cosine = 0.8f;
    ++*samples;
    return 1;
}
ZERO(Boolean, rx_inclusive_lightlist, (int32_t *, Tag **, ShadingState *))
ZERO(Boolean, rx_exclusive_lightlist, (int32_t *, Tag **, ShadingState *))
ZERO(Boolean, rx_instance_lightlist, (int32_t *, Tag **, ShadingState *))
HOST Boolean rx_compute_avg_radiance(Color *r, ShadingState *, int32_t, const IndirectRequest *) {
    *r = minimal_host().gather_color;
    return 1;
}

HOST void rx_reflection_dir(Vector3 *d, const ShadingState *s) { uvo_bench::mirror(d, s); }
HOST void rx_reflection_dir_diffuse(Vector3 *d, ShadingState *s) {
    const double x[2] = {0.25, 0.5};
    uvo_bench::cosine_lobe(d, s, x);
}
HOST void rx_reflection_dir_diffuse_x(Vector3 *d, ShadingState *s, const double *x) { uvo_bench::cosine_lobe(d, s, x); }
HOST void rx_reflection_dir_glossy_x(Vector3 *d, ShadingState *s, float, const double *) { uvo_bench::mirror(d, s); }
HOST void rx_reflection_dir_anisglossy_x(Vector3 *d, ShadingState *s, const Vector3 *, const Vector3 *, float, float,
                                         const double *) {
    uvo_bench::mirror(d, s);
}
HOST Boolean rx_transmission_dir_specular(Vector3 *d, ShadingState *s, float, float) {
    *d = s->direction;
    return 1;
}
HOST Boolean rx_transmission_dir_glossy_x(Vector3 *d, ShadingState *s, float, float, float, const double *) {
    *d = s->direction;
    return 1;
}
HOST Boolean rx_transmission_dir_anisglossy_x(Vector3 *d, ShadingState *s, float, float, const Vector3 *,
                                              const Vector3 *, float, float, const double *) {
    *d = s->direction;
    return 1;
}
HOST Boolean rx_transmission_dir_diffuse(Vector3 *d, ShadingState *s) {
    *d = s->direction;
    return 1;
}
HOST Boolean rx_transmission_dir_diffuse_x(Vector3 *d, ShadingState *s, const double *) {
    *d = s->direction;
    return 1;
}
HOST float rx_fresnel_reflection(ShadingState *, float, float) { return 0.04f; }
HOST float rx_ward_anisglossy(const Vector3 *, const Vector3 *, const Vector3 *, const Vector3 *, const Vector3 *,
                              float, float) {
    return 0.5f;
}
ZERO(Boolean, rx_ray_falloff, (ShadingState *, double *, double *))
ZERO(Boolean, rx_tri_vectors, (ShadingState *, int32_t, int32_t, Vector3 **, Vector3 **, Vector3 **))
HOST float rx_luminance(ShadingState *s, const Color *c) {
    const Color w = s != nullptr && s->options != nullptr ? s->options->luminance_weights
                                                          : Color{0.299f, 0.587f, 0.114f, 0.0f};
    return w.r * c->r + w.g * c->g + w.b * c->b;
}
ZERO(Boolean, rx_photon_light, (Color *, ShadingState *))
ZERO(Boolean, rx_photon_reflection_specular, (Color *, ShadingState *, const Vector3 *))
ZERO(Boolean, rx_photon_reflection_glossy, (Color *, ShadingState *, const Vector3 *))
ZERO(Boolean, rx_photon_reflection_diffuse, (Color *, ShadingState *, const Vector3 *))
ZERO(Boolean, rx_photon_transmission_specular, (Color *, ShadingState *, const Vector3 *))
ZERO(Boolean, rx_photon_transmission_glossy, (Color *, ShadingState *, const Vector3 *))
ZERO(Boolean, rx_photon_transmission_diffuse, (Color *, ShadingState *, const Vector3 *))
ZERO(Boolean, rx_photon_transparent, (Color *, ShadingState *))
ZERO(Boolean, rx_photon_volume_scattering, (Color *, ShadingState *, const Vector3 *))
ZERO(Boolean, rx_store_photon, (Color *, ShadingState *))
IDENTITY(rx_point_to_camera)
IDENTITY(rx_point_from_camera)
IDENTITY(rx_point_from_light)
IDENTITY(rx_vector_to_camera)
IDENTITY(rx_vector_from_camera)
IDENTITY(rx_vector_to_world)
IDENTITY(rx_vector_from_world)
IDENTITY(rx_vector_to_object)
IDENTITY(rx_vector_from_object)
IDENTITY(rx_vector_to_light)
IDENTITY(rx_vector_from_light)
IDENTITY(rx_normal_to_camera)
IDENTITY(rx_normal_from_object)
HOST void rx_point_transform(Vector3 *out, const Vector3 *in, const float *m) {
    const Vector3 p = *in;
    *out = Vector3{p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
                   p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}
HOST void rx_vector_transform(Vector3 *out, const Vector3 *in, const float *m) {
    const Vector3 p = *in;
    *out = Vector3{p.x * m[0] + p.y * m[4] + p.z * m[8], p.x * m[1] + p.y * m[5] + p.z * m[9],
                   p.x * m[2] + p.y * m[6] + p.z * m[10]};
}
HOST void rx_matrix_ident(float *m) {
    for (int i = 0; i < 16; ++i)
        m[i] = i % 5 == 0 ? 1.0f : 0.0f;
}
ZERO(Boolean, rx_matrix_invert, (float *, const float *))
ZERO(HostImage *, rx_output_image_open, (ShadingState *, int32_t))
ZERO(void, rx_output_image_close, (ShadingState *, int32_t))
HOST void rx_img_get_color(const HostImage *image, Color *color, int32_t x, int32_t y) {
    if (auto *images = minimal_host().images)
        images->get(image, color, x, y);
}
HOST void rx_img_put_color(HostImage *image, const Color *color, int32_t x, int32_t y) {
    if (auto *images = minimal_host().images)
        images->put(image, color, x, y);
}
HOST HostImage *rx_img_image_dbcreate(const HostImageDesc *desc, Tag *tag) {
    auto *images = minimal_host().images;
    return images != nullptr ? images->create(desc, tag) : nullptr;
}
HOST HostImage *rx_img_pyramid_get_level(HostImage *image, int32_t level, int32_t *width, int32_t *height) {
    auto *images = minimal_host().images;
    return images != nullptr ? images->level(image, level, width, height) : nullptr;
}
ZERO(Boolean, rx_fb_put, (ShadingState *, int32_t, const void *))
HOST Boolean rx_lookup_color_texture(Color *c, ShadingState *, Tag, const Vector3 *) {
    *c = Color{0.5f, 0.5f, 0.5f, 1.0f};
    return 1;
}
ZERO(HostShaderInterface *, rx_get_shader_interface, (int32_t))

#define MESSAGE(name) \
    HOST void name(const char *, ...) {}
#define NUMBERED_MESSAGE(name) \
    HOST void name(int32_t, const char *, ...) {}
MESSAGE(rx_fatal)
NUMBERED_MESSAGE(rx_nfatal)
MESSAGE(rx_error)
NUMBERED_MESSAGE(rx_nerror)
MESSAGE(rx_warning)
NUMBERED_MESSAGE(rx_nwarning)
MESSAGE(rx_info)
MESSAGE(rx_progress)
MESSAGE(rx_debug)
MESSAGE(rx_vdebug)

// Every host function of the contract must be here: taking each address
// fails to link when one is missing.
namespace uvo_bench {
#define ADDRESS(ret, name, params) reinterpret_cast<const void *>(&::name),
#define MESSAGE_ADDRESS(name, params) reinterpret_cast<const void *>(&::name),
extern const void *const every_minimal_host_function[] = {UVO_HOST_FUNCTIONS(ADDRESS)
                                                              UVO_HOST_MESSAGES(MESSAGE_ADDRESS)};
}  // namespace uvo_bench
