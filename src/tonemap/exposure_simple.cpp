#include "tonemap/exposure_simple.h"

#include "frame/memory.h"
#include "frame/shader.h"
#include "tonemap/output_pass.h"
#include "tonemap/simple_curve.h"

namespace uvo {

namespace {
constexpr const char *module = "tonemap";
constexpr int32_t main_output_image = 0;

void map_pixel(const void *curve, Color &pixel, int32_t, int32_t) {
    simple_map(*static_cast<const SimpleCurve *>(curve), pixel);
}

// The output pass over the main image, which is source and target at once
// (or the target only, when a texture is the source).
void output_pass(ShadingState *state, const SimpleCurve &curve, Tag texture) {
    if (HostImage *image = rx_output_image_open(state, main_output_image))
        run_output_pass(state, "uvo_exposure_simple: %d percent", image, image, texture, map_pixel, &curve);
    rx_output_image_close(state, main_output_image);
}

}  // namespace

UVO_EXPORT int32_t uvo_exposure_simple_version(void) { return exposure_simple_version; }

UVO_EXPORT Boolean uvo_exposure_simple_init(ShadingState *state, ExposureSimpleParams *params, Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);
    auto *curve = UVO_CREATE_INSTANCE_RECORD(module, SimpleCurve, state);
    if (curve == nullptr)
        return 1;
    curve->exposure_gain = eval(state, params, params->exposure_gain);
    curve->black_offset = eval(state, params, params->black_offset);
    curve->knee_level = eval(state, params, params->knee_level);
    curve->knee_compression = eval(state, params, params->knee_compression);
    curve->inverse_gamma = simple_inverse_gamma(eval(state, params, params->output_gamma));
    return 1;
}

UVO_EXPORT Boolean uvo_exposure_simple_exit(ShadingState *state, ExposureSimpleParams *params) {
    return UVO_INSTANCE_EXIT(module, SimpleCurve, state, params);
}

UVO_EXPORT Boolean uvo_exposure_simple(Color *result, ShadingState *state, ExposureSimpleParams *params) {
    const Tag texture =
        eval(state, params, params->use_source_texture) ? eval(state, params, params->source_texture) : 0;
    int32_t kind = -1;
    rx_query(UVO_QUERY_CALL_KIND, state, 0, &kind);
    const SimpleCurve *curve = instance_record<SimpleCurve>(state);  // null: pass through (frame/shader.h)

    if (kind == UVO_SHADER_OUTPUT) {
        if (curve != nullptr)
            output_pass(state, *curve, texture);
        return 1;
    }
    // A lens call traces the eye ray; any other kind maps the colour it was
    // handed.  Either way a texture replaces the colour.
    if (texture != 0)
        *result = texture_at_raster(state, texture, state->raster_x, state->raster_y);
    else if (kind == UVO_SHADER_LENS)
        rx_trace_eye(result, state, &state->origin, &state->direction);
    if (curve != nullptr)
        simple_map(*curve, *result);
    return 1;
}

}  // namespace uvo
