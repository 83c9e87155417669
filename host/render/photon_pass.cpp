#include "render/photon_pass.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <numbers>

#include "render/directions.h"
#include "render/host_messages.h"
#include "render/shading.h"
#include "render/sobol.h"

namespace uvo_host {

namespace {

// The pass as the photon host functions see it on this thread.
struct PhotonWork {
    World *world = nullptr;
    ThreadContext *context = nullptr;
    float share = 1.0f;                 // 1 / photons of the light emitting
    int max_depth = 10;                 // interactions per photon
    float weights[3] = {1.0f / 3, 1.0f / 3, 1.0f / 3};
    std::vector<StoredPhoton> caustic, global;
    PhotonStats stats;
    double path_stored = 0.0;           // stored power of the photon being traced
    double sent[kMaxStates] = {};       // power sent on from the hit at each depth
};

thread_local PhotonWork *t_work = nullptr;

double measure(const PhotonWork &work, const Color &c) {
    return std::fabs(work.weights[0] * c.r + work.weights[1] * c.g + work.weights[2] * c.b);
}

void progress(const char *format, ...) {
    va_list args;
    va_start(args, format);
    show_progress(format, args);
    va_end(args);
}

// Traces a photon of `energy` and ray type `type` from `parent` and lets the
// material at its hit take it.
bool trace_photon(PhotonWork &work, ShadingState *parent, const Color &energy, int32_t type, const Vector3 &origin,
                  const Vector3 &direction) {
    const double power = measure(work, energy);
    // Depth 0 is the emitting state; each interaction is one level below.
    ShadingState *state = depth_of(parent) < work.max_depth ? work.context->push(parent) : nullptr;
    if (state == nullptr) {
        work.stats.cut_power += power;
        return false;
    }
    state->ray_type = type;
    state->origin = origin;
    state->direction = normalize(direction);
    ++work.stats.traced;
    ++work.context->rays;
    const RayHit hit = work.world->tracer->intersect(origin, state->direction, 0.0f);
    if (!hit.hit) {
        work.stats.escaped_power += power;
        work.context->pop(state);
        return true;
    }
    fill_hit(state, hit);
    ShaderInstance *material = hit.object->material;
    const int depth = depth_of(state);
    work.sent[depth] = 0.0;
    if (material != nullptr && material->code != nullptr && !material->code->builtin) {
        Color e = energy;
        call_shader_instance(material, &e, state, UVO_SHADER_PHOTON);
    }
    work.stats.absorbed_power += power - work.sent[depth];
    work.context->pop(state);
    return true;
}

// Whether the photon of `state` reached it through specular or glossy
// reflections and transmissions only (pass-throughs aside): a caustic.
bool caustic_path(const ShadingState *state) {
    bool bent = false;
    for (const ShadingState *s = state; s != nullptr && s->ray_type != UVO_RAY_PHOTON_EMIT; s = s->parent) {
        switch (s->ray_type) {
        case UVO_RAY_PHOTON_REFLECT_SPECULAR:
        case UVO_RAY_PHOTON_REFLECT_GLOSSY:
        case UVO_RAY_PHOTON_TRANSMIT_SPECULAR:
        case UVO_RAY_PHOTON_TRANSMIT_GLOSSY:
            bent = true;
            break;
        case UVO_RAY_PHOTON_TRANSPARENT:
            break;
        default:
            return false;
        }
    }
    return bent;
}

// Photon emission of a light without a light shader, for sample `u` (four
// numbers in [0, 1)).
void emit_from_host_light(ShadingState *state, const Light &light, const Scene &scene,
                          const double *u) {
    constexpr float pi = std::numbers::pi_v<float>;
    Color power = light.emission;
    Vector3 origin = light.position, direction{0, 0, -1};
    if (light.record.kind == UVO_LIGHT_DIRECTIONAL) {
        const Vector3 centre = (scene.box_min + scene.box_max) * 0.5f;
        const float radius = std::max(0.5f * length(scene.box_max - scene.box_min), 1e-3f);
        Vector3 a = std::fabs(light.direction.x) < 0.9f ? Vector3{1, 0, 0} : Vector3{0, 1, 0};
        a = normalize(cross(light.direction, a));
        const Vector3 b = cross(light.direction, a);
        const float r = radius * static_cast<float>(std::sqrt(u[0])), phi = 2.0f * pi * static_cast<float>(u[1]);
        origin = centre - light.direction * (2.0f * radius) + a * (r * std::cos(phi)) + b * (r * std::sin(phi));
        direction = light.direction;
        power = power * (pi * radius * radius);
    } else if (light.record.area == UVO_AREA_RECTANGLE) {
        origin = light.position + light.edge_u * static_cast<float>(u[0] - 0.5) +
                 light.edge_v * static_cast<float>(u[1] - 0.5);
        direction = cosine_direction(light.direction, light.direction, u[2], u[3]);
        power = power * (pi * light.area);
    } else {
        const float z = 1.0f - 2.0f * static_cast<float>(u[0]), phi = 2.0f * pi * static_cast<float>(u[1]);
        const float s = std::sqrt(std::max(0.0f, 1.0f - z * z));
        direction = Vector3{s * std::cos(phi), s * std::sin(phi), z};
        power = power * (4.0f * pi);
    }
    state->origin = origin;
    state->direction = direction;
    photon_pass_emit(state, power);
}

}  // namespace

bool photon_pass_active() { return t_work != nullptr; }

void photon_pass_emit(ShadingState *state, const Color &energy) {
    PhotonWork *work = t_work;
    if (work == nullptr || state == nullptr)
        return;
    const Color share{energy.r * work->share, energy.g * work->share, energy.b * work->share, energy.a};
    ++work->stats.emitted;
    work->stats.emitted_power += measure(*work, share);
    trace_photon(*work, state, share, UVO_RAY_PHOTON_EMIT, state->origin, state->direction);
}

bool photon_pass_send(ShadingState *state, const Color &energy, int32_t type, const Vector3 &direction) {
    PhotonWork *work = t_work;
    if (work == nullptr || state == nullptr || ext_of(state) == nullptr || state->hit_object == nullptr)
        return false;
    work->sent[depth_of(state)] += measure(*work, energy);
    return trace_photon(*work, state, energy, type, offset_origin(state, direction), direction);
}

bool photon_pass_store(ShadingState *state, const Color &energy) {
    PhotonWork *work = t_work;
    if (work == nullptr || state == nullptr || state->hit_object == nullptr)
        return false;
    StoredPhoton photon;
    photon.position = state->point;
    photon.direction = state->direction;
    photon.power = Color{energy.r, energy.g, energy.b, static_cast<float>(measure(*work, energy))};
    const bool caustic = caustic_path(state);
    (caustic ? work->caustic : work->global).push_back(photon);
    ++work->stats.stored;
    work->stats.caustic += caustic ? 1 : 0;
    work->stats.stored_power += photon.power.a;
    work->path_stored += photon.power.a;
    return true;
}

PhotonStats run_photon_pass(World &world, bool show) {
    Scene &scene = world.scene;
    const HostSettings &settings = scene.settings;
    const auto start = std::chrono::steady_clock::now();
    ThreadContext context(0);
    context.world = &world;
    ThreadContext *saved = current_context();
    set_current_context(&context);
    PhotonWork work;
    work.world = &world;
    work.context = &context;
    work.max_depth = std::clamp(settings.photon_depth, 1, kMaxStates - 2);
    std::copy(scene.options.photon_weights, scene.options.photon_weights + 3, work.weights);
    t_work = &work;
    const int per_light = std::max(settings.photons, 0);
    uint32_t light_index = 0;
    for (Light &light : scene.lights) {
        ++light_index;
        work.share = per_light > 0 ? 1.0f / static_cast<float>(per_light) : 0.0f;
        // Each photon is one sample of the light's own sequence, so a
        // light's photons are stratified over its emission.
        context.sampling.pixel_seed = hash_combine(hash_u32(settings.seed ^ 0x70686f74u), light_index);
        context.sampling.samples = static_cast<uint32_t>(per_light);
        const int step = std::max(per_light / 10, 1);
        for (int k = 0; k < per_light && !world.aborted.load(std::memory_order_relaxed); ++k) {
            if (show && k % step == 0)
                progress("photons: light \"%s\" %d%%", light.name.c_str(), 100 * k / per_light);
            context.sampling.sample = static_cast<uint32_t>(k);
            context.sampling.ordinal = 0;
            context.sampling.next_loop = 0;
            for (auto &loop : context.sampling.loops)
                loop = PixelSampling::Loop{};
            ShadingState *state = context.root(scene);
            state->ray_type = UVO_RAY_PHOTON_EMIT;
            state->origin = light.position;
            state->direction = light.direction;
            state->light_instance = light.instance_tag;
            ext_of(state)->light = &light;
            work.path_stored = 0.0;
            if (light.shader != nullptr) {
                Color energy = light.record.energy;
                call_shader_instance(light.shader, &energy, state, UVO_SHADER_PHOTON_EMITTER);
            } else {
                double u[4];
                owen_sobol_point(static_cast<uint32_t>(k), context.sampling.pixel_seed, 4, u);
                emit_from_host_light(state, light, scene, u);
            }
            work.stats.stored_power_sq += work.path_stored * work.path_stored;
            context.pop(state);
        }
    }
    t_work = nullptr;
    set_current_context(saved);

    auto maps = std::make_shared<PhotonMaps>();
    maps->radius = settings.photon_radius > 0.0f ? settings.photon_radius : 0.05f * scene.scale;
    maps->nearest = settings.photon_nearest;
    maps->caustic.build(std::move(work.caustic));
    maps->global.build(std::move(work.global));
    work.stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    maps->stats = work.stats;
    world.photon_maps = maps;
    return work.stats;
}

}  // namespace uvo_host
