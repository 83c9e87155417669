#include "sky/physical_sky.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "frame/importance.h"
#include "frame/shader.h"
#include "sky/sky_host.h"
#include "sky/sky_model.h"

namespace uvo {
namespace {

// The instance record: the SkyInstance, and the sky model's terms for the
// sun and haze of the init, which every call whose sun, turbidity and flags
// are those (the haze and flags not varied by a texture) takes as they are.
struct PhysicalSkyRecord : SkyInstance {
    SkyTerms terms;
};

// The sun direction as sky_color takes it: lifted above the horizon.
Vector3 model_sun(const SkyInstance &instance) {
    const Vector3 sun = instance.sun_direction;
    return sun.z < 0.001f ? lift_above_horizon(sun) : sun;
}

// The per-call look parameters, evaluated with sky texture coordinates.
struct SkyLook {
    float intensity;
    float tilt;
    float saturation;  // after haze_saturation
    float turbidity;
};

// Evaluates intensity, tilt, saturation and haze with the hit point set to
// the ray direction and texture coordinate 0 set to (azimuth, elevation, 0)
// in [-1/2, 1/2] x [-1, 1], so that textures on them can vary over the sky.
SkyLook evaluate_look(ShadingState *state, const PhysicalSkyParams *params, const Vector3 &d0, const Vector3 &d) {
    const Vector3 kept_tex = state->tex;
    const Vector3 kept_point = state->point;
    Vector3 *list = state->tex_count > 0 ? state->tex_list : nullptr;  // an empty list has no entry 0
    const Vector3 kept_list = list ? list[0] : Vector3{};

    // Without a connection table no texture reads the coordinates, and the
    // state is restored below: they are not worth computing.
    if (state->shader == nullptr || state->shader->connection_offset != 0) {
        const double pi = std::numbers::pi;
        const Vector3 uv{
            static_cast<float>(std::atan2(static_cast<double>(d.x), static_cast<double>(d.y)) / (-2.0 * pi)),
            static_cast<float>(std::asin(static_cast<double>(d.z)) / (pi / 2.0)), 0.0f};
        state->point = d0;
        state->tex = uv;
        if (list)
            list[0] = uv;
    }

    SkyLook look;
    look.intensity = eval(state, params, params->intensity);
    look.tilt = eval(state, params, params->red_blue_tilt);
    const float sigma = eval(state, params, params->saturation_level);
    look.turbidity = turbidity_from_haze(eval(state, params, params->haze_level));
    look.saturation = haze_saturation(sigma, look.turbidity);

    state->tex = kept_tex;
    state->point = kept_point;
    if (list)
        list[0] = kept_list;
    return look;
}

// True when every state from this one to the root is a camera or
// transparency ray.
bool seen_from_camera(const ShadingState *state) {
    for (const ShadingState *s = state; s != nullptr; s = s->parent)
        if (s->ray_type != UVO_RAY_EYE && s->ray_type != UVO_RAY_TRANSPARENT)
            return false;
    return true;
}

// A glossy reflection in the parent sees the disc dimmed by its
// glossiness^2 and importance: `b` so dimmed, or unchanged.
float dim_for_glossy_parent(const ShadingState *state, float b) {
    const void *record = parent_record<const void>(state, UVO_GLOSSY_HINT_MAGIC);
    if (record == nullptr)
        return b;
    GlossyEnvironmentHint hint;
    std::memcpy(&hint, record, sizeof hint);
    return b * (hint.glossiness * hint.glossiness) * hint.importance;
}

// Sun disc and glow brightness for a view at angle alpha from the sun, or 0
// outside the disc radius R.
float disc_and_glow(ShadingState *state, const PhysicalSkyParams *params, float alpha, float disc_size,
                    float disc_brightness, float turbidity) {
    const float R = disc_size * 0.00465f * 10.0f;
    if (!(alpha < R))
        return 0.0f;
    const float glow_brightness = eval(state, params, params->glow_brightness);
    const float t = (1.0f - alpha / R) * 10.0f;
    const float disc = smooth_step(8.5f, turbidity / 50.0f + 9.5f, t) * 100.0f * disc_brightness;
    // The cube is taken in double from t itself, then rounded.
    const float glow = static_cast<float>(std::pow(static_cast<double>(t) / 10.0, 3.0)) * 2.0f * glow_brightness;
    return dim_for_glossy_parent(state, disc + glow);
}

// Ground plane seen below the horizon (up <= 0): the ground tint lit by the
// sun and the mean sky, blended with the sky colour `c` over the softness hs.
// Writes the ground distance into *g and the sky weight into *w.
Color ground(ShadingState *state, const PhysicalSkyParams *params, const SkyInstance &instance, const Color &c,
             const float s[3], float up, float hs, float *g, float *w) {
    const double kept_distance = state->distance;
    const Vector3 kept_point = state->point, kept_normal = state->normal, kept_normal_geom = state->normal_geom;

    *g = up < 0.0f ? -state->origin.z / up : 1e10f;
    state->distance = *g;
    state->normal = state->normal_geom = Vector3{0.0f, 0.0f, 1.0f};
    const double gd = *g;
    state->point = Vector3{static_cast<float>(state->origin.x + state->direction.x * gd),
                           static_cast<float>(state->origin.y + state->direction.y * gd),
                           static_cast<float>(state->origin.z + state->direction.z * gd)};
    const Color tint = eval(state, params, params->ground_tint);
    state->distance = kept_distance;
    state->point = kept_point;
    state->normal = kept_normal;
    state->normal_geom = kept_normal_geom;

    // Light on the ground (scaled like the sky), then the tint.
    const float sun_z = instance.sun_direction.z;
    const float e[3] = {(sun_z * instance.sun_color.r + instance.mean_sky_color.r) * s[0],
                        (sun_z * instance.sun_color.g + instance.mean_sky_color.g) * s[1],
                        (sun_z * instance.sun_color.b + instance.mean_sky_color.b) * s[2]};
    const Color gc{tint.r * e[0], tint.g * e[1], tint.b * e[2], 0.0f};
    if (hs <= 0.0f) {
        *w = 0.0f;
        return gc;
    }
    const float t = -up / hs;
    const float b = t > 1.0f ? 1.0f : (t < 0.0f ? 0.0f : smooth_step(0.0f, 1.0f, t));
    *w = 1.0f - b;
    return Color{(1.0f - b) * c.r + b * gc.r, (1.0f - b) * c.g + b * gc.g, (1.0f - b) * c.b + b * gc.b, 0.0f};
}

// Zenith luminance of luminance modes 1 and 2, with their messages.
float perez_zenith_luminance(ShadingState *state, const PhysicalSkyParams *params, SkyInstance *instance) {
    if (instance->luminance_mode == sky_mode_perez_cie_zenith) {
        const float L = clear_zenith_luminance(*instance);
        const double elevation = std::asin(static_cast<double>(instance->sun_direction.z)) * 180.0 / std::numbers::pi;
        rx_info("uvo_physicalsky: Luminance based on CIE Clearsky model, %5.1f cd/m^2 for solar elevation angle of "
                "%2.1f degrees",
                static_cast<double>(L), elevation);
        instance->luminance_mode = sky_mode_perez;
        return L;
    }
    const float Lu = eval(state, params, params->zenith_luminance);
    const float E = eval(state, params, params->diffuse_horizontal_illuminance);
    if (Lu > 0.0f && E > 0.0f)
        rx_warning("rx_physicalsky: Redundant user specified zenith_luminance value ignored.");
    if (E == 0.0f)
        return Lu;
    const float L = E / illuminance_per_zenith_luminance(state, *instance);
    rx_info("rx_physicalsky: Calculated zenith_luminance %5.1f cd/m^w from diffuse_horizontal_illuminance %5.1f lux",
            static_cast<double>(L), static_cast<double>(E));
    return L;
}

}  // namespace

UVO_EXPORT int32_t uvo_physicalsky_version(void) { return physicalsky_version; }

UVO_EXPORT Boolean uvo_physicalsky_init(ShadingState *state, PhysicalSkyParams *params, Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);

    const Vector3 kept_direction = state->direction;
    int32_t version = 0;
    PhysicalSkyRecord *instance = begin_sky_instance<PhysicalSkyRecord>(state, params, &version, __LINE__);
    if (instance == nullptr)
        return 1;
    const Tag sun = eval(state, params, params->sun);
    locate_sun(state, instance, sun, params, &params->sun_vector, physicalsky_sun_message);

    // The haze is evaluated looking at the sun (before the sky frame), so a
    // texture on it sees the sun's world direction.
    state->direction = instance->sun_direction;
    instance->turbidity = turbidity_from_haze(eval(state, params, params->haze_level));
    state->direction = kept_direction;
    orient_sun(instance);

    instance->luminance_mode =
        version >= physicalsky_luminance_mode_version ? eval(state, params, params->luminance_mode) : sky_mode_model;
    if (instance->luminance_mode > 0) {
        const float theta_s = std::acos(instance->sun_direction.z);
        instance->perez[0] = eval(state, params, params->perez_a);
        instance->perez[1] = eval(state, params, params->perez_b);
        instance->perez[2] = eval(state, params, params->perez_c);
        instance->perez[3] = eval(state, params, params->perez_d);
        instance->perez[4] = eval(state, params, params->perez_e);
        instance->zenith_luminance = 1.0f;
        instance->perez_norm = user_perez_norm(instance->perez, theta_s, instance->sun_direction.z);
        instance->zenith_luminance = perez_zenith_luminance(state, params, instance);
    }

    instance->sun_color = sunlight_color(*instance, instance->turbidity);
    const int32_t flags = eval(state, params, params->model_flags);
    instance->mean_sky_color = hemisphere_mean_color(state, *instance, flags);
    sky_terms(model_sun(*instance), instance->turbidity, flags, instance->terms);
    return 1;
}

UVO_EXPORT Boolean uvo_physicalsky_exit(ShadingState *state, PhysicalSkyParams *params) {
    return UVO_INSTANCE_EXIT("sky", PhysicalSkyRecord, state, params);
}

UVO_EXPORT Boolean uvo_physicalsky(Color *result, ShadingState *state, PhysicalSkyParams *params) {
    const Vector3 d0 = state->direction;
    const float disc_brightness = eval(state, params, params->disc_brightness);
    float disc_size = eval(state, params, params->disc_size);
    const int32_t flags = eval(state, params, params->model_flags);
    const Color rgb_scale = eval(state, params, params->rgb_scale);
    float hs = eval(state, params, params->horizon_softness) / 10.0f;
    const float V = eval(state, params, params->aerial_distance);
    float q = 1.0f;
    float g = 0.0f;

    int32_t kind = UVO_SHADER_ENVIRONMENT;
    rx_query(UVO_QUERY_CALL_KIND, state, 0, &kind);
    const bool blend_call = kind == UVO_SHADER_LENS || kind == UVO_SHADER_VOLUME;
    // Switching off: lens and volume calls keep what they have, the environment is black.
    auto switch_off = [&]() -> Boolean {
        if (!blend_call)
            *result = Color{0.0f, 0.0f, 0.0f, 0.0f};
        return 1;
    };

    if (!blend_call) {
        if (eval(state, params, params->backdrop_for_camera) && seen_from_camera(state)) {
            const Tag backdrop = eval(state, params, params->backdrop);
            if (backdrop == 0) {
                *result = Color{0.0f, 0.0f, 0.0f, 0.0f};
                return 1;
            }
            Color seen{0.0f, 0.0f, 0.0f, 0.0f};
            const Boolean hit = rx_call_shader(&seen, UVO_SHADER_ENVIRONMENT, state, backdrop);
            *result = seen;
            return hit;
        }
    } else {
        disc_size = 0.0f;
        hs = 1.0f;
        if (kind == UVO_SHADER_LENS)
            rx_trace_eye(result, state, &state->origin, &state->direction);
        // The camera record's first flag (its projection switch) turns the haze off.
        if (V <= 0.0f || (state->camera != nullptr && state->camera->orthographic))
            return 1;
    }

    const PhysicalSkyRecord *instance = instance_record<PhysicalSkyRecord>(state);
    if (instance == nullptr)
        return switch_off();
    mark_sky_is_hdr(state);

    const Vector3 d = to_sky_frame(*instance, d0);
    const float up = d.z;
    const SkyLook look = evaluate_look(state, params, d0, d);
    const float T = look.turbidity;
    float s[3];
    rgb_scale_factors(rgb_scale, look.intensity, s);
    if (look.intensity <= 0.0f || !eval(state, params, params->enabled))
        return switch_off();

    const Vector3 dL = lift_above_horizon(d);
    // A sun below the horizon dims the sky as it sinks.
    if (instance->sun_direction.z < 0.0f)
        q = instance->sun_direction.z + 1.0f;
    const Vector3 sL = model_sun(*instance);
    Color c = sky_terms_for(instance->terms, sL, T, flags) ? sky_color(instance->terms, dL, *instance)
                                                           : sky_color(sL, dL, T, flags, *instance);
    if (q < 1.0f) {
        c.r *= q;
        c.g *= q;
        c.b *= q;
    }

    if (state->ray_type != UVO_RAY_GATHER && !is_reduced_ray(state) && disc_brightness > 0.0f && disc_size > 0.0f) {
        float cosine = d.x * sL.x + d.y * sL.y + d.z * sL.z;
        // Rounding may carry a ray straight at the sun just past 1.
        cosine = cosine > 1.0f ? 1.0f : (cosine < -1.0f ? -1.0f : cosine);
        const float b = disc_and_glow(state, params, std::acos(cosine), disc_size, disc_brightness, T);
        c.r += b * instance->sun_color.r;
        c.g += b * instance->sun_color.g;
        c.b += b * instance->sun_color.b;
    }
    c.r *= s[0];
    c.g *= s[1];
    c.b *= s[2];

    float w = 1.0f;
    Color colour = c;
    if (!(up > 0.0f))
        colour = ground(state, params, *instance, c, s, up, hs, &g, &w);
    adjust_color(state, &colour, look.saturation, look.tilt);

    if (!blend_call) {
        *result = Color{colour.r, colour.g, colour.b, 0.0f};
        if (std::isnan(result->r) || std::isnan(result->g) || std::isnan(result->b))
            result->r = result->g = result->b = 0.0f;
        if (w > 0.0f) {
            const Color n = eval(state, params, params->night_minimum);
            result->r = std::fmax(result->r, n.r * w);
            result->g = std::fmax(result->g, n.g * w);
            result->b = std::fmax(result->b, n.b * w);
        }
        return 1;
    }

    // Aerial perspective: a tenth of the colour behind is replaced by sky
    // colour per visibility distance V (at haze 0), faster in haze.
    float h = static_cast<float>(state->distance);
    if (h == 0.0f)
        h = up < 0.0f ? g : V / up / 20.0f;
    const float T_aerial = (T + 3.0f) / 5.0f;
    const float f = static_cast<float>(std::pow(0.9, static_cast<double>(std::fabs(h) * T_aerial / V)));
    result->r = f * result->r + (1.0f - f) * colour.r;
    result->g = f * result->g + (1.0f - f) * colour.g;
    result->b = f * result->b + (1.0f - f) * colour.b;
    return 1;
}

}  // namespace uvo
