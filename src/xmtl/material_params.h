// The parameter block of uvo_material and uvo_material_x, in slot order.
//
// Every slot is 32 bits; a colour takes four slots, a vector three, the light
// array three (start index, count, first element; the host appends the other
// elements past the block).  One list serves both shaders: uvo_material's
// block ends after slot 95, so for its instances whatever follows `lights` is
// light Tags, not the fields of slots 96 to 103: those are read only when the
// instance's declaration version is 15 or more.  Every read goes through
// eval()/eval_ptr().  Distances are in scene units (internal space).
#pragma once

#include <cstddef>

#include "frame/param_list.h"
#include "frame/params.h"
#include "uvo/host_interface.h"

namespace uvo {

// X(ctype, name, slot, type, default, range, unit, description): see
// frame/param_list.h.
#define UVO_MATERIAL_PARAMETERS(X) \
    X(float, diffuse_weight, 0, "scalar", "1.0", "[0, 1]", "", \
      "weight of the diffuse component") \
    X(Color, diffuse_color, 1, "color", "[0.7, 0.7, 0.7, 1]", "[0, 1] per channel", "", \
      "diffuse colour (reflectance); also tints metal reflections") \
    X(float, diffuse_roughness, 5, "scalar", "0.0", "[0, 1]", "", \
      "roughness of the diffuse reflection under direct light; 0 Lambert") \
    X(float, reflectivity, 6, "scalar", "0.6", "[0, 1]", "", \
      "weight of the reflection component") \
    X(Color, reflection_color, 7, "color", "[1, 1, 1, 1]", "[0, 1] per channel", "", \
      "reflection colour") \
    X(float, reflection_glossiness, 11, "scalar", "1.0", "[0, 1]", "", \
      "1 mirror .. 0 fully diffuse reflection") \
    X(int32_t, reflection_samples, 12, "integer", "8", "0..", "rays", \
      "glossy reflection rays per shading point; shrinks with depth") \
    X(Boolean, reflection_interpolate, 13, "boolean", "false", "", "", \
      "glossy reflections go through the interpolation cache") \
    X(Boolean, reflection_highlights_only, 14, "boolean", "false", "", "", \
      "no reflection rays: reflections come from direct light only") \
    X(Boolean, metal_material, 15, "boolean", "false", "", "", \
      "the reflection is tinted by diffuse_color") \
    X(float, transparency, 16, "scalar", "0.0", "[0, 1]", "", \
      "weight of the refraction component") \
    X(Color, refraction_color, 17, "color", "[1, 1, 1, 1]", "[0, 1] per channel", "", \
      "refraction colour") \
    X(float, refraction_glossiness, 21, "scalar", "1.0", "[0, 1]", "", \
      "1 clear .. 0 fully diffuse refraction") \
    X(float, refraction_ior, 22, "scalar", "1.4", "(0, inf)", "", \
      "index of refraction (inside over outside)") \
    X(int32_t, refraction_samples, 23, "integer", "8", "0..", "rays", \
      "glossy refraction rays per shading point; shrinks with depth") \
    X(Boolean, refraction_interpolate, 24, "boolean", "false", "", "", \
      "glossy refractions go through the interpolation cache") \
    X(Boolean, translucency_enable, 25, "boolean", "false", "", "", \
      "part of the refraction becomes translucency") \
    X(Color, translucency_color, 26, "color", "[0.7, 0.7, 0.7, 1]", "[0, 1] per channel", "", \
      "translucency colour") \
    X(float, translucency_weight, 30, "scalar", "0.5", "[0, 1]", "", \
      "share of the refraction turned into translucency") \
    X(float, anisotropy, 31, "scalar", "1.0", "(0, inf)", "", \
      "ratio of the glossy exponent along the second tangent to the first; 1 isotropic") \
    X(float, anisotropy_rotation, 32, "scalar", "0.0", "any", "turns", \
      "rotation of the tangent frame about the normal (1 = 360 degrees)") \
    X(int32_t, anisotropy_channel, 33, "integer", "0", "-4..", "", \
      "tangent frame source: 0 or more texture space of that index, -2 bump basis, -3 derivatives, -4 " \
      "texture-coordinate vector, other values the object axes") \
    X(Boolean, fresnel_from_ior, 34, "boolean", "false", "", "", \
      "reflectivity follows the Fresnel equations for refraction_ior instead of the custom curve") \
    X(float, reflectance_normal, 35, "scalar", "0.2", "[0, 1]", "", \
      "custom curve: reflectance at normal incidence") \
    X(float, reflectance_grazing, 36, "scalar", "1.0", "[0, 1]", "", \
      "custom curve: reflectance at grazing incidence") \
    X(float, reflectance_curve, 37, "scalar", "5.0", "(0, inf)", "", \
      "custom curve: exponent of the blend from normal to grazing") \
    X(Boolean, conserve_energy, 38, "boolean", "true", "", "", \
      "reflection and refraction take their energy from the other components") \
    X(int32_t, interpolation_grid_density, 39, "integer", "2", "0..5", "", \
      "interpolation cache grid: 0 two cells per pixel, 1 to 5 one cell per that many pixels, other " \
      "values one cell per two pixels") \
    X(int32_t, reflection_interpolation_samples, 40, "integer", "1", "0..", "cells", \
      "half-width of the interpolation window for reflections") \
    X(Boolean, reflection_interpolation_smooth_enable, 41, "boolean", "false", "", "", \
      "switches reflection_interpolation_smooth on") \
    X(float, reflection_interpolation_smooth, 42, "scalar", "0.5", "[0, inf)", "scene units", \
      "objects reflected closer than this are traced, not interpolated (reflections and refractions)") \
    X(int32_t, refraction_interpolation_samples, 43, "integer", "2", "0..", "cells", \
      "half-width of the interpolation window for refractions") \
    X(Boolean, reflection_environment_fallback, 44, "boolean", "false", "", "", \
      "glossy reflection rays that miss take one environment look-up along the mirror direction") \
    X(Boolean, reflection_falloff_enable, 45, "boolean", "false", "", "", \
      "reflection rays end at reflection_falloff_distance") \
    X(float, reflection_falloff_distance, 46, "scalar", "0.0", "[0, inf)", "scene units", \
      "maximum length of reflection rays") \
    X(Boolean, reflection_falloff_color_enable, 47, "boolean", "false", "", "", \
      "rays that reach the distance take reflection_falloff_color instead of the environment") \
    X(Color, reflection_falloff_color, 48, "color", "[0, 0, 0, 1]", "[0, inf) per channel", "", \
      "colour of reflection rays that reach the distance") \
    X(int32_t, reflection_depth_highlights_only, 52, "integer", "0", "0..", "", \
      "from this reflection depth on (1 or more) reflections are highlights only; 0 never") \
    X(float, reflection_cutoff, 53, "scalar", "0.01", "[0, 1]", "", \
      "importance below which reflection rays are skipped") \
    X(Boolean, refraction_falloff_enable, 54, "boolean", "false", "", "", \
      "light inside the material is attenuated with distance") \
    X(float, refraction_falloff_distance, 55, "scalar", "0.0", "[0, inf)", "scene units", \
      "distance at which the attenuation is complete") \
    X(Boolean, refraction_falloff_color_enable, 56, "boolean", "false", "", "", \
      "attenuate towards refraction_falloff_color instead of black") \
    X(Color, refraction_falloff_color, 57, "color", "[0, 0, 0, 1]", "[0, inf) per channel", "", \
      "colour reached at refraction_falloff_distance") \
    X(int32_t, refraction_depth_limit, 61, "integer", "0", "0..", "", \
      "from this refraction depth on (1 or more) the material is opaque to all but shadow rays; 0 never") \
    X(float, refraction_cutoff, 62, "scalar", "0.01", "[0, 1]", "", \
      "importance below which refraction rays are skipped") \
    X(float, indirect_multiplier, 63, "scalar", "1.0", "[0, inf)", "", \
      "scale of indirect (final-gather) light") \
    X(float, indirect_quality, 64, "scalar", "1.0", "[0, inf)", "", \
      "multiplier of the indirect-light ray count") \
    X(float, indirect_quality_weight, 65, "scalar", "0.0", "[0, inf)", "", \
      "further multiplier of the indirect-light ray count") \
    X(int32_t, ao_mode, 66, "integer", "0", "0..2", "", \
      "ambient occlusion: 0 off, 1 on, 2 on with colour bleeding from the occluders") \
    X(int32_t, ao_samples, 67, "integer", "16", "0..", "rays", \
      "ambient-occlusion rays per shading point") \
    X(float, ao_distance, 68, "scalar", "10.0", "[0, inf)", "scene units", \
      "reach of the ambient-occlusion rays") \
    X(Color, ao_dark_color, 69, "color", "[0.2, 0.2, 0.2, 1]", "[0, 1] per channel", "", \
      "colour of fully occluded points") \
    X(Color, ao_ambient_color, 73, "color", "[0, 0, 0, 1]", "[0, inf) per channel", "", \
      "ambient light scaled by the openness") \
    X(int32_t, ao_detail_mode, 77, "integer", "0", "0..2", "", \
      "0 off, 1 indirect light is occluded too, 2 that with colour bleeding") \
    X(int32_t, thin_walled_mode, 78, "integer", "0", "0..3", "", \
      "0 solid, 1 thin-walled, 2 solid with the inside from the ray history entered from outside, 3 " \
      "the same entered from inside") \
    X(Boolean, skip_visible_light_highlights, 79, "boolean", "false", "", "", \
      "lights seen in reflections give no highlight, or a reduced one") \
    X(Boolean, skip_internal_reflections, 80, "boolean", "true", "", "", \
      "inside a solid, weak reflections are suppressed") \
    X(Boolean, refractive_caustics, 81, "boolean", "false", "", "", \
      "light through this material arrives as caustic photons") \
    X(Boolean, backface_cull, 82, "boolean", "false", "", "", \
      "back faces are fully cut out") \
    X(Boolean, propagate_alpha, 83, "boolean", "false", "", "", \
      "the result's alpha follows the refraction") \
    X(float, highlight_weight, 84, "scalar", "1.0", "[0, inf)", "", \
      "weight of direct-light highlights") \
    X(float, cutout_opacity, 85, "scalar", "1.0", "[0, 1]", "", \
      "1 opaque .. 0 fully cut out") \
    X(Color, additional_color, 86, "color", "[0, 0, 0, 0]", "any", "result units", \
      "added to the result") \
    X(Tag, bump_shader, 90, "shader", "", "", "", \
      "shader that perturbs the normal") \
    X(Boolean, diffuse_bump_off, 91, "boolean", "false", "", "", \
      "the diffuse component ignores the bump") \
    X(int32_t, light_mode, 92, "integer", "3", "0..4", "", \
      "lights of the light loop: 1 inclusive list, 2 exclusive list, 3 all lights of the scene, 4 the " \
      "instance's lights, 0 (or other values) the lights array") \
    X(LightTags, lights, 93, "array light", "", "", "", \
      "lights for the light loop when light_mode is 0") \
    X(int32_t, bump_mode, 96, "integer", "0", "0..8", "", \
      "bump vectors: 0 off, 1-4 added to the normal, 5-8 replace it, in internal (1, 5), world (2, 6), " \
      "object (3, 7) or camera (4, 8) space; uvo_material_x only") \
    X(Vector3, overall_bump, 97, "vector", "[0, 0, 0]", "any", "", \
      "bump vector for all components (space per bump_mode); uvo_material_x only") \
    X(Vector3, standard_bump, 100, "vector", "[0, 0, 0]", "any", "", \
      "bump vector for all but the diffuse normal; uvo_material_x only") \
    X(Boolean, multiple_outputs, 103, "boolean", "false", "", "", \
      "the full output record is filled; uvo_material_x only")

UVO_PARAMETER_BLOCK(MaterialParams, UVO_MATERIAL_PARAMETERS);
static_assert(offsetof(MaterialParams, lights.elements) == 4 * 95);
static_assert(sizeof(MaterialParams) == 4 * 104, "uvo_material_x has 104 slots");

// Bytes of uvo_material's block (slots 0 to 95): its rows are those that
// start below this.
constexpr size_t material_block_size = offsetof(MaterialParams, bump_mode);
static_assert(material_block_size == 4 * 96, "uvo_material has 96 slots");

// Interface versions of the two declarations; the extension fields need 15.
constexpr int32_t material_version = 14;
constexpr int32_t material_x_version = 16;
constexpr int32_t material_extension_version = 15;

}  // namespace uvo
