// Instance init of uvo_envblur: the environment rendered into the angular map
// and its pyramid.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "envblur/angular_map.h"
#include "envblur/envblur.h"
#include "frame/memory.h"
#include "frame/shader.h"

namespace uvo {
namespace {

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

}  // namespace

void envblur_init_instance(ShadingState *state, EnvBlurParams *params) {
    const Tag saved_environment = state->environment;
    const int32_t saved_ray_type = state->ray_type;
    ShadingState *const saved_parent = state->parent;
    const Tag environment = eval(state, params, params->environment_shader);
    state->environment = environment != 0 ? environment
                         : state->camera != nullptr ? state->camera->environment
                                                    : 0;
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

}  // namespace uvo
