#include "envblur/envblur.h"

#include <cstring>

#include "envblur/angular_map.h"
#include "envblur/blur_disc.h"
#include "frame/memory.h"
#include "frame/shader.h"

namespace uvo {
namespace {

// The blur that the glossy reflection in the parent state asks for, when it
// left a GlossyEnvironmentHint there; else `blur` unchanged.
double blur_below_glossy_reflection(const ShadingState *state, double blur) {
    const ShadingState *parent = state->parent;
    if (parent == nullptr || parent->user == nullptr)
        return blur;
    int32_t magic;
    std::memcpy(&magic, parent->user, sizeof magic);
    if (magic != UVO_GLOSSY_HINT_MAGIC)
        return blur;
    GlossyEnvironmentHint hint;
    std::memcpy(&hint, parent->user, sizeof hint);
    return glossy_blur(hint.glossiness);
}

// The other environment along the state's ray, unblurred.
void pass_through(Color *result, ShadingState *state, EnvBlurParams *params) {
    const Tag saved = state->environment;
    const Tag environment = eval(state, params, params->environment_shader);
    state->environment = environment != 0 ? environment
                         : state->camera != nullptr ? state->camera->environment
                                                    : 0;
    rx_trace_environment(result, state, &state->direction);
    state->environment = saved;
}

// The disc average around `at` on the level that `blur` calls for, or on the
// deepest level the map has when the blur calls for a deeper one.  False
// when the map has no level at all.
bool map_average(Color *result, HostImage *map, int32_t map_size, double blur, MapPosition at) {
    const BlurLevel chosen = blur_level(map_size, blur);
    // A pyramid of half-size levels ends at 1 texel, on level floor(log2(size)).
    int32_t deepest = 0;
    while ((map_size >> (deepest + 1)) > 0)
        ++deepest;
    int32_t k = chosen.level < deepest ? chosen.level : deepest;
    int32_t width = 0, height = 0;
    HostImage *level = rx_img_pyramid_get_level(map, k, &width, &height);
    while (level == nullptr && k > 0)
        level = rx_img_pyramid_get_level(map, --k, &width, &height);
    if (level == nullptr)
        return false;
    const DiscSum sum = disc_average(
        [level](int32_t i, int32_t j) {
            Color c;
            rx_img_get_color(level, &c, i, j);
            return c;
        },
        width, height, width * at.u, height * at.v, chosen.radius);
    if (sum.weight > 0.0) {
        result->r = static_cast<float>(sum.r / sum.weight);
        result->g = static_cast<float>(sum.g / sum.weight);
        result->b = static_cast<float>(sum.b / sum.weight);
    }
    return true;
}

}  // namespace

UVO_EXPORT int32_t uvo_envblur_version(void) { return envblur_version; }

UVO_EXPORT Boolean uvo_envblur_init(ShadingState *state, EnvBlurParams *params, Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);
    envblur_init_instance(state, params);
    return 1;
}

UVO_EXPORT Boolean uvo_envblur_exit(ShadingState *state, EnvBlurParams *params) {
    if (params == nullptr)
        return 1;
    void **slot = user_slot(state);
    if (slot == nullptr)
        return 1;
    if (auto *record = static_cast<EnvBlurInstance *>(*slot)) {
        if (record->map_image != 0)
            rx_db_delete(record->map_image);
        UVO_RELEASE(envblur_module, record);
    }
    *slot = nullptr;
    return 1;
}

UVO_EXPORT Boolean uvo_envblur(Color *result, ShadingState *state, EnvBlurParams *params) {
    const Vector3 saved_direction = state->direction;
    double blur = eval(state, params, params->blur_amount) / 10.0;
    if (eval(state, params, params->follow_glossiness))
        blur = blur_below_glossy_reflection(state, blur);

    Vector3 camera;
    rx_vector_to_camera(state, &camera, &state->direction);
    const MapPosition at = angular_position(camera);

    const EnvBlurInstance *record = instance_record<EnvBlurInstance>(state);
    if (record == nullptr || record->map_image == 0)
        return 0;

    if (blur == 0.0) {
        pass_through(result, state, params);
    } else {
        auto *map = static_cast<HostImage *>(rx_db_access(record->map_image));
        const bool read = map != nullptr && map_average(result, map, record->map_size, blur, at);
        if (map != nullptr)
            rx_db_unpin(record->map_image);
        if (!read)
            return 0;
    }
    state->direction = saved_direction;
    return 1;
}

}  // namespace uvo
