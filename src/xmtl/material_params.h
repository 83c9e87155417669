// The parameter block of uvo_material and uvo_material_x, in slot order.
//
// Every slot is 32 bits; a colour takes four slots, a vector three, the light
// array three (start index, count, first element; the host appends the other
// elements past the block).  uvo_material's block ends after slot 95, so for
// its instances whatever follows `lights` is light Tags, not the fields of
// slots 96 to 103: those are read only when the instance's declaration
// version is 15 or more.  Every read goes through eval()/eval_ptr().
//
// | slot | parameter                              | type    | used by                       |
// |------|----------------------------------------|---------|-------------------------------|
// | 0    | diffuse_weight                         | scalar  | weights                       |
// | 1    | diffuse_color                          | color   | weights, metal tint           |
// | 5    | diffuse_roughness                      | scalar  | direct light                  |
// | 6    | reflectivity                           | scalar  | weights                       |
// | 7    | reflection_color                       | color   | weights                       |
// | 11   | reflection_glossiness                  | scalar  | 1 mirror .. 0 diffuse         |
// | 12   | reflection_samples                     | integer | glossy reflection rays        |
// | 13   | reflection_interpolate                 | boolean | undersampler for reflections  |
// | 14   | reflection_highlights_only             | boolean | no reflection rays            |
// | 15   | metal_material                         | boolean | reflection tinted by diffuse  |
// | 16   | transparency                           | scalar  | weights                       |
// | 17   | refraction_color                       | color   | weights                       |
// | 21   | refraction_glossiness                  | scalar  | refraction                    |
// | 22   | refraction_ior                         | scalar  | Fresnel, refraction           |
// | 23   | refraction_samples                     | integer | glossy refraction rays        |
// | 24   | refraction_interpolate                 | boolean | undersampler for refractions  |
// | 25   | translucency_enable                    | boolean | weights                       |
// | 26   | translucency_color                     | color   | weights                       |
// | 30   | translucency_weight                    | scalar  | share of refraction           |
// | 31   | anisotropy                             | scalar  | exponent ratio v / u          |
// | 32   | anisotropy_rotation                    | scalar  | turns (1 = 360 degrees)       |
// | 33   | anisotropy_channel                     | integer | tangent frame source          |
// | 34   | fresnel_from_ior                       | boolean | reflectivity curve            |
// | 35   | reflectance_normal                     | scalar  | custom curve at 0 degrees     |
// | 36   | reflectance_grazing                    | scalar  | custom curve at 90 degrees    |
// | 37   | reflectance_curve                      | scalar  | custom curve exponent         |
// | 38   | conserve_energy                        | boolean | weights                       |
// | 39   | interpolation_grid_density             | integer | undersampler                  |
// | 40   | reflection_interpolation_samples       | integer | undersampler window           |
// | 41   | reflection_interpolation_smooth_enable | boolean | gates slot 42                 |
// | 42   | reflection_interpolation_smooth        | scalar  | undersampler smoothing        |
// | 43   | refraction_interpolation_samples       | integer | undersampler window           |
// | 44   | reflection_environment_fallback        | boolean | reflection misses             |
// | 45   | reflection_falloff_enable              | boolean | reflection ray length limit   |
// | 46   | reflection_falloff_distance            | scalar  |                               |
// | 47   | reflection_falloff_color_enable        | boolean |                               |
// | 48   | reflection_falloff_color               | color   |                               |
// | 52   | reflection_depth_highlights_only       | integer | depth from which highlights   |
// | 53   | reflection_cutoff                      | scalar  | importance threshold          |
// | 54   | refraction_falloff_enable              | boolean | attenuation inside            |
// | 55   | refraction_falloff_distance            | scalar  |                               |
// | 56   | refraction_falloff_color_enable        | boolean |                               |
// | 57   | refraction_falloff_color               | color   |                               |
// | 61   | refraction_depth_limit                 | integer | no transparency from depth    |
// | 62   | refraction_cutoff                      | scalar  | importance threshold          |
// | 63   | indirect_multiplier                    | scalar  | indirect light scale          |
// | 64   | indirect_quality                       | scalar  | indirect ray count factor     |
// | 65   | indirect_quality_weight                | scalar  | further factor                |
// | 66   | ao_mode                                | integer | ambient occlusion             |
// | 67   | ao_samples                             | integer |                               |
// | 68   | ao_distance                            | scalar  |                               |
// | 69   | ao_dark_color                          | color   |                               |
// | 73   | ao_ambient_color                       | color   |                               |
// | 77   | ao_detail_mode                         | integer |                               |
// | 78   | thin_walled_mode                       | integer | 0 solid, 1 thin, 2/3 parity   |
// | 79   | skip_visible_light_highlights          | boolean | light loop                    |
// | 80   | skip_internal_reflections              | boolean | weak reflections inside       |
// | 81   | refractive_caustics                    | boolean | caustic photons               |
// | 82   | backface_cull                          | boolean | back faces cut out            |
// | 83   | propagate_alpha                        | boolean | alpha follows refraction      |
// | 84   | highlight_weight                       | scalar  | direct-light highlights       |
// | 85   | cutout_opacity                         | scalar  | 1 opaque .. 0 cut out         |
// | 86   | additional_color                       | color   | added to the result           |
// | 90   | bump_shader                            | shader  | perturbs the normal           |
// | 91   | diffuse_bump_off                       | boolean | diffuse ignores the bump      |
// | 92   | light_mode                             | integer | light list selection          |
// | 93   | lights                                 | array   | light Tags                    |
// | 96   | bump_mode                              | integer | uvo_material_x only           |
// | 97   | overall_bump                           | vector  | uvo_material_x only           |
// | 100  | standard_bump                          | vector  | uvo_material_x only           |
// | 103  | multiple_outputs                       | boolean | uvo_material_x only           |
#pragma once

#include <cstddef>

#include "frame/params.h"
#include "uvo/host_interface.h"

namespace uvo {

struct MaterialParams {
    float diffuse_weight;
    Color diffuse_color;
    float diffuse_roughness;
    float reflectivity;
    Color reflection_color;
    float reflection_glossiness;
    int32_t reflection_samples;
    Boolean reflection_interpolate;
    Boolean reflection_highlights_only;
    Boolean metal_material;
    float transparency;
    Color refraction_color;
    float refraction_glossiness;
    float refraction_ior;
    int32_t refraction_samples;
    Boolean refraction_interpolate;
    Boolean translucency_enable;
    Color translucency_color;
    float translucency_weight;
    float anisotropy;
    float anisotropy_rotation;
    int32_t anisotropy_channel;
    Boolean fresnel_from_ior;
    float reflectance_normal;
    float reflectance_grazing;
    float reflectance_curve;
    Boolean conserve_energy;
    int32_t interpolation_grid_density;
    int32_t reflection_interpolation_samples;
    Boolean reflection_interpolation_smooth_enable;
    float reflection_interpolation_smooth;
    int32_t refraction_interpolation_samples;
    Boolean reflection_environment_fallback;
    Boolean reflection_falloff_enable;
    float reflection_falloff_distance;
    Boolean reflection_falloff_color_enable;
    Color reflection_falloff_color;
    int32_t reflection_depth_highlights_only;
    float reflection_cutoff;
    Boolean refraction_falloff_enable;
    float refraction_falloff_distance;
    Boolean refraction_falloff_color_enable;
    Color refraction_falloff_color;
    int32_t refraction_depth_limit;
    float refraction_cutoff;
    float indirect_multiplier;
    float indirect_quality;
    float indirect_quality_weight;
    int32_t ao_mode;
    int32_t ao_samples;
    float ao_distance;
    Color ao_dark_color;
    Color ao_ambient_color;
    int32_t ao_detail_mode;
    int32_t thin_walled_mode;
    Boolean skip_visible_light_highlights;
    Boolean skip_internal_reflections;
    Boolean refractive_caustics;
    Boolean backface_cull;
    Boolean propagate_alpha;
    float highlight_weight;
    float cutout_opacity;
    Color additional_color;
    Tag bump_shader;
    Boolean diffuse_bump_off;
    int32_t light_mode;
    ParamArray<Tag> lights;
    // uvo_material_x only (declaration version 15 and later):
    int32_t bump_mode;
    Vector3 overall_bump;
    Vector3 standard_bump;
    Boolean multiple_outputs;
};

// Slot (32-bit index) of each field.
#define UVO_MATERIAL_SLOT(field, slot) \
    static_assert(offsetof(MaterialParams, field) == 4 * (slot), #field " is not at slot " #slot)
UVO_MATERIAL_SLOT(diffuse_weight, 0);
UVO_MATERIAL_SLOT(diffuse_color, 1);
UVO_MATERIAL_SLOT(diffuse_roughness, 5);
UVO_MATERIAL_SLOT(reflectivity, 6);
UVO_MATERIAL_SLOT(reflection_color, 7);
UVO_MATERIAL_SLOT(reflection_glossiness, 11);
UVO_MATERIAL_SLOT(reflection_samples, 12);
UVO_MATERIAL_SLOT(reflection_interpolate, 13);
UVO_MATERIAL_SLOT(reflection_highlights_only, 14);
UVO_MATERIAL_SLOT(metal_material, 15);
UVO_MATERIAL_SLOT(transparency, 16);
UVO_MATERIAL_SLOT(refraction_color, 17);
UVO_MATERIAL_SLOT(refraction_glossiness, 21);
UVO_MATERIAL_SLOT(refraction_ior, 22);
UVO_MATERIAL_SLOT(refraction_samples, 23);
UVO_MATERIAL_SLOT(refraction_interpolate, 24);
UVO_MATERIAL_SLOT(translucency_enable, 25);
UVO_MATERIAL_SLOT(translucency_color, 26);
UVO_MATERIAL_SLOT(translucency_weight, 30);
UVO_MATERIAL_SLOT(anisotropy, 31);
UVO_MATERIAL_SLOT(anisotropy_rotation, 32);
UVO_MATERIAL_SLOT(anisotropy_channel, 33);
UVO_MATERIAL_SLOT(fresnel_from_ior, 34);
UVO_MATERIAL_SLOT(reflectance_normal, 35);
UVO_MATERIAL_SLOT(reflectance_grazing, 36);
UVO_MATERIAL_SLOT(reflectance_curve, 37);
UVO_MATERIAL_SLOT(conserve_energy, 38);
UVO_MATERIAL_SLOT(interpolation_grid_density, 39);
UVO_MATERIAL_SLOT(reflection_interpolation_samples, 40);
UVO_MATERIAL_SLOT(reflection_interpolation_smooth_enable, 41);
UVO_MATERIAL_SLOT(reflection_interpolation_smooth, 42);
UVO_MATERIAL_SLOT(refraction_interpolation_samples, 43);
UVO_MATERIAL_SLOT(reflection_environment_fallback, 44);
UVO_MATERIAL_SLOT(reflection_falloff_enable, 45);
UVO_MATERIAL_SLOT(reflection_falloff_distance, 46);
UVO_MATERIAL_SLOT(reflection_falloff_color_enable, 47);
UVO_MATERIAL_SLOT(reflection_falloff_color, 48);
UVO_MATERIAL_SLOT(reflection_depth_highlights_only, 52);
UVO_MATERIAL_SLOT(reflection_cutoff, 53);
UVO_MATERIAL_SLOT(refraction_falloff_enable, 54);
UVO_MATERIAL_SLOT(refraction_falloff_distance, 55);
UVO_MATERIAL_SLOT(refraction_falloff_color_enable, 56);
UVO_MATERIAL_SLOT(refraction_falloff_color, 57);
UVO_MATERIAL_SLOT(refraction_depth_limit, 61);
UVO_MATERIAL_SLOT(refraction_cutoff, 62);
UVO_MATERIAL_SLOT(indirect_multiplier, 63);
UVO_MATERIAL_SLOT(indirect_quality, 64);
UVO_MATERIAL_SLOT(indirect_quality_weight, 65);
UVO_MATERIAL_SLOT(ao_mode, 66);
UVO_MATERIAL_SLOT(ao_samples, 67);
UVO_MATERIAL_SLOT(ao_distance, 68);
UVO_MATERIAL_SLOT(ao_dark_color, 69);
UVO_MATERIAL_SLOT(ao_ambient_color, 73);
UVO_MATERIAL_SLOT(ao_detail_mode, 77);
UVO_MATERIAL_SLOT(thin_walled_mode, 78);
UVO_MATERIAL_SLOT(skip_visible_light_highlights, 79);
UVO_MATERIAL_SLOT(skip_internal_reflections, 80);
UVO_MATERIAL_SLOT(refractive_caustics, 81);
UVO_MATERIAL_SLOT(backface_cull, 82);
UVO_MATERIAL_SLOT(propagate_alpha, 83);
UVO_MATERIAL_SLOT(highlight_weight, 84);
UVO_MATERIAL_SLOT(cutout_opacity, 85);
UVO_MATERIAL_SLOT(additional_color, 86);
UVO_MATERIAL_SLOT(bump_shader, 90);
UVO_MATERIAL_SLOT(diffuse_bump_off, 91);
UVO_MATERIAL_SLOT(light_mode, 92);
UVO_MATERIAL_SLOT(lights, 93);
UVO_MATERIAL_SLOT(lights.elements, 95);
UVO_MATERIAL_SLOT(bump_mode, 96);
UVO_MATERIAL_SLOT(overall_bump, 97);
UVO_MATERIAL_SLOT(standard_bump, 100);
UVO_MATERIAL_SLOT(multiple_outputs, 103);
#undef UVO_MATERIAL_SLOT
static_assert(sizeof(MaterialParams) == 4 * 104, "uvo_material_x has 104 slots");

// Bytes of uvo_material's block (slots 0 to 95).
constexpr size_t material_block_size = offsetof(MaterialParams, bump_mode);
static_assert(material_block_size == 4 * 96, "uvo_material has 96 slots");

// Interface versions of the two declarations; the extension fields need 15.
constexpr int32_t material_version = 14;
constexpr int32_t material_x_version = 16;
constexpr int32_t material_extension_version = 15;

}  // namespace uvo
