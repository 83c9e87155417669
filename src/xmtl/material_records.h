// Records of the material: the per-instance record, the per-call work record,
// the 101-slot output record of uvo_material_x, and the few library-wide
// counters and flags that both material shaders share.
#pragma once

#include <atomic>
#include <cstddef>

#include "uvo/host_interface.h"

namespace uvo {

// The glossy interpolation cache of one instance (module interpolate).
struct Undersampler;

// Per-instance record: allocated by instance init (module xmtl), kept in the
// instance's user-data slot, released by instance exit; read-only while
// shading.
struct MaterialInstance {
    // Caches of interpolated reflections and refractions (interpolate/), or
    // null.  Made by instance init, released by instance exit.
    Undersampler *reflection_undersampler = nullptr;
    Undersampler *refraction_undersampler = nullptr;
    // Version of the declaration the instance was made from (query 89): 14
    // for uvo_material, 16 for uvo_material_x.  Slots 96 to 102 are read only
    // from 15 on.  0 when the host could not say.
    int32_t declaration_version = 0;
};

// Per-call work record, cleared at the start of every shading call (main,
// shadow and photon paths).  prepare_normals fills the geometry, then
// evaluate_weights the weights and stage parameters; the stages only read it
// (indirect_enabled aside).  Component weights hold r, g, b per channel and
// their luminance in a.
struct MaterialWorkRecord {
    MaterialInstance *instance;      // caller: from the user-data slot
    Vector3 entry_normal;            // normals: the state's normal on entry
    Vector3 shading_normal;          // normals: after bump and shadow flip (also in the state)
    Vector3 diffuse_normal;          // normals: normal for diffuse light
    Vector3 aniso_u;                 // normals: first tangent, unit, perpendicular to the normal
    Vector3 aniso_v;                 // normals: second tangent
    int32_t diffuse_bump_off;        // normals: copy of the parameter
    int32_t highlights_only;         // weights: reflections from direct light only
    Color reflection_weight;         // weights
    Color refraction_weight;         // weights
    Color diffuse_weight;            // weights
    Color translucency_weight;       // weights
    float internal_reflection_factor;  // weights: scale of reflections seen from inside
    float ior;                       // weights: refraction_ior
    int32_t thin_walled;             // weights: 1 for thin_walled_mode 1 only
    int32_t reflection_environment_fallback;  // weights: copy
    float importance;                // pipeline: importance of this shading point
    int32_t ao_mode;                 // weights: copy
    int32_t ao_detail_mode;          // weights: copy when ao_mode is on
    float ao_distance;               // weights: copy when ao_mode is on
    int32_t ao_samples;              // weights: copy when ao_mode is on
    float anisotropy;                // weights: copy
    Tag bump_shader;                 // normals: copy
    int32_t reflection_samples;      // weights: copies when there is reflection
    float reflection_glossiness;
    float reflection_cutoff;
    int32_t reflection_interpolate;  // weights: copy, 0 while contour rendering is on
    float highlight_weight;          // weights: copy when there is reflection
    int32_t refraction_samples;      // weights: copies when there is refraction
    float refraction_glossiness;
    float refraction_cutoff;
    int32_t refraction_interpolate;  // weights: copy, 0 while contour rendering is on
    int32_t refraction_falloff_enable;
    float refraction_falloff_distance;  // 0 without falloff
    int32_t refraction_falloff_color_enable;
    Color refraction_falloff_color;  // r, g, b at least 0; a: luminance
    float reflection_interpolation_smooth;  // parameter when its enable is set, else 0
    int32_t indirect_query_failed;   // weights: 1 when host query 116 gives nothing
    int32_t indirect_enabled;        // weights: 1; cleared by the reflection-ray roulette
    float indirect_quality;          // weights: indirect ray-count multiplier
    int32_t bump_suppressed;         // normals: flag of host query 142; no bump when set
};

// The result record of uvo_material_x: 101 slots of 32 bits.  For each
// component its contribution, its raw value (before the weight) and its level
// (the weight).  Filled by the main path and its stages.
struct MaterialOutputs {
    Color result;
    Color direct_diffuse;
    Color irradiance;
    Color diffuse_level;
    Color highlight;
    Color highlight_raw;
    Color highlight_level;
    Color reflection;
    Color reflection_raw;
    Color reflection_level;
    Color refraction;
    Color refraction_raw;
    Color refraction_level;
    Color translucency;
    Color translucency_raw;
    Color translucency_level;
    Color indirect;
    Color indirect_gathered;
    Color occlusion_ambient;
    Color occlusion;
    Color additional;
    Color cutout;
    Color cutout_behind;
    float cutout_opacity;
    Color unused[2];  // never written but cleared by the cut-out path
};

#define UVO_OUTPUT_SLOT(field, slot) \
    static_assert(offsetof(MaterialOutputs, field) == 4 * (slot), #field " is not at slot " #slot)
UVO_OUTPUT_SLOT(result, 0);
UVO_OUTPUT_SLOT(direct_diffuse, 4);
UVO_OUTPUT_SLOT(irradiance, 8);
UVO_OUTPUT_SLOT(diffuse_level, 12);
UVO_OUTPUT_SLOT(highlight, 16);
UVO_OUTPUT_SLOT(highlight_raw, 20);
UVO_OUTPUT_SLOT(highlight_level, 24);
UVO_OUTPUT_SLOT(reflection, 28);
UVO_OUTPUT_SLOT(reflection_raw, 32);
UVO_OUTPUT_SLOT(reflection_level, 36);
UVO_OUTPUT_SLOT(refraction, 40);
UVO_OUTPUT_SLOT(refraction_raw, 44);
UVO_OUTPUT_SLOT(refraction_level, 48);
UVO_OUTPUT_SLOT(translucency, 52);
UVO_OUTPUT_SLOT(translucency_raw, 56);
UVO_OUTPUT_SLOT(translucency_level, 60);
UVO_OUTPUT_SLOT(indirect, 64);
UVO_OUTPUT_SLOT(indirect_gathered, 68);
UVO_OUTPUT_SLOT(occlusion_ambient, 72);
UVO_OUTPUT_SLOT(occlusion, 76);
UVO_OUTPUT_SLOT(additional, 80);
UVO_OUTPUT_SLOT(cutout, 84);
UVO_OUTPUT_SLOT(cutout_behind, 88);
UVO_OUTPUT_SLOT(cutout_opacity, 92);
UVO_OUTPUT_SLOT(unused, 93);
#undef UVO_OUTPUT_SLOT
static_assert(sizeof(MaterialOutputs) == 4 * 101, "the output record has 101 slots");
static_assert(sizeof(MaterialOutputs) == sizeof(static_cast<MaterialApiRecord *>(nullptr)->u.full.outputs),
              "the full interface record holds a copy of the outputs");

// Library-wide state of the material, one copy for both shaders.  Shading
// threads bump the counts and set the report flag without a lock (relaxed
// atomics: the counts only feed the exit message).
struct MaterialLibraryState {
    std::atomic<int32_t> reflection_skip_count{0};  // rays skipped by reflection_cutoff
    std::atomic<int32_t> refraction_skip_count{0};  // rays skipped by refraction_cutoff
    std::atomic<int32_t> invalid_number_reported{0};  // a ray's invalid numbers were reported
    std::atomic<int32_t> interface_error_armed{0};   // the wrong-interface error may still be given
};

MaterialLibraryState &material_state();

}  // namespace uvo
