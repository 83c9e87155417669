#include "envblur/envblur.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "envblur/blur_model.h"
#include "frame/memory.h"
#include "frame/shader.h"

namespace uvo {
namespace {

// The environment shader to blur: the parameter's, else the camera's.
Tag environment_to_blur(ShadingState *state, EnvBlurParams *params) {
    const Tag environment = eval(state, params, params->environment_shader);
    if (environment != 0 || state->camera == nullptr)
        return environment;
    return state->camera->environment;
}

// The description of a four-channel 32-bit float image of `size` x `size`
// texels with a pyramid of half-size levels.
HostImageDesc map_description(int32_t size) {
    HostImageDesc desc;
    std::memset(&desc, 0, sizeof desc);
    desc.width = desc.height = size;
    desc.bits = 32;
    desc.components = 4;
    desc.filter = 1;
    desc.gamma = 1.0f;
    desc.type = 13;
    desc.component_size = 4;
    std::strcpy(desc.name, "c:\\temp.hdr");  // the image's name in the host; no file is written
    return desc;
}

// Renders every texel: the environment along the texel's direction, traced
// into a colour that starts as `first` (what the state's own direction saw).
void render_level0(ShadingState *state, HostImage *image, int32_t size, const Color &first) {
    for (int32_t y = 0; y < size; ++y) {
        if (y % 16 != 0)
            rx_progress("Rasterizing env for blur: %d", y);
        for (int32_t x = 0; x < size; ++x) {
            const Vector3 camera = angular_direction(x, y, size);
            Vector3 direction;
            rx_vector_from_camera(state, &direction, &camera);
            const float length =
                std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
            if (length != 0.0f)
                direction = Vector3{direction.x / length, direction.y / length, direction.z / length};
            Color color = first;
            rx_trace_environment(&color, state, &direction);
            rx_img_put_color(image, &color, x, y);
        }
    }
}

// Each level below 0 as the box average of the level above it.  Reads are
// clamped to the level above, in case the host rounds odd sizes up.
void fill_pyramid(HostImage *image) {
    int32_t above_width = 0, above_height = 0;
    HostImage *above = rx_img_pyramid_get_level(image, 0, &above_width, &above_height);
    if (above == nullptr)
        return;
    for (int32_t level = 1; above_width > 1 || above_height > 1; ++level) {
        int32_t width = 0, height = 0;
        HostImage *current = rx_img_pyramid_get_level(image, level, &width, &height);
        if (current == nullptr)
            return;
        for (int32_t y = 0; y < height; ++y) {
            const int32_t y0 = std::min(2 * y, above_height - 1), y1 = std::min(2 * y + 1, above_height - 1);
            for (int32_t x = 0; x < width; ++x) {
                const int32_t x0 = std::min(2 * x, above_width - 1), x1 = std::min(2 * x + 1, above_width - 1);
                Color a, b, c, d;
                rx_img_get_color(above, &a, x0, y0);
                rx_img_get_color(above, &b, x1, y0);
                rx_img_get_color(above, &c, x0, y1);
                rx_img_get_color(above, &d, x1, y1);
                const Color mean{(a.r + b.r + c.r + d.r) * 0.25f, (a.g + b.g + c.g + d.g) * 0.25f,
                                 (a.b + b.b + c.b + d.b) * 0.25f, (a.a + b.a + c.a + d.a) * 0.25f};
                rx_img_put_color(current, &mean, x, y);
            }
        }
        above = current;
        above_width = width;
        above_height = height;
    }
}

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
    state->environment = environment_to_blur(state, params);
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

// Instance init's work: stores a new record in the instance's user-data slot,
// renders the environment into a new map and its pyramid and records the map
// there.  The state's environment, ray type and parent are changed while it
// runs and put back.
void init_instance(ShadingState *state, EnvBlurParams *params) {
    const Tag saved_environment = state->environment;
    const int32_t saved_ray_type = state->ray_type;
    ShadingState *const saved_parent = state->parent;
    state->environment = environment_to_blur(state, params);
    state->ray_type = UVO_RAY_EYE;
    state->parent = nullptr;

    Color first{0.0f, 0.0f, 0.0f, 0.0f};
    rx_trace_environment(&first, state, &state->direction);

    void **slot = user_slot(state);
    EnvBlurInstance *record = slot != nullptr ? UVO_ALLOCATE(envblur_module, EnvBlurInstance) : nullptr;
    if (record != nullptr) {
        *slot = record;
        record->map_size = envblur_map_size(eval(state, params, params->map_resolution));
        const HostImageDesc desc = map_description(record->map_size);
        if (HostImage *image = rx_img_image_dbcreate(&desc, &record->map_image)) {
            render_level0(state, image, record->map_size, first);
            fill_pyramid(image);
            rx_scene_edit_end(record->map_image);
        }
    }

    state->environment = saved_environment;
    state->ray_type = saved_ray_type;
    state->parent = saved_parent;
}

}  // namespace

UVO_EXPORT int32_t uvo_envblur_version(void) { return envblur_version; }

UVO_EXPORT Boolean uvo_envblur_init(ShadingState *state, EnvBlurParams *params, Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);
    init_instance(state, params);
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
