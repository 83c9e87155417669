// Declarations against the library's own parameter structs: every declared
// parameter sits at the offset the shader reads it from, and the block is as
// large as the struct.  A declaration file without an entry here fails too,
// so the two cannot drift apart.
#include <gtest/gtest.h>

#include <cstddef>
#include <map>

#include "scene/declarations.h"
#include "support/for_each.h"
#include "lightsurface/light_surface.h"
#include "portal/portal_light.h"
#include "sky/cie_sky.h"
#include "sky/physical_sky.h"
#include "sky/physical_sun.h"
#include "tonemap/exposure_simple.h"
#include "tonemap_photo/exposure_photographic.h"
#include "xmtl/material_params.h"
#include "xmtl/roundcorners.h"
#include "scene/param_block.h"

using namespace uvo_host;
using namespace uvo;

namespace {

struct Expected {
    int32_t version;                          // the shader's interface version
    size_t size;                              // block bytes (one array element in place)
    std::map<std::string, size_t> offsets;    // parameter -> offsetof
};

// FIELDS(T, a, b, ...) -> {{"a", offsetof(T, a)}, {"b", offsetof(T, b)}, ...}
#define FIELD_1(T, f) {#f, offsetof(T, f)}
#define FIELDS(T, ...) {UVO_FOR_EACH(FIELD_1, T, __VA_ARGS__)}

const std::map<std::string, Expected> &library_layouts() {
    static const std::map<std::string, Expected> layouts = {
        {"uvo_light_surface",
         {light_surface_version, sizeof(LightSurfaceParams),
          FIELDS(LightSurfaceParams, surface_color, surface_intensity, reduced_ray_scale, reflection_ray_scale,
           add_light_output, light_output_scale, sample_position, lights)}},
        {"uvo_portal_light",
         {portal_light_version, sizeof(PortalLightParams),
          FIELDS(PortalLightParams, enabled, intensity_scale, tint, reverse_side, luminance_cutoff, cast_shadows,
           own_environment, environment_shader, visible, call_environment_directly, shadow_start_offset,
           volume_photons_only, transparency)}},
        {"uvo_material",
         {material_version, material_block_size,
          FIELDS(MaterialParams, diffuse_weight, diffuse_color, diffuse_roughness, reflectivity, reflection_color,
           reflection_glossiness, reflection_samples, reflection_interpolate, reflection_highlights_only,
           metal_material, transparency, refraction_color, refraction_glossiness, refraction_ior,
           refraction_samples, refraction_interpolate, translucency_enable, translucency_color,
           translucency_weight, anisotropy, anisotropy_rotation, anisotropy_channel, fresnel_from_ior,
           reflectance_normal, reflectance_grazing, reflectance_curve, conserve_energy, interpolation_grid_density,
           reflection_interpolation_samples, reflection_interpolation_smooth_enable,
           reflection_interpolation_smooth, refraction_interpolation_samples, reflection_environment_fallback,
           reflection_falloff_enable, reflection_falloff_distance, reflection_falloff_color_enable,
           reflection_falloff_color, reflection_depth_highlights_only, reflection_cutoff,
           refraction_falloff_enable, refraction_falloff_distance, refraction_falloff_color_enable,
           refraction_falloff_color, refraction_depth_limit, refraction_cutoff, indirect_multiplier,
           indirect_quality, indirect_quality_weight, ao_mode, ao_samples, ao_distance, ao_dark_color,
           ao_ambient_color, ao_detail_mode, thin_walled_mode, skip_visible_light_highlights,
           skip_internal_reflections, refractive_caustics, backface_cull, propagate_alpha, highlight_weight,
           cutout_opacity, additional_color, bump_shader, diffuse_bump_off, light_mode, lights)}},
        {"uvo_material_x",
         {material_x_version, sizeof(MaterialParams),
          FIELDS(MaterialParams, diffuse_weight, diffuse_color, diffuse_roughness, reflectivity, reflection_color,
           reflection_glossiness, reflection_samples, reflection_interpolate, reflection_highlights_only,
           metal_material, transparency, refraction_color, refraction_glossiness, refraction_ior,
           refraction_samples, refraction_interpolate, translucency_enable, translucency_color,
           translucency_weight, anisotropy, anisotropy_rotation, anisotropy_channel, fresnel_from_ior,
           reflectance_normal, reflectance_grazing, reflectance_curve, conserve_energy, interpolation_grid_density,
           reflection_interpolation_samples, reflection_interpolation_smooth_enable,
           reflection_interpolation_smooth, refraction_interpolation_samples, reflection_environment_fallback,
           reflection_falloff_enable, reflection_falloff_distance, reflection_falloff_color_enable,
           reflection_falloff_color, reflection_depth_highlights_only, reflection_cutoff,
           refraction_falloff_enable, refraction_falloff_distance, refraction_falloff_color_enable,
           refraction_falloff_color, refraction_depth_limit, refraction_cutoff, indirect_multiplier,
           indirect_quality, indirect_quality_weight, ao_mode, ao_samples, ao_distance, ao_dark_color,
           ao_ambient_color, ao_detail_mode, thin_walled_mode, skip_visible_light_highlights,
           skip_internal_reflections, refractive_caustics, backface_cull, propagate_alpha, highlight_weight,
           cutout_opacity, additional_color, bump_shader, diffuse_bump_off, light_mode, lights, bump_mode,
           overall_bump, standard_bump, multiple_outputs)}},
        {"uvo_roundcorners",
         {roundcorners_version, sizeof(RoundCornersParams),
          FIELDS(RoundCornersParams, radius, include_other_materials, chained_shader, vector_mode, perturb_vector)}},
        {"uvo_physicalsky",
         {physicalsky_version, sizeof(PhysicalSkyParams),
          FIELDS(PhysicalSkyParams, enabled, intensity, rgb_scale, haze_level, red_blue_tilt, saturation_level,
           horizon_shift, horizon_softness, ground_tint, night_minimum, sun_vector, sun, disc_brightness,
           disc_size, glow_brightness, backdrop_for_camera, backdrop, aerial_distance, up_axis_y, model_flags,
           luminance_mode, zenith_luminance, diffuse_horizontal_illuminance, perez_a, perez_b, perez_c, perez_d,
           perez_e)}},
        {"uvo_physicalsun",
         {physicalsun_version, sizeof(PhysicalSunParams),
          FIELDS(PhysicalSunParams, enabled, intensity, rgb_scale, haze_level, red_blue_tilt, saturation_level,
           horizon_shift, penumbra_scale, shadow_rays, photon_region_min, photon_region_max,
           photon_energy_from_area, up_axis_y, beam_mode, beam_illuminance)}},
        {"uvo_ciesky",
         {ciesky_version, sizeof(CieSkyParams),
          FIELDS(CieSkyParams, enabled, color_value, estimate_zenith_luminance, zenith_luminance,
           diffuse_horizontal_illuminance, overcast_fraction, sun_vector, sun, up_axis_y)}},
        {"uvo_exposure_simple",
         {exposure_simple_version, sizeof(ExposureSimpleParams),
          FIELDS(ExposureSimpleParams, black_offset, exposure_gain, knee_level, knee_compression, output_gamma,
           source_texture, use_source_texture)}},
        {"uvo_exposure_photographic",
         {exposure_photographic_version, sizeof(ExposurePhotographicParams),
          FIELDS(ExposurePhotographicParams, radiance_scale, white_balance, film_speed, shutter_rate,
           aperture_stop, vignette_power, highlight_compression, shadow_crush, color_saturation, display_gamma,
           raw_buffer_mode, raw_buffer_name, source_texture, use_source_texture)}},
    };
    return layouts;
}

std::map<std::string, Declaration> shipped() {
    return load_declarations(std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders");
}

}  // namespace

TEST(Declarations, MatchTheLibraryStructs) {
    const auto declarations = shipped();
    ASSERT_FALSE(declarations.empty());
    for (const auto &[name, decl] : declarations) {
        auto expected = library_layouts().find(name);
        ASSERT_NE(expected, library_layouts().end())
            << "share/uvo/shaders/" << name << ".json has no layout check: add its struct to this test";
        EXPECT_EQ(decl.version, expected->second.version) << name << ": version";
        EXPECT_EQ(decl.block_size, expected->second.size) << name << ": block size";
        EXPECT_EQ(decl.parameters.size(), expected->second.offsets.size()) << name << ": parameter count";
        for (const ParamDecl &p : decl.parameters) {
            auto offset = expected->second.offsets.find(p.name);
            ASSERT_NE(offset, expected->second.offsets.end()) << name << ": unexpected parameter " << p.name;
            EXPECT_EQ(p.offset, offset->second) << name << "." << p.name;
        }
    }
}

TEST(Declarations, RejectBrokenFiles) {
    auto fails = [](const char *text, const char *needle) {
        try {
            parse_declaration(nlohmann::json::parse(text));
        } catch (const DeclarationError &e) {
            EXPECT_NE(std::string(e.what()).find(needle), std::string::npos) << e.what();
            return;
        }
        ADD_FAILURE() << "accepted: " << text;
    };
    fails(R"({"version": 1})", "name");
    fails(R"({"name": "x", "parameters": [{"name": "a", "type": "quaternion"}]})", "unknown type");
    fails(R"({"name": "x", "parameters": [{"name": "a", "type": "array", "element": "array"}]})", "element");
    fails(R"({"name": "x", "parameters": [{"name": "a", "type": "scalar"}, {"name": "a", "type": "color"}]})",
          "twice");
}

TEST(ParamBlock, DefaultsValuesArraysAndConnectionsLandWhereTheShaderReadsThem) {
    const auto declarations = shipped();
    Declaration decl = declarations.at("uvo_light_surface");
    decl.tag = 77;
    BlockBuilder builder(decl);
    builder.set(*decl.find("surface_color"), {0x3f000000u, 0x3f000000u, 0x3f800000u, 0x3f800000u});  // 0.5 0.5 1 1
    builder.set_array(*decl.find("lights"), {11u, 12u, 13u});
    ShaderInstance source;
    builder.connect(*decl.find("surface_intensity"), &source);
    ShaderInstance instance;
    builder.finish(instance);

    const auto *block = static_cast<const uvo::LightSurfaceParams *>(instance.block());
    EXPECT_FLOAT_EQ(block->surface_color.r, 0.5f);
    EXPECT_FLOAT_EQ(block->surface_color.b, 1.0f);
    EXPECT_FLOAT_EQ(block->reduced_ray_scale, 1.0f) << "declared default";
    EXPECT_FLOAT_EQ(block->light_output_scale, 1.0f) << "declared default";
    EXPECT_EQ(block->add_light_output, 0);
    ASSERT_EQ(block->lights.count, 3);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(block->lights.elements[block->lights.index + k], static_cast<Tag>(11 + k)) << "element " << k;
    // Elements live past the block, never over other parameters.
    EXPECT_GE(sizeof(Tag) * (block->lights.index) + offsetof(uvo::LightSurfaceParams, lights.elements),
              sizeof(uvo::LightSurfaceParams));

    ASSERT_NE(instance.record.connection_offset, 0u);
    EXPECT_EQ(instance.record.declaration, 77u);
    EXPECT_EQ(instance.record.parameters, instance.block());
    const auto *bytes = static_cast<const char *>(instance.block());
    auto flag = [&](size_t offset) {
        int32_t value;
        std::memcpy(&value, bytes + instance.record.connection_offset + offset, sizeof value);
        return value;
    };
    EXPECT_NE(flag(offsetof(uvo::LightSurfaceParams, surface_intensity)), 0);
    EXPECT_EQ(flag(offsetof(uvo::LightSurfaceParams, surface_color)), 0);
    EXPECT_EQ(flag(offsetof(uvo::LightSurfaceParams, lights.count)), 0);
    ASSERT_NE(instance.connection_at(offsetof(uvo::LightSurfaceParams, surface_intensity)), nullptr);
    EXPECT_EQ(instance.connection_at(offsetof(uvo::LightSurfaceParams, surface_intensity))->source, &source);
}

TEST(ParamBlock, LiteralsConvertByType) {
    std::vector<uint32_t> words;
    std::string why;
    EXPECT_TRUE(json_to_words(nlohmann::json::parse("[1, 0.5, 0.25]"), ParamType::Color, words, why));
    ASSERT_EQ(words.size(), 4u);
    float alpha;
    std::memcpy(&alpha, &words[3], 4);
    EXPECT_EQ(alpha, 1.0f) << "alpha defaults to 1";
    EXPECT_FALSE(json_to_words(nlohmann::json::parse("[1, 2]"), ParamType::Vector, words, why));
    EXPECT_FALSE(json_to_words(nlohmann::json::parse("1.5"), ParamType::Integer, words, why));
    EXPECT_FALSE(json_to_words(nlohmann::json::parse("1"), ParamType::Boolean, words, why));
    EXPECT_TRUE(json_to_words(nlohmann::json::parse("-3"), ParamType::Integer, words, why));
    EXPECT_EQ(static_cast<int32_t>(words[0]), -3);
}
