// The four things a portal light call can be: a light sample, a photon, an
// eye ray on the visible rectangle, and the look out through the opening that
// the first three share.  Called by uvo_portal_light once it has evaluated
// the per-call parameters and found the light's record.
#pragma once

#include "portal/portal_light.h"
#include "portal/portal_records.h"

namespace uvo::portal {

// What every path of one call needs: evaluated once at the call's start.
struct PortalCall {
    ShadingState *state;
    const PortalLightParams *params;
    const PortalRecord *record;
    float intensity_scale;
    Boolean visible;
    Boolean volume_photons_only;        // 0 unless the render options' bounding-box flag is set
    Boolean call_environment_directly;
    float side;                         // -1 with reverse_side, else +1
    Tag environment;                    // environment_shader or the camera's; 0: white
};

// Looks out through the opening at `environment` with the state's texture
// coordinate (and the first entry of its list) set to `uv` meanwhile, on a
// copy of the state whose ray direction is reversed when `flip` is set:
// either calls the environment shader directly as an environment (kind 4, ray
// type 20) or traces an environment ray.  Environment 0 gives white (r, g, b
// = 1, result 1).  Then multiplies r, g, b by `tint` (evaluated with uv in
// place).  Returns the environment call's result.
Boolean look_through_opening(Color *result, const PortalCall &call, bool flip, bool direct, Vector3 uv);

// Light ray (type 4): one light sample for the state's point.  Marks
// rxXMLD's physical_light, returns 2 behind the opening or with volume
// photons only; otherwise `result` = what the opening shows towards the
// sample x tint x intensity_scale x geometric weight, moves the state's ray
// origin back by shadow_start_offset along the ray (left moved, for the
// shadow ray), applies the luminance cut-off (0 when dropped) and returns the
// shadow ray's answer, or 1 without cast_shadows.
Boolean portal_light_sample(Color *result, const PortalCall &call);

// Photon emission (types 9, 23, 24): sets the state's normals to the light's
// direction, draws a direction on the emitting side and a start point on the
// opening (the state's origin and point), sets `result` to the energy (what
// the opening shows x area x intensity_scale x pi) and returns what
// rx_photon_light (or rx_photon_volume_scattering with volume photons only)
// returns.
Boolean portal_emit_photon(Color *result, const PortalCall &call);

// Any other ray that hit the rectangle: passes through (pass-through flag
// cleared, rx_trace_transparent) or, when visible, shows the environment
// (unflipped, traced) x intensity_scale; then marks SKY_IS_HDR and multiplies
// r, g, b by `transparency`.  Returns the trace's result.
Boolean portal_visible_rectangle(Color *result, const PortalCall &call);

}  // namespace uvo::portal
