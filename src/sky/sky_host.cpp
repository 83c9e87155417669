#include "sky/sky_host.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "frame/binding.h"
#include "frame/memory.h"
#include "frame/params.h"
#include "frame/shader.h"
#include "frame/vector_math.h"
#include "sky/sky_model.h"

namespace uvo {
namespace {

constexpr int32_t hemisphere_samples = 64;

// Runs `add(direction)` for each cosine-distributed direction the host gives
// on a private state copy facing straight up.
template <class Add>
void for_hemisphere_samples(ShadingState *state, Add &&add) {
    ShadingState copy = *state;
    copy.normal = copy.normal_geom = Vector3{0.0f, 0.0f, 1.0f};
    // A fresh sampling context: the integral must not depend on where in the
    // host's sequences the init happens to be called.
    copy.sample_level = 0;
    copy.sample_instance = 0;
    double sample[2];
    int32_t instance = 0;
    int32_t count = hemisphere_samples;
    while (rx_sample(sample, &instance, &copy, 2, &count)) {
        Vector3 dir{0.0f, 0.0f, 1.0f};
        rx_reflection_dir_diffuse_x(&dir, &copy, sample);
        add(dir);
    }
}

}  // namespace

void locate_sun(ShadingState *state, SkyInstance *instance, Tag sun, const void *block, const Vector3 *sun_vector,
                const char *message) {
    if (sun != 0) {
        Vector3 emission{0.0f, 0.0f, 0.0f};
        rx_query(UVO_QUERY_LIGHT_DIRECTION, state, sun, &emission);
        const Vector3 towards{-emission.x, -emission.y, -emission.z};
        Vector3 world = towards;
        rx_vector_to_world(state, &world, &towards);
        instance->sun_direction = normalized_by_division(world);

        Tag record = 0;
        rx_query(UVO_QUERY_LIGHT_TAG, state, sun, &record);
        if (record != 0) {
            const HostLight *light = static_cast<const HostLight *>(rx_db_access(record));
            if (light != nullptr && light->kind != UVO_LIGHT_DIRECTIONAL)
                rx_error("%s", message);
            rx_db_unpin(record);
        }
    } else if (sun_vector != nullptr) {
        instance->sun_direction = normalized_by_division(eval(state, block, *sun_vector));
    }
}

void orient_sun(SkyInstance *instance) { instance->sun_direction = to_sky_frame(*instance, instance->sun_direction); }

void set_sun_direction(ShadingState *state, SkyInstance *instance, Tag sun, const void *block,
                       const Vector3 *sun_vector, const char *message) {
    locate_sun(state, instance, sun, block, sun_vector, message);
    orient_sun(instance);
}

Color hemisphere_mean_color(ShadingState *state, const SkyInstance &instance, int32_t flags) {
    SkyTerms terms;
    sky_terms(lift_above_horizon(instance.sun_direction), instance.turbidity, flags, terms);
    Color sum{0.0f, 0.0f, 0.0f, 0.0f};
    for_hemisphere_samples(state, [&](const Vector3 &dir) {
        const Color c = sky_color(terms, dir, instance);
        sum.r += c.r;
        sum.g += c.g;
        sum.b += c.b;
    });
    const float inv = 1.0f / hemisphere_samples;
    return Color{sum.r * inv, sum.g * inv, sum.b * inv, 0.0f};
}

float illuminance_per_zenith_luminance(ShadingState *state, const SkyInstance &instance) {
    float sum = 0.0f;
    for_hemisphere_samples(state, [&](const Vector3 &dir) { sum += sky_luminance(instance, dir); });
    return sum * (1.0f / hemisphere_samples) * std::numbers::pi_v<float>;
}

void adjust_color(ShadingState *state, Color *color, float saturation, float shift) {
    const float L = rx_luminance(state, color);
    float *ch[3] = {&color->r, &color->g, &color->b};
    for (float *c : ch)
        if (*c < 0.0f)
            *c = 0.0f;
    if (saturation <= 0.0f) {
        for (float *c : ch)
            *c = L;
    } else {
        for (float *c : ch) {
            *c = saturation * *c + (1.0f - saturation) * L;
            // Over-saturation pushes weak channels below zero.
            if (saturation > 1.0f && *c < 0.0f)
                *c = 0.0f;
        }
    }
    color->r *= 1.0f + shift;
    color->b *= 1.0f - shift;
}

void mark_sky_is_hdr(ShadingState *state) {
    const int32_t one = 1;
    void *entry = rx_shaderstate_get(state, UVO_KEY_SKY_IS_HDR, nullptr);
    if (entry != nullptr)
        std::memcpy(entry, &one, sizeof one);
    else
        rx_shaderstate_set(state, UVO_KEY_SKY_IS_HDR, &one, sizeof one, UVO_LIFETIME_RAY);
}

}  // namespace uvo
