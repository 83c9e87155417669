#include "tonemap/output_pass.h"

#include "frame/binding.h"

namespace uvo {

Color texture_at_raster(ShadingState *state, Tag texture, float x, float y) {
    Color colour{0.0f, 0.0f, 0.0f, 0.0f};
    const Vector3 coordinate{x / static_cast<float>(state->camera->x_resolution),
                             y / static_cast<float>(state->camera->y_resolution), 0.0f};
    rx_lookup_color_texture(&colour, state, texture, &coordinate);
    return colour;
}

void run_output_pass(ShadingState *state, const char *progress_format, const HostImage *source, HostImage *target,
                     Tag texture, OutputPixelMap map, const void *context) {
    const int32_t width = state->camera->x_resolution, height = state->camera->y_resolution;
    const float saved_x = state->raster_x, saved_y = state->raster_y;
    for (int32_t y = 0; y < height; ++y) {
        if (rx_par_aborted())
            break;
        state->raster_y = static_cast<float>(y);
        if (y % 8 == 0 || y == height - 1)
            rx_progress(progress_format, 100 * y / height);
        for (int32_t x = 0; x < width; ++x) {
            state->raster_x = static_cast<float>(x);
            Color pixel{0.0f, 0.0f, 0.0f, 0.0f};  // black if the host gives nothing
            if (texture != 0)
                pixel = texture_at_raster(state, texture, static_cast<float>(x), static_cast<float>(y));
            else
                rx_img_get_color(source, &pixel, x, y);
            if (map != nullptr)
                map(context, pixel, x, y);
            rx_img_put_color(target, &pixel, x, y);
        }
    }
    state->raster_x = saved_x;
    state->raster_y = saved_y;
}

}  // namespace uvo
