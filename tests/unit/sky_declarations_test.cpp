// The shipped declarations of the daylight shaders lay their blocks out
// exactly as the shaders read them, and carry the shaders' versions.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sky/cie_sky.h"
#include "sky/physical_sky.h"
#include "sky/physical_sun.h"

using namespace uvo;

namespace {

struct Declaration {
    int version = -1;
    std::vector<std::pair<std::string, std::string>> parameters;  // name, type
};

// The quoted string that follows `key` (as "key": "value") from `from` on,
// and where it ends; empty when there is none.
std::pair<std::string, size_t> quoted_after(const std::string &s, const std::string &key, size_t from) {
    const size_t k = s.find("\"" + key + "\"", from);
    if (k == std::string::npos)
        return {{}, std::string::npos};
    const size_t open = s.find('"', s.find(':', k) + 1);
    const size_t close = s.find('"', open + 1);
    return {s.substr(open + 1, close - open - 1), close + 1};
}

Declaration read_declaration(const std::string &shader) {
    std::ifstream in(std::string(UVO_SOURCE_DIR) + "/share/uvo/shaders/" + shader + ".json");
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    Declaration d;
    const size_t v = s.find("\"version\"");
    if (v != std::string::npos)
        d.version = std::stoi(s.substr(s.find(':', v) + 1));
    size_t at = s.find("\"parameters\"");
    while (at != std::string::npos) {
        const auto [name, after_name] = quoted_after(s, "name", at);
        if (after_name == std::string::npos)
            break;
        const auto [type, after_type] = quoted_after(s, "type", after_name);
        d.parameters.emplace_back(name, type);
        at = after_type;
    }
    return d;
}

// Byte offset of every parameter and the block size, from the slot sizes of
// the declaration format.
std::pair<std::map<std::string, size_t>, size_t> layout(const Declaration &d) {
    const std::map<std::string, size_t> slots = {{"boolean", 1}, {"integer", 1}, {"scalar", 1}, {"color", 4},
                                                 {"vector", 3},  {"shader", 1},  {"light", 1},  {"texture", 1}};
    std::map<std::string, size_t> offsets;
    size_t at = 0;
    for (const auto &[name, type] : d.parameters) {
        offsets[name] = at;
        EXPECT_TRUE(slots.count(type)) << name << " has type " << type;
        at += 4 * (slots.count(type) ? slots.at(type) : 1);
    }
    return {offsets, at};
}

#define FIELD(T, name) {#name, offsetof(T, name)}

}  // namespace

TEST(SkyDeclarations, BlocksMatchTheShaders) {
    struct Case {
        std::string shader;
        int version;
        size_t size;
        std::map<std::string, size_t> fields;
    };
    const std::vector<Case> cases = {
        {"uvo_physicalsky", uvo_physicalsky_version(), sizeof(PhysicalSkyParams),
         {FIELD(PhysicalSkyParams, enabled), FIELD(PhysicalSkyParams, intensity), FIELD(PhysicalSkyParams, rgb_scale),
          FIELD(PhysicalSkyParams, haze_level), FIELD(PhysicalSkyParams, red_blue_tilt),
          FIELD(PhysicalSkyParams, saturation_level), FIELD(PhysicalSkyParams, horizon_shift),
          FIELD(PhysicalSkyParams, horizon_softness), FIELD(PhysicalSkyParams, ground_tint),
          FIELD(PhysicalSkyParams, night_minimum), FIELD(PhysicalSkyParams, sun_vector), FIELD(PhysicalSkyParams, sun),
          FIELD(PhysicalSkyParams, disc_brightness), FIELD(PhysicalSkyParams, disc_size),
          FIELD(PhysicalSkyParams, glow_brightness), FIELD(PhysicalSkyParams, backdrop_for_camera),
          FIELD(PhysicalSkyParams, backdrop), FIELD(PhysicalSkyParams, aerial_distance),
          FIELD(PhysicalSkyParams, up_axis_y), FIELD(PhysicalSkyParams, model_flags),
          FIELD(PhysicalSkyParams, luminance_mode), FIELD(PhysicalSkyParams, zenith_luminance),
          FIELD(PhysicalSkyParams, diffuse_horizontal_illuminance), FIELD(PhysicalSkyParams, perez_a),
          FIELD(PhysicalSkyParams, perez_b), FIELD(PhysicalSkyParams, perez_c), FIELD(PhysicalSkyParams, perez_d),
          FIELD(PhysicalSkyParams, perez_e)}},
        {"uvo_physicalsun", uvo_physicalsun_version(), sizeof(PhysicalSunParams),
         {FIELD(PhysicalSunParams, enabled), FIELD(PhysicalSunParams, intensity), FIELD(PhysicalSunParams, rgb_scale),
          FIELD(PhysicalSunParams, haze_level), FIELD(PhysicalSunParams, red_blue_tilt),
          FIELD(PhysicalSunParams, saturation_level), FIELD(PhysicalSunParams, horizon_shift),
          FIELD(PhysicalSunParams, penumbra_scale), FIELD(PhysicalSunParams, shadow_rays),
          FIELD(PhysicalSunParams, photon_region_min), FIELD(PhysicalSunParams, photon_region_max),
          FIELD(PhysicalSunParams, photon_energy_from_area), FIELD(PhysicalSunParams, up_axis_y),
          FIELD(PhysicalSunParams, beam_mode), FIELD(PhysicalSunParams, beam_illuminance)}},
        {"uvo_ciesky", uvo_ciesky_version(), sizeof(CieSkyParams),
         {FIELD(CieSkyParams, enabled), FIELD(CieSkyParams, color_value), FIELD(CieSkyParams, estimate_zenith_luminance),
          FIELD(CieSkyParams, zenith_luminance), FIELD(CieSkyParams, diffuse_horizontal_illuminance),
          FIELD(CieSkyParams, overcast_fraction), FIELD(CieSkyParams, sun_vector), FIELD(CieSkyParams, sun),
          FIELD(CieSkyParams, up_axis_y)}},
    };
    for (const Case &c : cases) {
        const Declaration d = read_declaration(c.shader);
        EXPECT_EQ(d.version, c.version) << c.shader;
        ASSERT_EQ(d.parameters.size(), c.fields.size()) << c.shader;
        const auto [offsets, size] = layout(d);
        EXPECT_EQ(size, c.size) << c.shader;
        for (const auto &[name, offset] : c.fields) {
            ASSERT_TRUE(offsets.count(name)) << c.shader << " declares no " << name;
            EXPECT_EQ(offsets.at(name), offset) << c.shader << "." << name;
        }
    }
}
