// Daylight physics end to end: the horizontal illuminance that a white
// Lambert floor receives under uvo_ciesky and under uvo_physicalsky with
// uvo_physicalsun, rendered by the host, against what the sky itself says
// (a fine integral of the sky shader's values called through the host) and
// what the sky's instance record predicts (mean_sky_color, sun_color).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "daylight_support.h"
#include "sky/sky_instance.h"

using namespace uvo_host;
using namespace uvo_host_test;

namespace {

const double kPi = std::numbers::pi;

// The sun as a directional light placed by look_at from `from` towards the
// origin, with `shader` (JSON) or none.
std::string sun_light(const std::string &from, const std::string &intensity, const std::string &shader = "") {
    std::string light = R"({"name": "sun", "type": "directional", "intensity": )" + intensity +
                        R"(, "transform": {"look_at": {"from": )" + from + R"(, "to": [0, 0, 0]}})";
    if (!shader.empty())
        light += R"(, "shader": )" + shader;
    return light + "}";
}

const uvo::SkyInstance *sky_record(const ShaderInstance *instance) {
    return static_cast<const uvo::SkyInstance *>(instance->user_slot);
}

}  // namespace

TEST(Daylight, PhysicalSkyAndSunLightAWhiteFloorAsTheirRecordsPredict) {
    // Sun 48 degrees high (direction (3, 4, 2) / sqrt(29)); no disc in the
    // sky, so that the floor's gather rays see only the sky dome.
    const std::string sky_on = R"({"shader": "uvo_physicalsky", "params": {"sun": "sun", "up_axis_y": true,
        "disc_brightness": 0, "haze_level": 1}})";
    const std::string sky_off = R"({"shader": "uvo_physicalsky", "params": {"sun": "sun", "up_axis_y": true,
        "disc_brightness": 0, "haze_level": 1, "enabled": false}})";
    const std::string sun_on = R"({"shader": "uvo_physicalsun", "params": {"up_axis_y": true, "haze_level": 1}})";
    const std::string sun_off =
        R"({"shader": "uvo_physicalsun", "params": {"up_axis_y": true, "haze_level": 1, "intensity": 0}})";
    struct Case {
        const char *what;
        const std::string &sky, &sun;
        bool sky_lights, sun_lights;
    };
    const Case cases[] = {{"sky only", sky_on, sun_off, true, false},
                          {"sun only", sky_off, sun_on, false, true},
                          {"sky and sun", sky_on, sun_on, true, true}};
    const std::string dir = scratch_dir("physical");
    const double s = 1.25e-5;  // the default rgb_scale
    for (const Case &c : cases) {
        const std::string scene = R"({"options": {"samples": 16}, )" +
                                  top_camera(2.0, 8, R"(, "environment": )" + c.sky) + R"(, "lights": [)" +
                                  sun_light("[3, 4, 2]", "1", c.sun) + R"(], "objects": [)" + white_floor(64) + "]}";
        auto session = open_session(dir, scene);
        session->render(false);
        Scene &world_scene = session->world().scene;
        const double rendered = mean_channel(session->world().framebuffer, 1);
        const uvo::SkyInstance *sky = sky_record(world_scene.camera.environment);
        ASSERT_NE(sky, nullptr);

        // The sun: its samples carry sun_color x scale x cos(zenith angle),
        // the irradiance over pi in the sky's units, which a white Lambert
        // floor reflects as it is.
        const double sun_radiance = c.sun_lights ? sky->sun_color.g * s * sky->sun_direction.z : 0.0;
        // The sky: a white Lambert floor's radiance is the cosine-weighted
        // mean of the sky's radiance, which the record keeps (64 samples) and
        // which the fine integral of the sky's own values gives exactly.
        double sky_integral = 0.0;
        {
            HostCaller caller(session->world());
            sky_integral = c.sky_lights ? caller.horizontal_illuminance(world_scene.camera.environment, 128, 256) / kPi
                                        : 0.0;
        }
        const double sky_record_mean = c.sky_lights ? sky->mean_sky_color.g * s : 0.0;
        const double expected = sun_radiance + sky_integral;
        EXPECT_NEAR(rendered, expected, 0.01 * expected)
            << c.what << ": rendered " << rendered << ", sun " << sun_radiance << " + sky " << sky_integral;
        const double predicted = sun_radiance + sky_record_mean;
        EXPECT_NEAR(rendered, predicted, 0.02 * predicted)
            << c.what << ": rendered " << rendered << ", record predicts sun " << sun_radiance << " + sky "
            << sky_record_mean;
    }
}
