#include "sky/physical_sun.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "frame/importance.h"
#include "frame/shader.h"
#include "frame/vector_math.h"
#include "sky/sky_host.h"
#include "sky/sky_model.h"

namespace uvo {
namespace {

// Shadow rays for a branch of the given importance: trunc(n x importance) in
// single precision, at least 1.  The stored importance is not range-checked,
// so a product beyond the integers is held at the largest count (converting
// it would be undefined) and a NaN one counts as below 1.
int32_t scaled_shadow_rays(int32_t n, float importance) {
    const float product = static_cast<float>(n) * importance;
    if (!(product >= 1.0f))
        return 1;
    if (product >= 2147483648.0f)
        return INT32_MAX;
    return static_cast<int32_t>(product);
}

// Two tangents of the sun direction that span the soft-shadow disc.
void set_tangents(SkyInstance *instance) {
    const Vector3 &s = instance->sun_direction;
    const Vector3 candidates[3] = {{0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}};
    int k = 0;
    while (k < 2 && std::fabs(static_cast<double>(dot(candidates[k], s))) > static_cast<double>(0.999f))
        ++k;
    const Vector3 &a = candidates[k];
    const float as = dot(a, s);
    instance->tangent_u = normalized_by_division(Vector3{a.x - s.x * as, a.y - s.y * as, a.z - s.z * as});
    instance->tangent_v = cross(instance->tangent_u, instance->sun_direction);
}

// Photon box: the user's region, or the light-space bounds of the scene box
// with the plane far above it.
void set_photon_box(ShadingState *state, const PhysicalSunParams *params, SkyInstance *instance) {
    instance->photon_min = eval(state, params, params->photon_region_min);
    instance->photon_max = eval(state, params, params->photon_region_max);
    instance->photon_area_energy = eval(state, params, params->photon_energy_from_area);

    Vector3 &lo = instance->photon_min, &hi = instance->photon_max;
    if (length(Vector3{hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}) > 0.0f) {
        instance->photon_plane = hi.z + 0.0001f;
        return;
    }
    // No region: the scene's box, seen from the light, with the plane twice
    // its diagonal away so that every photon starts outside the scene.
    Vector3 box[2] = {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    const bool all = state->options != nullptr && state->options->box_all;
    rx_query(all ? UVO_QUERY_SCENE_BOX_ALL : UVO_QUERY_SCENE_BOX, state, 0, box);
    for (int corner = 0; corner < 8; ++corner) {
        const Vector3 p{box[corner & 1].x, box[(corner >> 1) & 1].y, box[(corner >> 2) & 1].z};
        Vector3 q = p;
        rx_vector_to_light(state, &q, &p);
        if (corner == 0) {
            lo = hi = q;
            continue;
        }
        lo = Vector3{std::fmin(lo.x, q.x), std::fmin(lo.y, q.y), std::fmin(lo.z, q.z)};
        hi = Vector3{std::fmax(hi.x, q.x), std::fmax(hi.y, q.y), std::fmax(hi.z, q.z)};
    }
    const double dx = static_cast<double>(hi.x) - lo.x, dy = static_cast<double>(hi.y) - lo.y,
                 dz = static_cast<double>(hi.z) - lo.z;
    instance->photon_plane = static_cast<float>(2.0 * std::sqrt(dx * dx + dy * dy + dz * dz));
}

// One photon from a random point of the photon plane along the light.
Boolean emit_photon(ShadingState *state, const SkyInstance &instance, const Color &light, const Color &host_energy) {
    Tag record = 0;
    rx_query(UVO_QUERY_LIGHT_TAG, state, state->light_instance, &record);
    Vector3 L{0.0f, 0.0f, -1.0f};
    rx_query(UVO_QUERY_LIGHT_DIRECTION, state, record, &L);

    double sample[2] = {0.5, 0.5};
    rx_sample(sample, nullptr, state, 2, nullptr);
    const Vector3 &lo = instance.photon_min, &hi = instance.photon_max;
    const Vector3 origin{lo.x + (hi.x - lo.x) * static_cast<float>(sample[0]),
                         lo.y + (hi.y - lo.y) * static_cast<float>(sample[1]), instance.photon_plane};
    rx_vector_from_light(state, &state->direction, &L);
    rx_point_from_light(state, &state->origin, &origin);

    Color energy = host_energy;
    if (instance.photon_area_energy) {
        const Vector3 edge_x{hi.x - lo.x, 0.0f, 0.0f}, edge_y{0.0f, hi.y - lo.y, 0.0f};
        Vector3 ex = edge_x, ey = edge_y;
        rx_vector_from_light(state, &ex, &edge_x);
        rx_vector_from_light(state, &ey, &edge_y);
        const float area = length(ex) * length(ey);
        const float pi = std::numbers::pi_v<float>;
        energy = Color{area * light.r * pi, area * light.g * pi, area * light.b * pi, host_energy.a};
    }
    rx_photon_light(&energy, state);
    return 1;
}

// Average of n shadow rays jittered in a disc around the host's light
// direction, of radius (T / 200 + 0.01) x penumbra / 2 in direction space.
void soft_shadow(ShadingState *state, const SkyInstance &instance, Color *result, int32_t n, float turbidity,
                 float penumbra) {
    const float r = (turbidity / 200.0f + 0.01f) * penumbra;
    const Vector3 dl = state->direction;
    const float kept_dot_nd = state->dot_nd;
    Vector3 U = instance.tangent_u, V = instance.tangent_v;
    rx_vector_from_world(state, &U, &instance.tangent_u);
    rx_vector_from_world(state, &V, &instance.tangent_v);
    U = Vector3{U.x * r, U.y * r, U.z * r};
    V = Vector3{V.x * r, V.y * r, V.z * r};

    Color sum{0.0f, 0.0f, 0.0f, 0.0f};
    double sample[2];
    int32_t counter = 0;
    int32_t count = n;
    while (rx_sample(sample, &counter, state, 2, &count)) {
        Color c = *result;
        const float phi = static_cast<float>(2.0f * std::numbers::pi_v<float> * sample[0]);
        const float rho = static_cast<float>(std::sqrt(sample[1]) * 0.5);
        const float a = std::sin(phi) * rho, b = std::cos(phi) * rho;
        const Vector3 dir = normalized_by_division(Vector3{dl.x + a * V.x + b * U.x, dl.y + a * V.y + b * U.y,
                                               dl.z + a * V.z + b * U.z});
        state->direction = dir;
        state->dot_nd = -dot(state->normal, dir);
        if (rx_trace_shadow(&c, state)) {
            sum.r += c.r;
            sum.g += c.g;
            sum.b += c.b;
        }
        state->dot_nd = kept_dot_nd;
        state->direction = dl;
    }
    if (count > 0) {
        result->r = sum.r / count;
        result->g = sum.g / count;
        result->b = sum.b / count;
    } else {
        result->r = result->g = result->b = 0.0f;
    }
}

}  // namespace

UVO_EXPORT int32_t uvo_physicalsun_version(void) { return physicalsun_version; }

UVO_EXPORT Boolean uvo_physicalsun_init(ShadingState *state, PhysicalSunParams *params, Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);

    int32_t version = 0;
    SkyInstance *instance = begin_sky_instance(state, params, &version, __LINE__);
    if (instance == nullptr)
        return 1;
    if (state->light_instance != 0)
        set_sun_direction(state, instance, state->light_instance, params, nullptr, physicalsun_sun_message);
    set_tangents(instance);
    set_photon_box(state, params, instance);

    if (version >= physicalsun_beam_version) {
        instance->luminance_mode = eval(state, params, params->beam_mode);
        instance->beam_illuminance = eval(state, params, params->beam_illuminance);
    } else {
        instance->luminance_mode = 0;
    }
    return 1;
}

UVO_EXPORT Boolean uvo_physicalsun_exit(ShadingState *state, PhysicalSunParams *params) {
    return UVO_INSTANCE_EXIT("sky", SkyInstance, state, params);
}

UVO_EXPORT Boolean uvo_physicalsun(Color *result, ShadingState *state, PhysicalSunParams *params) {
    const float I = eval(state, params, params->intensity);
    const Color rgb_scale = eval(state, params, params->rgb_scale);
    int32_t n = eval(state, params, params->shadow_rays);
    const Vector3 d0 = state->direction;
    const Color e0 = *result;
    int32_t kind = UVO_SHADER_LIGHT;
    rx_query(UVO_QUERY_CALL_KIND, state, 0, &kind);
    const SkyInstance *instance = instance_record<SkyInstance>(state);
    result->a = 0.0f;

    if (I <= 0.0f || !eval(state, params, params->enabled) || instance == nullptr) {
        result->r = result->g = result->b = 0.0f;
        return 1;
    }
    float s[3];
    rgb_scale_factors(rgb_scale, I, s);

    // The look parameters see the sun's direction, as the sky's do.
    state->direction = instance->sun_direction;
    const float k = eval(state, params, params->red_blue_tilt);
    const float sigma = eval(state, params, params->saturation_level);
    const float T = turbidity_from_haze(eval(state, params, params->haze_level));
    state->direction = d0;
    const float saturation = haze_saturation(sigma, T);

    Color C = sunlight_color(*instance, T);
    if (instance->luminance_mode > 0) {
        const float Lc = rx_luminance(state, &C);
        if (Lc > 0.0f) {
            C.r = C.r * instance->beam_illuminance / Lc;
            C.g = C.g * instance->beam_illuminance / Lc;
            C.b = C.b * instance->beam_illuminance / Lc;
        }
    }
    result->r = s[0] * C.r;
    result->g = s[1] * C.g;
    result->b = s[2] * C.b;
    adjust_color(state, result, saturation, k);

    if (kind == UVO_SHADER_PHOTON_EMITTER)
        return emit_photon(state, *instance, *result, e0);
    if (state->ray_type != UVO_RAY_LIGHT)
        return 1;

    LightLoopInfo *loop = static_cast<LightLoopInfo *>(rx_shaderstate_get(state, UVO_KEY_LIGHT_LOOP, nullptr));
    if (loop != nullptr) {
        loop->diffuse_scale = 1.0f;
        loop->specular_scale = 1.0f;
        loop->physical_light = 1;
    }
    if (result->r <= 0.0f && result->g <= 0.0f && result->b <= 0.0f)
        return 0;
    if (n > 1)
        n = scaled_shadow_rays(n, current_importance(state));
    const float p = eval(state, params, params->penumbra_scale);
    if (std::isnan(result->r) || std::isnan(result->g) || std::isnan(result->b))
        result->r = result->g = result->b = 0.0f;
    if (is_reduced_ray(state) || n < 1 || p <= 0.0f) {
        if (n < 0)
            return 1;
        return rx_trace_shadow(result, state);
    }
    soft_shadow(state, *instance, result, n, T, p);
    return 1;
}

}  // namespace uvo
