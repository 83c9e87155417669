// uvo_portal_light: light shader of a rectangular area light that stands in a
// window or opening.  It emits no colour of its own: each light sample looks
// out through the opening at the environment in the sample's direction and
// brings in what it sees, weighted by how large the opening looks from the
// lit point.  It also serves the light's visible rectangle to eye rays and
// emits photons from the rectangle.
//
// The host calls the shader function with the state of
//   - a light ray (type 4): one light sample for the state's point; the ray
//     runs from the sample position on the opening (origin) towards the lit
//     point (direction);
//   - a photon-emission ray (types 9, 23, 24): one photon leaving the opening;
//   - any other ray that hit the light's visible rectangle.
// Results: 2 = no light at all (disabled, behind the opening, volume photons
// only); 0 = the sample carries no light (ray type 16, or dropped by the
// luminance cut-off); 1 = lit; else what the host's shadow, photon or trace
// call returned.
//
// Instance record (module "portal"): the user-data slot holds a list of
// PortalRecord, one per light instance using the shader instance; each
// render thread keeps the record it used last in a cache cell registered with
// the host (queries 124, 126, 127).  See portal_records.h.
//
// In light calls it marks the material's light loop (LightLoopInfo under
// rxXMLD) as lit by a physical light.  Eye rays that reach the rectangle mark
// the ray tree with SKY_IS_HDR.
#pragma once

#include <cstddef>

#include "frame/export.h"
#include "frame/param_list.h"
#include "frame/params.h"

namespace uvo {

// The parameter block, in slot order.
#define UVO_PORTAL_LIGHT_PARAMETERS(X)                                                                          \
    X(Boolean, enabled, 0, "boolean", "true", "", "", "off: the light gives nothing (the shader returns 2)")     \
    X(float, intensity_scale, 1, "scalar", "1.0", "[0, inf)", "",                                                \
      "multiplier of everything the opening emits, photons and visible rectangle included")                      \
    X(Color, tint, 2, "color", "[1, 1, 1, 1]", "[0, inf)", "",                                                   \
      "multiplies every colour seen through the opening; a texture on it sees the opening's uv")                 \
    X(Boolean, reverse_side, 6, "boolean", "false", "", "",                                                      \
      "emit towards the light's +z instead of -z")                                                               \
    X(float, luminance_cutoff, 7, "scalar", "0.0", "(-inf, inf)", "",                                            \
      "threshold a on a sample's luminance L: 0 off; a > 0 drops L <= a and fades a < L < 5a in; "              \
      "a < 0 keeps L <= |a| with probability L/|a|, scaled up to stay unbiased")                                 \
    X(Boolean, cast_shadows, 8, "boolean", "true", "", "", "trace a shadow ray for each light sample")          \
    X(Boolean, own_environment, 9, "boolean", "false", "", "",                                                   \
      "look at environment_shader instead of the camera's environment")                                         \
    X(Tag, environment_shader, 10, "shader", "", "", "",                                                         \
      "environment seen through the opening when own_environment is on; none: white")                           \
    X(Boolean, visible, 11, "boolean", "false", "", "",                                                          \
      "eye rays that hit the rectangle see the environment instead of passing through")                         \
    X(Boolean, call_environment_directly, 12, "boolean", "false", "", "",                                        \
      "light samples and photons call the environment shader directly instead of tracing an environment ray")   \
    X(float, shadow_start_offset, 13, "scalar", "0.0", "[0, inf)", "scene units",                                \
      "a light sample's shadow ray starts this far back from the opening, along the ray")                        \
    X(Boolean, volume_photons_only, 14, "boolean", "false", "", "",                                              \
      "read only with the render options' bounding-box flag: no direct light, photons are volume photons")     \
    X(Color, transparency, 15, "color", "[1, 1, 1, 1]", "[0, 1]", "",                                             \
      "multiplies what eye rays see on the rectangle or pass through it")

UVO_PARAMETER_BLOCK(PortalLightParams, UVO_PORTAL_LIGHT_PARAMETERS);
static_assert(sizeof(PortalLightParams) == 76);

constexpr int portal_light_version = 9;

UVO_EXPORT int32_t uvo_portal_light_version(void);
// Shader-level init (params null) asks for instance init.  Instance init
// checks that the light is a visible rectangle, builds the first per-light
// record and warns about what the rasterizer cannot do.  Always true.
UVO_EXPORT Boolean uvo_portal_light_init(ShadingState *state, PortalLightParams *params,
                                         Boolean *request_instance_init);
// Instance exit releases every per-light record and every thread's cache
// cell.  Always true.
UVO_EXPORT Boolean uvo_portal_light_exit(ShadingState *state, PortalLightParams *params);
UVO_EXPORT Boolean uvo_portal_light(Color *result, ShadingState *state, PortalLightParams *params);

}  // namespace uvo
