// The glossy floor of scenes/interpolation.json with the reflection
// interpolation cache and without it.  Metric: the mean over 4 x 4 pixel
// blocks of |on - off| (green), against the same between two uninterpolated
// renders with different seeds (the sampled reflection's noise).  The cache
// blurs within a block but must not shift the reflection.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "interpolate/point_cache.h"
#include "render_support.h"
#include "xmtl/material_records.h"

using namespace uvo_host;

namespace {

struct Frame {
    Image image;
    int filled = 0, cells = 0;
};

Frame render(const std::string &scene, const std::string &name) {
    SessionOptions options = uvo_host_test::session_options(uvo_host_test::scratch_dir(name), scene, 1);
    options.width = 96;
    options.height = 60;
    RenderSession session(options);
    Frame frame;
    session.render(false);
    frame.image = session.world().framebuffer;
    const auto *floor = static_cast<const uvo::MaterialInstance *>(session.world().scene.objects[0].material->user_slot);
    if (const uvo::Undersampler *u = floor->reflection_undersampler) {
        frame.cells = u->grid_width * u->grid_height;
        frame.filled = static_cast<int>(std::count_if(u->cell_index, u->cell_index + frame.cells,
                                                      [](uint16_t entry) { return entry >= 2; }));
    }
    return frame;
}

double block_difference(const Image &a, const Image &b) {
    double sum = 0.0;
    int blocks = 0;
    for (int y0 = 0; y0 + 4 <= a.height; y0 += 4)
        for (int x0 = 0; x0 + 4 <= a.width; x0 += 4, ++blocks) {
            double d = 0.0;
            for (int y = y0; y < y0 + 4; ++y)
                for (int x = x0; x < x0 + 4; ++x)
                    d += a.rgba[4 * (y * a.width + x) + 1] - b.rgba[4 * (y * a.width + x) + 1];
            sum += std::fabs(d) / 16;
        }
    return sum / blocks;
}

}  // namespace

TEST(GlossyInterpolation, AgreesWithTheSampledFloorWithinItsNoise) {
    std::stringstream text;
    text << std::ifstream(std::string(UVO_SOURCE_DIR) + "/scenes/interpolation.json").rdbuf();
    const std::string on = text.str(), key = R"("reflection_interpolate": true)";
    ASSERT_NE(on.find(key), std::string::npos);
    const std::string off = std::string(on).replace(on.find(key), key.size(), R"("reflection_interpolate": false)");
    const std::string reseeded = std::string(off).replace(off.find("\"options\": {"), 12, "\"options\": {\"seed\": 7,");

    const Frame with = render(on, "interpolation_on"), without = render(off, "interpolation_off");
    const Frame again = render(reseeded, "interpolation_off_seed");
    ASSERT_GT(with.filled, with.cells / 4) << "the floor fills much of the grid";
    const double level = uvo_host_test::mean_channel(without.image, 1);
    const double noise = block_difference(without.image, again.image);
    const double difference = block_difference(with.image, without.image);
    EXPECT_NEAR(uvo_host_test::mean_channel(with.image, 1), level, 0.01 * level);
    EXPECT_LT(difference, 3.0 * noise) << "noise floor " << noise;
}
