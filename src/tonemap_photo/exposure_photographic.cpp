#include "tonemap_photo/exposure_photographic.h"

#include <climits>
#include <cstdlib>

#include "frame/memory.h"
#include "frame/shader.h"
#include "tonemap/output_pass.h"

namespace uvo {

namespace {
constexpr const char *module = "tonemap_photo";

// atoi's reading (leading blanks, sign, digits; 0 without digits), kept
// inside the int32 range.
int32_t leading_integer(const char *text) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

void map_pixel(const void *record, Color &pixel, int32_t x, int32_t y) {
    uvo_tonemap_api_transform_color(static_cast<const TonemapRecord *>(record), &pixel, static_cast<float>(x),
                                    static_cast<float>(y));
}

// The output pass: every pixel of the main image, from the raw buffer, the
// texture or the main image itself, tone-mapped unless mode 2 asks for a copy.
void output_pass(ShadingState *state, const ExposurePhotographicInstance &instance, Tag texture) {
    const int32_t raw_image = instance.raw_buffer + user_output_image_base;
    HostImage *target = rx_output_image_open(state, main_output_image);
    HostImage *source = instance.raw_buffer_mode != 0 ? rx_output_image_open(state, raw_image) : target;
    if (target != nullptr && source != nullptr)
        run_output_pass(state, "uvo_exposure_photographic: %d percent", source, target, texture,
                        instance.raw_buffer_mode != 2 ? map_pixel : nullptr, &instance.record);
    if (instance.raw_buffer_mode != 0)
        rx_output_image_close(state, raw_image);
    rx_output_image_close(state, main_output_image);
}

}  // namespace

int32_t resolve_frame_buffer(const char *name, Tag set) {
    HostFramebuffers *buffers = nullptr;
    if (HostShaderInterface *host = rx_get_shader_interface(2)) {
        buffers = host->framebuffers(host, set);
        host->release(host);
    }
    if (buffers == nullptr)
        return leading_integer(name);
    int32_t number = 0;
    const Boolean found = buffers->find(buffers, name, &number);
    buffers->release(buffers);
    return found ? number : leading_integer(name);
}

UVO_EXPORT int32_t uvo_exposure_photographic_version(void) { return exposure_photographic_version; }

UVO_EXPORT Boolean uvo_exposure_photographic_init(ShadingState *state, ExposurePhotographicParams *params,
                                                  Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);
    auto *instance = UVO_CREATE_INSTANCE_RECORD(module, ExposurePhotographicInstance, state);
    if (instance == nullptr)
        return 1;

    TonemapRecord &r = instance->record;
    r.api_version = UVO_TONEMAP_API_VERSION;
    r.tonemapper = UVO_TONEMAPPER_PHOTOGRAPHIC;
    r.radiance_scale = eval(state, params, params->radiance_scale);
    r.film_speed = eval(state, params, params->film_speed);
    r.aperture_stop = eval(state, params, params->aperture_stop);
    r.shutter_rate = eval(state, params, params->shutter_rate);
    r.white_balance = eval(state, params, params->white_balance);
    r.shadow_crush = eval(state, params, params->shadow_crush);
    r.highlight_compression = eval(state, params, params->highlight_compression);
    r.vignette_power = eval(state, params, params->vignette_power);
    r.color_saturation = eval(state, params, params->color_saturation);
    r.display_gamma = eval(state, params, params->display_gamma);

    const Camera &camera = *state->camera;
    r.camera_focal = camera.focal;
    r.camera_aperture = camera.aperture;
    r.camera_aspect = camera.aspect;
    r.width = camera.x_resolution;
    r.height = camera.y_resolution;
    r.luminance_weights = state->options->luminance_weights;
    uvo_tonemap_api_init(&r);

    instance->raw_buffer_mode = eval(state, params, params->raw_buffer_mode);
    instance->raw_buffer = 0;
    if (instance->raw_buffer_mode >= 1) {
        const Tag name = eval(state, params, params->raw_buffer_name);
        if (name != 0) {
            if (const auto *text = static_cast<const char *>(rx_db_access(name)))
                instance->raw_buffer = resolve_frame_buffer(text, camera.frame_buffers);
            rx_db_unpin(name);
        }
    }
    return 1;
}

UVO_EXPORT Boolean uvo_exposure_photographic_exit(ShadingState *state, ExposurePhotographicParams *params) {
    if (params == nullptr)
        return 1;
    auto release_record = [](ExposurePhotographicInstance *instance) { uvo_tonemap_api_exit(&instance->record); };
    UVO_RELEASE_INSTANCE_RECORD(module, ExposurePhotographicInstance, state, SlotAfterRelease::cleared, release_record);
    return 1;
}

UVO_EXPORT Boolean uvo_exposure_photographic(Color *result, ShadingState *state, ExposurePhotographicParams *params) {
    const Tag texture =
        eval(state, params, params->use_source_texture) ? eval(state, params, params->source_texture) : 0;
    int32_t kind = -1;
    rx_query(UVO_QUERY_CALL_KIND, state, 0, &kind);
    // Null: pass through (frame/shader.h).
    const auto *instance = instance_record<ExposurePhotographicInstance>(state);

    if (kind == UVO_SHADER_LENS) {
        if (texture != 0)
            *result = texture_at_raster(state, texture, state->raster_x, state->raster_y);
        else
            rx_trace_eye(result, state, &state->origin, &state->direction);
        if (instance == nullptr)
            return 1;
        if (instance->raw_buffer_mode != 0)
            rx_fb_put(state, instance->raw_buffer, result);
        uvo_tonemap_api_transform_color(&instance->record, result, state->raster_x, state->raster_y);
        return 1;
    }
    if (kind == UVO_SHADER_OUTPUT) {
        if (instance != nullptr)
            output_pass(state, *instance, texture);
        return 1;
    }
    return 0;
}

}  // namespace uvo
