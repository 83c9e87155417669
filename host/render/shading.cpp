#include "render/shading.h"

#include <algorithm>
#include <cmath>

#include "render/ray_falloff.h"
#include "scene/output_channels.h"

namespace uvo_host {

namespace {
thread_local int32_t t_call_kind = UVO_SHADER_MATERIAL;
thread_local bool t_whole_outputs = false;
}

int32_t current_call_kind() { return t_call_kind; }
bool current_call_holds_outputs() { return t_whole_outputs; }

Boolean call_shader_instance(ShaderInstance *instance, Color *result, ShadingState *state, int32_t kind,
                             bool whole_outputs) {
    if (instance == nullptr || instance->code == nullptr || instance->code->shader == nullptr)
        return 0;
    ThreadContext *context = context_of(state);
    ShaderRecord *saved_record = state->shader;
    const int32_t saved_kind = t_call_kind;
    const bool saved_whole = t_whole_outputs;
    const uint64_t saved_call = context ? context->current_call : 0;
    uint64_t call = 0;
    if (context != nullptr) {
        call = context->next_call++;
        context->current_call = call;
        ++context->shader_calls;
    }
    t_call_kind = kind;
    t_whole_outputs = whole_outputs;
    state->shader = &instance->record;
    const Boolean answer = instance->code->shader(result, state, instance->block());
    state->shader = saved_record;
    t_call_kind = saved_kind;
    t_whole_outputs = saved_whole;
    if (context != nullptr) {
        context->store.drop_call(call);
        context->current_call = saved_call;
    }
    return answer;
}

const void *handle_of(const RayHit &hit) {
    return reinterpret_cast<const void *>(
        static_cast<uintptr_t>((static_cast<uint64_t>(hit.object->geometry_id + 1) << 32) | hit.triangle));
}

void fill_hit(ShadingState *state, const RayHit &hit) {
    const Object &object = *hit.object;
    const uint32_t *tri = &object.mesh.indices[3 * static_cast<size_t>(hit.triangle)];
    const float w0 = 1.0f - hit.u - hit.v;
    const Vector3 &p0 = object.world_positions[tri[0]];
    const Vector3 &p1 = object.world_positions[tri[1]];
    const Vector3 &p2 = object.world_positions[tri[2]];
    Vector3 ng = normalize(cross(p1 - p0, p2 - p0));
    Vector3 n = ng;
    if (!object.world_normals.empty()) {
        const Vector3 interpolated = object.world_normals[tri[0]] * w0 + object.world_normals[tri[1]] * hit.u +
                                     object.world_normals[tri[2]] * hit.v;
        if (!is_zero(interpolated))
            n = normalize(interpolated);
    }
    const bool back = dot(ng, state->direction) > 0.0f;
    if (back) {
        ng = -ng;
        n = -n;
    }
    state->distance = hit.distance;
    state->point = p0 * w0 + p1 * hit.u + p2 * hit.v;
    state->normal = n;
    state->normal_geom = ng;
    state->dot_nd = dot(n, state->direction);
    state->inside = back ? 1 : 0;
    state->bary = Vector3{w0, hit.u, hit.v};
    StateExt *ext = ext_of(state);
    if (!object.mesh.uvs.empty()) {
        state->tex = object.mesh.uvs[tri[0]] * w0 + object.mesh.uvs[tri[1]] * hit.u + object.mesh.uvs[tri[2]] * hit.v;
        if (ext != nullptr) {
            ext->texture_list[0] = state->tex;
            state->tex_list = ext->texture_list;
            state->tex_count = 1;
        }
    } else {
        state->tex = Vector3{0, 0, 0};
        state->tex_list = nullptr;
        state->tex_count = 0;
    }
    state->hit_object = &object;
    state->primitive = handle_of(hit);
    state->material = object.material_tag;
    if (ext != nullptr) {
        ext->object = &object;
        ext->triangle = hit.triangle;
    }
}

Vector3 offset_origin(const ShadingState *state, const Vector3 &direction) {
    if (is_zero(state->normal_geom) || state->hit_object == nullptr)
        return state->point;
    const float eps = world_of(state)->tracer->epsilon() * (1.0f + std::fabs(state->point.x) +
                                                            std::fabs(state->point.y) + std::fabs(state->point.z));
    const float side = dot(direction, state->normal_geom) >= 0.0f ? 1.0f : -1.0f;
    return state->point + state->normal_geom * (eps * side);
}

bool meets_ground(const World &world, const Vector3 &direction, Color *result) {
    const EnvironmentGround &ground = world.scene.ground;
    if (!ground.enabled || !(direction.y < 0.0f))
        return false;
    *result = Color{ground.luminance, ground.luminance, ground.luminance, 1.0f};
    return true;
}

Boolean shade_environment(ShadingState *parent, int32_t type, const Vector3 &direction, Color *result) {
    *result = Color{0, 0, 0, 0};
    ThreadContext *context = context_of(parent);
    if (context == nullptr)
        return 0;
    World *world = world_of(parent);
    if (meets_ground(*world, direction, result))
        return 1;
    ShaderInstance *environment = world->db.get<ShaderInstance>(parent->environment, ElementKind::Shader);
    if (environment == nullptr)
        return 0;
    ShadingState *state = context->push(parent);
    if (state == nullptr)
        return 0;
    state->ray_type = type;
    state->origin = parent->point;
    state->point = parent->point;
    state->direction = normalize(direction);
    const Boolean answer = call_shader_instance(environment, result, state, UVO_SHADER_ENVIRONMENT);
    context->pop(state);
    return answer;
}

namespace {

struct LightHit {
    const Light *light = nullptr;
    float distance = 0.0f;
};

// The nearest visible light rectangle that carries a shader along the ray,
// closer than `limit`.  Both faces count; a ray leaving a rectangle (the
// pass-through of rx_trace_transparent) does not meet it again.
LightHit nearest_light_rectangle(const World &world, const Vector3 &origin, const Vector3 &direction, float limit) {
    LightHit nearest;
    nearest.distance = limit;
    const float eps = world.tracer->epsilon() *
                      (1.0f + std::fabs(origin.x) + std::fabs(origin.y) + std::fabs(origin.z));
    for (const Light &light : world.scene.lights) {
        if (light.shader == nullptr || light.record.area != UVO_AREA_RECTANGLE || !light.record.visible)
            continue;
        const Vector3 n = cross(light.edge_u, light.edge_v);
        const float denominator = dot(n, direction);
        if (denominator == 0.0f)
            continue;
        const float t = dot(n, light.position - origin) / denominator;
        if (!(t > eps) || !(t < nearest.distance))
            continue;
        const Vector3 d = origin + direction * t - light.position;
        const float u = dot(d, light.edge_u) / dot(light.edge_u, light.edge_u);
        const float v = dot(d, light.edge_v) / dot(light.edge_v, light.edge_v);
        if (std::fabs(u) > 0.5f || std::fabs(v) > 0.5f)
            continue;
        nearest.light = &light;
        nearest.distance = t;
    }
    return nearest;
}

// A ray met a light rectangle: the light's shader shades it with the ray's
// state, whose point lies on the rectangle and whose normals face the ray.
void shade_light_rectangle(ShadingState *state, const LightHit &on_light, Color *result) {
    const Light &light = *on_light.light;
    state->distance = on_light.distance;
    state->point = state->origin + state->direction * on_light.distance;
    Vector3 n = light.direction;
    if (dot(n, state->direction) > 0.0f)
        n = -n;
    state->normal = n;
    state->normal_geom = n;
    state->dot_nd = dot(n, state->direction);
    state->inside = 0;
    state->tex = Vector3{0, 0, 0};
    state->tex_list = nullptr;
    state->tex_count = 0;
    state->hit_object = nullptr;
    state->primitive = nullptr;
    state->material = 0;
    state->light_instance = light.instance_tag;
    if (StateExt *ext = ext_of(state)) {
        ext->object = nullptr;
        ext->light = &light;
    }
    call_shader_instance(light.shader, result, state, UVO_SHADER_LIGHT);
}

// Traces and shades one ray from `parent`.  A new bounce counts against the
// reflection and refraction depths; a continuation does not.  Rays end at the
// parent's fall-off limit: nothing found before it is a miss without the
// environment.
Boolean shade_ray(ShadingState *parent, int32_t type, const Vector3 &origin, const Vector3 &direction,
                  Color *result, bool bounce) {
    *result = Color{0, 0, 0, 0};
    World *world = world_of(parent);
    ThreadContext *context = context_of(parent);
    if (context == nullptr)
        return 0;
    const HostSettings &settings = world->scene.settings;
    if (depth_of(parent) >= settings.max_depth + 1)
        return 0;
    if (bounce && type == UVO_RAY_REFLECT && parent->reflection_depth >= settings.reflection_depth)
        return 0;
    if (bounce && type == UVO_RAY_REFRACT && parent->refraction_depth >= settings.refraction_depth)
        return 0;
    const float limit = falloff_limit(parent);
    ShadingState *state = context->push(parent);
    if (state == nullptr)
        return 0;
    state->ray_type = type;
    state->origin = origin;
    state->direction = normalize(direction);
    if (bounce && type == UVO_RAY_REFLECT)
        ++state->reflection_depth;
    if (bounce && type == UVO_RAY_REFRACT)
        ++state->refraction_depth;
    ++context->rays;
    const RayHit hit = world->tracer->intersect(origin, state->direction, 0.0f, limit);
    Boolean answer = 0;
    const LightHit on_light = nearest_light_rectangle(*world, origin, state->direction, hit.hit ? hit.distance : limit);
    if (on_light.light != nullptr) {
        // Gather rays find black: the light loops sample the rectangle's
        // light, which would otherwise be counted twice.
        if (type != UVO_RAY_GATHER)
            shade_light_rectangle(state, on_light, result);
        answer = 1;
    } else if (hit.hit) {
        fill_hit(state, hit);
        // A hit answers true whatever its material says.
        if (type == UVO_RAY_EYE && depth_of(parent) == 0 && context->eye_outputs != nullptr) {
            // The camera asked for output channels: the material gets a
            // record for every slot, its result goes on as the colour.
            float *slots = context->eye_outputs;
            std::fill(slots, slots + kOutputSlots, 0.0f);
            call_shader_instance(hit.object->material, reinterpret_cast<Color *>(slots), state, UVO_SHADER_MATERIAL,
                                 true);
            *result = Color{slots[0], slots[1], slots[2], slots[3]};
        } else {
            call_shader_instance(hit.object->material, result, state, UVO_SHADER_MATERIAL);
        }
        answer = 1;
    } else if (std::isinf(limit) && meets_ground(*world, state->direction, result)) {
        answer = 1;
    } else if (std::isinf(limit)) {
        state->point = origin;
        ShaderInstance *environment = world->db.get<ShaderInstance>(state->environment, ElementKind::Shader);
        if (environment != nullptr)
            answer = call_shader_instance(environment, result, state, UVO_SHADER_ENVIRONMENT);
    }
    // The volume in force acts on the eye ray's segment: it sees the colour
    // found at the segment's end and the hit distance (0 for a miss).  The
    // distance is left in the camera's state too, so that a lens shader can
    // blend by depth after rx_trace_eye (deeper states keep their own hits).
    if (type == UVO_RAY_EYE) {
        if (state->volume != 0)
            if (ShaderInstance *volume = world->db.get<ShaderInstance>(state->volume, ElementKind::Shader))
                call_shader_instance(volume, result, state, UVO_SHADER_VOLUME);
        if (depth_of(parent) == 0)
            parent->distance = state->distance;
    }
    // A shader that pointed its state's child at a state of its own (the
    // interpolation cache does, for the probe it shades) reads the traced
    // ray's hit there.
    if (parent->child != nullptr && parent->child != state)
        *parent->child = *state;
    context->pop(state);
    return answer;
}

}  // namespace

Boolean trace_and_shade(ShadingState *parent, int32_t type, const Vector3 &origin, const Vector3 &direction,
                        Color *result) {
    return shade_ray(parent, type, origin, direction, result, true);
}

Boolean continue_and_shade(ShadingState *state, Color *result) {
    const Vector3 direction = state->direction;
    return shade_ray(state, state->ray_type, offset_origin(state, direction), direction, result, false);
}

namespace {

// Calls the shader of the surface `hit` for a shadow ray of the walk that
// `from` and `direction` describe; the walk goes on from `next` to `end`.
// The state's distance is the segment's length: from `start`, where the
// walk's previous surface (or the illuminated point) lies, to the hit.
Boolean shade_shadow_hit(ShadingState *parent, const RayHit &hit, const Vector3 &from, const Vector3 &direction,
                         float start, float next, float end, Color *result) {
    ThreadContext *context = context_of(parent);
    ShadingState *state = context->push(parent);
    if (state == nullptr)
        return 1;
    state->ray_type = UVO_RAY_SHADOW;
    state->origin = from;
    state->direction = direction;
    state->light_instance = parent->light_instance;
    fill_hit(state, hit);
    state->distance = std::max(hit.distance - start, 0.0f);
    StateExt *ext = ext_of(state);
    ext->light = ext_of(parent) ? ext_of(parent)->light : nullptr;
    ext->shadow_from = from;
    ext->shadow_dir = direction;
    ext->shadow_next = next;
    ext->shadow_end = end;
    ShaderInstance *material = hit.object->material;
    Boolean answer = 0;
    if (material != nullptr)
        answer = call_shader_instance(material, result, state, UVO_SHADER_SHADOW);
    context->pop(state);
    return answer;
}

}  // namespace

Boolean trace_shadow(ShadingState *light_state, Color *result) {
    World *world = world_of(light_state);
    const RenderOptions *options = light_state->options;
    if (options == nullptr || options->shadow_mode == UVO_SHADOW_OFF)
        return 1;
    ThreadContext *context = context_of(light_state);
    if (context == nullptr)
        return 1;
    // Walk from the illuminated point towards the light, up to the state's
    // origin: a light shader may have moved it back along the ray.
    const Vector3 direction = -light_state->direction;
    const Vector3 from = offset_origin(light_state, direction);
    const float eps = world->tracer->epsilon();
    float span = dot(light_state->point - light_state->origin, light_state->direction);
    if (!(span > 0.0f))
        span = static_cast<float>(light_state->distance);
    const float end = span * (1.0f - 1e-5f) - eps;
    if (end <= eps)
        return 1;
    ++context->rays;
    if (!world->tracer->occluded(from, direction, 0.0f, end))
        return 1;
    float t = 0.0f;
    for (int guard = 0; guard < 256; ++guard) {
        const RayHit hit = world->tracer->intersect(from, direction, t, end);
        if (!hit.hit)
            return 1;
        const float next = hit.distance + eps * (1.0f + hit.distance);
        const Boolean passed = shade_shadow_hit(light_state, hit, from, direction, t, next, end, result);
        if (options->shadow_mode == UVO_SHADOW_SEGMENTS) {
            if (!passed)
                *result = Color{0, 0, 0, result->a};
            return passed;
        }
        if (!passed || is_zero_color(*result)) {
            *result = Color{0, 0, 0, result->a};
            return 0;
        }
        t = next;
    }
    return 1;
}

Boolean continue_shadow(ShadingState *shadow_state, Color *result) {
    const StateExt *ext = ext_of(shadow_state);
    if (ext == nullptr || shadow_state->ray_type != UVO_RAY_SHADOW)
        return 1;
    World *world = world_of(shadow_state);
    const RayHit hit = world->tracer->intersect(ext->shadow_from, ext->shadow_dir, ext->shadow_next, ext->shadow_end);
    if (!hit.hit)
        return 1;
    const float eps = world->tracer->epsilon();
    const float next = hit.distance + eps * (1.0f + hit.distance);
    const Boolean passed =
        shade_shadow_hit(shadow_state, hit, ext->shadow_from, ext->shadow_dir, ext->shadow_next, next,
                         ext->shadow_end, result);
    if (!passed)
        *result = Color{0, 0, 0, result->a};
    return passed;
}

}  // namespace uvo_host
