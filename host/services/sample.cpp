// Host functions: quasi-random samples, light samples, light lists and the
// averaged incoming radiance.
#include <algorithm>
#include <numbers>

#include "render/directions.h"
#include "render/photon_map.h"
#include "scene/lights.h"
#include "render/shading.h"
#include "render/sobol.h"

using namespace uvo_host;

namespace {

const Light *light_of(Tag tag) {
    World *world = current_world();
    if (const Light *light = world->db.get<Light>(tag, ElementKind::LightInstance))
        return light;
    return world->db.get<Light>(tag, ElementKind::Light);
}

bool reduced_ray(const ShadingState *state) { return state->ray_type == UVO_RAY_GATHER; }

}  // namespace

// Sample loops: a loop is the run of calls that share one `instance` counter.
// Its seed comes from its ordinal among the loops of the current pixel
// sample, and its points are indices sample * count + i of that seed's
// scrambled sequence, so the loop is stratified across the pixel's samples
// and never depends on thread or timing.
extern "C" Boolean rx_sample(double *sample, int32_t *instance, ShadingState *state, int32_t dimension,
                             int32_t *count) {
    if (sample == nullptr || dimension <= 0)
        return 0;
    // A stopped render ends every sampling loop at once, whatever its count.
    if (const World *world = world_of(state); world != nullptr && world->aborted.load(std::memory_order_relaxed))
        return 0;
    ThreadContext *context = context_of(state);
    const int32_t i = instance ? *instance : 0;
    uint32_t index;
    uint32_t seed;
    if (count != nullptr) {
        if (*count <= 0 || i >= *count)
            return 0;
        if (context == nullptr) {
            seed = 0x2545f491u;
            index = static_cast<uint32_t>(i);
        } else {
            seed = context->sampling.loop_seed(instance, i == 0);
            index = context->sampling.sample * static_cast<uint32_t>(*count) + static_cast<uint32_t>(i);
        }
    } else if (context == nullptr) {
        seed = 0x2545f491u;
        index = static_cast<uint32_t>(i);
    } else {
        seed = context->sampling.loop_seed(instance, i == 0);
        index = static_cast<uint32_t>(i) * context->sampling.samples + context->sampling.sample;
    }
    owen_sobol_point(index, seed, dimension, sample);
    if (instance != nullptr)
        ++*instance;
    return 1;
}

extern "C" Boolean rx_sample_light(Color *color, Vector3 *direction, float *cosine, ShadingState *state, Tag light_tag,
                                   int32_t *samples) {
    World *world = world_of(state);
    ThreadContext *context = context_of(state);
    if (world == nullptr || context == nullptr || samples == nullptr || color == nullptr)
        return 0;
    const Light *light = light_of(light_tag);
    if (light == nullptr || world->aborted.load(std::memory_order_relaxed))
        return 0;
    int32_t n = light->record.area != UVO_AREA_NONE ? std::max(1, light->record.samples) : 1;
    if (reduced_ray(state) && light->record.low_samples > 0)
        n = std::min(n, light->record.low_samples);
    const int32_t i = *samples;
    if (i < 0 || i >= n)
        return 0;
    const uint32_t seed = context->sampling.loop_seed(samples, i == 0);
    const uint32_t index = context->sampling.sample * static_cast<uint32_t>(n) + static_cast<uint32_t>(i);
    const LightSample s =
        sample_light(*light, state->point, owen_sobol(index, 0, seed), owen_sobol(index, 1, seed));
    *samples = i + 1;
    if (direction != nullptr)
        *direction = s.direction;
    const bool has_normal = !is_zero(state->normal);
    const float cos_n = has_normal ? dot(state->normal, s.direction) : 1.0f;
    if (cosine != nullptr)
        *cosine = cos_n;
    *color = Color{0, 0, 0, 1};
    if ((has_normal && cos_n <= 0.0f) || is_zero_color(s.color))
        return 1;

    // The light's shader (or the host itself) sees the light state: ray from
    // the point on the light towards the illuminated point.
    ShadingState *light_state = context->push(state);
    if (light_state == nullptr)
        return 1;
    light_state->ray_type = UVO_RAY_LIGHT;
    light_state->origin = s.position;
    light_state->direction = -s.direction;
    light_state->distance = s.distance;
    light_state->point = state->point;
    light_state->normal = state->normal;
    light_state->normal_geom = state->normal_geom;
    light_state->dot_nd = dot(state->normal, light_state->direction);
    light_state->hit_object = state->hit_object;
    light_state->primitive = state->primitive;
    light_state->material = state->material;
    light_state->light_instance = light->instance_tag;
    ext_of(light_state)->light = light;
    // A light shader's result is the sample's colour as it arrives (it applies
    // its own geometric weight); it answers 1 when the sample lights the
    // point, 0 when it is cut off or shadowed and 2 when the light gives no
    // light here at all.  Only 1 counts as light.
    //
    // Every sample answers in the convention of the surfaces that ask: the
    // samples' colour times cosine, averaged, is the irradiance over π, so
    // that a Lambert surface of reflectance ρ reflects ρ times it.  The
    // library's light shaders weigh their samples so; the host's own lights,
    // whose intensities are physical (W/sr, irradiance, radiance), divide
    // their irradiance by π here.
    Color result = s.color;
    Boolean lit;
    if (light->shader != nullptr) {
        lit = call_shader_instance(light->shader, &result, light_state, UVO_SHADER_LIGHT);
    } else {
        result = result * static_cast<float>(1.0 / std::numbers::pi);
        lit = trace_shadow(light_state, &result);
    }
    context->pop(light_state);
    if (lit == 1)
        *color = Color{result.r, result.g, result.b, 1.0f};
    return 1;
}

namespace {
Boolean all_lights(int32_t *count, Tag **lights) {
    World *world = current_world();
    if (world == nullptr || count == nullptr || lights == nullptr)
        return 0;
    *count = static_cast<int32_t>(world->scene.light_instances.size());
    *lights = world->scene.light_instances.data();
    return 1;
}
}  // namespace

// Every light of the scene lights every object, so the lists follow from the
// array the shader hands in (its own lights): the inclusive list is those of
// them that are lights of the scene, the exclusive list every other light of
// the scene.  The exclusive list lives in the thread's context until its next
// call.
extern "C" Boolean rx_inclusive_lightlist(int32_t *count, Tag **lights, ShadingState *state) {
    World *world = world_of(state);
    ThreadContext *context = context_of(state);
    if (world == nullptr || context == nullptr || count == nullptr || lights == nullptr)
        return 0;
    std::vector<Tag> &out = context->light_list;
    out.clear();
    for (int32_t i = 0; *lights != nullptr && i < *count; ++i)
        if (light_of((*lights)[i]) != nullptr)
            out.push_back((*lights)[i]);
    *count = static_cast<int32_t>(out.size());
    *lights = out.data();
    return 1;
}
extern "C" Boolean rx_exclusive_lightlist(int32_t *count, Tag **lights, ShadingState *state) {
    World *world = world_of(state);
    ThreadContext *context = context_of(state);
    if (world == nullptr || context == nullptr || count == nullptr || lights == nullptr)
        return 0;
    const Tag *given = *lights;
    const int32_t given_count = given != nullptr ? std::max(*count, 0) : 0;
    std::vector<Tag> &out = context->light_list;
    out.clear();
    for (Tag tag : world->scene.light_instances)
        if (std::find(given, given + given_count, tag) == given + given_count)
            out.push_back(tag);
    *count = static_cast<int32_t>(out.size());
    *lights = out.data();
    return 1;
}
// The lights of the object: every light of the scene.
extern "C" Boolean rx_instance_lightlist(int32_t *count, Tag **lights, ShadingState *) {
    return all_lights(count, lights);
}

// Cosine-weighted average of the radiance arriving over the hemisphere of
// `face`, from gather rays (ray type 20) shaded in full.  Paths carry at most
// `depth` gather rays (the request's, else the options', at least 1): past
// that nothing more is gathered (black, 0).  Below a gather ray one ray
// stands for the whole hemisphere, so the work grows with the depth, not
// exponentially.
//
// After a photon pass the photon maps answer instead: the irradiance of the
// global map (plus the caustic map's when the options' caustics flag is set)
// over pi.  With final gathering on, the gather rays still run where the
// depth allows, and the maps answer at their hits; the caustic map's part is
// added at the gathering point itself, since gather rays cannot find a
// caustic's small bright source.
extern "C" Boolean rx_compute_avg_radiance(Color *result, ShadingState *state, int32_t face,
                                           const IndirectRequest *request) {
    if (result == nullptr || state == nullptr)
        return 0;
    *result = Color{0, 0, 0, 1};
    int32_t depth = request != nullptr ? request->depth : 0;
    if (depth <= 0 && state->options != nullptr)
        depth = state->options->gather_depth;
    depth = std::max(depth, 1);
    int32_t gathered = 0;
    for (const ShadingState *s = state; s != nullptr; s = s->parent)
        gathered += s->ray_type == UVO_RAY_GATHER ? 1 : 0;
    if (gathered >= depth) {
        if (const PhotonMaps *maps = world_of(state)->photon_maps.get(); maps != nullptr) {
            Vector3 n = face == UVO_FACE_BACK ? -state->normal : state->normal;
            Color e = maps->global.irradiance(state->point, n, maps->radius, maps->nearest);
            if (state->options != nullptr && state->options->caustics != 0)
                e = e + maps->caustic.irradiance(state->point, n, maps->radius, maps->nearest);
            *result = Color{e.r * std::numbers::inv_pi_v<float>, e.g * std::numbers::inv_pi_v<float>,
                            e.b * std::numbers::inv_pi_v<float>, 1.0f};
            return 1;
        }
        *result = Color{0, 0, 0, 1};
        return 0;
    }
    int32_t rays = request != nullptr ? request->rays : 0;
    if (rays <= 0 && state->options != nullptr)
        rays = state->options->gather_rays;
    rays = gathered > 0 ? 1 : std::max(rays, 1);
    Vector3 n = state->normal, ng = state->normal_geom;
    if (face == UVO_FACE_BACK) {
        n = -n;
        ng = -ng;
    }
    Color caustic{0, 0, 0, 0};
    if (const PhotonMaps *maps = world_of(state)->photon_maps.get(); maps != nullptr) {
        constexpr float inv_pi = std::numbers::inv_pi_v<float>;
        if (state->options != nullptr && state->options->caustics != 0)
            caustic = maps->caustic.irradiance(state->point, n, maps->radius, maps->nearest) * inv_pi;
        if (state->options == nullptr || state->options->final_gather == 0) {
            const Color global = maps->global.irradiance(state->point, n, maps->radius, maps->nearest) * inv_pi;
            *result = Color{global.r + caustic.r, global.g + caustic.g, global.b + caustic.b, 1.0f};
            return 1;
        }
    }
    Color sum{0, 0, 0, 0};
    int32_t i = 0, count = rays;
    double u[2];
    while (rx_sample(u, &i, state, 2, &count)) {
        const Vector3 d = cosine_direction(n, ng, u[0], u[1]);
        Color c;
        trace_and_shade(state, UVO_RAY_GATHER, offset_origin(state, d), d, &c);
        sum = sum + c;
    }
    const float inv = 1.0f / static_cast<float>(count);
    *result = Color{sum.r * inv + caustic.r, sum.g * inv + caustic.g, sum.b * inv + caustic.b, 1.0f};
    return 1;
}
