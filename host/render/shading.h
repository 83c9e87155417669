// The shading core: calling shader instances with the right record and
// lifetimes, tracing rays and shading what they meet, and walking shadow
// segments.  The exported host functions (services_*.cpp) and the renderer
// are thin layers over these.
#pragma once

#include "render/context.h"
#include "render/world.h"

namespace uvo_host {

// Calls `instance` on `state` as shader kind `kind` (UVO_SHADER_*): sets the
// state's shader record, runs the shader, drops the lifetime-1 shader-state
// entries it set, and restores the record.  Returns the shader's answer.
// With `whole_outputs` the result holds kOutputSlots slots (a material's
// multi-output record) rather than one colour; query 160 tells the shader so
// during this call, and only during it.
Boolean call_shader_instance(ShaderInstance *instance, Color *result, ShadingState *state, int32_t kind,
                             bool whole_outputs = false);

// Kind of the shader call in progress on this thread (query 140).
int32_t current_call_kind();
// Whether the result of the shader call in progress on this thread holds
// every output slot (query 160 answers 0 then, else 1).
bool current_call_holds_outputs();

// Traces a ray of `type` from `parent` and shades it: the hit's material, or
// the environment when nothing is hit.  Returns non-zero on a hit (or when
// the environment answered).  `result` is black when the ray cannot be traced
// (depth exhausted).
Boolean trace_and_shade(ShadingState *parent, int32_t type, const Vector3 &origin, const Vector3 &direction,
                        Color *result);

// Continues the ray of `state` past its hit with the same ray type, from just
// beyond the hit; it counts as no further reflection or refraction.
Boolean continue_and_shade(ShadingState *state, Color *result);

// Whether a ray leaving the scene in `direction` meets the scene's ground
// below the horizon (Scene::ground); then `result` is its luminance.
bool meets_ground(const World &world, const Vector3 &direction, Color *result);

// Calls the environment shader of `parent` for `direction` in a child state
// of type `type`; black and false without one.  Below the horizon the
// scene's ground, when it has one, answers instead.
Boolean shade_environment(ShadingState *parent, int32_t type, const Vector3 &direction, Color *result);

// Fills the hit part of `state` (distance, point, normals, barycentrics,
// texture coordinates, object and primitive) for a ray that met `hit`.
void fill_hit(ShadingState *state, const RayHit &hit);

// The state's `primitive` handle of the triangle `hit` met.
const void *handle_of(const RayHit &hit);

// Origin for a ray leaving the hit of `state` in `direction`: off the surface
// on the side the ray leaves to.
Vector3 offset_origin(const ShadingState *state, const Vector3 &direction);

// Filters `result` by the surfaces between the illuminated point and the
// light of the light state `light_state` (origin: point on the light; point:
// the illuminated point), calling their shaders with ray type 5.  Returns
// false when the light is blocked.  In segment mode only the first surface is
// called; it continues the walk with rx_trace_shadow_seg.
Boolean trace_shadow(ShadingState *light_state, Color *result);
// Continues a segment-mode shadow walk past the hit of `shadow_state`.
Boolean continue_shadow(ShadingState *shadow_state, Color *result);

// Whether a shader of this instance is opaque to shadow rays without asking
// it (no instance: opaque).
inline bool is_zero_color(const Color &c) { return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f; }

}  // namespace uvo_host
