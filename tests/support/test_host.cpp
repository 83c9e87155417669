// The exported host functions of the test host and their default behaviour.
#include "test_host.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace uvo_test {

TestHost &host() {
    static TestHost instance;
    return instance;
}

void TestHost::reset() {
    std::lock_guard lock(mutex);
    for (auto &[pointer, allocation] : live)
        std::free(pointer);
    static_cast<TestHostState &>(*this) = TestHostState{};
}

void TestHost::record(const char *name) {
    if (!record_calls)
        return;
    std::lock_guard lock(mutex);
    calls.push_back(name);
}

int TestHost::count(const std::string &name) const {
    int n = 0;
    for (const auto &call : calls)
        n += call == name;
    return n;
}

std::vector<std::string> TestHost::texts(const std::string &level) const {
    std::vector<std::string> out;
    for (const auto &message : messages)
        if (level.empty() || message.level == level)
            out.push_back(message.text);
    return out;
}

StateFixture::StateFixture() {
    camera.focal = 1.0f;
    camera.aperture = 1.0f;
    camera.aspect = 1.0f;
    camera.x_resolution = 64;
    camera.y_resolution = 64;
    options.ray_tracing = 1;
    options.shadow_mode = UVO_SHADOW_ON;
    options.luminance_weights = Color{0.299f, 0.587f, 0.114f, 0.0f};
    options.photon_weights[0] = options.photon_weights[1] = options.photon_weights[2] = 1.0f / 3.0f;
    state.ray_type = UVO_RAY_EYE;
    state.importance = 1.0f;
    state.direction = Vector3{0.0f, 0.0f, -1.0f};
    state.origin = Vector3{0.0f, 0.0f, 5.0f};
    state.point = Vector3{0.0f, 0.0f, 0.0f};
    state.normal = state.normal_geom = Vector3{0.0f, 0.0f, 1.0f};
    state.dot_nd = -1.0f;
    state.distance = 5.0;
    state.camera = &camera;
    state.options = &options;
    state.shader = &shader;
    state.child = &parent;  // any spare state will do for tests that never trace
    parent = state;
    parent.child = nullptr;
}

namespace {

// Radical inverse in base b: the default sample sequence.
double radical_inverse(uint32_t index, uint32_t base) {
    double inverse = 1.0 / base, factor = inverse, value = 0.0;
    while (index > 0) {
        value += (index % base) * factor;
        index /= base;
        factor *= inverse;
    }
    return value;
}

const uint32_t primes[] = {2, 3, 5, 7, 11, 13, 17, 19};
uint32_t global_sample = 0;

Boolean default_sample(double *sample, int32_t *instance, ShadingState *, int32_t dimension, int32_t *count) {
    uint32_t index;
    if (instance != nullptr) {
        if (count != nullptr && *instance >= *count)
            return 0;
        index = static_cast<uint32_t>((*instance)++);
    } else {
        index = global_sample++;
    }
    for (int32_t d = 0; d < dimension; ++d)
        sample[d] = radical_inverse(index + 1, primes[d % 8]);
    return 1;
}

}  // namespace

Boolean default_query(int32_t code, ShadingState *, Tag item, void *answer) {
    TestHost &h = host();
    switch (code) {
    case UVO_QUERY_USER_DATA_SLOT: *static_cast<void ***>(answer) = &h.user_slot; return 1;
    case UVO_QUERY_INSTANCE_LOCK: *static_cast<HostLock *>(answer) = &h.lock_dummy; return 1;
    case UVO_QUERY_DECLARATION_VERSION: *static_cast<int32_t *>(answer) = h.declaration_version; return 1;
    case UVO_QUERY_GATHER_CONTEXT:
        if (!h.gather_context_ok)
            return 0;
        *static_cast<int32_t *>(answer) = 1;
        return 1;
    case UVO_QUERY_REDUCED_RAY: *static_cast<int32_t *>(answer) = h.reduced_ray; return 1;
    case UVO_QUERY_CALL_KIND: *static_cast<int32_t *>(answer) = h.call_kind; return 1;
    case UVO_QUERY_LIGHT_TAG: {
        auto it = h.light_records.find(item);
        if (it == h.light_records.end())
            return 0;
        *static_cast<Tag *>(answer) = it->second;
        return 1;
    }
    default: return 0;
    }
}

namespace {

void *default_shaderstate_get(ShadingState *, const char *key, int32_t *size) {
    TestHost &h = host();
    auto it = h.store.find(key);
    if (it == h.store.end())
        return nullptr;
    if (size != nullptr)
        *size = static_cast<int32_t>(it->second.size());
    return it->second.data();
}

void *default_shaderstate_set(ShadingState *, const char *key, const void *value, int32_t size) {
    TestHost &h = host();
    if (value == nullptr && size == 0) {
        h.store.erase(key);
        return nullptr;
    }
    auto &entry = h.store[key];
    entry.assign(static_cast<size_t>(size), 0);
    if (value != nullptr)
        std::memcpy(entry.data(), value, static_cast<size_t>(size));
    return entry.data();
}

void *default_phen_eval(ShadingState *, const void *parameter) {
    TestHost &h = host();
    if (h.eval_block != nullptr)
        h.evaluations.push_back(static_cast<const char *>(parameter) - static_cast<const char *>(h.eval_block));
    return const_cast<void *>(parameter);
}

void *default_db_access(Tag tag) {
    TestHost &h = host();
    auto it = h.database.find(tag);
    if (it == h.database.end())
        return nullptr;
    ++h.pins;
    return it->second;
}

// Unpinning a Tag the database does not hold is a no-op, as in a real host.
void default_db_unpin(Tag tag) {
    if (host().database.count(tag))
        --host().pins;
}

void *default_allocate(const char *module, int32_t line, size_t size) {
    TestHost &h = host();
    void *memory = std::calloc(1, size ? size : 1);
    std::lock_guard lock(h.mutex);
    h.live[memory] = Allocation{module ? module : "", line, size};
    ++h.allocations[module ? module : ""];
    return memory;
}

void default_release(const char *module, int32_t, void *memory) {
    TestHost &h = host();
    std::lock_guard lock(h.mutex);
    auto it = h.live.find(memory);
    if (it == h.live.end()) {
        ++h.bad_releases;
        return;
    }
    ++h.releases[module ? module : ""];
    h.live.erase(it);
    std::free(memory);
}

float default_luminance(ShadingState *state, const Color *c) {
    if (state != nullptr && state->options != nullptr) {
        const Color &w = state->options->luminance_weights;
        return w.r * c->r + w.g * c->g + w.b * c->b;
    }
    return 0.299f * c->r + 0.587f * c->g + 0.114f * c->b;
}

void identity(ShadingState *, Vector3 *out, const Vector3 *in) { *out = *in; }

void default_reflection_dir(Vector3 *d, const ShadingState *s) {
    const float k = 2.0f * s->dot_nd;
    d->x = s->direction.x - k * s->normal.x;
    d->y = s->direction.y - k * s->normal.y;
    d->z = s->direction.z - k * s->normal.z;
}

void point_transform(Vector3 *out, const Vector3 *in, const float *m) {
    const Vector3 p = *in;
    out->x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
    out->y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
    out->z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
}

void vector_transform(Vector3 *out, const Vector3 *in, const float *m) {
    const Vector3 p = *in;
    out->x = p.x * m[0] + p.y * m[4] + p.z * m[8];
    out->y = p.x * m[1] + p.y * m[5] + p.z * m[9];
    out->z = p.x * m[2] + p.y * m[6] + p.z * m[10];
}

void matrix_ident(float *m) {
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// Gauss-Jordan inverse of a 4x4 matrix, double precision.
Boolean matrix_invert(float *out, const float *in) {
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 8; ++c)
            a[r][c] = c < 4 ? in[r * 4 + c] : (c - 4 == r ? 1.0 : 0.0);
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c]))
                pivot = r;
        if (a[pivot][c] == 0.0)
            return 0;
        for (int k = 0; k < 8; ++k)
            std::swap(a[c][k], a[pivot][k]);
        const double inv = 1.0 / a[c][c];
        for (int k = 0; k < 8; ++k)
            a[c][k] *= inv;
        for (int r = 0; r < 4; ++r)
            if (r != c) {
                const double f = a[r][c];
                for (int k = 0; k < 8; ++k)
                    a[r][k] -= f * a[c][k];
            }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[r * 4 + c] = static_cast<float>(a[r][c + 4]);
    return 1;
}

// Stores the format as received: the library hands over finished text, so a
// conversion left in it would show up here unformatted.
void add_message(const char *level, int32_t number, const char *format) {
    const std::string text = format;
    TestHost &h = host();
    std::lock_guard lock(h.mutex);
    h.messages.push_back(Message{level, number, text});
    h.calls.push_back(std::string("rx_") + level);
}

template <class R>
R zero() {
    if constexpr (!std::is_void_v<R>)
        return R();
}

}  // namespace
}  // namespace uvo_test

using namespace uvo_test;

// Each exported function records itself, then runs the script or its default.
#define UVO_TEST_FORWARD(ret, name, params, args, fallback)             \
    extern "C" __attribute__((visibility("default"))) ret name params { \
        host().record(#name);                                          \
        if (host().script.name)                                        \
            return host().script.name args;                            \
        return fallback;                                               \
    }
#define UVO_TEST_ZERO(ret, name, params, args) UVO_TEST_FORWARD(ret, name, params, args, zero<ret>())

UVO_TEST_FORWARD(Boolean, rx_query, (int32_t code, ShadingState *s, Tag item, void *answer), (code, s, item, answer),
                 default_query(code, s, item, answer))
UVO_TEST_FORWARD(void *, rx_shaderstate_get, (ShadingState *s, const char *key, int32_t *size), (s, key, size),
                 default_shaderstate_get(s, key, size))
UVO_TEST_FORWARD(void *, rx_shaderstate_set,
                 (ShadingState *s, const char *key, const void *value, int32_t size, int32_t lifetime),
                 (s, key, value, size, lifetime), default_shaderstate_set(s, key, value, size))
UVO_TEST_FORWARD(void *, rx_phen_eval, (ShadingState *s, const void *p), (s, p), default_phen_eval(s, p))
UVO_TEST_FORWARD(void *, rx_db_access, (Tag tag), (tag), default_db_access(tag))
UVO_TEST_FORWARD(void, rx_db_unpin, (Tag tag), (tag), default_db_unpin(tag))
UVO_TEST_ZERO(void, rx_db_delete, (Tag tag), (tag))
UVO_TEST_ZERO(void, rx_scene_edit_end, (Tag tag), (tag))
UVO_TEST_FORWARD(void *, rx_mem_int_allocate, (const char *module, int32_t line, size_t size), (module, line, size),
                 default_allocate(module, line, size))
UVO_TEST_FORWARD(void, rx_mem_int_release, (const char *module, int32_t line, void *memory), (module, line, memory),
                 default_release(module, line, memory))
UVO_TEST_ZERO(void, rx_lock, (HostLock lock), (lock))
UVO_TEST_ZERO(void, rx_unlock, (HostLock lock), (lock))
UVO_TEST_ZERO(Boolean, rx_par_aborted, (void), ())
UVO_TEST_ZERO(Boolean, rx_trace_eye, (Color * r, ShadingState *s, const Vector3 *o, const Vector3 *d), (r, s, o, d))
UVO_TEST_ZERO(Boolean, rx_trace_reflection, (Color * r, ShadingState *s, const Vector3 *d), (r, s, d))
UVO_TEST_ZERO(Boolean, rx_trace_refraction, (Color * r, ShadingState *s, const Vector3 *d), (r, s, d))
UVO_TEST_ZERO(Boolean, rx_trace_transparent, (Color * r, ShadingState *s), (r, s))
UVO_TEST_ZERO(Boolean, rx_trace_environment, (Color * r, ShadingState *s, const Vector3 *d), (r, s, d))
UVO_TEST_ZERO(Boolean, rx_trace_probe, (ShadingState * s, const Vector3 *d, const Vector3 *o), (s, d, o))
UVO_TEST_ZERO(Boolean, rx_trace_continue, (Color * r, ShadingState *s), (r, s))
UVO_TEST_ZERO(Boolean, rx_trace_shadow, (Color * r, ShadingState *s), (r, s))
UVO_TEST_ZERO(Boolean, rx_trace_shadow_seg, (Color * r, ShadingState *s), (r, s))
UVO_TEST_ZERO(Boolean, rx_call_shader, (Color * r, int32_t kind, ShadingState *s, Tag shader), (r, kind, s, shader))
UVO_TEST_FORWARD(Boolean, rx_sample, (double *sample, int32_t *instance, ShadingState *s, int32_t dim, int32_t *count),
                 (sample, instance, s, dim, count), default_sample(sample, instance, s, dim, count))
UVO_TEST_ZERO(Boolean, rx_sample_light,
              (Color * c, Vector3 *d, float *cosine, ShadingState *s, Tag light, int32_t *samples),
              (c, d, cosine, s, light, samples))
UVO_TEST_ZERO(Boolean, rx_inclusive_lightlist, (int32_t * n, Tag **l, ShadingState *s), (n, l, s))
UVO_TEST_ZERO(Boolean, rx_exclusive_lightlist, (int32_t * n, Tag **l, ShadingState *s), (n, l, s))
UVO_TEST_ZERO(Boolean, rx_instance_lightlist, (int32_t * n, Tag **l, ShadingState *s), (n, l, s))
UVO_TEST_ZERO(Boolean, rx_compute_avg_radiance, (Color * r, ShadingState *s, int32_t face, const IndirectRequest *q),
              (r, s, face, q))
UVO_TEST_FORWARD(void, rx_reflection_dir, (Vector3 * d, const ShadingState *s), (d, s), default_reflection_dir(d, s))
UVO_TEST_ZERO(void, rx_reflection_dir_diffuse, (Vector3 * d, ShadingState *s), (d, s))
UVO_TEST_ZERO(void, rx_reflection_dir_diffuse_x, (Vector3 * d, ShadingState *s, const double *x), (d, s, x))
UVO_TEST_ZERO(void, rx_reflection_dir_glossy_x, (Vector3 * d, ShadingState *s, float e, const double *x), (d, s, e, x))
UVO_TEST_ZERO(void, rx_reflection_dir_anisglossy_x,
              (Vector3 * d, ShadingState *s, const Vector3 *u, const Vector3 *v, float eu, float ev, const double *x),
              (d, s, u, v, eu, ev, x))
UVO_TEST_ZERO(Boolean, rx_transmission_dir_specular, (Vector3 * d, ShadingState *s, float i, float o), (d, s, i, o))
UVO_TEST_ZERO(Boolean, rx_transmission_dir_glossy_x,
              (Vector3 * d, ShadingState *s, float i, float o, float e, const double *x), (d, s, i, o, e, x))
UVO_TEST_ZERO(Boolean, rx_transmission_dir_anisglossy_x,
              (Vector3 * d, ShadingState *s, float i, float o, const Vector3 *u, const Vector3 *v, float eu, float ev,
               const double *x),
              (d, s, i, o, u, v, eu, ev, x))
UVO_TEST_ZERO(Boolean, rx_transmission_dir_diffuse, (Vector3 * d, ShadingState *s), (d, s))
UVO_TEST_ZERO(Boolean, rx_transmission_dir_diffuse_x, (Vector3 * d, ShadingState *s, const double *x), (d, s, x))
UVO_TEST_ZERO(float, rx_fresnel_reflection, (ShadingState * s, float i, float o), (s, i, o))
UVO_TEST_ZERO(float, rx_ward_anisglossy,
              (const Vector3 *i, const Vector3 *o, const Vector3 *n, const Vector3 *u, const Vector3 *v, float su,
               float sv),
              (i, o, n, u, v, su, sv))
UVO_TEST_ZERO(Boolean, rx_ray_falloff, (ShadingState * s, double *start, double *stop), (s, start, stop))
UVO_TEST_ZERO(Boolean, rx_tri_vectors, (ShadingState * s, int32_t w, int32_t i, Vector3 **a, Vector3 **b, Vector3 **c),
              (s, w, i, a, b, c))
UVO_TEST_FORWARD(float, rx_luminance, (ShadingState * s, const Color *c), (s, c), default_luminance(s, c))
UVO_TEST_ZERO(Boolean, rx_photon_light, (Color * e, ShadingState *s), (e, s))
UVO_TEST_ZERO(Boolean, rx_photon_reflection_specular, (Color * e, ShadingState *s, const Vector3 *d), (e, s, d))
UVO_TEST_ZERO(Boolean, rx_photon_reflection_glossy, (Color * e, ShadingState *s, const Vector3 *d), (e, s, d))
UVO_TEST_ZERO(Boolean, rx_photon_reflection_diffuse, (Color * e, ShadingState *s, const Vector3 *d), (e, s, d))
UVO_TEST_ZERO(Boolean, rx_photon_transmission_specular, (Color * e, ShadingState *s, const Vector3 *d), (e, s, d))
UVO_TEST_ZERO(Boolean, rx_photon_transmission_glossy, (Color * e, ShadingState *s, const Vector3 *d), (e, s, d))
UVO_TEST_ZERO(Boolean, rx_photon_transmission_diffuse, (Color * e, ShadingState *s, const Vector3 *d), (e, s, d))
UVO_TEST_ZERO(Boolean, rx_photon_transparent, (Color * e, ShadingState *s), (e, s))
UVO_TEST_ZERO(Boolean, rx_photon_volume_scattering, (Color * e, ShadingState *s, const Vector3 *d), (e, s, d))
UVO_TEST_ZERO(Boolean, rx_store_photon, (Color * e, ShadingState *s), (e, s))
#define UVO_TEST_TRANSFORM(name) \
    UVO_TEST_FORWARD(void, name, (ShadingState * s, Vector3 *o, const Vector3 *i), (s, o, i), identity(s, o, i))
UVO_TEST_TRANSFORM(rx_point_to_camera)
UVO_TEST_TRANSFORM(rx_point_from_camera)
UVO_TEST_TRANSFORM(rx_point_from_light)
UVO_TEST_TRANSFORM(rx_vector_to_camera)
UVO_TEST_TRANSFORM(rx_vector_from_camera)
UVO_TEST_TRANSFORM(rx_vector_to_world)
UVO_TEST_TRANSFORM(rx_vector_from_world)
UVO_TEST_TRANSFORM(rx_vector_to_object)
UVO_TEST_TRANSFORM(rx_vector_from_object)
UVO_TEST_TRANSFORM(rx_vector_to_light)
UVO_TEST_TRANSFORM(rx_vector_from_light)
UVO_TEST_TRANSFORM(rx_normal_to_camera)
UVO_TEST_TRANSFORM(rx_normal_from_object)
UVO_TEST_FORWARD(void, rx_point_transform, (Vector3 * o, const Vector3 *i, const float *m), (o, i, m),
                 point_transform(o, i, m))
UVO_TEST_FORWARD(void, rx_vector_transform, (Vector3 * o, const Vector3 *i, const float *m), (o, i, m),
                 vector_transform(o, i, m))
UVO_TEST_FORWARD(void, rx_matrix_ident, (float *m), (m), matrix_ident(m))
UVO_TEST_FORWARD(Boolean, rx_matrix_invert, (float *o, const float *i), (o, i), matrix_invert(o, i))
UVO_TEST_ZERO(HostImage *, rx_output_image_open, (ShadingState * s, int32_t index), (s, index))
UVO_TEST_ZERO(void, rx_output_image_close, (ShadingState * s, int32_t index), (s, index))
UVO_TEST_ZERO(void, rx_img_get_color, (const HostImage *img, Color *c, int32_t x, int32_t y), (img, c, x, y))
UVO_TEST_ZERO(void, rx_img_put_color, (HostImage * img, const Color *c, int32_t x, int32_t y), (img, c, x, y))
UVO_TEST_ZERO(HostImage *, rx_img_image_dbcreate, (const HostImageDesc *desc, Tag *tag), (desc, tag))
UVO_TEST_ZERO(HostImage *, rx_img_pyramid_get_level, (HostImage * img, int32_t level, int32_t *w, int32_t *h),
              (img, level, w, h))
UVO_TEST_ZERO(Boolean, rx_fb_put, (ShadingState * s, int32_t buffer, const void *value), (s, buffer, value))
UVO_TEST_ZERO(Boolean, rx_lookup_color_texture, (Color * c, ShadingState *s, Tag t, const Vector3 *coord),
              (c, s, t, coord))
UVO_TEST_ZERO(HostShaderInterface *, rx_get_shader_interface, (int32_t version), (version))

#define UVO_TEST_MESSAGE(name, level)                                          \
    extern "C" __attribute__((visibility("default"))) void name(const char *format, ...) { \
        add_message(level, -1, format);                                        \
    }
#define UVO_TEST_NUMBERED_MESSAGE(name, level)                                 \
    extern "C" __attribute__((visibility("default"))) void name(int32_t number, const char *format, ...) { \
        add_message(level, number, format);                                    \
    }
UVO_TEST_MESSAGE(rx_fatal, "fatal")
UVO_TEST_NUMBERED_MESSAGE(rx_nfatal, "fatal")
UVO_TEST_MESSAGE(rx_error, "error")
UVO_TEST_NUMBERED_MESSAGE(rx_nerror, "error")
UVO_TEST_MESSAGE(rx_warning, "warning")
UVO_TEST_NUMBERED_MESSAGE(rx_nwarning, "warning")
UVO_TEST_MESSAGE(rx_info, "info")
UVO_TEST_MESSAGE(rx_progress, "progress")
UVO_TEST_MESSAGE(rx_debug, "debug")
UVO_TEST_MESSAGE(rx_vdebug, "debug")

// Every host function of the contract must exist here: taking each address
// fails to link when one is missing.
namespace uvo_test {
#define UVO_TEST_ADDRESS(ret, name, params) reinterpret_cast<const void *>(&::name),
#define UVO_TEST_MESSAGE_ADDRESS(name, params) reinterpret_cast<const void *>(&::name),
extern const void *const every_host_function[] = {UVO_HOST_FUNCTIONS(UVO_TEST_ADDRESS)
                                                      UVO_HOST_MESSAGES(UVO_TEST_MESSAGE_ADDRESS)};
}  // namespace uvo_test
