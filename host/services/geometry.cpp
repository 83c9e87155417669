// Host functions: directions, Fresnel and Ward terms, triangle vectors,
// luminance and the transforms between internal, camera, world, object and
// light space (internal space is world space here).
#include "render/directions.h"
#include "render/shading.h"

using namespace uvo_host;

namespace {

// Two sample numbers of a fresh loop, for the directions that take none.
void fresh_sample(ShadingState *state, double *u) {
    int32_t instance = 0;
    rx_sample(u, &instance, state, 2, nullptr);
}

const Light *state_light(const ShadingState *state) {
    World *world = world_of(state);
    if (world == nullptr || state == nullptr)
        return nullptr;
    if (const Light *light = world->db.get<Light>(state->light_instance, ElementKind::LightInstance))
        return light;
    return world->db.get<Light>(state->light_instance, ElementKind::Light);
}

const Object *state_object(const ShadingState *state) {
    return state ? static_cast<const Object *>(state->hit_object) : nullptr;
}

const Camera3 &camera() { return current_world()->scene.camera; }

}  // namespace

// The mirror direction about the shading normal.  Near silhouettes an
// interpolated normal can mirror the ray into the surface; such a direction
// is mirrored back above the geometric surface, as the glossy ones are.
extern "C" void rx_reflection_dir(Vector3 *direction, const ShadingState *state) {
    Vector3 d = normalize(mirror(state->direction, state->normal));
    const float below = dot(d, state->normal_geom);
    if (below < 0.0f && dot(state->direction, state->normal_geom) < 0.0f)
        d = normalize(d - state->normal_geom * (2.0f * below));
    *direction = d;
}

extern "C" void rx_reflection_dir_diffuse(Vector3 *direction, ShadingState *state) {
    double u[2];
    fresh_sample(state, u);
    *direction = cosine_direction(state->normal, state->normal_geom, u[0], u[1]);
}

extern "C" void rx_reflection_dir_diffuse_x(Vector3 *direction, ShadingState *state, const double *sample) {
    *direction = cosine_direction(state->normal, state->normal_geom, sample[0], sample[1]);
}

// The glossy directions share one lobe model with each other and with
// rx_ward_anisglossy: the ray is mirrored about a Ward half vector whose
// roughness is 1 / exponent along each tangent, so the isotropic functions
// are the anisotropic ones with equal exponents, and rays follow the
// highlights that the same exponents give.
namespace {
Vector3 isotropic_half_vector(const ShadingState *state, float exponent, const double *sample) {
    Vector3 u, v;
    orthonormal_basis(state->normal, u, v);
    return ward_half_vector(state->normal, u, v, exponent, exponent, sample[0], sample[1]);
}
}  // namespace

extern "C" void rx_reflection_dir_glossy_x(Vector3 *direction, ShadingState *state, float exponent,
                                           const double *sample) {
    const Vector3 h = isotropic_half_vector(state, exponent, sample);
    Vector3 d = normalize(mirror(state->direction, h));
    if (dot(d, state->normal_geom) <= 0.0f)
        d = normalize(mirror(d, state->normal_geom));
    *direction = d;
}

extern "C" void rx_reflection_dir_anisglossy_x(Vector3 *direction, ShadingState *state, const Vector3 *u,
                                               const Vector3 *v, float exponent_u, float exponent_v,
                                               const double *sample) {
    const Vector3 h = ward_half_vector(state->normal, normalize(*u), normalize(*v), exponent_u, exponent_v,
                                       sample[0], sample[1]);
    Vector3 d = normalize(mirror(state->direction, h));
    if (dot(d, state->normal_geom) <= 0.0f)
        d = normalize(mirror(d, state->normal_geom));
    *direction = d;
}

extern "C" Boolean rx_transmission_dir_specular(Vector3 *direction, ShadingState *state, float ior_in,
                                                float ior_out) {
    return refract(state->direction, state->normal, ior_in / ior_out, *direction) ? 1 : 0;
}

namespace {
// A direction perturbed about the specular transmission, kept on the far side.
Boolean perturbed_transmission(Vector3 *direction, ShadingState *state, float ior_in, float ior_out,
                               const Vector3 &perturbed_normal) {
    Vector3 d;
    if (!refract(state->direction, perturbed_normal, ior_in / ior_out, d))
        return 0;
    if (dot(d, state->normal_geom) >= 0.0f)
        d = normalize(mirror(d, state->normal_geom));
    *direction = d;
    return 1;
}
}  // namespace

extern "C" Boolean rx_transmission_dir_glossy_x(Vector3 *direction, ShadingState *state, float ior_in, float ior_out,
                                                float exponent, const double *sample) {
    return perturbed_transmission(direction, state, ior_in, ior_out, isotropic_half_vector(state, exponent, sample));
}

extern "C" Boolean rx_transmission_dir_anisglossy_x(Vector3 *direction, ShadingState *state, float ior_in,
                                                    float ior_out, const Vector3 *u, const Vector3 *v,
                                                    float exponent_u, float exponent_v, const double *sample) {
    const Vector3 h = ward_half_vector(state->normal, normalize(*u), normalize(*v), exponent_u, exponent_v,
                                       sample[0], sample[1]);
    return perturbed_transmission(direction, state, ior_in, ior_out, h);
}

extern "C" Boolean rx_transmission_dir_diffuse(Vector3 *direction, ShadingState *state) {
    double u[2];
    fresh_sample(state, u);
    *direction = cosine_direction(-state->normal, -state->normal_geom, u[0], u[1]);
    return 1;
}

extern "C" Boolean rx_transmission_dir_diffuse_x(Vector3 *direction, ShadingState *state, const double *sample) {
    *direction = cosine_direction(-state->normal, -state->normal_geom, sample[0], sample[1]);
    return 1;
}

extern "C" float rx_fresnel_reflection(ShadingState *state, float ior_in, float ior_out) {
    // The cosine with whichever side the normal faces: a bumped normal may face away.
    return fresnel_dielectric(std::fabs(dot(state->direction, state->normal)), ior_in, ior_out);
}

// Ward's anisotropic BRDF for the view `in` (towards the surface) and the
// light direction `out` (away from it).
extern "C" float rx_ward_anisglossy(const Vector3 *in, const Vector3 *out, const Vector3 *normal, const Vector3 *u,
                                    const Vector3 *v, float shiny_u, float shiny_v) {
    return uvo_kit_ward_brdf(*in, *out, *normal, *u, *v, shiny_u, shiny_v);
}

extern "C" Boolean rx_tri_vectors(ShadingState *state, int32_t which, int32_t index, Vector3 **a, Vector3 **b,
                                  Vector3 **c) {
    const StateExt *ext = ext_of(state);
    if (ext == nullptr || ext->object == nullptr || a == nullptr || b == nullptr || c == nullptr)
        return 0;
    Object *object = const_cast<Object *>(ext->object);
    std::vector<Vector3> *list = nullptr;
    if (which == 'p')
        list = &object->mesh.positions;
    else if (which == 'n')
        list = &object->mesh.normals;
    else if (which == 't' && index == 0)
        list = &object->mesh.uvs;
    const uint32_t *tri = &object->mesh.indices[3 * static_cast<size_t>(ext->triangle)];
    if (which == 'n' && list->empty()) {
        // A flat mesh: its face normal at each corner, object space.  The
        // vectors live until this thread's next call.
        thread_local Vector3 t_face[3];
        const std::vector<Vector3> &p = object->mesh.positions;
        t_face[0] = t_face[1] = t_face[2] = normalize(cross(p[tri[1]] - p[tri[0]], p[tri[2]] - p[tri[0]]));
        *a = &t_face[0];
        *b = &t_face[1];
        *c = &t_face[2];
        return 1;
    }
    if (list == nullptr || list->empty())
        return 0;
    *a = &(*list)[tri[0]];
    *b = &(*list)[tri[1]];
    *c = &(*list)[tri[2]];
    return 1;
}

extern "C" float rx_luminance(ShadingState *state, const Color *color) {
    return uvo_kit_luminance(color, state != nullptr && state->options != nullptr ? &state->options->luminance_weights
                                                                                  : nullptr);
}

extern "C" void rx_point_to_camera(ShadingState *, Vector3 *out, const Vector3 *in) {
    *out = transform_point(camera().from_world.m, *in);
}
extern "C" void rx_point_from_camera(ShadingState *, Vector3 *out, const Vector3 *in) {
    *out = transform_point(camera().to_world.m, *in);
}
extern "C" void rx_point_from_light(ShadingState *state, Vector3 *out, const Vector3 *in) {
    const Light *light = state_light(state);
    *out = light ? transform_point(light->to_world.m, *in) : *in;
}
extern "C" void rx_vector_to_camera(ShadingState *, Vector3 *out, const Vector3 *in) {
    *out = transform_vector(camera().from_world.m, *in);
}
extern "C" void rx_vector_from_camera(ShadingState *, Vector3 *out, const Vector3 *in) {
    *out = transform_vector(camera().to_world.m, *in);
}
extern "C" void rx_vector_to_world(ShadingState *, Vector3 *out, const Vector3 *in) { *out = *in; }
extern "C" void rx_vector_from_world(ShadingState *, Vector3 *out, const Vector3 *in) { *out = *in; }
extern "C" void rx_vector_to_object(ShadingState *state, Vector3 *out, const Vector3 *in) {
    const Object *object = state_object(state);
    *out = object ? transform_vector(object->from_world.m, *in) : *in;
}
extern "C" void rx_vector_from_object(ShadingState *state, Vector3 *out, const Vector3 *in) {
    const Object *object = state_object(state);
    *out = object ? transform_vector(object->to_world.m, *in) : *in;
}
extern "C" void rx_vector_to_light(ShadingState *state, Vector3 *out, const Vector3 *in) {
    const Light *light = state_light(state);
    *out = light ? transform_vector(light->from_world.m, *in) : *in;
}
extern "C" void rx_vector_from_light(ShadingState *state, Vector3 *out, const Vector3 *in) {
    const Light *light = state_light(state);
    *out = light ? transform_vector(light->to_world.m, *in) : *in;
}
extern "C" void rx_normal_to_camera(ShadingState *, Vector3 *out, const Vector3 *in) {
    *out = normalize(transform_normal_by_inverse(camera().to_world.m, *in));
}
extern "C" void rx_normal_from_object(ShadingState *state, Vector3 *out, const Vector3 *in) {
    const Object *object = state_object(state);
    *out = object ? normalize(transform_normal_by_inverse(object->from_world.m, *in)) : *in;
}
extern "C" void rx_point_transform(Vector3 *out, const Vector3 *in, const float *matrix) {
    *out = transform_point(matrix, *in);
}
extern "C" void rx_vector_transform(Vector3 *out, const Vector3 *in, const float *matrix) {
    *out = transform_vector(matrix, *in);
}
extern "C" void rx_matrix_ident(float *matrix) { uvo_kit_matrix_identity(matrix); }
extern "C" Boolean rx_matrix_invert(float *out, const float *in) { return uvo_kit_matrix_invert(out, in); }
