// uvo_portal_light's entry points: version, init, exit and the call that
// picks one of the paths of portal_paths.h by ray type.
#include "portal/portal_light.h"

#include "frame/binding.h"
#include "frame/shader.h"
#include "portal/portal_paths.h"
#include "portal/portal_records.h"

namespace uvo {

namespace {

using portal::PortalCall;

// Photon-emission ray types besides UVO_RAY_PHOTON_EMIT that the host may use.
constexpr int32_t ray_photon_emit_b = 23;
constexpr int32_t ray_photon_emit_c = 24;

constexpr const char *not_a_visible_rectangle =
    "Shader 'uvo_portal_light' must be applied to a VISIBLE rectangular area light to work correctly!";

// The light of the state's light instance must be a rectangle area light,
// and a visible one while the portal is enabled.
void check_light(ShadingState *state, const PortalLightParams *params) {
    Tag light = 0;
    if (!rx_query(UVO_QUERY_LIGHT_TAG, state, state->light_instance, &light) || light == 0)
        return;
    const auto *record = static_cast<const HostLight *>(rx_db_access(light));
    if (record == nullptr || record->area != UVO_AREA_RECTANGLE)
        rx_error("%s", not_a_visible_rectangle);
    else if (!record->visible && eval(state, params, params->enabled))
        rx_error("%s", not_a_visible_rectangle);
    if (record != nullptr)
        rx_db_unpin(light);
}

}  // namespace

UVO_EXPORT int32_t uvo_portal_light_version(void) { return portal_light_version; }

UVO_EXPORT Boolean uvo_portal_light_init(ShadingState *state, PortalLightParams *params,
                                         Boolean *request) {
    if (params == nullptr)
        return request_instance_init(request);
    check_light(state, params);
    portal::portal_records_create(state);

    if (state->options != nullptr && state->options->render_mode == UVO_RENDER_RASTERIZER) {
        const Color t = eval(state, params, params->transparency);
        if (t.r < 1.0f || t.g < 1.0f || t.b < 1.0f)
            rx_warning("uvo_portal_light: Rasterizer used - portal light 'transparency' not supported");
        if (eval(state, params, params->visible))
            rx_warning("uvo_portal_light: Rasterizer used - 'visible' mode not supported");
    }
    return 1;
}

UVO_EXPORT Boolean uvo_portal_light_exit(ShadingState *state, PortalLightParams *params) {
    if (params != nullptr)
        portal::portal_records_release(state);
    return 1;
}

UVO_EXPORT Boolean uvo_portal_light(Color *result, ShadingState *state, PortalLightParams *params) {
    PortalCall call{};
    call.state = state;
    call.params = params;
    call.intensity_scale = eval(state, params, params->intensity_scale);
    call.visible = eval(state, params, params->visible);
    if (state->options != nullptr && state->options->box_all)
        call.volume_photons_only = eval(state, params, params->volume_photons_only);
    call.call_environment_directly = eval(state, params, params->call_environment_directly);
    call.side = eval(state, params, params->reverse_side) ? -1.0f : 1.0f;
    call.record = portal::portal_record_find(state);

    if (!eval(state, params, params->enabled))
        return 2;
    if (call.record == nullptr)  // the host gave no slot or no memory
        return 2;
    if (eval(state, params, params->own_environment))
        call.environment = eval(state, params, params->environment_shader);
    else
        call.environment = state->camera != nullptr ? state->camera->environment : 0;

    switch (state->ray_type) {
    case UVO_RAY_LIGHT:
        return portal::portal_light_sample(result, call);
    case UVO_RAY_PHOTON_EMIT:
    case ray_photon_emit_b:
    case ray_photon_emit_c:
        return portal::portal_emit_photon(result, call);
    case UVO_RAY_DISPLACE:
        return 0;
    default:
        return portal::portal_visible_rectangle(result, call);
    }
}

}  // namespace uvo
