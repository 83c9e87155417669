// The host services behind the daylight shaders: aerial perspective of
// uvo_physicalsky called as the camera's volume (call kind 5) and as its lens
// (kind 0), photons emitted by uvo_physicalsun from above the scene box that
// the render options select.
#include <gtest/gtest.h>

#include <cmath>

#include "daylight_support.h"
#include "services/photons.h"
#include "scene_loader.h"
#include "sky/sky_instance.h"

using namespace uvo_host;
using namespace uvo_host_test;

namespace {

// The physical sky with no disc, y up (by default), seeing its sun at the
// default vector.
std::string sky(const std::string &extra = "") {
    return R"({"shader": "uvo_physicalsky", "params": {"disc_brightness": 0)" + extra + "}}";
}

const uvo::SkyInstance *sky_record(const ShaderInstance *instance) {
    return static_cast<const uvo::SkyInstance *>(instance->user_slot);
}

}  // namespace

TEST(DaylightHost, AerialPerspectiveAsVolumeAndAsLensBlendsBySegmentLength) {
    // One pixel looking straight up at an orange ceiling 10 units away; the
    // sky as environment, and again as the camera's volume or lens.
    const Color ceiling{0.5f, 0.25f, 0.1f, 1.0f};
    auto scene = [](const std::string &camera_extra, bool orthographic) {
        return std::string(R"({"options": {"samples": 1}, "camera": {"resolution": [1, 1], "aperture": 0.001,
            "orthographic": )") +
               (orthographic ? "true" : "false") +
               R"(, "transform": {"look_at": {"from": [0, 0, 0], "to": [0, 1, 0], "up": [0, 0, -1]}},
            "environment": )" +
               sky() + camera_extra + R"(},
            "objects": [{"type": "plane", "size": 4, "transform": {"translate": [0, 10, 0]},
                "material": {"shader": "constant", "params": {"color": [0.5, 0.25, 0.1]}}}]})";
    };
    const std::string aerial = sky(R"(, "aerial_distance": 5)");
    struct Case {
        const char *what;
        std::string camera_extra;
        bool orthographic;
        float segment;  // length the shader sees, 0: no blend
    };
    // The volume runs on the eye ray's state and sees its hit distance, 10;
    // the lens runs on the camera's state, where rx_trace_eye leaves it.
    const Case cases[] = {
        {"volume", R"(, "volume": )" + aerial, false, 10.0f},
        {"lens", R"(, "lens": [)" + aerial + "]", false, 10.0f},
        {"volume, orthographic camera", R"(, "volume": )" + aerial, true, 0.0f},
    };
    const std::string dir = scratch_dir("aerial");
    for (const Case &c : cases) {
        auto session = open_session(dir, scene(c.camera_extra, c.orthographic));
        session->render(false);
        const Color got = session->world().framebuffer.get(0, 0);
        Color sky_up{};
        {
            HostCaller caller(session->world());
            sky_up = caller.environment(session->world().scene.camera.environment, Vector3{0, 1, 0}, UVO_RAY_EYE);
        }
        // Haze 0: T = 2, T' = (T + 3) / 5 = 1; a segment of h units at a
        // visibility of 5 keeps 0.9^(h / 5) of the colour behind it.
        const float f = static_cast<float>(std::pow(0.9, c.segment / 5.0));
        const float want[3] = {f * ceiling.r + (1 - f) * sky_up.r, f * ceiling.g + (1 - f) * sky_up.g,
                               f * ceiling.b + (1 - f) * sky_up.b};
        const float have[3] = {got.r, got.g, got.b};
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(have[k], want[k], 2e-4f * want[k] + 1e-6f)
                << c.what << ", channel " << k << ": sky at the zenith " << sky_up.r << " " << sky_up.g << " "
                << sky_up.b;
        EXPECT_FLOAT_EQ(got.a, 1.0f) << c.what << ": alpha of the hit kept";
        if (c.segment > 1.0f) {
            EXPECT_GT(std::fabs(got.b - ceiling.b), 1e-3f) << c.what << ": the sky really mixed in";
        }
    }
}

TEST(DaylightHost, SunPhotonsLeaveAPlaneAboveTheSelectedSceneBox) {
    // A 2-unit box at the origin, a lamp at (0, 6, 0) and the camera at
    // (0, 0, 8): the geometry box is [-1, 1]^3, the whole box reaches the
    // lamp and the camera.
    auto scene = [](const char *box) {
        return std::string(R"({"options": {"samples": 1, "photons": 64, "scene_box": ")") + box + R"("},
            "camera": {"resolution": [2, 2], "transform": {"translate": [0, 0, 8]}},
            "lights": [{"name": "lamp", "type": "point", "intensity": 0, "transform": {"translate": [0, 6, 0]}},
                {"name": "sun", "type": "directional", "intensity": 2,
                 "transform": {"look_at": {"from": [3, 4, 2], "to": [0, 0, 0]}},
                 "shader": {"shader": "uvo_physicalsun", "params": {"up_axis_y": true}}}],
            "objects": [{"type": "box", "size": 2}]})";
    };
    const std::string dir = scratch_dir("photons");
    float plane[2] = {0, 0};
    for (int which = 0; which < 2; ++which) {
        const bool whole = which == 1;
        auto session = open_session(dir, scene(whole ? "all" : "geometry"));
        Scene &s = session->world().scene;
        Vector3 box[2], all[2];
        ASSERT_TRUE(rx_query(UVO_QUERY_SCENE_BOX, nullptr, 0, box));
        ASSERT_TRUE(rx_query(UVO_QUERY_SCENE_BOX_ALL, nullptr, 0, all));

        session->render(false);
        const Light &sun = s.lights[1];
        const uvo::SkyInstance *record = sky_record(sun.shader);
        ASSERT_NE(record, nullptr);
        plane[which] = record->photon_plane;
        // Seen from the light, the photon region covers every corner of the
        // chosen box, and its plane lies above them all.
        const Vector3 *chosen = whole ? all : box;
        for (int corner = 0; corner < 8; ++corner) {
            const Vector3 q = transform_vector(
                sun.from_world.m, Vector3{chosen[corner & 1].x, chosen[(corner >> 1) & 1].y, chosen[(corner >> 2) & 1].z});
            EXPECT_TRUE(q.x >= record->photon_min.x - 1e-4f && q.x <= record->photon_max.x + 1e-4f &&
                        q.y >= record->photon_min.y - 1e-4f && q.y <= record->photon_max.y + 1e-4f &&
                        q.z < record->photon_plane)
                << "box " << which << ", corner " << corner << " at " << q.x << ", " << q.y << ", " << q.z;
        }

        const std::vector<PhotonRecord> photons = recorded_photons();
        ASSERT_EQ(photons.size(), 64u) << "box " << which;
        for (const PhotonRecord &p : photons) {
            // Along the light, from its plane, with the light's energy.
            const Vector3 local = transform_point(sun.from_world.m, p.origin);
            EXPECT_TRUE(dot(p.direction, sun.direction) > 0.99999f &&
                        std::fabs(local.z - record->photon_plane) < 1e-3f * record->photon_plane &&
                        p.energy.g == 2.0f && p.light == sun.instance_tag && p.ray_type == UVO_RAY_PHOTON_EMIT)
                << "box " << which << ": photon from " << local.x << ", " << local.y << " energy " << p.energy.g;
        }
    }
    EXPECT_GT(plane[1], plane[0]) << "the whole box is larger than the geometry's";
}
